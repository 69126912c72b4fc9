// Black level data into the forms the decoders use: one delta per active column and row, and
// BlackLevel as one value or an array the size of the CFA repeat pattern.
#include <algorithm>

#include "common/EntryValues.hpp"
#include "container/ReadIfdInternal.hpp"

namespace korvane::ifd_reader {

namespace {

constexpr std::uint32_t kRationalBytes = 8;
// Delta values are read from the file this many bytes at a time, the most one read may ask.
constexpr std::uint32_t kDeltaPieceBytes = 4096;
static_assert(kDeltaPieceBytes % kRationalBytes == 0 && kDeltaPieceBytes <= kMaxCarriedBytes);
// No sensor is wider or taller than this; the sensor areas of the camera table count in 16
// bits. A larger active area comes from a damaged file and gets no delta arrays.
constexpr std::uint32_t kMaxActiveSide = 0xFFFF;

// numerator / denominator as a signed integer division, 0 for a zero denominator; the 64-bit
// division keeps INT32_MIN / -1 defined.
std::int64_t quotient(std::int64_t numerator, std::int64_t denominator) {
    return denominator == 0 ? 0 : numerator / denominator;
}

Status readDeltas(FileAccess& file, const IfdEntry& e, std::vector<std::uint16_t>& deltas,
                  std::uint8_t order) {
    if (Status s = file.SeekTo(e.valueOffset); failed(s)) return s;
    std::uint64_t remaining = static_cast<std::uint64_t>(e.count) * kRationalBytes;
    std::size_t next = 0;
    while (remaining > 0) {
        const auto want =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(remaining, kDeltaPieceBytes));
        const std::uint8_t* data = nullptr;
        if (file.ReadBytes(want, data) != want) {
            file.reporter().ShowMessage(MessageId::ProcessingFailed, file.context().path,
                                        "file shorter than expected");
            return kFailed;
        }
        for (std::uint32_t at = 0; at < want; at += kRationalBytes) {
            const auto numerator = static_cast<std::int32_t>(load32(data + at, order));
            const auto denominator = static_cast<std::int32_t>(load32(data + at + 4, order));
            deltas[next++] = static_cast<std::uint16_t>(quotient(numerator, denominator));
        }
        remaining -= want;
    }
    return kOk;
}

// One delta array: `length` values (the active width or height), those beyond the entry's
// count 0.
Status convertDeltas(FileAccess& file, IfdNode& node, const IfdEntry* e, std::uint32_t length,
                     std::vector<std::uint16_t>& deltas, const char* what, std::uint8_t order) {
    if (e == nullptr) return kOk;
    if (e->count > length || length > kMaxActiveSide) {
        markInconsistent(node);
        return kOk;
    }
    if (!allocate(deltas, length, file.reporter(), what)) return kFailed;
    return readDeltas(file, *e, deltas, order);
}

// The value of one BlackLevel entry element as a 16-bit level.
std::uint16_t levelValue(const IfdNode& node, const IfdEntry& e, std::uint32_t index) {
    if (e.type == tiff_type::kRational || e.type == tiff_type::kSRational) {
        const Rational r = entryRational(node, e, index);
        return static_cast<std::uint16_t>(quotient(r.numerator, r.denominator));
    }
    return static_cast<std::uint16_t>(entryValue(node, e, index)); // LONG: its low 16 bits
}

// A repeat dimension the file leaves out is 1: DNG's default for BlackLevelRepeatDim, and
// the repeat of an image without a CFA. SamplesPerPixel defaults to 1 as in TIFF.
std::uint32_t orOne(std::uint32_t v) {
    return v != 0 ? v : 1;
}

bool fitsRepeat(std::uint32_t black, std::uint32_t cfa) {
    return black <= cfa && cfa % black == 0;
}

Status convertBlackLevel(IfdNode& node, Reporter& reporter) {
    const IfdEntry* e = node.blackLevelEntry;
    if (e == nullptr || node.blackLevelCount == 0) return kOk;
    // An Olympus sub-IFD's black level belongs to the maker note it hangs from.
    IfdNode& target =
        node.kind == IfdKind::OlympusSubIfd && node.parent != nullptr ? *node.parent : node;
    const std::uint32_t rows = orOne(node.blackRepeatRows), cols = orOne(node.blackRepeatCols);
    const std::uint32_t cfaRows = orOne(node.cfaRepeatRows), cfaCols = orOne(node.cfaRepeatCols);
    const std::uint32_t samples = orOne(node.samplesPerPixel);
    target.blackRepeatRows = node.blackRepeatRows;
    target.blackRepeatCols = node.blackRepeatCols;
    if (node.blackLevelCount != rows * rows * samples || !fitsRepeat(rows, cfaRows) ||
        !fitsRepeat(cols, cfaCols)) {
        target.blackLevelCount = 0;
        target.blackRepeatRows = target.blackRepeatCols = 0;
        markInconsistent(node);
        return kOk;
    }
    target.blackLevelCount = node.blackLevelCount;
    bool allEqual = true;
    for (std::uint32_t i = 1; i < node.blackLevelCount; ++i)
        allEqual = allEqual && levelValue(node, *e, i) == levelValue(node, *e, 0);
    if (allEqual) {
        target.blackLevel = levelValue(node, *e, 0);
        return kOk;
    }
    if (!allocate(target.blackLevelArray, cfaRows * cfaCols, reporter,
                  "converted black level value array"))
        return kFailed;
    // The black pattern is square, `rows` on a side, repeated across the CFA pattern.
    for (std::uint32_t r = 0; r < cfaRows; ++r)
        for (std::uint32_t c = 0; c < cfaCols; ++c)
            target.blackLevelArray[r * cfaCols + c] =
                levelValue(node, *e, ((r % rows) * rows + c % rows) * samples);
    return kOk;
}

} // namespace

Status convertBlackLevels(FileAccess& file, IfdNode& node, std::uint8_t byteOrder) {
    if (Status s =
            convertDeltas(file, node, node.blackDeltaHEntry, node.activeWidth, node.blackDeltaH,
                          "horizontal black level delta value array", byteOrder);
        failed(s))
        return s;
    if (!node.blackDeltaH.empty()) node.blackDeltaHCount = node.blackDeltaHEntry->count;
    if (Status s =
            convertDeltas(file, node, node.blackDeltaVEntry, node.activeHeight, node.blackDeltaV,
                          "vertical black level delta value array", byteOrder);
        failed(s))
        return s;
    return convertBlackLevel(node, file.reporter());
}

} // namespace korvane::ifd_reader
