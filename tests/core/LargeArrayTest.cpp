#include "support/LargeArray.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>

using pelkora::LargeVector;
using pelkora::largearray::kThreshold;

TEST(LargeArray, AVectorGrowingPastTheThresholdKeepsItsContent)
{
    // Growth moves the elements from heap memory into a mapping and between
    // mappings of different sizes.
    LargeVector<std::uint32_t> values;
    const std::size_t count = 3 * kThreshold / sizeof(std::uint32_t) + 17;
    for (std::size_t i = 0; i < count; ++i)
        values.push_back(static_cast<std::uint32_t>(i * 2654435761u));
    for (std::size_t i = 0; i < count; i += 4093)
        ASSERT_EQ(values[i], static_cast<std::uint32_t>(i * 2654435761u)) << i;
    EXPECT_EQ(values.back(), static_cast<std::uint32_t>((count - 1) * 2654435761u));

    // Shrunk to the heap again and copied: still the same values.
    values.resize(100);
    values.shrink_to_fit();
    const LargeVector<std::uint32_t> copy = values;
    EXPECT_TRUE(std::equal(copy.begin(), copy.end(), values.begin(), values.end()));
}

TEST(LargeArray, ArraysOfEverySizeAroundTheThresholdAreWritableToTheirLastByte)
{
    for (const std::size_t bytes : {kThreshold - 1, kThreshold, kThreshold + 1, 2 * kThreshold + 4096 + 3}) {
        SCOPED_TRACE(bytes);
        LargeVector<unsigned char> block(bytes, 0xA5);
        block.back() = 0x5A;
        EXPECT_EQ(block.front(), 0xA5);
        EXPECT_EQ(std::accumulate(block.begin(), block.end(), std::size_t{0}), (bytes - 1) * 0xA5 + 0x5A);
    }
}

TEST(LargeArray, ASizeNoMemoryCanHoldIsRefused)
{
    pelkora::LargeArrayAllocator<std::uint64_t> allocator;
    EXPECT_THROW((void)allocator.allocate(std::size_t(-1) / 4), std::bad_array_new_length);
    EXPECT_THROW((void)allocator.allocate(std::size_t(-1) / 8 - 1024), std::bad_alloc);
}
