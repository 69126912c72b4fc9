#include "decode/OlympusDecoder.hpp"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "decode/BitReaderJpeg.hpp"

namespace korvane {

namespace {

constexpr std::uint32_t kHeaderBytes = 7;
// The unary part of a magnitude ends at 12 zeros, which announce an escape.
constexpr int kEscape = 12;
// The escape's bits and the low bits together make 16.
constexpr int kEscapeBits = 16;
// Magnitudes below this count as small for the run count.
constexpr std::int32_t kSmallMagnitude = 17;
// Neighbours closer than this to the corner are averaged rather than extrapolated.
constexpr std::int32_t kFlatness = 32;

// The adaptive state of one column parity.
struct CodingState {
    std::int32_t magnitude = 0; // the last magnitude, a0
    std::int32_t mean = 0;      // running mean of the differences, a1
    std::int32_t smallRun = 0;  // magnitudes below 17 in a row, a2
};

// The bits one difference takes at most: 3, 12 zeros of an escape, and 16.
constexpr int kBitsPerResidual = 31;

// The next difference of the column whose state is `s`, with the 2 low bits that go beside
// it: the sample is the prediction + 4 x difference + low.
std::int32_t nextResidual(JpegBitReader& reader, CodingState& s) {
    const int extra = s.smallRun < 3 ? 2 : 0;
    // The magnitude counts with its low 16 bits, as the coding keeps it; the full value could
    // push nbits past 16 and ask the escape for a negative number of bits. nbits is the least
    // from 2 + extra on that leaves nothing of it above nbits + extra bits.
    const int nbits = std::max(
        2 + extra,
        static_cast<int>(std::bit_width(static_cast<std::uint32_t>(s.magnitude & 0xffff))) - extra);
    std::int32_t low = 0, sign = 0, high = 0, rest = 0;
    if (reader.count() < kBitsPerResidual) reader.refill();
    if (reader.count() >= kBitsPerResidual) {
        // Every bit is there: no check on the way.
        const std::uint32_t head = reader.peek(3);
        reader.skip(3);
        low = static_cast<std::int32_t>(head & 3);
        sign = (head & 4) != 0 ? -1 : 0;
        const std::uint32_t window = reader.peek(kEscape);
        if (window == 0) {
            reader.skip(kEscape);
            const int escapeBits = kEscapeBits - nbits;
            high = escapeBits == 0 ? 0 : static_cast<std::int32_t>(reader.peek(escapeBits) >> 1);
            if (escapeBits != 0) reader.skip(escapeBits);
        } else {
            high = kEscape - static_cast<int>(std::bit_width(window));
            reader.skip(high + 1);
        }
        rest = static_cast<std::int32_t>(reader.peek(nbits));
        reader.skip(nbits);
    } else {
        // Near the end: each read checked, the unary part ending at 12 zeros.
        const std::uint32_t head = reader.take(3);
        low = static_cast<std::int32_t>(head & 3);
        sign = (head & 4) != 0 ? -1 : 0;
        high = reader.zeros(kEscape);
        if (high == kEscape)
            high = static_cast<std::int32_t>(reader.take(kEscapeBits - nbits) >> 1);
        rest = static_cast<std::int32_t>(reader.take(nbits));
    }
    s.magnitude = high << nbits | rest;
    const std::int32_t difference = (s.magnitude ^ sign) + s.mean;
    s.mean = (3 * difference + s.mean) >> 5;
    s.smallRun = s.magnitude < kSmallMagnitude ? s.smallRun + 1 : 0;
    return 4 * difference + low;
}

// The prediction of a sample from its neighbours two columns left (w), two rows up (n) and
// both (nw). Without branches (the data decide, and no branch predictor guesses them): the
// corner between its neighbours averages or extrapolates, else the closer neighbour is taken.
std::int32_t predict(std::int32_t w, std::int32_t n, std::int32_t nw) {
    const bool between = ((w < nw) & (nw < n)) | ((n < nw) & (nw < w));
    const bool flat = (std::abs(w - nw) <= kFlatness) & (std::abs(n - nw) <= kFlatness);
    const std::int32_t inside = flat ? (w + n) / 2 : w + n - nw;
    const std::int32_t closer = std::abs(n - nw) < std::abs(w - nw) ? w : n;
    return between ? inside : closer;
}

// Decodes the differences of one row of `columns` samples into `residuals`, modulo 2^16 as
// the samples keep them; the number of them before the bits ended (`columns` when none did).
std::uint32_t decodeRow(JpegBitReader& reader, std::uint32_t columns, std::uint16_t* residuals) {
    std::array<CodingState, 2> states{};
    for (std::uint32_t c = 0; c < columns; ++c) {
        residuals[c] = static_cast<std::uint16_t>(nextResidual(reader, states[c & 1]));
        if (reader.exhausted()) return c;
    }
    return columns;
}

// Stores the first `count` samples of row `r` of the strip from their differences.
void predictRow(const SampleTarget& target, std::uint32_t r, const std::uint16_t* residuals,
                std::uint32_t count) {
    const std::uint64_t row = std::uint64_t{target.rowStart} + r;
    // The row's samples inside the image: the neighbours of each lie in the image too, in
    // rows and columns of this strip stored before it.
    if (row >= target.imageHeight || target.columnStart >= target.imageWidth) return;
    const std::uint32_t stored = std::min(count, target.imageWidth - target.columnStart);
    std::uint16_t* out = target.samples.data() + row * target.imageWidth + target.columnStart;
    const std::uint16_t* up = r >= 2 ? out - 2 * std::size_t{target.imageWidth} : nullptr;
    for (std::uint32_t c = 0; c < stored; ++c) {
        std::int32_t prediction = 0;
        if (up == nullptr)
            prediction = c < 2 ? 0 : out[c - 2];
        else if (c < 2)
            prediction = up[c];
        else
            prediction = predict(out[c - 2], up[c], up[c - 2]);
        out[c] = static_cast<std::uint16_t>(prediction + residuals[c]);
    }
}

// Rows of differences held between the two stages of a strip decoded on two threads: enough
// that the decoding seldom waits when the other thread is held up for a while.
constexpr std::uint32_t kRingRows = 128;
// Rows predicted at a time by one thread, so that a thread held up there keeps the other
// waiting for little.
constexpr std::uint32_t kPredictedAtOnce = 4;
// Strips of fewer rows are decoded on one thread.
constexpr std::uint32_t kPipelineRows = 2 * kRingRows;
// The predicting thread is woken once this many rows are decoded, not at every row: a wake
// costs the system more than predicting a row does.
constexpr std::uint32_t kRowsPerWake = 8;

// A strip decoded in two stages at once: one thread takes the bits apart into differences
// (which never depend on the samples), the other adds them to the predictions, row after row,
// through a ring of kRingRows rows. The rows are predicted in order by whichever thread holds
// `predicting`: the decoding thread predicts too when the ring is full, so that the strip
// also completes on one thread. The outcome is that of a decode on one thread.
class TwoStageDecode {
public:
    TwoStageDecode(JpegBitReader& reader, const SampleTarget& target, std::uint32_t columns)
        : reader_(reader), target_(target), columns_(columns),
          ring_(std::size_t{kRingRows} * columns) {}

    // True when every row decoded; false when the bits ended first.
    bool run(WorkerPool& pool) {
        pool.run(2, [&](std::size_t stage) { stage == 0 ? decodeAll() : predictAll(); });
        return !ended_;
    }

private:
    std::uint16_t* slot(std::uint32_t r) {
        return ring_.data() + std::size_t{r % kRingRows} * columns_;
    }

    void decodeAll() {
        for (std::uint32_t r = 0; r < target_.rows; ++r) {
            // A full ring: the rows wait for their predictions, here or on the other thread.
            for (std::uint32_t p = predicted_.load(); r - p >= kRingRows; p = predicted_.load())
                if (!predictSome()) predicted_.wait(p);
            const std::uint32_t count = decodeRow(reader_, columns_, slot(r));
            if (count < columns_) {
                ended_ = true;
                endColumn_ = count;
                state_.store(kFinished | r);
                state_.notify_all();
                return;
            }
            state_.store(r + 1);
            if ((r + 1) % kRowsPerWake == 0) state_.notify_all();
        }
        state_.store(kFinished | target_.rows);
        state_.notify_all();
    }

    void predictAll() {
        for (std::uint64_t s = state_.load();; s = state_.load()) {
            if (predicted_.load() == (s & kRowMask) && (s & kFinished) != 0) break;
            if (!predictSome()) state_.wait(s);
        }
        // The row the bits ended in keeps the samples before the end (its differences were
        // not overwritten: the decoding stopped there).
        std::lock_guard lock(predicting_);
        if (ended_ && !partialDone_) {
            predictRow(target_, predicted_.load(), slot(predicted_.load()), endColumn_);
            partialDone_ = true;
        }
    }

    // Predicts the rows decoded and not yet predicted, unless the other thread is at it;
    // false when there was nothing to do here.
    bool predictSome() {
        std::unique_lock lock(predicting_, std::try_to_lock);
        if (!lock.owns_lock()) return false;
        const std::uint32_t decoded = static_cast<std::uint32_t>(state_.load() & kRowMask);
        std::uint32_t r = predicted_.load();
        if (r >= decoded) return false;
        for (const std::uint32_t end = std::min(decoded, r + kPredictedAtOnce); r < end; ++r) {
            predictRow(target_, r, slot(r), columns_);
            predicted_.store(r + 1);
            predicted_.notify_all();
        }
        return true;
    }

    static constexpr std::uint64_t kFinished = std::uint64_t{1} << 32;
    static constexpr std::uint64_t kRowMask = kFinished - 1;

    JpegBitReader& reader_;
    const SampleTarget& target_;
    const std::uint32_t columns_;
    std::vector<std::uint16_t> ring_;
    // Rows decoded, with kFinished once the decoding stage has ended.
    std::atomic<std::uint64_t> state_{0};
    std::atomic<std::uint32_t> predicted_{0};
    std::mutex predicting_;
    // Where the bits ended; written before the state that says so.
    bool ended_ = false;
    std::uint32_t endColumn_ = 0;
    bool partialDone_ = false;
};

} // namespace

Status DecodeOlympus(ByteSource& source, std::uint32_t byteCount, const SampleTarget& target,
                     Reporter& reporter, std::string_view path) {
    return DecodeOlympus(source, byteCount, target, reporter, path, WorkerPool::shared());
}

Status DecodeOlympus(ByteSource& source, std::uint32_t byteCount, const SampleTarget& target,
                     Reporter& reporter, std::string_view path, WorkerPool& pool) {
    ByteInput in(source, byteCount);
    if (!in.skip(kHeaderBytes)) {
        reporter.ShowMessage(MessageId::ProcessingFailed, std::string(path),
                             "end of file occured\nwhile reading compressed scan data");
        return kFailed;
    }
    if (!target.valid()) return kOk;
    JpegBitReader reader(in, false);
    const std::uint32_t columns = target.width & ~1u;
    bool complete = true;
    if (pool.concurrency() >= 2 && target.rows >= kPipelineRows && columns > 0) {
        TwoStageDecode decode(reader, target, columns);
        complete = decode.run(pool);
    } else {
        std::vector<std::uint16_t> residuals(columns);
        for (std::uint32_t r = 0; r < target.rows && complete; ++r) {
            const std::uint32_t count = decodeRow(reader, columns, residuals.data());
            predictRow(target, r, residuals.data(), count);
            complete = count == columns;
        }
    }
    if (!complete) {
        reporter.ShowMessage(MessageId::JpegDataError, "tile/strip data incomplete");
        return kFailed;
    }
    return kOk;
}

} // namespace korvane
