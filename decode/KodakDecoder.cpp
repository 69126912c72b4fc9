#include "decode/KodakDecoder.hpp"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "common/ByteOrder.hpp"
#include "common/WorkerPool.hpp"
#include "decode/BitReader.hpp"

namespace korvane {

const std::string_view kKodakRawFileRequest =
    "This Kodak raw file uses a form of Kodak compressed data that Korvane does not fully "
    "support yet: the image is shown only as far as it could be decoded.\n\n"
    "Please report the file on the Korvane project's issue tracker, with the camera model "
    "and a way to obtain the raw file, so that it can be supported.";

namespace {

constexpr std::uint32_t kChunkSize = 256;
// Lengths above this belong to a coding that is not read here.
constexpr std::uint8_t kLongestCode = 12;

// The data is big-endian 16-bit words whose bits are taken from the lowest up; a 32-bit fill
// holds two of them, the first in its low half.
constexpr ByteOrder kWords = ByteOrder::big();

enum class ChunkEnd : std::uint8_t { Decoded, Unsupported, LengthsShort, DataShort };

// Where one chunk of a batch lies in the batch's lengths and data.
struct ChunkPlace {
    std::uint32_t lengths = 0; // of the batch's lengths
    std::uint32_t data = 0;    // of the batch's data bytes
    std::uint32_t row = 0;     // of the strip
    std::uint32_t column = 0;  // of the strip
    std::uint16_t n = 0;
    bool firstWord = false;
};

// The chunks of a band of rows, read one after another (each one's place in the stream
// follows from the lengths of the one before), then decoded on the pool a row at a time.
class Batch {
public:
    void clear() {
        places_.clear();
        lengths_.clear();
        data_.clear();
        rowStarts_.clear();
    }
    void beginRow() { rowStarts_.push_back(places_.size()); }

    // Reads the next chunk of `n` samples at (row, column) of the strip.
    ChunkEnd read(ByteInput& in, std::uint32_t n, std::uint32_t row, std::uint32_t column) {
        // One length for every sample, rounded up to a multiple of four.
        const std::uint32_t lengthCount = (n + 3) & ~3u;
        std::array<std::uint8_t, kChunkSize / 2> packed{};
        if (!in.read(packed.data(), lengthCount / 2)) return ChunkEnd::LengthsShort;
        ChunkPlace place;
        place.lengths = static_cast<std::uint32_t>(lengths_.size());
        place.row = row;
        place.column = column;
        place.n = static_cast<std::uint16_t>(n);
        lengths_.resize(lengths_.size() + lengthCount);
        std::uint8_t* lengths = lengths_.data() + place.lengths;
        std::uint32_t sum = 0;
        for (std::uint32_t i = 0; i < lengthCount; i += 2) {
            lengths[i] = packed[i / 2] & 15;
            lengths[i + 1] = packed[i / 2] >> 4;
            if (lengths[i] > kLongestCode || lengths[i + 1] > kLongestCode)
                return ChunkEnd::Unsupported;
            sum += lengths[i] + lengths[i + 1];
        }
        // The bits are read in 32-bit fills. Chunks whose n - 1 has bit 2 clear take a first
        // 16-bit word before them; the data bytes are what those fills use up.
        place.firstWord = ((n - 1) & 4) == 0;
        std::uint32_t count = 0;
        if (!place.firstWord) {
            count = ((sum + 7) / 8 + 3) & ~3u;
        } else {
            count = ((sum + 7) / 8 + 1) & ~1u;
            if ((count & 2) == 0) count += 2;
        }
        // The bits of the lengths end inside the count; a last fill may take up to four bytes
        // past it, whose bits are never used: they are held as zeros.
        place.data = static_cast<std::uint32_t>(data_.size());
        data_.resize(data_.size() + count + 4);
        if (!in.read(data_.data() + place.data, count)) return ChunkEnd::DataShort;
        std::fill_n(data_.begin() + place.data + count, 4, std::uint8_t{0});
        places_.push_back(place);
        return ChunkEnd::Decoded;
    }

    // Decodes the rows read so far, on `pool`, into the target.
    void decode(const SampleTarget& target, WorkerPool& pool) const {
        const std::size_t rows = rowStarts_.size();
        pool.run(rows, [&](std::size_t r) {
            const std::size_t from = rowStarts_[r];
            const std::size_t to = r + 1 < rows ? rowStarts_[r + 1] : places_.size();
            std::array<std::int32_t, kChunkSize> samples{};
            for (std::size_t k = from; k < to; ++k) {
                const ChunkPlace& place = places_[k];
                decodeChunk(place, samples);
                put(target, place, samples);
            }
        });
    }

private:
    // The n samples, each the sum of its parity's differences so far.
    void decodeChunk(const ChunkPlace& place, std::array<std::int32_t, kChunkSize>& samples) const {
        const std::uint8_t* data = data_.data() + place.data;
        const std::uint8_t* lengths = lengths_.data() + place.lengths;
        std::uint64_t buffer = 0;
        std::uint32_t bits = 0, at = 0;
        if (place.firstWord) {
            buffer = kWords.load16(data);
            bits = 16;
            at = 2;
        }
        // The next difference, without a branch on its length (0 to 12 bits).
        const auto next = [&](std::uint32_t length) {
            if (bits < length) {
                // The fills cannot pass the bytes read: their count was made for all lengths.
                const std::uint64_t fill =
                    kWords.load16(data + at) | std::uint64_t{kWords.load16(data + at + 2)} << 16;
                buffer |= fill << bits;
                bits += 32;
                at += 4;
            }
            const std::uint32_t mask = (1u << length) - 1;
            const auto v = static_cast<std::int32_t>(buffer & mask);
            buffer >>= length;
            bits -= length;
            // A leading 0 bit makes the value negative: v - (2^length - 1).
            return v < static_cast<std::int32_t>(mask + 1) >> 1
                       ? v - static_cast<std::int32_t>(mask)
                       : v;
        };
        const std::uint32_t n = place.n;
        std::int32_t even = 0, odd = 0;
        std::uint32_t i = 0;
        for (; i + 1 < n; i += 2) {
            samples[i] = even += next(lengths[i]);
            samples[i + 1] = odd += next(lengths[i + 1]);
        }
        if (i < n) samples[i] = even + next(lengths[i]);
    }

    static void put(const SampleTarget& target, const ChunkPlace& place,
                    const std::array<std::int32_t, kChunkSize>& samples) {
        // Each strip's rows go below the rows of the strips before it.
        const std::uint64_t row = std::uint64_t{target.rowStart} + place.row;
        const std::uint64_t first = std::uint64_t{target.columnStart} + place.column;
        const std::uint32_t n = place.n;
        // A sum outside 16 bits is kept to its low 16, as a 16-bit sample holds it.
        if (row < target.imageHeight && first + n <= target.imageWidth) {
            std::uint16_t* out = target.samples.data() + row * target.imageWidth + first;
            for (std::uint32_t i = 0; i < n; ++i)
                out[i] = static_cast<std::uint16_t>(samples[i]);
            return;
        }
        for (std::uint32_t i = 0; i < n; ++i)
            target.put(row, first + i, static_cast<std::uint16_t>(samples[i]));
    }

    std::vector<ChunkPlace> places_;
    std::vector<std::uint8_t> lengths_;
    std::vector<std::uint8_t> data_;
    std::vector<std::size_t> rowStarts_; // the first chunk of each row
};

// Rows read before the pool decodes them: enough to share out, few enough to stay in cache.
constexpr std::uint32_t kBatchRows = 32;

} // namespace

Status DecodeKodak(ByteSource& source, std::uint32_t byteCount, const SampleTarget& target,
                   Reporter& reporter, std::string_view path) {
    return DecodeKodak(source, byteCount, target, reporter, path, WorkerPool::shared());
}

Status DecodeKodak(ByteSource& source, std::uint32_t byteCount, const SampleTarget& target,
                   Reporter& reporter, std::string_view path, WorkerPool& pool) {
    if (!target.valid()) return kOk;
    ByteInput in(source, byteCount);
    Batch batch;
    for (std::uint32_t firstRow = 0; firstRow < target.rows; firstRow += kBatchRows) {
        batch.clear();
        const std::uint32_t lastRow = std::min(target.rows, firstRow + kBatchRows);
        ChunkEnd end = ChunkEnd::Decoded;
        for (std::uint32_t r = firstRow; r < lastRow && end == ChunkEnd::Decoded; ++r) {
            batch.beginRow();
            for (std::uint32_t column = 0; column < target.width && end == ChunkEnd::Decoded;
                 column += kChunkSize)
                end = batch.read(in, std::min(kChunkSize, target.width - column), r, column);
        }
        // What was read before a chunk that could not be is decoded, as it would be one
        // chunk at a time.
        batch.decode(target, pool);
        switch (end) {
        case ChunkEnd::Decoded:
            break;
        case ChunkEnd::Unsupported:
            reporter.ShowRawFileRequest(std::string(kKodakRawFileRequest));
            return kOk;
        case ChunkEnd::LengthsShort:
            reporter.ShowMessage(MessageId::ProcessingFailed, std::string(path),
                                 "end of file occured\nwhile reading Kodak compressed length info");
            return kFailed;
        case ChunkEnd::DataShort:
            reporter.ShowMessage(MessageId::ProcessingFailed, std::string(path),
                                 "end of file occured\nwhile reading Kodak compressed data");
            return kFailed;
        }
    }
    return kOk;
}

} // namespace korvane
