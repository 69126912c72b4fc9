#pragma once
#include <cstdint>
#include <string_view>

#include "common/Reporter.hpp"
#include "common/Status.hpp"
#include "decode/ByteSource.hpp"
#include "decode/SampleTarget.hpp"

namespace korvane {

// Decodes one strip of Pentax compressed raw data (compression 65535), `byteCount` bytes from
// `source`: Nikon's row coding with Pentax's code table, every row's first pair predicted
// from the first pair two rows up and the first two rows from 0.
//
// A strip whose byte count runs out shows MessageId::JpegDataError "tile/strip data incomplete" and
// succeeds with the rest of the strip as it was. Fails after MessageId::JpegDataError for a code
// not in the table, or MessageId::ProcessingFailed (with `path`) when the source ends before the
// byte count.
[[nodiscard]] Status DecodePentax(ByteSource& source, std::uint32_t byteCount,
                                  const SampleTarget& target, Reporter& reporter,
                                  std::string_view path);

} // namespace korvane
