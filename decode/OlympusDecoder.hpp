#pragma once
#include <cstdint>
#include <string_view>

#include "common/Reporter.hpp"
#include "common/Status.hpp"
#include "common/WorkerPool.hpp"
#include "decode/ByteSource.hpp"
#include "decode/SampleTarget.hpp"

namespace korvane {

// Olympus' compressed raw data (compression 65539, which the camera table gives the ORF
// files of the E-3 and later bodies): after a 7-byte header, a bit stream (highest bit
// first) of one code a sample. Each column parity of a row keeps its own adaptive state: the
// last magnitude, a running mean of the differences and a run count of small magnitudes, all
// 0 at the start of a row, which decide how many low bits a magnitude takes. The difference
// is added, times 4 with 2 low bits beside it, to a prediction from the samples two columns
// left, two rows up and both; the strip's first two rows see only the samples to their left.
// Rows are decoded over an even number of columns: an odd last column is left as it was.
//
// A strip without its header gives MessageId::ProcessingFailed with `path`; one whose bits end
// before its last sample gives MessageId::JpegDataError ("tile/strip data incomplete"), the samples
// before it stored. Strips of many rows are decoded on two threads of the shared pool: one takes
// the bits apart, the other adds the differences to the predictions.
[[nodiscard]] Status DecodeOlympus(ByteSource& source, std::uint32_t byteCount,
                                   const SampleTarget& target, Reporter& reporter,
                                   std::string_view path);
// The same on `pool`; WorkerPool::serial() decodes on the calling thread alone, with the same
// samples and messages.
[[nodiscard]] Status DecodeOlympus(ByteSource& source, std::uint32_t byteCount,
                                   const SampleTarget& target, Reporter& reporter,
                                   std::string_view path, WorkerPool& pool);

} // namespace korvane
