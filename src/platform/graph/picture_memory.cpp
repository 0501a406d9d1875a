#include "platform/graph/picture_memory.h"

#include <sys/mman.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace mf {

namespace {

constexpr std::size_t kLargePage = std::size_t(2) << 20;
constexpr std::size_t kSmallPage = 4096;

// Under AddressSanitizer every block comes from calloc, where overruns are caught.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMapLargeBlocks = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kMapLargeBlocks = false;
#else
constexpr bool kMapLargeBlocks = true;
#endif
#else
constexpr bool kMapLargeBlocks = true;
#endif

// Maps `bytes` (whole small pages) on a large-page boundary: a large page more is mapped and
// what lies outside the aligned block is given back.
std::uint8_t* mapAligned(std::size_t bytes) {
    const std::size_t span = bytes + kLargePage;
    void* mapped =
        ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + kLargePage - 1) & ~(kLargePage - 1);
    if (aligned > start) ::munmap(mapped, aligned - start);
    const std::uintptr_t tail = aligned + bytes;
    if (start + span > tail) ::munmap(reinterpret_cast<void*>(tail), start + span - tail);
    auto* block = reinterpret_cast<std::uint8_t*>(aligned);
    ::madvise(block, bytes, MADV_HUGEPAGE); // only advice: ignored where large pages are off
    return block;
}

} // namespace

void CopyPictureBytes(std::uint8_t* target, const std::uint8_t* source, std::size_t bytes) {
#if defined(__SSE2__)
    for (; bytes >= 64; bytes -= 64, source += 64, target += 64) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 32));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 48));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target), a);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + 16), b);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + 32), c);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + 48), d);
    }
#endif
    if (bytes) std::memcpy(target, source, bytes);
}

void PictureMemoryRelease::operator()(std::uint8_t* block) const {
    if (mappedBytes)
        ::munmap(block, mappedBytes);
    else
        std::free(block);
}

PictureMemory MapPictureMemory(std::size_t bytes) {
    const std::size_t rounded =
        (std::max<std::size_t>(bytes, 1) + kSmallPage - 1) & ~(kSmallPage - 1);
    std::uint8_t* block = mapAligned(rounded);
    return block ? PictureMemory(block, PictureMemoryRelease{rounded})
                 : PictureMemory(nullptr, PictureMemoryRelease{0});
}

// What a picture block of `bytes` is mapped as: whole large pages where they add at most a third
// to it (a PAL RGB32 picture in one large page, a full-HD one in four), its own size otherwise;
// 0 for a block the heap gives.
std::size_t mappedSizeFor(std::size_t bytes) {
    const std::size_t whole = (bytes + kLargePage - 1) & ~(kLargePage - 1);
    if ((whole - bytes) * 3 <= bytes) return whole;
    return bytes >= kLargePage ? bytes : 0;
}

PictureMemory AllocatePictureMemory(std::size_t bytes) {
    if (bytes == 0) bytes = 1;
    if (const std::size_t mapped = kMapLargeBlocks ? mappedSizeFor(bytes) : 0) {
        if (PictureMemory block = MapPictureMemory(mapped)) return block;
    }
    auto* block = static_cast<std::uint8_t*>(std::calloc(bytes, 1));
    if (!block) throw std::bad_alloc();
    return PictureMemory(block, PictureMemoryRelease{0});
}

ZeroedBuffer::ZeroedBuffer(const ZeroedBuffer& other) {
    assign(other.size_);
    if (size_) std::memcpy(data_.get(), other.data_.get(), size_);
}

ZeroedBuffer& ZeroedBuffer::operator=(const ZeroedBuffer& other) {
    if (this != &other) *this = ZeroedBuffer(other);
    return *this;
}

ZeroedBuffer::ZeroedBuffer(ZeroedBuffer&& other) noexcept
    : data_(std::move(other.data_)), size_(std::exchange(other.size_, 0)) {}

ZeroedBuffer& ZeroedBuffer::operator=(ZeroedBuffer&& other) noexcept {
    data_ = std::move(other.data_);
    size_ = std::exchange(other.size_, 0);
    return *this;
}

void ZeroedBuffer::assign(std::size_t size) {
    data_.reset();
    size_ = 0;
    if (size == 0) return;
    data_ = AllocatePictureMemory(size);
    size_ = size;
}

} // namespace mf
