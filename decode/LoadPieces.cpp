// Decoding the strips and tiles of an image one after the other or several at once, with the
// same samples and messages either way.
#include <algorithm>
#include <cstring>
#include <memory>

#include "common/RecordingReporter.hpp"
#include "decode/LoadImageDataInternal.hpp"

namespace korvane::loader {

namespace {

Status decodePiece(LoadJob& job, const Piece& piece, const PieceDecoder& decode,
                   Reporter& reporter) {
    FileRangeSource source(job.context, reporter, piece.offset, piece.byteCount, piece.quiet);
    if (failed(source.status())) return kFailed;
    return decode(piece, source, reporter);
}

// Puts back the zeros of the samples a piece may have written.
void clearPiece(const Piece& piece) {
    const SampleTarget& t = piece.target;
    const std::uint64_t height = t.samples.size() / std::max<std::uint64_t>(piece.pitch, 1);
    if (piece.pitch == 0 || t.rowStart >= height || piece.column >= piece.pitch) return;
    const std::uint64_t rows = std::min<std::uint64_t>(t.rows, height - t.rowStart);
    const std::uint64_t columns =
        std::min<std::uint64_t>(piece.columns, piece.pitch - piece.column);
    for (std::uint64_t r = 0; r < rows; ++r)
        std::fill_n(t.samples.data() + (t.rowStart + r) * piece.pitch + piece.column, columns,
                    std::uint16_t{0});
}

} // namespace

Status decodePieces(LoadJob& job, std::span<const Piece> pieces, const PieceDecoder& decode,
                    bool together) {
    if (!together || pieces.size() < 2 || job.pool.concurrency() < 2) {
        for (const Piece& piece : pieces)
            if (failed(decodePiece(job, piece, decode, job.reporter))) return kFailed;
        return kOk;
    }
    // Each piece keeps its messages; they are shown in piece order once all have ended, as far
    // as the first failure, which is where a decode one piece at a time would have stopped.
    const std::size_t count = pieces.size();
    std::vector<RecordingReporter> messages(count);
    std::vector<Status> statuses(count, kOk);
    // Every piece is decoded, also after a failure (a rare case, and no slower than a good
    // file); what the pieces after it wrote is cleared again below.
    job.pool.run(count, [&](std::size_t i) {
        statuses[i] = decodePiece(job, pieces[i], decode, messages[i]);
    });
    for (std::size_t i = 0; i < count; ++i) {
        messages[i].relayTo(job.reporter);
        if (failed(statuses[i])) {
            for (std::size_t later = i + 1; later < count; ++later)
                clearPiece(pieces[later]);
            return kFailed;
        }
    }
    return kOk;
}

} // namespace korvane::loader
