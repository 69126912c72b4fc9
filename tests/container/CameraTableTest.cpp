#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>

#include "container/CameraTable.hpp"
#include "container/IdentifyCamera.hpp"
#include "tests/container/CameraTestRecords.hpp"

namespace korvane {
namespace {

using test::ParsedFile;

const std::span<const CameraDescription> kRows = cameraTable().first(kListedCameraRows);

std::string label(std::size_t index) {
    const CameraDescription& row = cameraTable()[index];
    return "row " + std::to_string(index + 1) + " \"" + std::string(row.make) + "\" \"" +
           std::string(row.model) + "\"";
}

bool inside(const SensorArea& area, const CameraDescription& row) {
    return area.left + area.width <= row.width && area.top + area.height <= row.height;
}
bool overlaps(const SensorArea& a, const SensorArea& b) {
    return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
           b.top < a.top + a.height;
}
bool isDngRow(const CameraDescription& row) {
    return row.fileKind == file_kind::kDng;
}

TEST(CameraTable, EveryActiveAreaLiesInsideItsFrameOnEvenRowsAndColumns) {
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        const CameraDescription& row = kRows[i];
        EXPECT_TRUE(inside(row.active, row)) << label(i);
        // A zero frame is a DNG row without facts; every other row describes an image.
        if (row.width == 0) {
            EXPECT_TRUE(isDngRow(row)) << label(i);
            continue;
        }
        EXPECT_FALSE(row.active.empty()) << label(i);
        // The pattern belongs to the active origin and the frame origin alike, and the bit
        // manipulation pass counts CFA columns across rows: even origins and widths.
        EXPECT_EQ(row.active.left % row.cfaRepeatCols, 0) << label(i);
        EXPECT_EQ(row.active.top % row.cfaRepeatRows, 0) << label(i);
        EXPECT_EQ(row.active.width % row.cfaRepeatCols, 0) << label(i);
        // The validity check of the container takes 1000 to 10000 samples a side.
        EXPECT_GE(row.width, 1000) << label(i);
        EXPECT_GE(row.height, 1000) << label(i);
    }
}

TEST(CameraTable, MaskedAreasAreOnesTheBlackMeasurementAccepts) {
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        const CameraDescription& row = kRows[i];
        const auto& [top, left, bottom, right] = row.maskedAreas;
        bool any = false;
        for (const SensorArea& area : row.maskedAreas) {
            if (area.empty()) continue;
            any = true;
            EXPECT_TRUE(inside(area, row)) << label(i);
            EXPECT_FALSE(overlaps(area, row.active)) << label(i) << ": masked area in the image";
        }
        // Top and bottom areas run across the active columns, left and right ones along the
        // active rows; otherwise the measurement reports contradicting areas.
        for (const SensorArea* area : {&top, &bottom}) {
            if (area->empty()) continue;
            EXPECT_EQ(area->left, row.active.left) << label(i);
            EXPECT_EQ(area->width, row.active.width) << label(i);
        }
        for (const SensorArea* area : {&left, &right}) {
            if (area->empty()) continue;
            EXPECT_EQ(area->top, row.active.top) << label(i);
            EXPECT_EQ(area->height, row.active.height) << label(i);
        }
        if (!top.empty()) {
            EXPECT_LE(top.top + top.height, row.active.top) << label(i);
        }
        if (!left.empty()) {
            EXPECT_LE(left.left + left.width, row.active.left) << label(i);
        }
        if (!bottom.empty()) {
            EXPECT_GE(bottom.top, row.active.top + row.active.height) << label(i);
        }
        if (!right.empty()) {
            EXPECT_GE(right.left, row.active.left + row.active.width) << label(i);
        }
        // With masked areas some sample values must count as black.
        EXPECT_LE(row.blackRangeLow, row.blackRangeHigh) << label(i);
        if (any) {
            EXPECT_GT(row.blackRangeHigh, 0) << label(i);
        }
    }
}

TEST(CameraTable, SlicesAreGivenForTheSliceLayoutOnlyAndLeaveALastSlice) {
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        const CameraDescription& row = kRows[i];
        if (row.decodingVariant != decoding_variant::kCanonSlices) {
            EXPECT_EQ(row.sliceCount, 0) << label(i);
            if (row.decodingVariant == decoding_variant::kCanonHalves) {
                EXPECT_EQ(row.width % 2, 0) << label(i) << ": two halves";
            }
            continue;
        }
        ASSERT_GE(row.sliceCount, 2) << label(i);
        ASSERT_LE(row.sliceCount, row.sliceWidths.size() + 1) << label(i);
        unsigned sum = 0;
        for (std::size_t s = 0; s + 1 < row.sliceCount; ++s) {
            EXPECT_GT(row.sliceWidths[s], 0) << label(i);
            sum += row.sliceWidths[s];
        }
        for (std::size_t s = row.sliceCount - 1; s < row.sliceWidths.size(); ++s) {
            EXPECT_EQ(row.sliceWidths[s], 0) << label(i) << ": a width past the given slices";
        }
        EXPECT_LT(sum, row.width) << label(i) << ": the last slice would be empty";
    }
}

TEST(CameraTable, CfaDescriptionsAreTwoByTwoBayerPatterns) {
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        const CameraDescription& row = kRows[i];
        EXPECT_EQ(row.cfaLayout, 1) << label(i);
        EXPECT_EQ(row.planeColorCount, 3) << label(i);
        EXPECT_EQ(row.planeColors[0], 0) << label(i);
        EXPECT_EQ(row.planeColors[1], 1) << label(i);
        EXPECT_EQ(row.planeColors[2], 2) << label(i);
        ASSERT_EQ(row.cfaRepeatRows, 2) << label(i);
        ASSERT_EQ(row.cfaRepeatCols, 2) << label(i);
        std::array<int, 3> counts{};
        for (std::size_t p = 0; p < 4; ++p) {
            ASSERT_LE(row.cfaPattern[p], 2) << label(i);
            ++counts[row.cfaPattern[p]];
        }
        EXPECT_EQ(counts, (std::array<int, 3>{1, 2, 1})) << label(i);
        // Greens on a diagonal: a Bayer pattern.
        EXPECT_EQ(row.cfaPattern[0] == 1, row.cfaPattern[3] == 1) << label(i);
    }
}

TEST(CameraTable, RulesFormatsBitsAndVendorsAreOnesTheContainerKnows) {
    const std::set<std::uint8_t> formats{1, 2, 3, 4, 6, 7, 9, 10, 11, 12, 13};
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        const CameraDescription& row = kRows[i];
        EXPECT_GE(row.mainImageRule, main_image_rule::kReaderChoice) << label(i);
        EXPECT_LE(row.mainImageRule, main_image_rule::kNewFromRow) << label(i);
        EXPECT_TRUE(formats.contains(row.formatCode)) << label(i);
        if (row.bitsSet != kKeepBits) {
            EXPECT_GE(row.bitsSet, 8) << label(i);
            EXPECT_LE(row.bitsSet, 16) << label(i);
        }
        if (row.bitsRequired != kAnyBits) {
            EXPECT_GE(row.bitsRequired, 8) << label(i);
            EXPECT_LE(row.bitsRequired, 16) << label(i);
        }
        EXPECT_LE(row.fileKind, file_kind::kDng) << label(i);
        EXPECT_LE(row.linearisation, linearisation::kWith) << label(i);
        // A camera model number lies in its vendor's block of 256.
        EXPECT_EQ(row.modelCode / 256, row.vendor) << label(i);
    }
    // All rows of one make have one vendor.
    for (std::size_t i = 1; i < kRows.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (kRows[j].make == kRows[i].make) {
                EXPECT_EQ(kRows[j].vendor, kRows[i].vendor) << label(i) << " and " << label(j);
            }
        }
    }
}

TEST(CameraTable, DngRowsAcceptOnlyDngFilesAndKeepTheirCodings) {
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        const CameraDescription& row = kRows[i];
        EXPECT_EQ(isDngRow(row), row.formatCode == format_code::kDng) << label(i);
        if (row.linearisation != linearisation::kAny) {
            EXPECT_TRUE(isDngRow(row)) << label(i) << ": linearisation is a DNG condition";
        }
        if (!isDngRow(row)) continue;
        EXPECT_EQ(row.compressionSet, 0u) << label(i);
        EXPECT_EQ(row.compressionRequired, 0) << label(i);
        EXPECT_EQ(row.bitsSet, kKeepBits) << label(i);
        EXPECT_EQ(row.decodingVariant, decoding_variant::kNone) << label(i);
        EXPECT_NE(row.mainImageRule, main_image_rule::kNewFromRow) << label(i);
    }
}

// The decoders a compression code reaches, and the variants each of them acts on.
bool variantFitsDecoder(const CameraDescription& row) {
    const std::uint32_t code = row.compressionSet;
    switch (row.decodingVariant) {
    case decoding_variant::kNone:
        return true;
    case decoding_variant::kNikonD2xPacked:
    case decoding_variant::kNikonE8800Packed:
        return code == compression::kPacked && row.vendor == vendor::kNikon;
    case decoding_variant::kCanonHalves:
    case decoding_variant::kCanonSlices:
        return code == compression::kLosslessJpegOld && row.vendor == vendor::kCanon;
    case decoding_variant::kOlympusShift:
        return code == compression::kUncompressed && row.vendor == vendor::kOlympus;
    case decoding_variant::kOlympus:
        return (code == compression::kPacked || code == compression::kOlympus) &&
               row.vendor == vendor::kOlympus;
    case decoding_variant::kHasselblad:
        return code == compression::kLosslessJpeg && row.vendor == vendor::kHasselblad;
    default:
        return false; // 5 is the container's, the others no decoder's
    }
}

TEST(CameraTable, CodingsNameADecoderAndOnlyVariantsItActsOn) {
    const std::set<std::uint32_t> decoders{0,
                                           compression::kUncompressed,
                                           compression::kLosslessJpegOld,
                                           compression::kLosslessJpeg,
                                           compression::kNikon,
                                           compression::kKodak,
                                           compression::kPentax,
                                           compression::kPacked,
                                           compression::kSonyCraw,
                                           compression::kOlympus};
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        const CameraDescription& row = kRows[i];
        EXPECT_TRUE(decoders.contains(row.compressionSet)) << label(i);
        EXPECT_TRUE(variantFitsDecoder(row)) << label(i);
        // The packed decoder reads 12-bit samples only.
        if (row.compressionSet == compression::kPacked) {
            EXPECT_EQ(row.bitsSet, 12) << label(i);
            EXPECT_TRUE(row.bitsRequired == kAnyBits || row.bitsRequired == 12) << label(i);
        }
        // Sony's code says nothing of the coding: only a substitute makes it decodable.
        if (row.compressionRequired == compression::kSonyRaw) {
            EXPECT_NE(row.compressionSet, 0u) << label(i);
        }
    }
}

TEST(CameraTable, LevelsFitTheValueRangeOfTheRowsBits) {
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        const CameraDescription& row = kRows[i];
        for (const IsoLevels& levels : row.isoLevels) {
            for (const std::uint32_t level : {levels.red, levels.green, levels.blue}) {
                EXPECT_GT(level, 0u) << label(i) << " ISO " << levels.iso;
                if (levels.maximum != 0) {
                    EXPECT_LE(level, levels.maximum) << label(i);
                }
            }
            if (row.bitsSet != kKeepBits && levels.maximum != 0) {
                EXPECT_LE(levels.maximum, 1u << row.bitsSet) << label(i) << " ISO " << levels.iso;
            }
        }
    }
}

// Whether every file `later` accepts is accepted by `earlier` too.
bool acceptsEverythingOf(const CameraDescription& earlier, const CameraDescription& later) {
    if (earlier.fileKind != file_kind::kAny && earlier.fileKind != later.fileKind) return false;
    if (earlier.linearisation != linearisation::kAny &&
        earlier.linearisation != later.linearisation)
        return false;
    if (earlier.compressionRequired != 0) {
        const auto required = later.compressionRequired;
        const bool covered =
            required == earlier.compressionRequired ||
            (earlier.compressionRequired == compression::kLosslessJpeg &&
             (required == compression::kLosslessJpegOld || required == compression::kUncompressed));
        if (required == 0 || !covered) return false;
    }
    if (earlier.bitsRequired != kAnyBits && earlier.bitsRequired != later.bitsRequired)
        return false;
    if (earlier.mainImageRule != main_image_rule::kNewFromRow &&
        (later.mainImageRule == main_image_rule::kNewFromRow || earlier.width != later.width ||
         earlier.height != later.height))
        return false;
    return true;
}

TEST(CameraTable, NoRowIsHiddenByAnEarlierRowOfTheSameCamera) {
    for (std::size_t i = 1; i < kRows.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (kRows[j].make == kRows[i].make && kRows[j].model == kRows[i].model) {
                EXPECT_FALSE(acceptsEverythingOf(kRows[j], kRows[i]))
                    << label(i) << " can never be chosen: " << label(j) << " takes its files";
            }
        }
    }
}

// ORF, PEF and DCR files hold the raw image in the first IFD and an Exif IFD that is read
// after it: the last directory read is the Exif IFD. Their rows take the first IFD.
TEST(CameraTable, RowsOfFilesWithTheRawImageInTheFirstIfdTakeTheFirstIfd) {
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        const std::uint8_t format = kRows[i].formatCode;
        if (format == format_code::kOlympus || format == format_code::kPentax ||
            format == format_code::kKodak) {
            EXPECT_EQ(kRows[i].mainImageRule, main_image_rule::kFirstIfd) << label(i);
        }
    }
    struct Layout {
        const char* make;
        const char* model;
        std::uint32_t width, height, compression;
    };
    for (const Layout& l :
         {Layout{"OLYMPUS IMAGING CORP.  ", "E-510           ", 3720, 2800, 1},
          Layout{"PENTAX Corporation ", "PENTAX K10D        ", 3936, 2624, compression::kPentax},
          Layout{"Kodak", "DCS Pro 14N", 4516, 3012, compression::kKodak}}) {
        ParsedFile file(l.make, l.model);
        IfdNode& raw = file.rawFirstIfdWithExif(l.width, l.height, l.compression, 12);
        ASSERT_EQ(IdentifyCamera(file.context), kCameraIdentified) << l.model;
        ASSERT_NE(file.context.lastNode, &raw) << "the Exif IFD is read last";
        EXPECT_EQ(file.context.camera->mainImageRule, main_image_rule::kFirstIfd) << l.model;
        EXPECT_EQ(file.context.mainTree.get(), &raw) << "the first IFD holds the raw image";
    }
}

// --- Agreement with the reference facts (cameras.tsv, one line per row, in order).

struct ReferenceLine {
    std::string make, model;
    bool dng = false;
    std::uint16_t width = 0, height = 0; // 0: no raw size known
    std::optional<SensorArea> sampleActive;
    std::string pattern; // the 2 x 2 pattern at the frame origin, "RGGB", or empty
};

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream in(line);
    std::string field;
    while (std::getline(in, field, '\t'))
        fields.push_back(field);
    return fields;
}
std::string unquoted(const std::string& text) {
    return text.size() >= 2 && text.front() == '"' && text.back() == '"'
               ? text.substr(1, text.size() - 2)
               : text;
}
// The largest of "x,y,w,h | x,y,w,h": the full raw files' area, not an sRaw file's.
std::optional<SensorArea> largestArea(const std::string& text) {
    std::optional<SensorArea> best;
    std::stringstream in(text);
    std::string part;
    while (std::getline(in, part, '|')) {
        unsigned x, y, w, h;
        if (std::sscanf(part.c_str(), " %u,%u,%u,%u", &x, &y, &w, &h) != 4) continue;
        const SensorArea area{static_cast<std::uint16_t>(x), static_cast<std::uint16_t>(y),
                              static_cast<std::uint16_t>(w), static_cast<std::uint16_t>(h)};
        if (!best ||
            static_cast<unsigned>(w) * h > static_cast<unsigned>(best->width) * best->height)
            best = area;
    }
    return best;
}
// "RG/GB ..." (rawspeed, also as the older copy's) or "rawler: RGGB".
std::string framePattern(const std::string& text) {
    for (std::size_t p = 0; p + 5 <= text.size(); ++p)
        if (text[p + 2] == '/' && std::isupper(static_cast<unsigned char>(text[p])) &&
            std::isupper(static_cast<unsigned char>(text[p + 4])))
            return text.substr(p, 2) + text.substr(p + 3, 2);
    const auto r = text.find("rawler: ");
    return r == std::string::npos ? std::string() : text.substr(r + 8, 4);
}

std::filesystem::path referencePath() {
    if (const char* dir = std::getenv("KORVANE_REFERENCE_DIR"))
        return std::filesystem::path(dir) / "cameras.tsv";
    return std::filesystem::path(__FILE__).parent_path() / "../../../shared/reference/cameras.tsv";
}

std::optional<std::vector<ReferenceLine>> readReference() {
    std::ifstream in(referencePath());
    if (!in) return std::nullopt;
    std::string line;
    std::getline(in, line);
    const std::vector<std::string> header = splitTabs(line);
    const auto column = [&](const char* name) {
        return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) -
                                        header.begin());
    };
    const std::size_t make = column("make"), model = column("model"), dng = column("dng_row"),
                      width = column("raw_width"), height = column("raw_height"),
                      active = column("sample_active_area"), cfa = column("cfa");
    std::vector<ReferenceLine> lines;
    while (std::getline(in, line)) {
        const std::vector<std::string> f = splitTabs(line);
        if (f.size() <= std::max({make, model, dng, width, height, active, cfa})) continue;
        ReferenceLine r;
        r.make = unquoted(f[make]);
        r.model = unquoted(f[model]);
        r.dng = f[dng] == "yes";
        r.width = static_cast<std::uint16_t>(std::atoi(f[width].c_str()));
        r.height = static_cast<std::uint16_t>(std::atoi(f[height].c_str()));
        r.sampleActive = largestArea(f[active]);
        r.pattern = framePattern(f[cfa]);
        lines.push_back(std::move(r));
    }
    return lines;
}

class CameraTableReference : public testing::Test {
protected:
    void SetUp() override {
        reference_ = readReference();
        if (!reference_) GTEST_SKIP() << "no reference facts at " << referencePath();
        ASSERT_EQ(reference_->size(), kListedCameraRows);
    }
    std::optional<std::vector<ReferenceLine>> reference_;
};

TEST_F(CameraTableReference, RowsAreTheListedCamerasInOrder) {
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        EXPECT_EQ(kRows[i].make, (*reference_)[i].make) << label(i);
        EXPECT_EQ(kRows[i].model, (*reference_)[i].model) << label(i);
        EXPECT_EQ(isDngRow(kRows[i]), (*reference_)[i].dng) << label(i);
    }
}

// The sample active area, its origin moved to the next even row and column and its size cut
// to whole CFA repeats: each edge within one sample of the sample's.
bool evenAlignedInside(const SensorArea& row, const SensorArea& sample) {
    const int dl = row.left - sample.left, dt = row.top - sample.top;
    const int dr = (sample.left + sample.width) - (row.left + row.width);
    const int db = (sample.top + sample.height) - (row.top + row.height);
    return dl >= 0 && dl <= 1 && dt >= 0 && dt <= 1 && dr >= 0 && dr <= 1 && db >= 0 && db <= 1;
}

TEST_F(CameraTableReference, FramesAndActiveAreasAgreeWithTheSampleFiles) {
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        const CameraDescription& row = kRows[i];
        const ReferenceLine& ref = (*reference_)[i];
        if (ref.width == 0) continue;
        // The P65+'s row describes the directory it makes: the IIQ frame's active area.
        if (row.mainImageRule == main_image_rule::kNewFromRow) {
            ASSERT_TRUE(ref.sampleActive) << label(i);
            EXPECT_EQ(row.width, ref.sampleActive->width) << label(i);
            EXPECT_EQ(row.height, ref.sampleActive->height) << label(i);
            continue;
        }
        EXPECT_EQ(row.width, ref.width) << label(i);
        EXPECT_EQ(row.height, ref.height) << label(i);
        const SensorArea sample =
            ref.sampleActive.value_or(SensorArea{0, 0, ref.width, ref.height});
        if (row.active == sample) continue;
        EXPECT_TRUE(evenAlignedInside(row.active, sample))
            << label(i) << ": active " << row.active.left << "," << row.active.top << ","
            << row.active.width << "," << row.active.height << " against the sample's "
            << sample.left << "," << sample.top << "," << sample.width << "," << sample.height;
    }
}

TEST_F(CameraTableReference, PatternsAreTheSourcesPatternAtTheActiveOrigin) {
    const auto letter = [](std::uint8_t colour) { return "RGB"[colour]; };
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        const CameraDescription& row = kRows[i];
        const ReferenceLine& ref = (*reference_)[i];
        if (ref.pattern.size() != 4 || row.width == 0) continue;
        // The sources give the pattern at their frame's origin; the row's frame starts at
        // the P65+'s active area, the others at the frame origin.
        unsigned left = row.active.left, top = row.active.top;
        if (row.mainImageRule == main_image_rule::kNewFromRow && ref.sampleActive) {
            left += ref.sampleActive->left;
            top += ref.sampleActive->top;
        }
        std::string expected(4, ' ');
        for (unsigned r = 0; r < 2; ++r)
            for (unsigned c = 0; c < 2; ++c)
                expected[r * 2 + c] = ref.pattern[((r + top) % 2) * 2 + (c + left) % 2];
        std::string actual;
        for (std::size_t p = 0; p < 4; ++p)
            actual += letter(row.cfaPattern[p]);
        EXPECT_EQ(actual, expected) << label(i);
    }
}

} // namespace
} // namespace korvane
