#include "platform/graph/pin_media_type.h"

#include "platform/graph/guids.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace mf;

namespace {

// An unconnected output pin that only answers EnumMediaTypes.
class OfferingPin : public mf::IPin {
public:
    enum class Mode { Offer, Fail, Throw };
    OfferingPin(std::vector<mf::MediaType> types, Mode mode = Mode::Offer)
        : types_(std::move(types)), mode_(mode) {}

    mf::HRESULT EnumMediaTypes(std::vector<mf::MediaType>* types) override {
        if (mode_ == Mode::Throw) throw std::runtime_error("enumeration broke");
        if (mode_ == Mode::Fail) return mf::E_FAIL;
        *types = types_;
        return mf::S_OK;
    }
    mf::HRESULT Connect(mf::IPin*, const mf::MediaType*) override { return mf::E_NOTIMPL; }
    mf::HRESULT ReceiveConnection(mf::IPin*, const mf::MediaType&) override {
        return mf::E_NOTIMPL;
    }
    mf::HRESULT Disconnect() override { return mf::S_FALSE; }
    mf::HRESULT ConnectedTo(mf::ComPtr<mf::IPin>*) override { return mf::VFW_E_NOT_CONNECTED; }
    mf::HRESULT ConnectionMediaType(mf::MediaType*) override { return mf::VFW_E_NOT_CONNECTED; }
    mf::HRESULT QueryPinInfo(mf::PinInfo*) override { return mf::E_NOTIMPL; }
    mf::HRESULT QueryDirection(mf::PinDirection* dir) override {
        *dir = mf::PinDirection::Output;
        return mf::S_OK;
    }
    mf::HRESULT QueryId(std::string*) override { return mf::E_NOTIMPL; }
    mf::HRESULT QueryAccept(const mf::MediaType&) override { return mf::S_FALSE; }
    mf::HRESULT EndOfStream() override { return mf::S_OK; }
    mf::HRESULT BeginFlush() override { return mf::S_OK; }
    mf::HRESULT EndFlush() override { return mf::S_OK; }
    mf::HRESULT NewSegment(mf::REFERENCE_TIME, mf::REFERENCE_TIME, double) override {
        return mf::S_OK;
    }
    mf::HRESULT QueryCategory(mf::GUID*) override { return mf::E_NOTIMPL; }

private:
    std::vector<mf::MediaType> types_;
    Mode mode_;
};

mf::MediaType TypeOf(const mf::GUID& major, const mf::GUID& sub, const mf::GUID& format) {
    mf::MediaType mt;
    mt.majortype = major;
    mt.subtype = sub;
    mt.formattype = format;
    return mt;
}

} // namespace

TEST(PinOffersMediaType, MatchesWithWildcards) {
    auto mpeg2 = TypeOf(mf::MEDIATYPE_Video, mf::MEDIASUBTYPE_MPEG2_VIDEO, mf::FORMAT_MPEG2Video);
    auto pcm = TypeOf(mf::MEDIATYPE_Audio, mf::MEDIASUBTYPE_PCM, mf::FORMAT_WaveFormatEx);
    auto pin = mf::make<OfferingPin>(std::vector{pcm, mpeg2});

    auto anyMpeg2 = TypeOf(mf::MEDIATYPE_Video, mf::MEDIASUBTYPE_MPEG2_VIDEO, mf::GUID_NULL);
    EXPECT_TRUE(PinOffersMediaType(anyMpeg2, pin.get()));
    EXPECT_TRUE(PinOffersMediaType(mf::MediaType{}, pin.get()));
    EXPECT_TRUE(PinOffersMediaType(pcm, pin.get()));
    auto mpeg2InVideoInfo =
        TypeOf(mf::MEDIATYPE_Video, mf::MEDIASUBTYPE_MPEG2_VIDEO, mf::FORMAT_VideoInfo);
    EXPECT_FALSE(PinOffersMediaType(mpeg2InVideoInfo, pin.get()));
    auto audioMpeg2 = TypeOf(mf::MEDIATYPE_Audio, mf::MEDIASUBTYPE_MPEG2_VIDEO, mf::GUID_NULL);
    EXPECT_FALSE(PinOffersMediaType(audioMpeg2, pin.get()));
}

TEST(PinOffersMediaType, NothingOfferedMeansFalse) {
    auto empty = mf::make<OfferingPin>(std::vector<mf::MediaType>{});
    EXPECT_FALSE(PinOffersMediaType(mf::MediaType{}, empty.get()));
    auto video = std::vector{TypeOf(mf::MEDIATYPE_Video, mf::GUID_NULL, mf::GUID_NULL)};
    auto failing = mf::make<OfferingPin>(video, OfferingPin::Mode::Fail);
    EXPECT_FALSE(PinOffersMediaType(mf::MediaType{}, failing.get()));
    auto throwing = mf::make<OfferingPin>(video, OfferingPin::Mode::Throw);
    EXPECT_FALSE(PinOffersMediaType(mf::MediaType{}, throwing.get()));
    EXPECT_FALSE(PinOffersMediaType(mf::MediaType{}, nullptr));
}
