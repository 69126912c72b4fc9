#pragma once
#include <cstdint>
#include <string_view>

#include "common/Reporter.hpp"
#include "common/Status.hpp"
#include "common/WorkerPool.hpp"
#include "decode/ByteSource.hpp"
#include "decode/SampleTarget.hpp"

namespace korvane {

// Kodak's compression 65000 (DCS Pro): each row in chunks of up to 256 samples, a chunk being
// a block of 4-bit code lengths (two a byte, low half first, one for every sample rounded up
// to four) and then the differences, each of its length, from the last sample of the same
// column parity in the chunk, which starts from 0. The difference bits are taken lowest first
// from the bytes in pairs, each pair a big-endian 16-bit word.
//
// A length above 12 is a variant of the coding this decoder does not read: it asks the user,
// through Reporter::ShowRawFileRequest, to report the file, and returns success with the
// samples decoded before it. A source that ends early gives MessageId::ProcessingFailed with
// `path`.
[[nodiscard]] Status DecodeKodak(ByteSource& source, std::uint32_t byteCount,
                                 const SampleTarget& target, Reporter& reporter,
                                 std::string_view path);
// The same with the chunks of each band of rows decoded on `pool` (read in order first): the
// samples, messages and status do not depend on the pool.
[[nodiscard]] Status DecodeKodak(ByteSource& source, std::uint32_t byteCount,
                                 const SampleTarget& target, Reporter& reporter,
                                 std::string_view path, WorkerPool& pool);

// The text of the request for a file with lengths above 12.
extern const std::string_view kKodakRawFileRequest;

} // namespace korvane
