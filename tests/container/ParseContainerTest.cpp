// Parsing whole files: the header, the levels derived for the main image, the camera match,
// the main image rules and the checks that decide whether an image can be decoded.

#include <gtest/gtest.h>

#include "common/CameraDescription.hpp"
#include "common/RecordingReporter.hpp"
#include "container/FileAccess.hpp"
#include "container/ParseContainer.hpp"
#include "tests/support/DngBuilder.hpp"
#include "tests/support/TempFile.hpp"
#include "tests/support/TiffWriter.hpp"

namespace korvane::test {
namespace {

class HeldKeys final : public KeyState {
public:
    std::vector<int> keys;
    bool isKeyDown(int k) const override {
        return std::find(keys.begin(), keys.end(), k) != keys.end();
    }
};

struct Parsed {
    RawFileContext ctx;
    RecordingReporter reporter;
    std::vector<std::string> shotInfo;
    Status status = kFailed;
    int lastMessage() const {
        return reporter.records().empty() ? -1 : reporter.records().back().shown.number;
    }
};

std::unique_ptr<Parsed> parse(const std::string& path, const KeyState& keys = NoKeysHeld()) {
    auto p = std::make_unique<Parsed>();
    p->ctx.path = path;
    EXPECT_EQ(openRawFile(p->ctx), 0);
    p->ctx.buffer.resize(kReadBufferSize);
    p->ctx.bufferSize = kReadBufferSize;
    p->status = ParseContainer(p->ctx, p->reporter, keys,
                               [&](const std::string& s) { p->shotInfo.push_back(s); });
    closeRawFile(p->ctx);
    return p;
}

std::unique_ptr<Parsed> parseBytes(const TempFolder& folder, const std::vector<std::uint8_t>& bytes,
                                   const KeyState& keys = NoKeysHeld()) {
    return parse(folder.write("file.raw", bytes), keys);
}

// A CFA DNG of the given size whose strips are a single placeholder block: enough for parsing.
std::vector<std::uint8_t> cfaDng(std::uint32_t width, std::uint32_t height, std::uint16_t bits,
                                 bool whiteLevel = false, int baselineTenths = 0) {
    TiffWriter w;
    const BlockId data = w.addBlock(std::vector<std::uint8_t>(64, 0));
    Ifd ifd;
    ifd.addLong(254, 0)
        .addLong(256, width)
        .addLong(257, height)
        .addShort(258, bits)
        .addShort(259, 1);
    ifd.addShort(262, 32803).addBlockOffsets(273, {data}).addShort(277, 1).addLong(278, height);
    ifd.addLong(279, 64).addShorts(33421, {2, 2}).addBytes(33422, {0, 1, 1, 2});
    ifd.addBytes(50706, {1, 4, 0, 0}).addAscii(50708, "Synthetic Camera");
    if (whiteLevel) ifd.addShort(50717, static_cast<std::uint16_t>((1u << bits) - 100));
    if (baselineTenths != 0) ifd.addSRationals(50730, {{baselineTenths, 10}});
    w.addIfd(ifd);
    return w.write();
}

TEST(ParseContainerHeader, ByteOrderSignatures) {
    TempFolder folder;
    auto bytes = cfaDng(1200, 1000, 12);
    auto p = parseBytes(folder, bytes);
    EXPECT_EQ(p->status, kOk) << p->lastMessage();
    EXPECT_EQ(p->ctx.byteOrder, 2);
    // The "RO" and "U" signatures of little-endian raw formats are read as TIFF.
    for (const std::array<std::uint8_t, 2> sig :
         {std::array<std::uint8_t, 2>{'R', 'O'}, {'U', 0}}) {
        bytes[2] = sig[0], bytes[3] = sig[1];
        EXPECT_EQ(parseBytes(folder, bytes)->status, kOk);
    }
    bytes[0] = bytes[1] = 'M', bytes[2] = 'O', bytes[3] = 'R';
    auto rejected = parseBytes(folder, bytes);
    EXPECT_EQ(rejected->reporter.numbers(), std::vector<int>{4});
}

TEST(ParseContainerHeader, BigEndianFilesParseAlike) {
    TempFolder folder;
    DngDescription d;
    d.order = ByteOrder::Big;
    d.width = 1024, d.height = 1008;
    d.activeArea = {8, 16, 1008, 1024};
    d.maskedAreas = {{0, 0, 8, 1024}, {8, 0, 1008, 16}};
    auto p = parseBytes(folder, buildDng(d, demoScene(d)));
    EXPECT_EQ(p->status, kOk) << p->lastMessage();
    EXPECT_EQ(p->ctx.byteOrder, 1);
    ASSERT_NE(p->ctx.mainImage, nullptr);
    EXPECT_EQ(p->ctx.mainImage->imageWidth, 1024u);
    EXPECT_EQ(p->ctx.mainImage->whiteLevel, 60000);
}

TEST(ParseContainerHeader, FirstIfdOffsetLimits) {
    TempFolder folder;
    std::vector<std::uint8_t> bytes(64, 0);
    bytes[0] = bytes[1] = 'I';
    bytes[2] = 42;
    const auto withOffset = [&](std::uint32_t o) {
        for (int i = 0; i < 4; ++i)
            bytes[4 + i] = static_cast<std::uint8_t>(o >> (8 * i));
        return parseBytes(folder, bytes);
    };
    // Offsets up to fileLength - 12 are read: here an empty directory, so no camera.
    EXPECT_EQ(withOffset(52)->reporter.numbers(), std::vector<int>{22});
    EXPECT_EQ(withOffset(53)->reporter.numbers(), std::vector<int>{5});
    EXPECT_EQ(withOffset(7)->reporter.numbers(), std::vector<int>{5});
}

TEST(ParseContainerLevels, MaximumValueFromBitsOrWhiteLevel) {
    TempFolder folder;
    struct Case {
        std::uint16_t bits;
        bool white;
        std::int32_t maximum, whiteLevel;
    };
    for (const Case c :
         {Case{12, false, 4096, 4095}, Case{14, false, 16384, 16383}, Case{8, false, 1024, 1023},
          Case{16, false, 65536, 65535}, Case{14, true, 16384, 16284}}) {
        auto p = parseBytes(folder, cfaDng(1200, 1000, c.bits, c.white));
        ASSERT_NE(p->ctx.mainImage, nullptr);
        EXPECT_EQ(p->ctx.mainImage->maximumValue, c.maximum) << c.bits;
        EXPECT_EQ(p->ctx.mainImage->whiteLevel, c.whiteLevel) << c.bits;
        EXPECT_EQ(p->ctx.channelLevels[0], c.maximum - 1) << c.bits;
    }
}

TEST(ParseContainerLevels, BaselineExposureGivesTheDefaultPosition) {
    EXPECT_EQ(defaultExposurePosition(0.0f), 48);
    EXPECT_EQ(defaultExposurePosition(0.5f), 51);
    EXPECT_EQ(defaultExposurePosition(-0.1f), 47);
    EXPECT_EQ(defaultExposurePosition(0.05f), 48);
    EXPECT_EQ(defaultExposurePosition(2.65f), 64);
    EXPECT_EQ(defaultExposurePosition(-9.0f), 0);
    EXPECT_EQ(defaultExposurePosition(9.0f), 96);
    EXPECT_EQ(defaultExposurePosition(-5.8e9f), 0);
    EXPECT_EQ(defaultExposurePosition(3e38f), 96);
    TempFolder folder;
    auto p = parseBytes(folder, cfaDng(1200, 1000, 12, false, 5));
    ASSERT_NE(p->ctx.mainImage, nullptr);
    EXPECT_EQ(p->ctx.mainImage->exposureStep, 51);
    EXPECT_EQ(p->ctx.mainImage->defaultExposureStep, 51);
    EXPECT_EQ(p->ctx.mainImage->exposureStep6, 306);
}

TEST(ParseContainerChecks, TheDecodersNeedAtLeast1000SamplesEachWay) {
    TempFolder folder;
    EXPECT_EQ(parseBytes(folder, cfaDng(999, 1200, 12))->reporter.numbers(), std::vector<int>{13});
    EXPECT_EQ(parseBytes(folder, cfaDng(1000, 1000, 12))->status, kOk);
    EXPECT_EQ(parseBytes(folder, cfaDng(10001, 1000, 12))->reporter.numbers(),
              std::vector<int>{13});
    EXPECT_EQ(parseBytes(folder, cfaDng(1200, 1000, 17))->reporter.numbers(), std::vector<int>{13});
}

TEST(ParseContainerShotInfo, ShownOnceAfterTheDirectoriesAndOnceWithTheCamera) {
    TempFolder folder;
    auto p = parseBytes(folder, cfaDng(1200, 1000, 12));
    ASSERT_EQ(p->shotInfo.size(), 2u);
    EXPECT_EQ(p->shotInfo[1], "Synthetic Camera,   1200x1000pix\nISO 100?");
}

// A NEF laid out as the camera writes it: IFD0 with a preview, the Exif IFD, and the raw
// image in a SubIFD.
std::vector<std::uint8_t> nef(const std::string& model, std::uint16_t bits,
                              std::uint16_t compression, bool withMake = true,
                              std::uint32_t width = 4288, bool previewLast = false) {
    TiffWriter w(ByteOrder::Big);
    const BlockId data = w.addBlock(std::vector<std::uint8_t>(64, 0));
    Ifd raw;
    raw.addLong(254, 0)
        .addLong(256, width)
        .addLong(257, 2844)
        .addShort(258, bits)
        .addShort(259, compression);
    raw.addShort(262, 32803).addBlockOffsets(273, {data}).addShort(277, 1).addLong(278, 2844);
    raw.addLong(279, 64).addShorts(33421, {2, 2}).addBytes(33422, {0, 1, 1, 2});
    Ifd exif;
    exif.addRational(33434, 1, 250).addRational(33437, 8, 1).addShort(34855, 800);
    exif.addUndefined(41730, {0, 2, 0, 2, 0, 1, 1, 2}); // CFAPattern in its Exif form
    Ifd ifd0;
    if (withMake) ifd0.addAscii(271, "NIKON CORPORATION");
    ifd0.addAscii(272, model).addLong(254, 1);
    std::vector<Ifd> subs{raw};
    if (previewLast) {
        Ifd preview;
        preview.addLong(254, 1).addLong(256, 160).addLong(257, 120).addShort(258, 8).addShort(259,
                                                                                              1);
        subs.push_back(preview);
    }
    ifd0.addSubIfds(34665, {exif}).addSubIfds(330, subs);
    w.addIfd(ifd0);
    return w.write();
}

TEST(ParseContainerCamera, ANefIsDescribedByItsCameraRow) {
    TempFolder folder;
    auto p = parseBytes(folder, nef("NIKON D700", 12, 1));
    EXPECT_EQ(p->status, kOk) << p->lastMessage();
    EXPECT_TRUE(p->reporter.records().empty());
    ASSERT_NE(p->ctx.camera, nullptr);
    EXPECT_EQ(p->ctx.camera->model, "NIKON D700");
    ASSERT_NE(p->ctx.mainImage, nullptr);
    EXPECT_EQ(p->ctx.mainImage->compression, 65537u);
    EXPECT_EQ(p->ctx.mainImage->activeLeft, 2u);
    EXPECT_EQ(p->ctx.mainImage->activeWidth, 4284u);
    EXPECT_EQ(p->ctx.formatCode, format_code::kNikon);
    EXPECT_EQ(p->shotInfo.back().substr(0, 17), "Nikon NIKON D700,");
}

TEST(ParseContainerCamera, AnImageTheCameraRowPicksGetsItsLevelsToo) {
    // The D700's rows take the last directory read; here a preview follows the raw SubIFD.
    TempFolder folder;
    auto p = parseBytes(folder, nef("NIKON D700", 12, 1, true, 4288, true));
    ASSERT_NE(p->ctx.mainImage, nullptr);
    EXPECT_EQ(p->ctx.mainImage->imageWidth, 4288u); // the row's frame
    EXPECT_GE(p->ctx.mainImage->maximumValue, 1024);
    EXPECT_EQ(p->ctx.mainImage->valueRange, p->ctx.mainImage->maximumValue);
}

TEST(ParseContainerCamera, CtrlShiftWShowsTheWholeSensor) {
    TempFolder folder;
    HeldKeys keys;
    keys.keys = {0x11, 0x10, 'W'};
    auto p = parseBytes(folder, nef("NIKON D700", 12, 1), keys);
    EXPECT_EQ(p->status, kOk);
    ASSERT_NE(p->ctx.mainImage, nullptr);
    EXPECT_EQ(p->ctx.mainImage->activeWidth, 4288u);
    EXPECT_EQ(p->ctx.mainImage->activeHeight, 2844u);
    EXPECT_EQ(p->ctx.mainImage->activeLeft, 0u);
}

TEST(ParseContainerCamera, UnknownCamerasAndOptionsAreNamed) {
    TempFolder folder;
    auto unknown = parseBytes(folder, nef("NIKON D1", 12, 1));
    ASSERT_EQ(unknown->reporter.numbers(), std::vector<int>{22});
    EXPECT_EQ(unknown->reporter.records()[0].shown.text,
              "Unsupported camera\nMake: \"NIKON CORPORATION\" \nModel: \"NIKON D1\"");
    // Every D700 row wants the camera's frame.
    auto options = parseBytes(folder, nef("NIKON D700", 12, 1, true, 4000));
    EXPECT_EQ(options->reporter.numbers(), std::vector<int>{23});
    auto noMake = parseBytes(folder, nef("NIKON D700", 12, 1, false));
    ASSERT_EQ(noMake->reporter.numbers(), std::vector<int>{22});
    EXPECT_NE(noMake->reporter.records()[0].shown.text.find("Make: \"unknown\""),
              std::string::npos);
}

} // namespace
} // namespace korvane::test
