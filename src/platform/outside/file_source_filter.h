#pragma once
// File Source (Async.): loads a path and offers its bytes on one output pin of
// MEDIATYPE_Stream, with a subtype found by sniffing the content (AVI, MPEG-1 system, MPEG-2
// program or transport stream, ASF; GUID_NULL otherwise). The pin offers random-access reads
// (IAsyncReader) to the splitter it connects to; no samples are pushed.
//
// Load answers exactly S_OK on success; a missing or unreadable file gives
// HRESULT_FILE_NOT_FOUND. Reads are thread-safe (pread) and may come from any thread.

#include "platform/graph/base_filter.h"

#include <memory>
#include <string>

namespace sp::outside {

using mf::HRESULT;

// The MEDIATYPE_Stream subtype the first bytes of a file suggest.
mf::GUID sniffStreamSubtype(std::span<const uint8_t> head);

class FileSourceFilter;

class AsyncReaderPin final : public mf::BasePin, public mf::IAsyncReader {
public:
    explicit AsyncReaderPin(FileSourceFilter* owner);
    HRESULT CheckMediaType(const mf::MediaType& type) override;
    HRESULT GetMediaType(int position, mf::MediaType* type) override;
    HRESULT EndOfStream() override { return mf::E_UNEXPECTED; }
    HRESULT BeginFlush() override { return mf::E_UNEXPECTED; }
    HRESULT EndFlush() override { return mf::E_UNEXPECTED; }

    HRESULT SyncRead(int64_t position, long length, uint8_t* buffer) override;
    HRESULT Length(int64_t* total, int64_t* available) override;

private:
    FileSourceFilter* owner_;
};

class FileSourceFilter final : public mf::BaseFilter, public mf::IFileSourceFilter {
public:
    FileSourceFilter();
    ~FileSourceFilter() override;

    int GetPinCount() override { return 1; }
    mf::BasePin* GetPin(int n) override { return n == 0 ? pin_.get() : nullptr; }

    HRESULT Load(std::string_view path, const mf::MediaType* type) override;
    HRESULT GetCurFile(std::string* path, mf::MediaType* type) override;

    // Used by the pin.
    int fd() const { return fd_; }
    int64_t size() const { return size_; }
    const mf::MediaType& streamType() const { return type_; }

private:
    std::unique_ptr<AsyncReaderPin> pin_;
    std::string path_;
    int fd_ = -1;
    int64_t size_ = 0;
    mf::MediaType type_;
};

} // namespace sp::outside
