#include "platform/graph/filter_mapper.h"

#include "support/test_filters.h"

#include <gtest/gtest.h>

using namespace mf;
using namespace sptest;

namespace {
FilterRegistration decoderRegistration(const GUID& clsid, const char* name, uint32_t merit,
                                       const GUID& inSubtype) {
    return describeFilter(
        clsid, name, merit,
        {RegPin{PinDirection::Input, false, {{MEDIATYPE_Video, inSubtype}}},
         RegPin{PinDirection::Output, false, {{MEDIATYPE_Video, MEDIASUBTYPE_RGB32}}}},
        [] { return ComPtr<IBaseFilter>(make<TestConverter>()); });
}
constexpr GUID kLow = guidOf("{5D1E1001-0000-4000-8000-000000000001}");
constexpr GUID kHigh = guidOf("{5D1E1002-0000-4000-8000-000000000002}");
constexpr GUID kAny = guidOf("{5D1E1003-0000-4000-8000-000000000003}");
} // namespace

TEST(FilterMapper, MatchesByTypeAndMeritHighestFirst) {
    ScopedFilterRegistration low(
        decoderRegistration(kLow, "low decoder", MERIT_UNLIKELY, MEDIASUBTYPE_MPEG2_VIDEO));
    ScopedFilterRegistration high(
        decoderRegistration(kHigh, "high decoder", MERIT_PREFERRED, MEDIASUBTYPE_MPEG2_VIDEO));
    ScopedFilterRegistration any(decoderRegistration(kAny, "any decoder", MERIT_NORMAL, GUID_NULL));

    FilterQuery q;
    q.exactMatch = false;
    q.minMerit = MERIT_DO_NOT_USE;
    q.inputNeeded = true;
    q.inputTypes = {{MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO}};
    q.outputNeeded = true;
    q.outputTypes = {{MEDIATYPE_Video, MEDIASUBTYPE_RGB32}};
    std::vector<ComPtr<Moniker>> found;
    ASSERT_EQ(FilterMapper::instance().EnumMatchingFilters(q, &found), S_OK);
    std::vector<std::string> names;
    for (auto& m : found)
        names.push_back(m->friendlyName());
    EXPECT_EQ(names, (std::vector<std::string>{"high decoder", "any decoder", "low decoder"}));

    q.exactMatch = true; // a registered wildcard no longer matches
    FilterMapper::instance().EnumMatchingFilters(q, &found);
    EXPECT_EQ(found.size(), 2u);

    q.minMerit = MERIT_NORMAL + 1;
    FilterMapper::instance().EnumMatchingFilters(q, &found);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0]->clsid(), kHigh);

    q.inputTypes = {{MEDIATYPE_Audio, MEDIASUBTYPE_MPEG2_AUDIO}};
    FilterMapper::instance().EnumMatchingFilters(q, &found);
    EXPECT_TRUE(found.empty());
}

TEST(FilterMapper, MonikersCarryFriendlyNameAndCompareByFilter) {
    ScopedFilterRegistration reg(
        decoderRegistration(kLow, "moniker decoder", MERIT_NORMAL, MEDIASUBTYPE_MPEG2_VIDEO));
    auto monikers = FilterMapper::instance().EnumCategory(CLSID_LegacyAmFilterCategory);
    ComPtr<Moniker> first, second;
    for (auto& m : monikers)
        if (m->clsid() == kLow) first = m;
    for (auto& m : FilterMapper::instance().EnumCategory(CLSID_LegacyAmFilterCategory))
        if (m->clsid() == kLow) second = m;
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.get(), second.get());
    EXPECT_TRUE(first->IsEqual(*second));
    std::string name;
    EXPECT_EQ(first->ReadProperty("FriendlyName", &name), S_OK);
    EXPECT_EQ(name, "moniker decoder");
    EXPECT_EQ(first->ReadProperty("Nonsense", &name), E_INVALIDARG);
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(first->BindToObject(&filter), S_OK);
    EXPECT_TRUE(filter);
}

TEST(FilterMapper, CreationByClassIdAnswersWhetherAFilterIsInstalled) {
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(FilterMapper::instance().CreateFilter(kHigh, &filter), REGDB_E_CLASSNOTREG);
    {
        ScopedFilterRegistration reg(
            decoderRegistration(kHigh, "present", MERIT_NORMAL, MEDIASUBTYPE_MPEG2_VIDEO));
        EXPECT_EQ(FilterMapper::instance().CreateFilter(kHigh, &filter), S_OK);
        EXPECT_TRUE(FilterMapper::instance().IsRegistered(kHigh));
    }
    EXPECT_FALSE(FilterMapper::instance().IsRegistered(kHigh));
}
