#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace korvane::test {

struct OlympusOptions {
    // The count of bytes of the coded stream to keep (the rest is cut off); SIZE_MAX keeps
    // all of it.
    std::size_t keepBytes = SIZE_MAX;
    // Code magnitudes below 12 x 2^nbits through the escape too (12 zeros and a 16 - nbits
    // bit field), which a decoder must read alike.
    bool escapeAlways = false;
};

// Codes rows of samples, `width` a row, in Olympus' compressed raw coding: a 7-byte header
// (zeros), then, highest bit first, for each sample of each row (over an even number of
// columns; an odd last column is not coded) a sign bit and 2 low bits, the magnitude's high
// part in unary (up to 11 zeros and a one; 12 zeros and 16 - nbits bits, doubled, above
// that), and its nbits low bits. Magnitude and sign code the difference of the residual
// (sample - prediction, less its 2 low bits, quartered) from the column parity's running
// mean; nbits follows from the parity's previous magnitude and its run of small ones.
std::vector<std::uint8_t> encodeOlympus(std::span<const std::uint16_t> samples, std::uint32_t width,
                                        const OlympusOptions& options = {});

// An ORF file as the E-3 writes it: the "IIRO" header, IFD0 the raw image with Make
// "OLYMPUS IMAGING CORP.  " and Model "E-3             ", 16 bits a sample, compression 1,
// one strip of the coded data.
struct OlympusOrfLayout {
    std::string model = "E-3             ";
    std::uint32_t width = 3720;
    std::uint32_t height = 2800;
    OlympusOptions coding;
};
std::vector<std::uint8_t> olympusOrf(std::span<const std::uint16_t> samples,
                                     const OlympusOrfLayout& layout);

} // namespace korvane::test
