#include "platform/graph/sample.h"

#include <gtest/gtest.h>

#include <thread>

using namespace mf;

TEST(MediaSample, TimesFlagsAndAttachedType) {
    auto sample = make<MediaSample>(100);
    REFERENCE_TIME start = 5, stop = 7;
    EXPECT_EQ(sample->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);
    REFERENCE_TIME s = 10;
    sample->SetTime(&s, nullptr);
    EXPECT_EQ(sample->GetTime(&start, &stop), VFW_S_NO_STOP_TIME);
    EXPECT_EQ(start, 10);
    REFERENCE_TIME e = 20;
    sample->SetTime(&s, &e);
    EXPECT_EQ(sample->GetTime(&start, &stop), S_OK);
    EXPECT_EQ(stop, 20);
    EXPECT_EQ(sample->SetActualDataLength(101), E_INVALIDARG);
    MediaType mt;
    EXPECT_EQ(sample->GetMediaType(&mt), S_FALSE);
    MediaType rgb = makeRgb32Type(8, 8, 0);
    sample->SetMediaType(&rgb);
    EXPECT_EQ(sample->GetMediaType(&mt), S_OK);
    EXPECT_EQ(mt, rgb);
}

TEST(MemAllocator, LendsAlignedBuffersAndBlocksUntilOneReturns) {
    auto allocator = make<MemAllocator>();
    AllocatorProperties request{2, 1000, 64, 0}, actual;
    ASSERT_EQ(allocator->SetProperties(request, &actual), S_OK);
    EXPECT_EQ(actual.cbBuffer, 1024);
    ComPtr<IMediaSample> first;
    EXPECT_EQ(allocator->GetBuffer(&first), VFW_E_NOT_COMMITTED);
    ASSERT_EQ(allocator->Commit(), S_OK);
    ComPtr<IMediaSample> a, b;
    ASSERT_EQ(allocator->GetBuffer(&a), S_OK);
    ASSERT_EQ(allocator->GetBuffer(&b), S_OK);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(a->GetPointer()) % 64, 0u);
    EXPECT_EQ(allocator->SetProperties(request, &actual), VFW_E_ALREADY_COMMITTED);

    std::thread giver([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        a = nullptr; // the last reference hands the buffer back
    });
    ComPtr<IMediaSample> c;
    EXPECT_EQ(allocator->GetBuffer(&c), S_OK);
    giver.join();

    std::thread waiter([&] {
        ComPtr<IMediaSample> d;
        EXPECT_EQ(allocator->GetBuffer(&d), VFW_E_NOT_COMMITTED); // released by Decommit
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    allocator->Decommit();
    waiter.join();
}

TEST(MemAllocator, OutlivesItsOwnerWhileSamplesAreOut) {
    ComPtr<IMediaSample> kept;
    {
        auto allocator = make<MemAllocator>();
        AllocatorProperties request{1, 16, 1, 0}, actual;
        allocator->SetProperties(request, &actual);
        allocator->Commit();
        allocator->GetBuffer(&kept);
    }
    kept->GetPointer()[0] = 1; // still valid memory
    kept = nullptr;            // frees the pool (checked by the leak sanitizer)
}
