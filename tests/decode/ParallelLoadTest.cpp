// The loader decodes the strips and tiles of an image on several threads with the same
// outcome as on one: samples, status and messages, also for files whose strips or tiles fail
// part of the way through.
#include <filesystem>

#include "common/CameraDescription.hpp"
#include "common/WorkerPool.hpp"
#include "tests/decode/LoadTestSupport.hpp"
#include "tests/decode/NikonTestSupport.hpp"
#include "tests/support/SonyEncoder.hpp"

namespace korvane::test {
namespace {

enum class Layout : std::uint8_t { Strips, Tiles };
// BitPacked: DNG's samples of 10, 12 or 14 bits without gaps, each row on a byte.
enum class Codec : std::uint8_t { Uncompressed, Packed12, BitPacked, LosslessJpeg, Sony };

// What a case spoils: one piece's bytes, its position or its length.
enum class Damage : std::uint8_t {
    None,
    MarkerInScan,     // a marker in the entropy-coded data of the piece (lossless JPEG)
    PrematureEnd,     // EOI half-way: a message, and the load goes on
    OffsetPastEnd,    // the piece starts beyond the end of the file
    CutShort,         // the file ends inside the piece
    ByteCountChanged, // the piece's byte count does not fit its rows
};

struct ParallelCase {
    const char* name;
    Layout layout = Layout::Strips;
    Codec codec = Codec::Uncompressed;
    std::uint32_t width = 64;
    std::uint32_t height = 48;
    std::uint32_t piece = 8; // rows per strip, or the tile's width and length
    std::uint8_t bits = 16;
    ByteOrder order = ByteOrder::Little;
    Damage damage = Damage::None;
    std::size_t damaged = 0; // which piece, in file order
};

std::vector<std::uint8_t> encodePiece(const ParallelCase& c, const std::vector<std::uint16_t>& s,
                                      std::uint32_t width, std::uint32_t rows, bool damaged) {
    switch (c.codec) {
    case Codec::Uncompressed:
        return encodeUncompressed(s, c.bits > 8 ? 2 : 1, c.order);
    case Codec::Packed12:
        return encodePacked12(s, ByteOrder::Big);
    case Codec::BitPacked:
        return encodeBitPacked(s, width, c.bits);
    case Codec::Sony:
        return encodeSonyCraw(s, width);
    case Codec::LosslessJpeg: {
        LosslessJpegOptions o;
        o.precision = c.bits;
        o.components = 2;
        o.samplesPerLine = static_cast<std::uint16_t>(width / 2);
        o.lines = static_cast<std::uint16_t>(rows);
        if (damaged && c.damage == Damage::MarkerInScan)
            o.insertions.push_back({s.size() / 2 + 1, {0xFF, 0xC4}});
        if (damaged && c.damage == Damage::PrematureEnd) o.endAfterSamples = s.size() / 2;
        return encodeLosslessJpeg(s, o);
    }
    }
    return {};
}

std::unique_ptr<OpenedRawFile> parallelFile(const ParallelCase& c) {
    const auto samples = testSamples(c.width, c.height, c.bits);
    RawFileBytes file(c.order);
    auto node = std::make_unique<IfdNode>();
    const std::uint32_t compression = c.codec == Codec::LosslessJpeg ? 7
                                      : c.codec == Codec::Sony       ? 65538
                                                                     : 1;
    describeImage(*node, c.width, c.height, c.bits, compression);
    node->pixelValueRange1 = kSonyA700Ranges;
    ImageEntries entries;
    std::vector<std::vector<std::uint16_t>> pieces;
    const bool tiles = c.layout == Layout::Tiles;
    if (tiles) {
        node->tileWidth = node->tileLength = c.piece;
        pieces = imageTiles(samples, c.width, c.height, c.piece, c.piece, 0);
    } else {
        node->rowsPerStrip = c.piece;
        for (std::uint32_t row = 0; row < c.height; row += c.piece)
            pieces.push_back(imageRows(samples, c.width, row, c.piece));
    }
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const std::uint32_t width = tiles ? c.piece : c.width;
        const auto rows = static_cast<std::uint32_t>(pieces[i].size() / width);
        const bool damaged = c.damage != Damage::None && i == c.damaged;
        auto bytes = encodePiece(c, pieces[i], width, rows, damaged);
        if (damaged && c.damage == Damage::CutShort) bytes.resize(bytes.size() / 2);
        entries.offsets.push_back(file.append(bytes));
        entries.byteCounts.push_back(static_cast<std::uint32_t>(bytes.size()));
        if (damaged && c.damage == Damage::OffsetPastEnd) entries.offsets.back() = 0x7FFF0000;
        if (damaged && c.damage == Damage::ByteCountChanged) entries.byteCounts.back() += 2;
        // The bytes after the piece cut short are not in the file: it ends there.
        if (damaged && c.damage == Damage::CutShort) {
            entries.byteCounts.back() = static_cast<std::uint32_t>(bytes.size() * 2);
            break;
        }
    }
    // A file cut short holds no pieces after the damaged one, but its tables list them.
    while (entries.offsets.size() < pieces.size()) {
        entries.offsets.push_back(file.size() + 64);
        entries.byteCounts.push_back(entries.byteCounts.front());
    }
    attachEntries(*node, file, entries, tiles);
    auto opened = std::make_unique<OpenedRawFile>(file, std::move(node));
    if (c.codec == Codec::BitPacked) opened->context.formatCode = format_code::kDng;
    return opened;
}

struct Outcome {
    Status status = kFailed;
    std::vector<std::uint16_t> samples;
    std::vector<std::string> messages;
};

// Loads the file again, from the start of the loader: the same file for every load, so that
// the messages name the same path.
Outcome loadWith(OpenedRawFile& file, WorkerPool& pool) {
    RecordingReporter reporter;
    Outcome out;
    out.status = LoadImageData(file.context, reporter, HeldKeys{}, pool);
    out.samples = file.image().samples;
    for (const auto& r : reporter.records())
        out.messages.push_back(r.shown.caption + ": " + r.shown.text);
    return out;
}

class ParallelLoad : public ::testing::TestWithParam<ParallelCase> {};

TEST_P(ParallelLoad, GivesTheSamplesAndMessagesOfALoadOnOneThread) {
    const ParallelCase& c = GetParam();
    const auto file = parallelFile(c);
    const Outcome serial = loadWith(*file, WorkerPool::serial());
    // The case really tests what its name says: damage shows, a sound file loads.
    EXPECT_EQ(serial.messages.empty(), c.damage == Damage::None) << c.name;
    EXPECT_EQ(succeeded(serial.status),
              c.damage == Damage::None || c.damage == Damage::PrematureEnd);
    // Sony's values come back through its curve, not as they were.
    if (c.damage == Damage::None && c.codec != Codec::Sony) {
        EXPECT_EQ(serial.samples, testSamples(c.width, c.height, c.bits));
    }
    // More workers than processors, so that the pieces finish in every order.
    for (const unsigned workers : {1u, 3u, 7u}) {
        WorkerPool pool(workers);
        for (int repeat = 0; repeat < 3; ++repeat) {
            const Outcome parallel = loadWith(*file, pool);
            EXPECT_EQ(parallel.status, serial.status) << workers;
            EXPECT_EQ(parallel.messages, serial.messages) << workers;
            EXPECT_TRUE(parallel.samples == serial.samples) << workers << " workers";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Codings, ParallelLoad,
    ::testing::Values(
        ParallelCase{.name = "Uncompressed16Strips"},
        ParallelCase{.name = "Uncompressed16StripsMotorola", .order = ByteOrder::Big},
        ParallelCase{.name = "Uncompressed8Strips", .bits = 8},
        // 1200 x 1000 x 2 bytes in one strip: copied in runs of rows at once.
        ParallelCase{.name = "OneLargeStripInRuns", .width = 1200, .height = 1000, .piece = 1000},
        ParallelCase{.name = "OneLargeStripCutShort",
                     .width = 1200,
                     .height = 1000,
                     .piece = 1000,
                     .damage = Damage::CutShort},
        ParallelCase{.name = "UncompressedStripCutShort", .damage = Damage::CutShort, .damaged = 2},
        ParallelCase{
            .name = "UncompressedStripPastTheEnd", .damage = Damage::OffsetPastEnd, .damaged = 3},
        ParallelCase{.name = "UncompressedStripOfWrongLength",
                     .damage = Damage::ByteCountChanged,
                     .damaged = 1},
        ParallelCase{.name = "Packed12Strips", .codec = Codec::Packed12, .bits = 12},
        ParallelCase{.name = "Packed12StripCutShort",
                     .codec = Codec::Packed12,
                     .bits = 12,
                     .damage = Damage::CutShort,
                     .damaged = 4},
        // 1200 x 1000 samples of 14 bits in one strip: 2100 bytes a row, two runs of rows.
        ParallelCase{.name = "BitPacked14StripInRuns",
                     .codec = Codec::BitPacked,
                     .width = 1200,
                     .height = 1000,
                     .piece = 1000,
                     .bits = 14},
        ParallelCase{.name = "BitPacked14StripCutShort",
                     .codec = Codec::BitPacked,
                     .width = 1200,
                     .height = 1000,
                     .piece = 1000,
                     .bits = 14,
                     .damage = Damage::CutShort},
        ParallelCase{.name = "BitPacked10StripPastTheEnd",
                     .codec = Codec::BitPacked,
                     .width = 37,
                     .bits = 10,
                     .damage = Damage::OffsetPastEnd,
                     .damaged = 2},
        ParallelCase{.name = "BitPacked12StripOfWrongLength",
                     .codec = Codec::BitPacked,
                     .width = 37,
                     .bits = 12,
                     .damage = Damage::ByteCountChanged,
                     .damaged = 4},
        ParallelCase{.name = "UncompressedTiles",
                     .layout = Layout::Tiles,
                     .width = 72,
                     .height = 40,
                     .piece = 16},
        ParallelCase{.name = "UncompressedTilePastTheEnd",
                     .layout = Layout::Tiles,
                     .width = 72,
                     .height = 40,
                     .piece = 16,
                     .damage = Damage::OffsetPastEnd,
                     .damaged = 5},
        ParallelCase{.name = "LosslessJpegStrips", .codec = Codec::LosslessJpeg, .bits = 14},
        ParallelCase{.name = "LosslessJpegTiles",
                     .layout = Layout::Tiles,
                     .codec = Codec::LosslessJpeg,
                     .width = 96,
                     .height = 80,
                     .piece = 32,
                     .bits = 12},
        ParallelCase{.name = "LosslessJpegTileWithAMarkerHalfWay",
                     .layout = Layout::Tiles,
                     .codec = Codec::LosslessJpeg,
                     .width = 96,
                     .height = 80,
                     .piece = 32,
                     .bits = 12,
                     .damage = Damage::MarkerInScan,
                     .damaged = 2},
        ParallelCase{.name = "LosslessJpegTileEndingEarly",
                     .layout = Layout::Tiles,
                     .codec = Codec::LosslessJpeg,
                     .width = 96,
                     .height = 80,
                     .piece = 32,
                     .bits = 12,
                     .damage = Damage::PrematureEnd,
                     .damaged = 1},
        ParallelCase{.name = "LosslessJpegStripCutShort",
                     .codec = Codec::LosslessJpeg,
                     .bits = 14,
                     .damage = Damage::CutShort,
                     .damaged = 3},
        ParallelCase{.name = "LosslessJpegStripPastTheEnd",
                     .codec = Codec::LosslessJpeg,
                     .bits = 14,
                     .damage = Damage::OffsetPastEnd,
                     .damaged = 0},
        // 2048 x 1100 one-byte-a-sample values in one strip: rows decoded in runs at once.
        ParallelCase{.name = "SonyStripInRuns",
                     .codec = Codec::Sony,
                     .width = 2048,
                     .height = 1100,
                     .piece = 1100,
                     .bits = 11},
        ParallelCase{.name = "SonyStripCutShort",
                     .codec = Codec::Sony,
                     .width = 2048,
                     .height = 1100,
                     .piece = 1100,
                     .bits = 11,
                     .damage = Damage::CutShort},
        ParallelCase{.name = "SonyStrips",
                     .codec = Codec::Sony,
                     .width = 256,
                     .height = 48,
                     .piece = 8,
                     .bits = 11,
                     .damage = Damage::CutShort,
                     .damaged = 3}),
    [](const auto& info) { return std::string(info.param.name); });

// The real tiled DNG, parsed and loaded as "Process" does it, on one thread and on several.
TEST(ParallelLoad, TheBlackmagicTilesDecodeAlikeOnAnyNumberOfThreads) {
    const std::string path =
        std::string(KORVANE_SAMPLES_DIR) + "/blackmagic_pocket4k_dng-ljpeg12-lintable-tiled.dng";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "no sample " << path;
    const auto decode = [&](WorkerPool& pool) {
        auto p = processFile(path, pool);
        EXPECT_EQ(p->loaded, kOk) << p->messages();
        return p->image().samples;
    };
    WorkerPool three(3);
    EXPECT_TRUE(decode(WorkerPool::serial()) == decode(three));
}

} // namespace
} // namespace korvane::test
