#pragma once
// The output pin of the test sources: it offers one media type, accepts what matches it by the
// source's own rule, and asks the allocator for a few buffers of a size the source knows. The
// sources differ only in how they fill and time their samples.

#include "platform/graph/streaming_pin.h"

namespace sptest {

class OneTypePin : public mf::StreamingOutputPin {
public:
    // How a type proposed at connection is compared with the offered one.
    enum class Match {
        Whole,          // every field
        Pattern,        // mf::matchesPartial: null GUIDs of the offered type are wildcards
        MajorSub,       // major type and subtype
        MajorSubFormat, // major type, subtype and format type
    };

    mf::HRESULT CheckMediaType(const mf::MediaType& type) override;
    mf::HRESULT GetMediaType(int position, mf::MediaType* type) override;

protected:
    OneTypePin(mf::BaseFilter* owner, Match match);
    // The type offered now; controlling thread, and the streaming thread when it needs it.
    virtual const mf::MediaType& offered() const = 0;
    // At least `buffers` buffers of at least `bytes` each, or what the request asks if more.
    static mf::HRESULT askBuffers(mf::IMemAllocator* allocator, mf::AllocatorProperties* request,
                                  long buffers, long bytes);

private:
    Match match_;
};

} // namespace sptest
