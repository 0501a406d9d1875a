#include "platform/graph/picture_memory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace mf {
namespace {

bool allZero(const std::uint8_t* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (p[i]) return false;
    return true;
}

TEST(PictureMemory, BlocksOfEitherKindStartAsZerosAndHoldTheirWholeSize) {
    // A full-HD picture (mapped, on a large-page boundary), a PAL one (mapped as one large
    // page), one just above a large page, and a small one from the heap.
    for (std::size_t bytes : {std::size_t(1920) * 1088 * 4, std::size_t(720) * 576 * 4,
                              (std::size_t(2) << 20) + 1, std::size_t(4096)}) {
        PictureMemory block = AllocatePictureMemory(bytes);
        ASSERT_TRUE(block) << bytes;
        EXPECT_TRUE(allZero(block.get(), bytes)) << bytes;
        std::memset(block.get(), 0xAB, bytes);
        EXPECT_EQ(block[bytes - 1], 0xAB);
    }
    PictureMemory mapped = MapPictureMemory(3 << 20);
    ASSERT_TRUE(mapped);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(mapped.get()) % (std::uintptr_t(2) << 20), 0u);
    EXPECT_TRUE(allZero(mapped.get(), 3 << 20));
    mapped[(3 << 20) - 1] = 1;
    PictureMemory odd = MapPictureMemory((3 << 20) + 5);
    ASSERT_TRUE(odd);
    odd[(3 << 20) + 4095] = 1; // the rounded-up part of the last small page is the block's too
}

TEST(PictureMemory, ZeroedBufferKeepsItsBytesOnlyAtTheSameSize) {
    ZeroedBuffer buffer(16);
    std::memset(buffer.data(), 7, 16);
    buffer.resize(16);
    EXPECT_EQ(buffer.data()[15], 7);
    buffer.resize(32);
    ASSERT_EQ(buffer.size(), 32u);
    EXPECT_TRUE(allZero(buffer.data(), 32));

    std::memset(buffer.data(), 9, 32);
    ZeroedBuffer copy(buffer);
    copy.data()[0] = 1;
    EXPECT_EQ(buffer.data()[0], 9); // a copy owns its bytes
    EXPECT_EQ(copy.data()[31], 9);

    ZeroedBuffer moved(std::move(copy));
    EXPECT_TRUE(copy.empty());
    EXPECT_EQ(moved.size(), 32u);
    moved.clear();
    EXPECT_TRUE(moved.empty());
    EXPECT_EQ(moved.data(), nullptr);
}

// Every length around the 64-byte steps, from and to unaligned addresses, and nothing written
// past the end.
TEST(PictureMemory, CopyPictureBytesCopiesEveryByteAndNoMore) {
    std::vector<std::uint8_t> source(3000), target(3100);
    for (std::size_t i = 0; i < source.size(); ++i)
        source[i] = std::uint8_t(i * 7 + 1);
    for (std::size_t bytes : {0u, 1u, 15u, 63u, 64u, 65u, 129u, 2880u, 2999u}) {
        std::fill(target.begin(), target.end(), 0xEE);
        CopyPictureBytes(target.data() + 3, source.data() + 1, bytes);
        EXPECT_TRUE(std::equal(source.begin() + 1, source.begin() + 1 + bytes, target.begin() + 3))
            << bytes;
        EXPECT_EQ(target[2], 0xEE) << bytes;
        EXPECT_EQ(target[3 + bytes], 0xEE) << bytes;
    }
}

} // namespace
} // namespace mf
