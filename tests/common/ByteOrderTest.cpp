#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "common/ByteOrder.hpp"

namespace korvane {
namespace {

// The value of `size` bytes at `p`, the first the most significant when `big`.
std::uint64_t referenceValue(const std::uint8_t* p, int size, bool big) {
    std::uint64_t v = 0;
    for (int i = 0; i < size; ++i)
        v |= std::uint64_t{p[i]} << 8 * (big ? size - 1 - i : i);
    return v;
}

TEST(ByteOrder, LoadsAgreeWithByteByByteAssemblyInBothOrders) {
    std::mt19937 random(7);
    for (int round = 0; round < 1000; ++round) {
        std::array<std::uint8_t, 8> b{};
        for (std::uint8_t& byte : b)
            byte = static_cast<std::uint8_t>(random());
        for (const bool big : {false, true}) {
            const ByteOrder order(big);
            EXPECT_EQ(order.load16(b.data()), referenceValue(b.data(), 2, big));
            EXPECT_EQ(order.load32(b.data()), referenceValue(b.data(), 4, big));
            EXPECT_EQ(order.load64(b.data()), referenceValue(b.data(), 8, big));
        }
    }
    // Every code but "II" is big-endian, as TIFF headers are read.
    const std::array<std::uint8_t, 2> b{0x12, 0x34};
    EXPECT_EQ(ByteOrder::ofCode(kLittleEndianOrder).load16(b.data()), 0x3412);
    for (const std::uint8_t code : {kBigEndianOrder, std::uint8_t{0}, std::uint8_t{3}})
        EXPECT_EQ(ByteOrder::ofCode(code).load16(b.data()), 0x1234) << int{code};
}

// Runs of u8, u16 and u32 reads over buffers of every length up to 12: each read inside the
// bytes gives the reference value, the first one past them fails with 0, and so does every
// read after it.
TEST(ByteCursor, ReadsUntilTheEndThenFailsAndStaysFailed) {
    std::mt19937 random(11);
    for (int round = 0; round < 2000; ++round) {
        std::vector<std::uint8_t> bytes(random() % 13);
        for (std::uint8_t& byte : bytes)
            byte = static_cast<std::uint8_t>(random());
        const bool big = (random() & 1) != 0;
        ByteCursor cursor(bytes, ByteOrder(big));
        std::size_t at = 0;
        bool past = false;
        for (int read = 0; read < 8; ++read) {
            const int size = 1 << (random() % 3);
            std::uint32_t value = 0xDEAD;
            bool ok = false;
            if (size == 1) {
                std::uint8_t v = 0xAD;
                ok = cursor.u8(v);
                value = v;
            } else if (size == 2) {
                std::uint16_t v = 0xDEAD;
                ok = cursor.u16(v);
                value = v;
            } else {
                ok = cursor.u32(value);
            }
            past = past || at + size > bytes.size();
            ASSERT_EQ(ok, !past) << round << " " << read;
            ASSERT_EQ(cursor.good(), !past);
            if (past) {
                EXPECT_EQ(value, 0u);
                EXPECT_EQ(cursor.position(), at);
                continue;
            }
            EXPECT_EQ(value, referenceValue(bytes.data() + at, size, big));
            at += size;
            EXPECT_EQ(cursor.position(), at);
            EXPECT_EQ(cursor.left(), bytes.size() - at);
        }
    }
    const std::array<std::uint8_t, 4> four{1, 2, 3, 4};
    ByteCursor cursor(four, ByteOrder::big());
    std::uint16_t v = 0;
    EXPECT_TRUE(cursor.seek(4));
    EXPECT_FALSE(cursor.u16(v));
    ByteCursor other(four, ByteOrder::big());
    EXPECT_TRUE(other.seek(2) && other.u16(v));
    EXPECT_EQ(v, 0x0304);
    EXPECT_FALSE(other.seek(5));
    EXPECT_FALSE(other.good());
}

} // namespace
} // namespace korvane
