#include <gtest/gtest.h>

#include <cstring>

#include "common/CameraDescription.hpp"
#include "container/ShotInfo.hpp"

namespace korvane {
namespace {

// A context whose entries are held by one node, as the directory reader leaves them.
class ShotInfo : public ::testing::Test {
protected:
    ShotInfo() { node.entries.reserve(16); }

    const IfdEntry* rationals(std::uint16_t tag,
                              std::initializer_list<std::pair<std::uint32_t, std::uint32_t>> values,
                              std::uint16_t type = tiff_type::kRational) {
        IfdEntry e;
        e.tag = tag;
        e.type = type;
        e.count = static_cast<std::uint32_t>(values.size());
        e.flags = entry_flags::kKnown | entry_flags::kLoaded;
        e.blockOffset = static_cast<std::uint32_t>(node.valueBlock.size());
        for (auto [n, d] : values) {
            std::uint8_t bytes[8];
            std::memcpy(bytes, &n, 4);
            std::memcpy(bytes + 4, &d, 4);
            node.valueBlock.insert(node.valueBlock.end(), bytes, bytes + 8);
        }
        node.entries.push_back(e);
        return &node.entries.back();
    }
    const IfdEntry* text(std::uint16_t tag, const std::string& s) {
        IfdEntry e;
        e.tag = tag;
        e.type = tiff_type::kAscii;
        e.count = static_cast<std::uint32_t>(s.size() + 1);
        e.flags = entry_flags::kKnown | entry_flags::kLoaded;
        e.blockOffset = static_cast<std::uint32_t>(node.valueBlock.size());
        node.valueBlock.insert(node.valueBlock.end(), s.begin(), s.end());
        node.valueBlock.push_back(0);
        node.entries.push_back(e);
        return &node.entries.back();
    }
    void makeAndModel(const std::string& make, const std::string& model) {
        ctx.make = make;
        ctx.model = model;
        ctx.makeEntry = text(271, make);
        ctx.modelEntry = text(272, model);
    }
    std::string firstLine() {
        const std::string all = composeShotInfo(ctx);
        return all.substr(0, all.find('\n'));
    }
    std::string secondLine() {
        const std::string all = composeShotInfo(ctx);
        return all.substr(all.find('\n') + 1);
    }

    IfdNode node;
    RawFileContext ctx;
};

TEST_F(ShotInfo, TheCameraNameAvoidsRepeatingTheMake) {
    makeAndModel("Canon", "Canon EOS 20D");
    EXPECT_EQ(firstLine(), "Canon EOS 20D");
    makeAndModel("NIKON CORPORATION", "NIKON D700");
    EXPECT_EQ(firstLine(), "NIKON CORPORATION  NIKON D700");
    makeAndModel("OLYMPUS IMAGING CORP.  ", "E-3             ");
    EXPECT_EQ(firstLine(), "OLYMPUS IMAGING CORP.  E-3");
}

TEST_F(ShotInfo, AnAppliedCameraRowNamesTheCameraWithTheVendorsPrefix) {
    makeAndModel("NIKON CORPORATION", "NIKON D700");
    CameraDescription nikon;
    nikon.vendor = vendor::kNikon;
    ctx.camera = &nikon;
    ctx.uniqueCameraModel = "NIKON D700";
    EXPECT_EQ(firstLine(), "Nikon NIKON D700");
    CameraDescription canon;
    canon.vendor = vendor::kCanon;
    ctx.camera = &canon;
    ctx.uniqueCameraModel = "Canon EOS 20D ";
    EXPECT_EQ(firstLine(), "Canon EOS 20D");
}

TEST_F(ShotInfo, DateAndSizeFollowTheName) {
    makeAndModel("Canon", "Canon EOS 20D");
    ctx.dateEntry = text(306, "2008:05:01 12:00:00");
    ctx.dateNode = &node;
    IfdNode image;
    image.imageWidth = 3596;
    image.imageLength = 2360;
    ctx.mainImage = &image;
    EXPECT_EQ(firstLine(), "Canon EOS 20D,   2008:05:01 12:00:00,   3596x2360pix");
    image.activeWidth = 3522;
    image.pixelYDimension = 2348;
    EXPECT_EQ(firstLine(), "Canon EOS 20D,   2008:05:01 12:00:00,   3522x2348pix");
}

TEST_F(ShotInfo, IsoValues) {
    EXPECT_EQ(secondLine(), "ISO 100?");
    ctx.iso1 = ctx.iso2 = 400;
    EXPECT_EQ(secondLine(), "ISO 400");
    ctx.iso2 = 200;
    EXPECT_EQ(secondLine(), "ISO 400/200");
}

TEST(ExposureTimeText, FractionsWholeNumbersAndDecimals) {
    EXPECT_EQ(exposureTimeText(10, 1250), "1/125");
    EXPECT_EQ(exposureTimeText(3, 10), "3/10");
    EXPECT_EQ(exposureTimeText(5, 2), "2.5");
    EXPECT_EQ(exposureTimeText(30, 1), "30");
    EXPECT_EQ(exposureTimeText(1, 8000), "1/8000");
    EXPECT_EQ(exposureTimeText(30, 100), "3/10");
    EXPECT_EQ(exposureTimeText(7, 3), "2.33333");
}

TEST(CorrectionText, SixthsOfAStop) {
    EXPECT_EQ(correctionText(0.5), ", Corr + 1/2 EV");
    EXPECT_EQ(correctionText(-1.5), ", Corr -1 1/2 EV");
    EXPECT_EQ(correctionText(0.05), "");
    EXPECT_EQ(correctionText(0), "");
    EXPECT_EQ(correctionText(1.0), ", Corr +1 EV");
    EXPECT_EQ(correctionText(0.95), ", Corr +1 EV");
    EXPECT_EQ(correctionText(0.2), ", Corr + 1/6 EV");
    EXPECT_EQ(correctionText(-0.33), ", Corr - 1/3 EV");
    EXPECT_EQ(correctionText(2.7), ", Corr +2 2/3 EV");
    EXPECT_EQ(correctionText(0.8), ", Corr + 5/6 EV");
}

TEST_F(ShotInfo, ApertureTimeFocalLengthAndWhiteBalance) {
    ctx.iso1 = ctx.iso2 = 100;
    ctx.fNumberEntry = rationals(33437, {{56, 10}});
    ctx.fNumberNode = &node;
    ctx.exposureTimeEntry = rationals(33434, {{10, 1250}});
    ctx.exposureTimeNode = &node;
    ctx.focalLengthEntry = rationals(37386, {{500, 10}});
    ctx.focalLengthNode = &node;
    ctx.baselineExposure = 0.5f;
    ctx.wbMode = "Auto";
    EXPECT_EQ(secondLine(), "ISO 100,   F/5.6,   1/125s, Corr + 1/2 EV,   50mm,   WB Auto");

    ctx.fNumberEntry = rationals(33437, {{8, 1}});
    ctx.lensInfoEntry = rationals(50736, {{24, 1}, {70, 1}, {28, 10}, {28, 10}});
    ctx.lensInfoNode = &node;
    ctx.baselineExposure = 0;
    ctx.wbMode.clear();
    EXPECT_EQ(secondLine(), "ISO 100,   F/8,   1/125s,   24-70mm @ 50mm");
    ctx.lensInfoEntry = rationals(50736, {{175, 10}, {550, 10}, {28, 10}, {40, 10}});
    EXPECT_EQ(secondLine(), "ISO 100,   F/8,   1/125s,   17.5-55.0mm @ 50mm");
    // A prime lens names no range.
    ctx.lensInfoEntry = rationals(50736, {{50, 1}, {50, 1}, {14, 10}, {14, 10}});
    ctx.focalLengthEntry = rationals(37386, {{505, 10}});
    EXPECT_EQ(secondLine(), "ISO 100,   F/8,   1/125s,   50.5mm");
}

TEST_F(ShotInfo, ZeroDenominatorsLeaveTheirValuesOut) {
    ctx.fNumberEntry = rationals(33437, {{56, 0}});
    ctx.fNumberNode = &node;
    ctx.exposureTimeEntry = rationals(33434, {{1, 0}});
    ctx.exposureTimeNode = &node;
    EXPECT_EQ(secondLine(), "ISO 100?");
}

} // namespace
} // namespace korvane
