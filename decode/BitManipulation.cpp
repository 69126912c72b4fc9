#include "decode/BitManipulation.hpp"

#include <algorithm>
#include <string>

namespace korvane {

namespace {

// The lowest digit held on either keyboard, or -1.
int lowestDigitHeld(const KeyState& keys) {
    for (int d = 0; d <= 9; ++d)
        if (keys.isKeyDown(held_key::kDigit0 + d) || keys.isKeyDown(held_key::kNumpad0 + d))
            return d;
    return -1;
}

BitRequest request(BitOperation operation, int digit, bool drop = false) {
    return {operation, static_cast<std::uint32_t>(digit), drop};
}

// The black level the corrections give for one sample at (row, column) of the active area,
// beyond the single black level.
struct BlackCorrections {
    const ImageDescriptor& image;
    std::uint32_t patternWidth;
    std::uint32_t patternHeight;

    std::int32_t cfa(std::uint32_t row, std::uint32_t column) const {
        const auto& cfaBlack = image.blackLevelArray;
        if (cfaBlack.empty()) return 0;
        const std::size_t at =
            std::size_t{row % patternHeight} * patternWidth + column % patternWidth;
        return at < cfaBlack.size() ? cfaBlack[at] : 0;
    }

    std::int32_t columnAndRow(std::uint32_t row, std::uint32_t column) const {
        const auto& columns = image.blackDeltaH;
        const auto& rows = image.blackDeltaV;
        const bool hasColumn = column < columns.size();
        const bool hasRow = row < rows.size();
        if (hasColumn && hasRow) {
            const std::int32_t cb = columns[column];
            const std::int32_t rb = rows[row];
            // Missing weightings count as unknown, like negative ones.
            const std::int32_t wc =
                column < image.columnWeighting.size() ? image.columnWeighting[column] : -1;
            const std::int32_t wr = row < image.rowWeighting.size() ? image.rowWeighting[row] : -1;
            // Two weightings of 0 would divide by zero; they carry no preference either.
            if (wc < 0 || wr < 0 || wc + wr == 0) return (cb + rb) / 2;
            return (cb * wr + rb * wc) / (wc + wr);
        }
        if (hasColumn) return columns[column];
        if (hasRow) return rows[row];
        return 0;
    }
};

std::int32_t applied(BitOperation operation, std::uint32_t digit, std::int32_t v) {
    switch (operation) {
    case BitOperation::Modulo:
        return v % static_cast<std::int32_t>(digit);
    case BitOperation::Shift:
        return v >> digit;
    case BitOperation::Keep:
        return v & ((1 << digit) - 1);
    case BitOperation::Erase:
        return v & (0xFFFF - ((1 << digit) - 1));
    default:
        return v;
    }
}

std::string noteText(const BitRequest& r) {
    const std::string digit = std::to_string(r.digit);
    switch (r.operation) {
    case BitOperation::Modulo:
        return "Modulo(" + digit + ") is kept; ";
    case BitOperation::Shift:
        return digit + " bit(s) shifted out; ";
    case BitOperation::Keep:
        return digit + " bit(s) kept; ";
    case BitOperation::Erase:
        return digit + " bit(s) erased; ";
    default:
        return {};
    }
}

std::int32_t lowered(std::int32_t level, std::int32_t by) {
    return std::max(0, level - by);
}

// The levels follow the samples: down by the black level, and shifted with them.
void moveLevels(RawFileContext& file, ImageDescriptor& image, const BitRequest& r) {
    const std::int32_t black = image.blackLevelAverage;
    const std::uint32_t shift = r.operation == BitOperation::Shift ? r.digit : 0;
    image.whiteLevel = lowered(image.whiteLevel, black);
    for (auto& level : file.channelLevels)
        level = lowered(level, black);
    if (shift >= 1) {
        image.whiteLevel >>= shift;
        image.maximumValue >>= shift;
        for (auto& level : file.channelLevels)
            level >>= shift;
    } else {
        image.maximumValue = lowered(image.maximumValue, black);
    }
    image.valueRange = image.maximumValue;
}

} // namespace

BitRequest readBitRequest(const KeyState& keys) {
    if (!keys.isKeyDown(held_key::kControl)) return {};
    const int digit = lowestDigitHeld(keys);
    if (digit < 0) return {};
    const bool shift = keys.isKeyDown(held_key::kShift);
    const bool alt = keys.isKeyDown(held_key::kAlt);
    if (shift && alt) return digit >= 2 ? request(BitOperation::Modulo, digit) : BitRequest{};
    if (shift) return digit <= 8 ? request(BitOperation::Shift, digit) : BitRequest{};
    if (alt) {
        if (digit == 0) return request(BitOperation::SubtractBlack, 0, true);
        return digit <= 8 ? request(BitOperation::Keep, digit) : BitRequest{};
    }
    if (digit == 0) return request(BitOperation::DropOnly, 0, true);
    return digit <= 8 ? request(BitOperation::Erase, digit) : BitRequest{};
}

void dropBlackCorrections(ImageDescriptor& image) {
    image.blackDeltaH = {};
    image.blackDeltaV = {};
    image.blackLevelArray = {};
    image.columnWeighting = {};
    image.rowWeighting = {};
    image.blackLevelMinimum = image.blackLevelMaximum = image.blackLevelAverage = image.blackLevel;
    image.blackOffsetMinimum = image.blackOffsetMaximum = image.blackOffsetAverage = 0;
}

void applyBitManipulation(RawFileContext& file, ImageDescriptor& image, const BitRequest& r) {
    if (!r.runsPass()) return;
    const SampleRect area = image.activeRect();
    const BlackCorrections black{image, std::max<std::uint32_t>(image.cfaRepeatCols, 1),
                                 std::max<std::uint32_t>(image.cfaRepeatRows, 1)};
    const std::size_t pitch = image.imageWidth;
    if (image.samples.size() >= pitch * image.imageLength) {
        for (std::uint32_t y = 0; y < area.height; ++y) {
            std::uint16_t* row = image.samples.data() + (area.top + y) * pitch + area.left;
            for (std::uint32_t x = 0; x < area.width; ++x) {
                std::int32_t v =
                    row[x] - image.blackLevel - black.cfa(y, x) - black.columnAndRow(y, x);
                if (v < 1) v = 0;
                row[x] = static_cast<std::uint16_t>(applied(r.operation, r.digit, v));
            }
        }
    }
    moveLevels(file, image, r);
    dropBlackCorrections(image);
    image.blackLevel = 0;
    image.blackLevelMinimum = image.blackLevelMaximum = image.blackLevelAverage = 0;
    file.processingNote += noteText(r);
}

} // namespace korvane
