#include "decode/NikonDecoder.hpp"

#include <array>
#include <string>
#include <vector>

#include "common/ByteOrder.hpp"
#include "decode/NikonDecoderCurve.hpp"
#include "decode/NikonDecoderRows.hpp"

namespace korvane {

namespace {

using predicted_rows::CodeTable;

// CompressionInfo structure types (its first byte) and sub-types (its second).
constexpr std::uint8_t kLosslessStructure = 0x46;
constexpr std::uint8_t kLosslessSubType = 0x30;
constexpr std::uint8_t kLossyStructure = 0x44;
constexpr std::uint8_t kLossyType1SubType = 0x10;
constexpr std::uint8_t kLossyType2SubType = 0x20;
// Byte offsets in the structure: the four vertical predictors, the number of curve points and
// the points themselves.
constexpr std::size_t kPredictorsAt = 2;
constexpr std::size_t kPointCountAt = 10;
constexpr std::size_t kPointsAt = 12;
// The curve of a lossy file has from 100 to 4096 points.
constexpr std::uint32_t kMinCurvePoints = 100;
constexpr std::uint32_t kMaxCurvePoints = 4096;
// A skip count of this many bytes puts two more bytes before the very noisy indicator.
constexpr std::uint32_t kPaddedSkip = 32;

// The code tables: for each kind (lossy or lossless) and depth, the code length counts and
// the numbers of difference bits in code order.
constexpr std::array<std::uint8_t, 14> kLossy12Symbols{5, 4, 3, 6,  2,  7,  1,
                                                       0, 8, 9, 11, 10, 12, 13};
constexpr std::array<std::uint8_t, 15> kLossy14Symbols{5, 6, 4,  7,  8,  3,  9, 2,
                                                       1, 0, 10, 11, 12, 13, 14};
constexpr std::array<std::uint8_t, 13> kLossless12Symbols{5, 4, 6, 3, 7, 2, 8, 1, 9, 0, 10, 11, 12};
constexpr std::array<std::uint8_t, 15> kLossless14Symbols{7,  6,  8, 5, 9, 4,  10, 3,
                                                          11, 12, 2, 0, 1, 13, 14};
constexpr CodeTable kLossy12{{0, 1, 5, 1, 1, 1, 1, 1, 1, 2, 0, 0, 0, 0, 0, 0}, kLossy12Symbols};
constexpr CodeTable kLossy14{{0, 1, 4, 3, 1, 1, 1, 1, 1, 2, 0, 0, 0, 0, 0, 0}, kLossy14Symbols};
constexpr CodeTable kLossless12{{0, 1, 4, 2, 3, 1, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0},
                                kLossless12Symbols};
constexpr CodeTable kLossless14{{0, 1, 4, 2, 2, 3, 1, 2, 0, 0, 0, 0, 0, 0, 0, 0},
                                kLossless14Symbols};

constexpr bool namesEverySymbol(const CodeTable& t) {
    std::size_t n = 0;
    for (const std::uint8_t c : t.counts)
        n += c;
    return n == t.symbols.size();
}
static_assert(namesEverySymbol(kLossy12) && namesEverySymbol(kLossy14) &&
              namesEverySymbol(kLossless12) && namesEverySymbol(kLossless14));

// What the decoder takes from a structure that passed its checks.
struct Structure {
    predicted_rows::VerticalPredictors vertical{};
    std::vector<std::uint16_t> points; // lossy kinds only
};

class StructureReader {
public:
    StructureReader(const NikonCompression& c, Reporter& reporter, std::string_view path)
        : c_(c), info_(c.info, ByteOrder(c.bigEndian)), reporter_(reporter), path_(path) {}

    Status check(Structure& s);

private:
    // The 16-bit value at byte `at`, which the checks before have seen in the entry.
    std::uint16_t value16(std::uint64_t at) {
        std::uint16_t value = 0;
        if (info_.seek(at)) (void)info_.u16(value);
        return value;
    }
    bool holds(std::uint64_t bytes) const { return c_.info.size() >= bytes; }
    Status inconsistent(const char* text) {
        reporter_.ShowMessage(MessageId::InconsistentSpecification, std::string(path_), text);
        return kFailed;
    }
    Status tooShort() { return inconsistent("compression info shorter than the required"); }
    Status checkLossless(std::uint32_t n);
    Status checkLossy(std::uint32_t n);

    const NikonCompression& c_;
    ByteCursor info_;
    Reporter& reporter_;
    std::string_view path_;
};

Status StructureReader::checkLossless(std::uint32_t n) {
    if (c_.kind != nikon_kind::kLossless)
        return inconsistent("compression type contradicting with structure type 0x46");
    if (c_.info[1] != kLosslessSubType)
        return inconsistent("compression info structure type 0x46 but not 0x30");
    // The lossless coding has no curve; the count is checked all the same.
    return holds(std::uint64_t{n} + kPointsAt) ? kOk : tooShort();
}

Status StructureReader::checkLossy(std::uint32_t n) {
    if (c_.kind == nikon_kind::kLossless)
        return inconsistent("compression type contradicting with structure type 0x44");
    if (n < kMinCurvePoints || n > kMaxCurvePoints)
        return inconsistent("linearization array too large");
    const std::uint64_t afterPoints = kPointsAt + 2 * std::uint64_t{n};
    if (!holds(afterPoints + 2)) return tooShort();
    const std::uint32_t skip = value16(afterPoints);
    if (!holds(afterPoints + 2 + skip)) return tooShort();
    const std::uint8_t subType = c_.info[1];
    if (subType == kLossyType1SubType) {
        if (c_.kind != nikon_kind::kLossyType1)
            return inconsistent("compression type contradicting with structure type 0x4410");
        return kOk;
    }
    if (subType != kLossyType2SubType) return inconsistent("unknown compression structure type");
    if (c_.kind != nikon_kind::kLossyType2)
        return inconsistent("compression type contradicting with structure type 0x4420");
    const std::uint64_t indicatorAt = afterPoints + 2 + skip + (skip == kPaddedSkip ? 2 : 0);
    if (!holds(indicatorAt + 2)) return tooShort();
    if (value16(indicatorAt) != 0) {
        reporter_.ShowMessage(MessageId::NotImplemented,
                              "decompression of lossily compressed very noisy Nikon images");
        return kFailed;
    }
    return kOk;
}

Status StructureReader::check(Structure& s) {
    if (!c_.hasInfo) return inconsistent("compression info missing");
    if (!holds(kPointsAt)) return tooShort();
    const std::uint32_t n = value16(kPointCountAt);
    Status status = kOk;
    switch (c_.info[0]) {
    case kLosslessStructure:
        status = checkLossless(n);
        break;
    case kLossyStructure:
        status = checkLossy(n);
        break;
    default:
        status = inconsistent("unknown compression structure type");
        break;
    }
    if (failed(status)) return status;
    for (std::size_t i = 0; i < 4; ++i)
        s.vertical[i / 2][i % 2] = value16(kPredictorsAt + 2 * i);
    if (c_.kind != nikon_kind::kLossless) {
        // checkLossy has seen all n points in the entry.
        s.points.resize(n);
        (void)info_.seek(kPointsAt);
        for (std::uint16_t& point : s.points)
            (void)info_.u16(point);
    }
    return kOk;
}

const CodeTable& codeTableOf(const NikonCompression& c) {
    const bool twelve = c.bitsPerSample == 12;
    if (c.kind == nikon_kind::kLossless) return twelve ? kLossless12 : kLossless14;
    return twelve ? kLossy12 : kLossy14;
}

} // namespace

Status DecodeNikon(ByteSource& source, std::uint32_t byteCount, const SampleTarget& target,
                   const NikonCompression& info, bool dither, Reporter& reporter,
                   std::string_view path) {
    Structure structure;
    if (failed(StructureReader(info, reporter, path).check(structure))) return kFailed;
    const CodeTable& codes = codeTableOf(info);
    HuffmanTable table;
    if (failed(BuildHuffmanTable(codes.counts, codes.symbols, table, reporter))) return kFailed;

    ByteInput input(source, byteCount);
    const auto end = predicted_rows::DecodeRows(input, table, structure.vertical, target);
    if (!predicted_rows::GoesOnAfter(end, reporter, path)) return kFailed;
    if (info.kind == nikon_kind::kLossless) return kOk;

    const std::uint32_t top = info.bitsPerSample == 12 ? 4096 : 16384;
    std::vector<std::uint16_t> curve;
    if (failed(nikon_curve::BuildCurve(structure.points, info.kind, top, curve, reporter)))
        return kFailed;
    if (dither) return nikon_curve::ApplyCurveDithered(curve, top, target, reporter);
    nikon_curve::ApplyCurve(curve, top, target);
    return kOk;
}

} // namespace korvane
