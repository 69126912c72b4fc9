// The packed 12-bit decoder on bytes in memory: both bit orders, the length checks and the
// placement of each camera variant.
#include "decode/PackedDecoder.hpp"

#include <gtest/gtest.h>

#include "common/RecordingReporter.hpp"
#include "tests/support/StripEncoder.hpp"

namespace korvane::test {
namespace {

struct Decoded {
    std::vector<std::uint16_t> image;
    RecordingReporter reporter;
    Status status = kFailed;
};

// Decodes `bytes` as a strip of width x rows at (rowStart, 0) of an image of imageWidth x
// imageHeight, which starts filled with 0xEEEE.
std::unique_ptr<Decoded> decode(const std::vector<std::uint8_t>& bytes, std::uint32_t width,
                                std::uint32_t rows, std::uint8_t variant,
                                PackedBitOrder order = PackedBitOrder::BigEndian,
                                std::uint32_t imageWidth = 0, std::uint32_t imageHeight = 0,
                                std::uint32_t rowStart = 0) {
    auto d = std::make_unique<Decoded>();
    imageWidth = imageWidth ? imageWidth : width;
    imageHeight = imageHeight ? imageHeight : rows;
    d->image.assign(std::size_t{imageWidth} * imageHeight, 0xEEEE);
    MemoryByteSource source(bytes);
    const SampleTarget target{d->image, imageWidth, imageHeight, width, rows, rowStart, 0};
    d->status = DecodePacked(source, static_cast<std::uint32_t>(bytes.size()), target, variant,
                             order, d->reporter, "strip.raw");
    return d;
}

TEST(PackedBitOrder, ThreeBytesGiveTwoSamples) {
    const std::vector<std::uint8_t> bytes = {0x12, 0x34, 0x56};
    auto big = decode(bytes, 2, 1, 0, PackedBitOrder::BigEndian);
    ASSERT_EQ(big->status, kOk);
    EXPECT_EQ(big->image, (std::vector<std::uint16_t>{0x123, 0x456}));
    auto little = decode(bytes, 2, 1, 0, PackedBitOrder::LittleEndian);
    ASSERT_EQ(little->status, kOk);
    EXPECT_EQ(little->image, (std::vector<std::uint16_t>{0x412, 0x563}));
}

TEST(PackedBitOrder, TheEncoderAndDecoderAgreeOnBothOrders) {
    std::vector<std::uint16_t> samples(24 * 5);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::uint16_t>((i * 2654435761u) & 0xFFF);
    for (const auto& [order, packing] :
         {std::pair{PackedBitOrder::BigEndian, ByteOrder::Big},
          std::pair{PackedBitOrder::LittleEndian, ByteOrder::Little}}) {
        auto d = decode(encodePacked12(samples, packing), 24, 5, 0, order);
        ASSERT_EQ(d->status, kOk);
        EXPECT_EQ(d->image, samples);
    }
}

TEST(PackedLength, MismatchesAndOddPixelCounts) {
    const std::vector<std::uint8_t> six(6, 0);
    // Variant 0 wants 1.5 bytes a sample: 6 bytes are not 2 x 3 samples.
    auto mismatch = decode(six, 3, 3, 0);
    EXPECT_EQ(mismatch->status, kFailed);
    ASSERT_EQ(mismatch->reporter.numbers(), std::vector<int>{8});
    EXPECT_EQ(mismatch->reporter.records()[0].args.text2,
              "mismatch between packed block length and packed pixels");
    // Variants without a length check still need whole pairs.
    auto odd = decode(std::vector<std::uint8_t>(7, 0), 3, 1, 4);
    ASSERT_EQ(odd->reporter.numbers(), std::vector<int>{24});
    EXPECT_EQ(odd->reporter.records()[0].args.text1, "PACK compression with odd nr of pixels");
    // Variant 5 wants (w x 3 / 2 + w / 10 + 10) bytes a row.
    EXPECT_EQ(decode(std::vector<std::uint8_t>(4 * 3 / 2 * 2, 0), 4, 2, 5)->reporter.numbers(),
              std::vector<int>{8});
}

TEST(PackedLength, DataEndingEarlyIsReported) {
    // Variant 4 has no length check, so the bytes run out.
    auto d = decode(std::vector<std::uint8_t>(6, 0), 4, 2, 4);
    EXPECT_EQ(d->status, kFailed);
    ASSERT_EQ(d->reporter.numbers(), std::vector<int>{8});
    EXPECT_EQ(d->reporter.records()[0].args.text2,
              "end of file occured\nwhile reading packed data");
}

std::vector<std::uint16_t> counting(std::size_t n) {
    std::vector<std::uint16_t> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<std::uint16_t>(i + 1);
    return v;
}

TEST(PackedPlacement, Variant4StoresTheEvenRowsFirst) {
    // Five rows of 2: the strip holds rows 0, 2, 4, then 1, 3.
    const auto stored = counting(10);
    auto d = decode(encodePacked12(stored, ByteOrder::Big), 2, 5, 4);
    ASSERT_EQ(d->status, kOk);
    EXPECT_EQ(d->image, (std::vector<std::uint16_t>{1, 2, 7, 8, 3, 4, 9, 10, 5, 6}));
}

TEST(PackedPlacement, Variant1MovesPairsOfTheFirstTenRowsFourColumnsRight) {
    // A 12-wide image of 12 rows: rows 0 to 9 have their pairs below column 8 moved right by 4
    // (the pair at 8 stays and overwrites the moved pair from 4); rows 10 and 11 are plain.
    const auto stored = counting(12 * 12);
    auto d = decode(encodePacked12(stored, ByteOrder::Big), 12, 12, 1);
    ASSERT_EQ(d->status, kOk);
    for (std::uint32_t row = 0; row < 12; ++row) {
        const std::uint16_t* got = d->image.data() + row * 12;
        const std::uint16_t* in = stored.data() + row * 12;
        if (row < 10) {
            EXPECT_EQ(got[0], 0xEEEE) << row; // nothing lands in the first four columns
            EXPECT_EQ(got[3], 0xEEEE) << row;
            EXPECT_EQ(got[4], in[0]) << row;
            EXPECT_EQ(got[7], in[3]) << row;
            EXPECT_EQ(got[8], in[8]) << row;
            EXPECT_EQ(got[11], in[11]) << row;
        } else {
            EXPECT_TRUE(std::equal(got, got + 12, in)) << row;
        }
    }
}

TEST(PackedPlacement, Variant1CountsImageRowsNotStripRows) {
    // A strip from image row 10 on is not moved.
    const auto stored = counting(12 * 2);
    auto d = decode(encodePacked12(stored, ByteOrder::Big), 12, 2, 1, PackedBitOrder::BigEndian, 12,
                    12, 10);
    ASSERT_EQ(d->status, kOk);
    EXPECT_TRUE(std::equal(stored.begin(), stored.end(), d->image.begin() + 120));
}

// Bytes of packed rows with the pad bytes of variants 5 and 9: one after every 10 samples,
// and with `rowEnd` 10 more at the end of a row whose width is not a multiple of 10.
std::vector<std::uint8_t> paddedRows(const std::vector<std::uint16_t>& samples, std::uint32_t width,
                                     std::uint32_t rows, ByteOrder packing) {
    std::vector<std::uint8_t> out;
    for (std::uint32_t r = 0; r < rows; ++r) {
        for (std::uint32_t c = 0; c < width; c += 2) {
            const auto pair = encodePacked12({samples.data() + r * width + c, 2}, packing);
            out.insert(out.end(), pair.begin(), pair.end());
            const std::uint32_t after = c + 2;
            if (after % 10 == 0)
                out.push_back(0xAA);
            else if (after == width)
                out.insert(out.end(), 10, 0xBB);
        }
    }
    return out;
}

TEST(PackedPlacement, Variant5SkipsItsPadBytes) {
    // 14 wide: one pad byte after column 10, ten at the row's end.
    const auto samples = counting(14 * 3);
    const auto bytes = paddedRows(samples, 14, 3, ByteOrder::Big);
    ASSERT_EQ(bytes.size(), (14u * 3 / 2 + 14 / 10 + 10) * 3);
    auto d = decode(bytes, 14, 3, 5);
    ASSERT_EQ(d->status, kOk) << d->reporter.numbers().size();
    EXPECT_EQ(d->image, samples);
}

TEST(PackedPlacement, Variant9PacksLowBitsFirstWithAPadByteEveryTenSamples) {
    // 20 wide and 4 rows: 32 bytes a row, 128 in all, which is no multiple of 3.
    const auto samples = counting(20 * 4);
    const auto bytes = paddedRows(samples, 20, 4, ByteOrder::Little);
    ASSERT_EQ(bytes.size(), 128u);
    auto d = decode(bytes, 20, 4, 9, PackedBitOrder::LittleEndian);
    ASSERT_EQ(d->status, kOk) << (d->reporter.records().empty()
                                      ? ""
                                      : d->reporter.records()[0].shown.text);
    EXPECT_EQ(d->image, samples);
}

TEST(PackedPlacement, ARowWiderThanTheImageIsClipped) {
    // A 6-wide strip into a 4-wide image: only the image's columns are written.
    const auto stored = counting(12);
    auto d =
        decode(encodePacked12(stored, ByteOrder::Big), 6, 2, 0, PackedBitOrder::BigEndian, 4, 2);
    ASSERT_EQ(d->status, kOk);
    EXPECT_EQ(d->image, (std::vector<std::uint16_t>{1, 2, 3, 4, 7, 8, 9, 10}));
}

} // namespace
} // namespace korvane::test
