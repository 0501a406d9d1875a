#pragma once
// Memory for pictures. A picture buffer is large and usually filled once right after it is
// allocated, so what it costs is mostly the system handing out its pages one by one. Blocks of
// 2 MiB and more are therefore mapped straight from the system, aligned to 2 MiB and advised for
// large pages where the system offers them (a fresh full-HD buffer then fills about three times
// faster); smaller blocks come from calloc. Either way the memory reads as zeros until written.
// A mapped block ends at the small page after its last byte, not at a large-page boundary: the
// whole large pages it spans are large, its tail is small pages (rounding a 3.1 MiB picture up
// to 4 MiB would leave a quarter of the memory of a decoder's pool unused, and the first touch
// of fresh memory is what costs). AllocatePictureMemory does round a block up to whole large
// pages when that adds at most a third of it: a PAL RGB32 picture (1.6 MiB) then takes one
// large page, whose first filling cost a thirtieth of its small pages' in a virtual machine
// (0.16 ms against 4.7 ms), and a full-HD one takes four instead of three and a tail.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace mf {

struct PictureMemoryRelease {
    std::size_t mappedBytes = 0; // 0: the block came from calloc
    void operator()(std::uint8_t* block) const;
};
using PictureMemory = std::unique_ptr<std::uint8_t[], PictureMemoryRelease>;

// Copies `bytes` from `source` to `target` (which do not overlap) with plain vector loads and
// stores. For picture rows and whole pictures: on AMD processors glibc's memcpy copies such
// sizes with `rep movsb`, which here ran several times slower than loads and stores from
// memory not in the cache (a fifth of a run grabbing every PAL frame).
void CopyPictureBytes(std::uint8_t* target, const std::uint8_t* source, std::size_t bytes);

// A zeroed block of `bytes` (at least 1); throws std::bad_alloc when memory runs out.
PictureMemory AllocatePictureMemory(std::size_t bytes);
// The mapped kind alone, whatever the size (null when the system refuses the mapping).
// AllocatePictureMemory uses it for large blocks, except under AddressSanitizer.
PictureMemory MapPictureMemory(std::size_t bytes);

// A byte buffer of picture memory that starts out as zeros without writing them.
class ZeroedBuffer {
public:
    ZeroedBuffer() = default;
    explicit ZeroedBuffer(std::size_t size) { assign(size); }
    ZeroedBuffer(const ZeroedBuffer& other);
    ZeroedBuffer& operator=(const ZeroedBuffer& other);
    ZeroedBuffer(ZeroedBuffer&& other) noexcept;
    ZeroedBuffer& operator=(ZeroedBuffer&& other) noexcept;

    // Replaces the contents with `size` zero bytes; throws std::bad_alloc when memory runs out
    // (the buffer is then empty).
    void assign(std::size_t size);
    // Keeps the contents when the size is the same; otherwise as assign().
    void resize(std::size_t size) {
        if (size != size_) assign(size);
    }
    void clear() { assign(0); }

    std::uint8_t* data() { return data_.get(); }
    const std::uint8_t* data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    std::uint8_t* begin() { return data_.get(); }
    std::uint8_t* end() { return data_.get() + size_; }
    const std::uint8_t* begin() const { return data_.get(); }
    const std::uint8_t* end() const { return data_.get() + size_; }

private:
    PictureMemory data_;
    std::size_t size_ = 0;
};

} // namespace mf
