#pragma once
// TMediaForcer: a connection target that accepts one kind of media type and nothing else. The
// media system adds it to the graph as the sink of a RenderStream, so that the graph has to
// insert whatever decoders turn the source's stream into the accepted type; it then takes the
// decoded output pin and removes the forcer again. The forcer never passes a sample on and its
// output pin never connects.
//
// Controlling thread only: SetAcceptedType is called while the forcer is stopped and not
// connected; CheckInputType answers during connection.

#include "platform/graph/transform_filter.h"

namespace sp {

inline constexpr mf::GUID CLSID_MediaForcer = mf::guidOf("{574BBEA3-D5F4-4CE2-B789-A6BF39CAE6D1}");
inline constexpr const char* kMediaForcerName = "Orvane's MediaForcer";

class TMediaForcer final : public mf::TransformFilter {
public:
    TMediaForcer();

    // The accepted major type, subtype and format type; GUID_NULL accepts any value. A new
    // forcer accepts every type.
    void SetAcceptedType(const mf::GUID& major, const mf::GUID& sub, const mf::GUID& format);

    // S_OK when each accepted GUID is GUID_NULL or equal to the type's, else E_FAIL.
    mf::HRESULT CheckInputType(const mf::MediaType& type) override;
    // The output side is never used: no type offered, no transform, no buffers.
    mf::HRESULT CheckTransform(const mf::MediaType& in, const mf::MediaType& out) override;
    mf::HRESULT DecideBufferSize(mf::IMemAllocator* allocator,
                                 mf::AllocatorProperties* request) override;
    mf::HRESULT GetMediaType(int position, mf::MediaType* type) override;
    // Drops every sample (S_FALSE).
    mf::HRESULT Transform(mf::IMediaSample* in, mf::IMediaSample* out) override;

private:
    mf::GUID ForceMajor;
    mf::GUID ForceSub;
    mf::GUID ForceFormat;
};

} // namespace sp
