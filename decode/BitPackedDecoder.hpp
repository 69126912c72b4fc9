#pragma once
#include <cstdint>
#include <string_view>

#include "common/Reporter.hpp"
#include "common/Status.hpp"
#include "decode/ByteSource.hpp"
#include "decode/SampleTarget.hpp"

namespace korvane {

// Bytes a row of `width` samples of `bits` bits takes when every row starts on a byte.
constexpr std::uint64_t bitPackedRowBytes(std::uint64_t width, std::uint32_t bits) {
    return (width * bits + 7) / 8;
}

// The sample sizes packed data of DNG files comes in: 16-bit and 8-bit data are whole bytes.
constexpr bool bitPackedSampleSize(std::uint32_t bits) {
    return bits == 10 || bits == 12 || bits == 14;
}

// Uncompressed samples of `bits` bits (10, 12 or 14) packed without gaps, most significant
// bit first, each row of target.width samples starting on a byte, as DNG stores samples of
// those sizes. The byte count must be the rows' packed size exactly: otherwise
// MessageId::InconsistentSpecification with "strip count"; data ending early gives
// MessageId::ProcessingFailed "file shorter than expected".
[[nodiscard]] Status DecodeBitPacked(ByteSource& source, std::uint32_t byteCount,
                                     const SampleTarget& target, std::uint32_t bits,
                                     Reporter& reporter, std::string_view path);

} // namespace korvane
