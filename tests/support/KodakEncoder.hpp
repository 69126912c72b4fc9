#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace korvane::test {

struct KodakOptions {
    // The code length given to the lengths that only round a chunk's count up to four (their
    // differences are 0); a decoder must still read their bits.
    std::uint8_t padLength = 0;
    // The chunk (counted over the whole strip, row by row) whose first length is written as
    // 13, a length of a coding the decoder does not read; the rest of the strip is not
    // written. SIZE_MAX: none.
    std::size_t unsupportedChunk = SIZE_MAX;
};

// Codes rows of samples, `width` a row, in Kodak's compression 65000: each row in chunks of
// up to 256 samples; a chunk is its 4-bit code lengths (two a byte, low half first, their
// count rounded up to four) and then the differences from the previous sample of the same
// parity in the chunk (the first from 0), each in as many bits as its magnitude needs, a
// negative d as d + 2^length - 1. The bits fill 16-bit words lowest first; the words are
// stored big-endian. A chunk whose length count leaves 4 over a multiple of 8 has one word
// taken ahead, and after it words are taken two at a time, so the chunk holds as many as
// that takes. Differences beyond +-4095 cannot be coded.
std::vector<std::uint8_t> encodeKodak(std::span<const std::uint16_t> samples, std::uint32_t width,
                                      const KodakOptions& options = {});

// A DCS Pro file as Kodak writes it: IFD0 the raw image (compression 65000, 12 bits, CFA
// photometric), with Make "Kodak", the model, and a Kodak maker note directory holding the
// LinearizationTable when one is given.
struct KodakDcrLayout {
    std::string model = "DCS Pro SLR/n";
    std::uint32_t width = 4516;
    std::uint32_t height = 3012;
    std::uint32_t rowsPerStrip = 0; // 0: one strip
    std::vector<std::uint16_t> linearisation;
    KodakOptions coding;
};
std::vector<std::uint8_t> kodakDcr(std::span<const std::uint16_t> samples,
                                   const KodakDcrLayout& layout);

} // namespace korvane::test
