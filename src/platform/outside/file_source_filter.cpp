#include "platform/outside/file_source_filter.h"

#include "platform/graph/guids.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sp::outside {

using namespace mf;

namespace {

bool transportSyncAt(std::span<const uint8_t> head, size_t offset, size_t packet) {
    for (size_t i = 0; i < 3; ++i)
        if (offset + i * packet >= head.size() || head[offset + i * packet] != 0x47) return false;
    return true;
}

constexpr std::array<uint8_t, 16> kAsfHeader = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                                0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};

} // namespace

GUID sniffStreamSubtype(std::span<const uint8_t> head) {
    if (head.size() >= 12 && std::memcmp(head.data(), "RIFF", 4) == 0 &&
        std::memcmp(head.data() + 8, "AVI ", 4) == 0)
        return MEDIASUBTYPE_Avi;
    if (head.size() >= 16 && std::equal(kAsfHeader.begin(), kAsfHeader.end(), head.begin()))
        return MEDIASUBTYPE_Asf;
    if (head.size() >= 5 && head[0] == 0 && head[1] == 0 && head[2] == 1 && head[3] == 0xBA)
        return (head[4] & 0xC0) == 0x40 ? MEDIASUBTYPE_MPEG2_PROGRAM : MEDIASUBTYPE_MPEG1System;
    if (transportSyncAt(head, 0, 188) || transportSyncAt(head, 4, 192))
        return MEDIASUBTYPE_MPEG2_TRANSPORT;
    return GUID_NULL;
}

AsyncReaderPin::AsyncReaderPin(FileSourceFilter* owner)
    : BasePin(owner, "Output", PinDirection::Output), owner_(owner) {}

HRESULT AsyncReaderPin::CheckMediaType(const MediaType& type) {
    const MediaType& mine = owner_->streamType();
    if (type.majortype != MEDIATYPE_Stream) return S_FALSE;
    return type.subtype.isNull() || type.subtype == mine.subtype ? S_OK : S_FALSE;
}

HRESULT AsyncReaderPin::GetMediaType(int position, MediaType* type) {
    if (position < 0) return E_INVALIDARG;
    if (position > 0 || owner_->fd() < 0) return VFW_S_NO_MORE_ITEMS;
    *type = owner_->streamType();
    return S_OK;
}

HRESULT AsyncReaderPin::SyncRead(int64_t position, long length, uint8_t* buffer) {
    if (!buffer) return E_POINTER;
    if (position < 0 || length < 0) return E_INVALIDARG;
    long done = 0;
    while (done < length) {
        ssize_t n = pread(owner_->fd(), buffer + done, size_t(length - done), position + done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return E_FAIL;
        if (n == 0) break;
        done += long(n);
    }
    return done == length ? S_OK : S_FALSE;
}

HRESULT AsyncReaderPin::Length(int64_t* total, int64_t* available) {
    if (!total || !available) return E_POINTER;
    *total = *available = owner_->size();
    return S_OK;
}

FileSourceFilter::FileSourceFilter()
    : BaseFilter("File Source (Async.)", CLSID_AsyncReader),
      pin_(std::make_unique<AsyncReaderPin>(this)) {}

FileSourceFilter::~FileSourceFilter() {
    if (fd_ >= 0) close(fd_);
}

HRESULT FileSourceFilter::Load(std::string_view path, const MediaType* type) {
    if (fd_ >= 0) return E_UNEXPECTED; // one file per instance
    int fd = open(std::string(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return HRESULT_FILE_NOT_FOUND;
    struct stat info{};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return HRESULT_FILE_NOT_FOUND;
    }
    fd_ = fd;
    size_ = info.st_size;
    path_ = std::string(path);
    std::array<uint8_t, 1024> head{};
    ssize_t got = pread(fd_, head.data(), head.size(), 0);
    type_ = MediaType{};
    type_.majortype = MEDIATYPE_Stream;
    type_.subtype = type && !type->subtype.isNull()
                        ? type->subtype
                        : sniffStreamSubtype(std::span(head.data(), size_t(std::max<ssize_t>(got, 0))));
    type_.formattype = FORMAT_None;
    type_.bFixedSizeSamples = true;
    type_.lSampleSize = 1;
    return S_OK;
}

HRESULT FileSourceFilter::GetCurFile(std::string* path, MediaType* type) {
    if (!path) return E_POINTER;
    if (fd_ < 0) return E_FAIL;
    *path = path_;
    if (type) *type = type_;
    return S_OK;
}

} // namespace sp::outside
