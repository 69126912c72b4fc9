// Each fault of a lossless JPEG stream gives its own message and a failure, whatever part of
// the stream holds it: the frame, the tables, the scan header, the scan data, or its end.
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>

#include "tests/decode/JpegTestSupport.hpp"

namespace korvane {
namespace {

using test::encodeLosslessJpeg;
using test::findMarker;
using test::frameOf;
using test::LosslessJpegOptions;
using test::noisySamples;

constexpr std::uint32_t kWidth = 16;
constexpr std::uint32_t kRows = 4;
constexpr int kBits = 12;

// A stream to damage, the strip it is decoded as, and how much of it the source holds.
struct Damaged {
    std::vector<std::uint8_t> stream;
    LosslessJpegTarget target;
    std::uint32_t byteCount = 0;        // 0: the stream's size
    std::size_t sourceBytes = SIZE_MAX; // bytes the source gives of the stream
};

LosslessJpegOptions baseOptions() {
    return frameOf(kWidth, kRows, 2, kBits);
}

Damaged fromOptions(const LosslessJpegOptions& o, std::uint32_t width = kWidth,
                    std::uint32_t rows = kRows) {
    const auto samples =
        noisySamples(std::size_t{o.samplesPerLine} * o.lines * o.components, o.precision, 17);
    Damaged s;
    s.stream = encodeLosslessJpeg(samples, o);
    s.target = test::stripTarget(width, rows, kBits);
    return s;
}
Damaged valid() {
    return fromOptions(baseOptions());
}

// The payload byte `at` of the first segment with marker `code`.
std::uint8_t& field(Damaged& s, std::uint8_t code, std::size_t at) {
    return s.stream.at(findMarker(s.stream, code) + 4 + at);
}
std::uint8_t& lengthLow(Damaged& s, std::uint8_t code) {
    return s.stream.at(findMarker(s.stream, code) + 3);
}
std::size_t sosEnd(const Damaged& s) {
    const std::size_t at = findMarker(s.stream, 0xDA);
    return at + 2 + ((std::size_t{s.stream[at + 2]} << 8) | s.stream[at + 3]);
}
std::size_t findPair(const std::vector<std::uint8_t>& bytes, std::uint8_t a, std::uint8_t b,
                     std::size_t from) {
    for (std::size_t i = from; i + 1 < bytes.size(); ++i)
        if (bytes[i] == a && bytes[i + 1] == b) return i;
    throw std::logic_error("pair not found");
}
// Offsets of the SOS fields for two components: Ns, C1, T1, C2, T2, Ss, Se, AhAl.
constexpr std::size_t kSosSecondId = 3;
constexpr std::size_t kSosSelection = 5;
constexpr std::size_t kSosPointTransform = 7;

Damaged withLeadingTable(std::vector<std::uint8_t> payload) {
    LosslessJpegOptions o = baseOptions();
    const std::size_t length = payload.size() + 2;
    o.leadingSegments.resize(4 + payload.size());
    o.leadingSegments[0] = 0xFF;
    o.leadingSegments[1] = 0xC4;
    o.leadingSegments[2] = static_cast<std::uint8_t>(length >> 8);
    o.leadingSegments[3] = static_cast<std::uint8_t>(length);
    std::copy(payload.begin(), payload.end(), o.leadingSegments.begin() + 4);
    return fromOptions(o);
}
std::vector<std::uint8_t> tablePayload(std::array<std::uint8_t, 16> counts,
                                       std::vector<std::uint8_t> symbols) {
    std::vector<std::uint8_t> p(1 + counts.size() + symbols.size(), 0x00); // table 0
    std::copy(counts.begin(), counts.end(), p.begin() + 1);
    std::copy(symbols.begin(), symbols.end(), p.begin() + 1 + counts.size());
    return p;
}

Damaged withInsertion(std::size_t afterSamples, std::vector<std::uint8_t> bytes) {
    LosslessJpegOptions o = baseOptions();
    o.insertions = {{afterSamples, std::move(bytes)}};
    return fromOptions(o);
}

// Constant samples at the middle value: every difference is 0, coded "00" by a table that
// has no other code, so any other bits are no code at all.
Damaged withOnlyZeroCode(std::vector<std::uint8_t> badBits) {
    LosslessJpegOptions o = baseOptions();
    o.tables = LosslessJpegOptions::Tables::Given;
    o.given.counts = {0, 1};
    o.given.symbols = {0};
    o.insertions = {{0, std::move(badBits)}};
    Damaged s;
    s.stream = encodeLosslessJpeg(std::vector<std::uint16_t>(kWidth * kRows, 1u << (kBits - 1)), o);
    s.target = test::stripTarget(kWidth, kRows, kBits);
    return s;
}

struct Fault {
    const char* name;
    std::function<Damaged()> make;
    int message;
    const char* text; // JpegDataError's text, or ProcessingFailed's second text
};

void PrintTo(const Fault& f, std::ostream* os) {
    *os << f.name;
}

class LosslessJpegFaults : public ::testing::TestWithParam<Fault> {};

TEST_P(LosslessJpegFaults, ShowTheirMessageAndFail) {
    const Fault& f = GetParam();
    Damaged s = f.make();
    const std::size_t given = std::min(s.sourceBytes, s.stream.size());
    const std::vector<std::uint8_t> bytes(s.stream.begin(), s.stream.begin() + given);
    std::vector<std::uint16_t> image(std::size_t{kWidth} * 64, test::kUntouched);
    s.target.image = image;
    s.target.imageWidth = s.target.width;
    s.target.imageHeight = s.target.rows;
    RecordingReporter reporter;
    MemoryByteSource source(bytes);
    const std::uint32_t count =
        s.byteCount != 0 ? s.byteCount : static_cast<std::uint32_t>(s.stream.size());
    EXPECT_EQ(DecodeLosslessJpeg(source, count, s.target, reporter, "strip.raw"), kFailed);
    ASSERT_EQ(reporter.numbers(), std::vector<int>{f.message}) << reporter.records()[0].shown.text;
    const MessageArgs& args = reporter.records()[0].args;
    if (f.message == 8) {
        EXPECT_EQ(args.text1, "strip.raw");
        EXPECT_EQ(args.text2, f.text);
    } else {
        EXPECT_EQ(args.text1, f.text);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Frame, LosslessJpegFaults,
    ::testing::Values(Fault{"NoMarkerAtTheStart",
                            [] {
                                auto s = valid();
                                s.stream[0] = 0x00;
                                return s;
                            },
                            16, "No marker where it is expected"},
                      Fault{"MarkerCodeBelowC0",
                            [] {
                                auto s = valid();
                                s.stream[findMarker(s.stream, 0xC4) + 1] = 0x10;
                                return s;
                            },
                            16, "Invalid marker type"},
                      Fault{"SofShorterThan9",
                            [] {
                                auto s = valid();
                                lengthLow(s, 0xC3) = 10;
                                return s;
                            },
                            16, "invalid SOF marker length"},
                      Fault{"SofLengthNotOfItsComponents",
                            [] {
                                auto s = valid();
                                lengthLow(s, 0xC3) += 1;
                                return s;
                            },
                            16, "invalid SOF marker length"},
                      Fault{"SofWithoutComponents",
                            [] {
                                auto s = valid();
                                field(s, 0xC3, 5) = 0;
                                return s;
                            },
                            16, "invalid component count in SOF"},
                      Fault{"SofWith17Components",
                            [] {
                                auto s = valid();
                                field(s, 0xC3, 5) = 17;
                                return s;
                            },
                            16, "invalid component count in SOF"},
                      Fault{"PrecisionAboveTheImageBits",
                            [] {
                                auto s = valid();
                                field(s, 0xC3, 0) = 13;
                                return s;
                            },
                            16, "invalid sample precision in SOF"},
                      Fault{"PrecisionOfOneBit",
                            [] {
                                auto s = valid();
                                field(s, 0xC3, 0) = 1;
                                return s;
                            },
                            16, "invalid sample precision in SOF"},
                      Fault{"ThreeComponentsOutsideTheSlicedLayout",
                            [] { return fromOptions(frameOf(48, 4, 3, kBits), 48, 4); }, 16,
                            "Component number in SOF not 2"},
                      Fault{"NineComponentsInTheSlicedLayout",
                            [] {
                                auto s = fromOptions(frameOf(72, 2, 9, kBits), 72, 2);
                                s.target.variant = ljpeg_variant::kCanonSlices;
                                s.target.sliceCount = 1;
                                return s;
                            },
                            16, "Component number in SOF greater than 8"},
                      Fault{"FrameOfOtherSize",
                            [] {
                                auto s = valid();
                                s.target.rows = kRows + 1;
                                return s;
                            },
                            16, "invalid size specification in SOF"},
                      Fault{"VerticalSampling",
                            [] {
                                auto s = valid();
                                field(s, 0xC3, 7) = 0x12;
                                return s;
                            },
                            16, "vertical subsampling is not supported"},
                      Fault{"HorizontalFactor3",
                            [] {
                                auto s = valid();
                                field(s, 0xC3, 7) = 0x31;
                                return s;
                            },
                            16, "Invalid subsampling"},
                      Fault{"UnequalFactors",
                            [] {
                                auto s = valid();
                                field(s, 0xC3, 7) = 0x21;
                                return s;
                            },
                            16, "subsampling is not supported yet"},
                      Fault{"OddMcuCount",
                            [] { return fromOptions(frameOf(6, 1, 2, kBits), 6, 1); }, 16,
                            "Tile/strip size is not a multiple of MCU"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Tables, LosslessJpegFaults,
    ::testing::Values(Fault{"TableId4",
                            [] {
                                auto s = valid();
                                field(s, 0xC4, 0) = 0x04;
                                return s;
                            },
                            16, "invalid DHT id"},
                      Fault{"TableLongerThanItsCodes",
                            [] {
                                auto s = valid();
                                lengthLow(s, 0xC4) += 1;
                                return s;
                            },
                            16, "invalid DHT marker length"},
                      Fault{"TableShorterThanItsCodes",
                            [] {
                                auto s = valid();
                                lengthLow(s, 0xC4) -= 1;
                                return s;
                            },
                            16, "invalid DHT marker length"},
                      Fault{"EighteenSymbols",
                            [] {
                                return withLeadingTable(tablePayload(
                                    {0, 0, 0, 0, 18}, std::vector<std::uint8_t>(18, 1)));
                            },
                            16, "Huffman table nr of symbols invalid"},
                      Fault{"NoSymbols", [] { return withLeadingTable(tablePayload({}, {0})); }, 16,
                            "Huffman table nr of symbols invalid"},
                      Fault{"ThreeCodesOfOneBit",
                            [] {
                                return withLeadingTable(tablePayload({3}, {0, 1, 2}));
                            },
                            16, "Huffman code invalid"},
                      // Two codes of 1 bit fill the code space; one more of 16 bits no longer fits.
                      Fault{"OverfullAtSixteenBits",
                            [] {
                                return withLeadingTable(tablePayload(
                                    {2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, {0, 1, 2}));
                            },
                            16, "Huffman code invalid"},
                      Fault{"Symbol17",
                            [] {
                                return withLeadingTable(tablePayload({0, 2}, {3, 17}));
                            },
                            16, "Huffman symbol greater than 16"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    ScanHeader, LosslessJpegFaults,
    ::testing::Values(Fault{"ScanOfNoFrame",
                            [] {
                                auto s = valid();
                                s.stream[findMarker(s.stream, 0xC3) + 1] = 0xC2; // progressive
                                return s;
                            },
                            16, "scan starting w/o SOF"},
                      // A baseline frame is read as DCT-coded, which takes one component only.
                      Fault{"BaselineFrameOfTwoComponents",
                            [] {
                                auto s = valid();
                                s.stream[findMarker(s.stream, 0xC3) + 1] = 0xC0;
                                return s;
                            },
                            16, "Component number in DCT-coded SOF not 1"},
                      Fault{"ScanOfOneComponent",
                            [] {
                                auto s = valid();
                                field(s, 0xDA, 0) = 1;
                                return s;
                            },
                            16, "invalid component count in SOS"},
                      Fault{"SameComponentTwice",
                            [] {
                                auto s = valid();
                                field(s, 0xDA, kSosSecondId) = 1;
                                return s;
                            },
                            16, "invalid SOS"},
                      Fault{"ScanHeaderLongerThanItsFields",
                            [] {
                                auto s = valid();
                                const std::size_t at = findMarker(s.stream, 0xDA);
                                s.stream.insert(s.stream.begin() +
                                                    static_cast<std::ptrdiff_t>(sosEnd(s)),
                                                0x00);
                                s.stream[at + 3] += 1;
                                return s;
                            },
                            16, "invalid SOS"},
                      Fault{"ComponentId17",
                            [] {
                                auto s = valid();
                                field(s, 0xDA, kSosSecondId) = 17;
                                return s;
                            },
                            16, "invalid component id in SOS"},
                      Fault{"UndefinedTable",
                            [] {
                                auto s = valid();
                                field(s, 0xDA, 4) = 0x20;
                                return s;
                            },
                            16, "undefined Huffman table id in SOS"},
                      Fault{"TableIdAbove3",
                            [] {
                                auto s = valid();
                                field(s, 0xDA, 2) = 0x40;
                                return s;
                            },
                            16, "undefined Huffman table id in SOS"},
                      Fault{"Predictor0",
                            [] {
                                auto s = valid();
                                field(s, 0xDA, kSosSelection) = 0;
                                return s;
                            },
                            16, "invalid predictor"},
                      Fault{"Predictor2",
                            [] {
                                auto s = valid();
                                field(s, 0xDA, kSosSelection) = 2;
                                return s;
                            },
                            16, "unsupported predictor"},
                      Fault{"Predictor6WithTwoComponents",
                            [] {
                                auto s = valid();
                                field(s, 0xDA, kSosSelection) = 6;
                                return s;
                            },
                            16, "unsupported predictor"},
                      Fault{"Predictor8OfAnotherMaker",
                            [] {
                                auto s = valid();
                                field(s, 0xDA, kSosSelection) = 8;
                                return s;
                            },
                            16, "unsupported predictor"},
                      Fault{"PointTransformOfThePrecision",
                            [] {
                                auto s = valid();
                                field(s, 0xDA, kSosPointTransform) = 12;
                                return s;
                            },
                            16, "invalid point transform"},
                      Fault{"PointTransform1",
                            [] {
                                auto s = valid();
                                field(s, 0xDA, kSosPointTransform) = 1;
                                return s;
                            },
                            16, "point transform is not supported"},
                      Fault{"ThreeBytesAfterTheScanHeader",
                            [] {
                                auto s = valid();
                                s.byteCount = static_cast<std::uint32_t>(sosEnd(s) + 3);
                                return s;
                            },
                            16, "compressed data too short"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    ScanData, LosslessJpegFaults,
    ::testing::Values(Fault{"RestartInsideAnMcu",
                            [] {
                                return withInsertion(3, {0xFF, 0xD0});
                            },
                            16, "misplaced marker in scan data"},
                      Fault{"SoiInTheScan",
                            [] {
                                return withInsertion(4, {0xFF, 0xD8});
                            },
                            16, "marker in scan data encountered"},
                      Fault{"DhtInTheScan",
                            [] {
                                return withInsertion(4, {0xFF, 0xC4});
                            },
                            16, "marker in scan data encountered"},
                      Fault{"DriOfWrongLength",
                            [] {
                                return withInsertion(4, {0xFF, 0xDD, 0x00, 0x05, 0, 1});
                            },
                            16, "invalid Define Restart Interval marker"},
                      Fault{"NoCodeOfTheBits",
                            [] {
                                return withOnlyZeroCode({0x40, 0x00, 0x00});
                            },
                            16, "unidentified Huffman code"},
                      Fault{"SeventeenOneBits",
                            [] {
                                return withOnlyZeroCode({0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00});
                            },
                            16, "Huffman code longer than 16"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Ends, LosslessJpegFaults,
    ::testing::Values(Fault{"StripEndsInTheScan",
                            [] {
                                auto s = valid();
                                s.byteCount = static_cast<std::uint32_t>(sosEnd(s) + 8);
                                return s;
                            },
                            16, "tile/strip data incomplete"},
                      Fault{"StripEndsInTheFrame",
                            [] {
                                auto s = valid();
                                s.byteCount =
                                    static_cast<std::uint32_t>(findMarker(s.stream, 0xC3) + 6);
                                return s;
                            },
                            16, "tile/strip data incomplete"},
                      Fault{"FileEndsInTheFrame",
                            [] {
                                auto s = valid();
                                s.sourceBytes = findMarker(s.stream, 0xC3) + 6;
                                return s;
                            },
                            8, "file shorter than expected"},
                      Fault{"FileEndsInTheScan",
                            [] {
                                auto s = valid();
                                s.sourceBytes = sosEnd(s) + 8;
                                return s;
                            },
                            8, "end of file occured\nwhile reading compressed scan data"},
                      Fault{"FileEndsInADri",
                            [] {
                                auto s = withInsertion(4, {0xFF, 0xDD, 0x00, 0x04, 0, 1});
                                // Two bytes of the DRI's four are there.
                                const std::size_t dri = findPair(s.stream, 0xFF, 0xDD, sosEnd(s));
                                s.sourceBytes = dri + 4;
                                return s;
                            },
                            8, "end of file occured\nwhile reading compressed scan data"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace korvane
