#include "tests/support/PentaxEncoder.hpp"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "tests/support/TiffTags.hpp"

namespace korvane::test {

namespace {

constexpr std::uint16_t kPentaxCompressed = 65535;
constexpr std::uint16_t kMakerNoteTag = 37500;
constexpr std::uint16_t kCodeTableTag = 0x220;
constexpr std::uint16_t kUndefinedType = 7;

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v >> 16);
    put16(out, v & 0xFFFF);
}

// The stored table: a count from which the number of symbols follows (count + 12, modulo 16),
// 12 bytes, then for each number of difference bits its code left-aligned in 12 bits, then
// the code lengths.
std::vector<std::uint8_t> storedCodeTable() {
    const HuffmanCounts table = pentaxCodes();
    const std::size_t n = table.symbols.size();
    std::array<std::uint32_t, 16> code{};
    std::array<std::uint8_t, 16> length{};
    std::uint32_t next = 0;
    std::size_t index = 0;
    for (int l = 1; l <= 16; ++l, next <<= 1)
        for (int k = 0; k < table.counts[l - 1]; ++k, ++next) {
            code.at(table.symbols[index]) = next << (12 - l);
            length.at(table.symbols[index++]) = static_cast<std::uint8_t>(l);
        }
    std::vector<std::uint8_t> out;
    put16(out, static_cast<std::uint32_t>((n + 16 - 12) % 16));
    out.resize(out.size() + 12, 0);
    for (std::size_t s = 0; s < n; ++s)
        put16(out, code[s]);
    for (std::size_t s = 0; s < n; ++s)
        out.push_back(length[s]);
    return out;
}

// The maker note with its directory's out-of-line values after it, for a maker note that
// starts at file offset `at`.
std::vector<std::uint8_t> makerNote(std::uint32_t at) {
    const std::vector<std::uint8_t> table = storedCodeTable();
    std::vector<std::uint8_t> out{'A', 'O', 'C', 0, 'M', 'M'};
    put16(out, 1); // one entry
    put16(out, kCodeTableTag);
    put16(out, kUndefinedType);
    put32(out, static_cast<std::uint32_t>(table.size()));
    put32(out, at + static_cast<std::uint32_t>(out.size()) + 8); // after the next pointer
    put32(out, 0);
    out.insert(out.end(), table.begin(), table.end());
    return out;
}

std::vector<std::uint8_t> writePef(const PefLayout& layout, std::uint32_t noteAt) {
    TiffWriter w(layout.order);
    const BlockId strip = w.addBlock(layout.strip);
    Ifd exif;
    exif.addUndefined(kMakerNoteTag, makerNote(noteAt));
    Ifd first;
    first.addLong(tag::kNewSubFileType, 0)
        .addLong(tag::kImageWidth, layout.width)
        .addLong(tag::kImageLength, layout.height)
        .addShort(tag::kBitsPerSample, 12)
        .addShort(tag::kCompression, kPentaxCompressed)
        .addShort(tag::kPhotometricInterpretation, 32803)
        .addAscii(tag::kMake, layout.make)
        .addAscii(tag::kModel, layout.model)
        .addBlockOffsets(tag::kStripOffsets, {strip})
        .addShort(tag::kOrientation, 1)
        .addShort(tag::kSamplesPerPixel, 1)
        .addLong(tag::kRowsPerStrip, layout.height)
        .addLong(tag::kStripByteCounts, static_cast<std::uint32_t>(layout.strip.size()))
        .addShorts(tag::kCfaRepeatPatternDim, {2, 2})
        .addBytes(tag::kCfaPattern, {0, 1, 1, 2})
        .addSubIfds(tag::kExifIfd, {exif});
    w.addIfd(first);
    return w.write();
}

} // namespace

HuffmanCounts pentaxCodes() {
    return {{0, 2, 3, 1, 1, 1, 1, 1, 1, 2, 0, 0, 0, 0, 0, 0},
            {3, 4, 2, 5, 1, 6, 0, 7, 8, 9, 10, 11, 12}};
}

std::vector<std::uint8_t> encodePentax(std::span<const std::uint16_t> samples, std::uint32_t width,
                                       std::uint32_t rows) {
    return encodePairRows(samples, width, rows, pentaxCodes(), {});
}

std::vector<std::uint8_t> buildPef(const PefLayout& layout) {
    // The maker note's offsets count from the start of the file, so it is written once to
    // learn where it lands; its size, and so the layout, does not depend on that.
    const std::vector<std::uint8_t> draft = writePef(layout, 0);
    static constexpr std::array<std::uint8_t, 6> kSignature{'A', 'O', 'C', 0, 'M', 'M'};
    const auto found =
        std::search(draft.begin(), draft.end(), kSignature.begin(), kSignature.end());
    if (found == draft.end()) throw std::logic_error("the maker note is missing");
    const auto at = static_cast<std::uint32_t>(found - draft.begin());
    std::vector<std::uint8_t> file = writePef(layout, at);
    if (!std::equal(kSignature.begin(), kSignature.end(), file.begin() + at))
        throw std::logic_error("the maker note moved");
    return file;
}

} // namespace korvane::test
