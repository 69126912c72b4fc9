// Files whose directories claim more samples than their bytes can hold are refused before the
// sample buffer is allocated, so that a few bytes cannot make the analyser ask for gigabytes.
#include <gtest/gtest.h>

#include "tests/decode/VendorFileTestSupport.hpp"
#include "tests/support/AllocationHook.hpp"
#include "tests/support/TiffTags.hpp"
#include "tests/support/TiffWriter.hpp"

namespace korvane::test {
namespace {

struct ClaimedImage {
    const char* name;
    std::uint32_t width, height;
    std::uint32_t shownWidth, shownHeight; // 0: no PixelXDimension, PixelYDimension
    std::uint16_t compression;
    std::uint16_t bits;
    std::size_t dataBytes;
    int message; // 0: loads
};

void PrintTo(const ClaimedImage& c, std::ostream* os) {
    *os << c.name;
}

// A one-directory CFA DNG whose image is said to be width x height in one strip of
// `dataBytes` bytes.
std::vector<std::uint8_t> claimedDng(const ClaimedImage& c) {
    TiffWriter writer;
    const BlockId data = writer.addBlock(std::vector<std::uint8_t>(c.dataBytes, 0x11));
    Ifd ifd;
    ifd.addLong(tag::kNewSubFileType, 0)
        .addLong(tag::kImageWidth, c.width)
        .addLong(tag::kImageLength, c.height)
        .addShort(tag::kBitsPerSample, c.bits)
        .addShort(tag::kCompression, c.compression)
        .addShort(tag::kPhotometricInterpretation, 32803)
        .addBlockOffsets(tag::kStripOffsets, {data})
        .addShort(tag::kSamplesPerPixel, 1)
        .addLong(tag::kRowsPerStrip, c.height)
        .addLong(tag::kStripByteCounts, static_cast<std::uint32_t>(c.dataBytes))
        .addShorts(tag::kCfaRepeatPatternDim, {2, 2})
        .addBytes(tag::kCfaPattern, {0, 1, 1, 2})
        .addBytes(tag::kCfaPlaneColor, {0, 1, 2})
        .addShort(tag::kCfaLayout, 1)
        .addBytes(tag::kDngVersion, {1, 4, 0, 0})
        .addAscii(tag::kUniqueCameraModel, "Korvane Claimed Sensor")
        .addShort(tag::kWhiteLevel, 4095);
    // The sizes the directory says the picture has, as Exif puts them.
    if (c.shownWidth != 0) ifd.addLong(40962, c.shownWidth).addLong(40963, c.shownHeight);
    writer.addIfd(std::move(ifd));
    return writer.write();
}

class HostileSizes : public testing::TestWithParam<ClaimedImage> {};

TEST_P(HostileSizes, AreRefusedBeforeTheSampleBufferIsAllocated) {
    const ClaimedImage& c = GetParam();
    const auto bytes = claimedDng(c);
    allocation::resetPeak();
    const std::size_t before = allocation::heldBytes();
    std::size_t peak = 0;
    std::string messages;
    Status loaded = kFailed;
    std::vector<int> numbers;
    {
        const ProcessedFile file(bytes);
        peak = allocation::peakBytes() - before;
        messages = file.messages();
        loaded = file.loaded;
        numbers = file.reporter.numbers();
    }
    if (c.message == 0) {
        EXPECT_EQ(loaded, kOk) << messages;
        // The hook sees the buffer of a file that is loaded.
        if (allocation::kHooked) {
            EXPECT_GE(peak, std::size_t{c.width} * c.height * 2);
        }
        return;
    }
    EXPECT_EQ(loaded, kFailed);
    ASSERT_EQ(numbers, std::vector<int>{c.message}) << messages;
    if (c.message == 15) {
        EXPECT_NE(messages.find("image size larger than the file can hold"), std::string::npos)
            << messages;
    }
    EXPECT_LT(peak, std::size_t{64} << 20) << "peak heap bytes";
}

INSTANTIATE_TEST_SUITE_P(
    Files, HostileSizes,
    testing::Values(
        // 3.6 G samples in 1 KiB, the picture's sizes inside those the decoders take.
        ClaimedImage{"Huge60000Uncompressed", 60000, 60000, 4000, 3000, 1, 16, 1024, 15},
        ClaimedImage{"Huge60000LosslessJpeg", 60000, 60000, 4000, 3000, 7, 16, 1024, 15},
        ClaimedImage{"Huge60000WithoutPictureSizes", 60000, 60000, 0, 0, 7, 16, 1024, 13},
        // Inside the sizes, but 200 MB of buffer for 1 KiB.
        ClaimedImage{"TenThousandSquareLosslessJpeg", 10000, 10000, 0, 0, 7, 12, 1024, 15},
        // Uncompressed data need every bit: one byte short of 12 bits a sample.
        ClaimedImage{"UncompressedOneByteShort", 2000, 1000, 0, 0, 1, 12,
                     2000 * 1000 * 3 / 2 - 1000, 15},
        ClaimedImage{"UncompressedWhole", 2000, 1000, 0, 0, 1, 16, 2000 * 1000 * 2, 0}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace korvane::test
