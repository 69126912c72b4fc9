#pragma once
#include <array>
#include <cstdint>
#include <string_view>

#include "common/Reporter.hpp"
#include "common/Status.hpp"
#include "decode/ByteSource.hpp"
#include "decode/SampleTarget.hpp"

namespace korvane {

// Sony's compressed raw data (ARW 2; compression 65538, which the camera table gives the
// files that say 32767 with 8 bits): one byte a sample. Each 32 samples of a row are two
// 16-byte blocks, the first for the even columns, the second for the odd ones. A block, a
// little-endian bit stream, holds its largest and smallest value (11 bits each), their
// positions (4 bits each) and fourteen 7-bit steps above the smallest, scaled up by the
// block's spread. An 11-bit value v becomes the sample curve[2v] / 2, where the curve rises by
// 1, 2, 4, 8 and 16 a step between the bounds that `pixelValueRange` (the four values of the
// image's tag 28688) gives in quarters.
//
// Checked before any byte is read, each MessageId::DecompressionError: byteCount must
// be width x rows ("Sony CRaw invalid strip/tile data length"), the width a multiple of 32
// ("Sony CRaw strip/tile width not a multiple of 32"), every range above 3 ("Sony CRaw tag
// 28688 missing or incorrect"). A source that ends early gives MessageId::ProcessingFailed with
// `path`. The loader's dithering request has nothing to act on in this coding and is not taken.
[[nodiscard]] Status DecodeSonyCraw(ByteSource& source, std::uint32_t byteCount,
                                    const SampleTarget& target,
                                    const std::array<std::uint16_t, 4>& pixelValueRange,
                                    Reporter& reporter, std::string_view path);

} // namespace korvane
