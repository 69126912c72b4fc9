#include "decode/KodakDecoder.hpp"

#include <algorithm>
#include <array>
#include <string>

#include "common/ByteOrder.hpp"
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
// A chunk codes at most 256 lengths of 12 bits: 384 bytes, and 2 more for the first word.
constexpr std::uint32_t kMaxDataBytes = (kChunkSize * kLongestCode + 7) / 8 + 2;

// The data is big-endian 16-bit words whose bits are taken from the lowest up; a 32-bit fill
// holds two of them, the first in its low half.
constexpr ByteOrder kWords = ByteOrder::big();

enum class ChunkEnd : std::uint8_t { Decoded, Unsupported, LengthsShort, DataShort };

// One chunk of `n` samples: its lengths, its data bytes, and the samples.
class Chunk {
public:
    ChunkEnd read(ByteInput& in, std::uint32_t n) {
        // One length for every sample, rounded up to a multiple of four.
        const std::uint32_t lengthCount = (n + 3) & ~3u;
        std::array<std::uint8_t, kChunkSize / 2> packed{};
        if (!in.read(packed.data(), lengthCount / 2)) return ChunkEnd::LengthsShort;
        std::uint32_t sum = 0;
        for (std::uint32_t i = 0; i < lengthCount; i += 2) {
            lengths_[i] = packed[i / 2] & 15;
            lengths_[i + 1] = packed[i / 2] >> 4;
            if (lengths_[i] > kLongestCode || lengths_[i + 1] > kLongestCode)
                return ChunkEnd::Unsupported;
            sum += lengths_[i] + lengths_[i + 1];
        }
        // The bits are read in 32-bit fills. Chunks whose n - 1 has bit 2 clear take a first
        // 16-bit word before them; the data bytes are what those fills use up.
        firstWord_ = ((n - 1) & 4) == 0;
        std::uint32_t count = 0;
        if (!firstWord_) {
            count = ((sum + 7) / 8 + 3) & ~3u;
        } else {
            count = ((sum + 7) / 8 + 1) & ~1u;
            if ((count & 2) == 0) count += 2;
        }
        // The bits of the lengths end inside the count; a last fill may take up to four bytes
        // past it, whose bits are never used.
        if (in.available() >= count + 4) {
            data_ = in.view(count);
            return ChunkEnd::Decoded;
        }
        std::fill_n(copy_.begin() + count, 4, std::uint8_t{0});
        if (!in.read(copy_.data(), count)) return ChunkEnd::DataShort;
        data_ = copy_.data();
        return ChunkEnd::Decoded;
    }

    // The n samples, each the sum of its parity's differences so far.
    void decode(std::uint32_t n, std::array<std::int32_t, kChunkSize>& samples) const {
        std::uint64_t buffer = 0;
        std::uint32_t bits = 0, at = 0;
        if (firstWord_) {
            buffer = kWords.load16(data_);
            bits = 16;
            at = 2;
        }
        // The next difference, without a branch on its length (0 to 12 bits).
        const auto next = [&](std::uint32_t length) {
            if (bits < length) {
                // The fills cannot pass the bytes read: their count was made for all lengths.
                const std::uint64_t fill =
                    kWords.load16(data_ + at) | std::uint64_t{kWords.load16(data_ + at + 2)} << 16;
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
        std::int32_t even = 0, odd = 0;
        std::uint32_t i = 0;
        for (; i + 1 < n; i += 2) {
            samples[i] = even += next(lengths_[i]);
            samples[i + 1] = odd += next(lengths_[i + 1]);
        }
        if (i < n) samples[i] = even + next(lengths_[i]);
    }

private:
    std::array<std::uint8_t, kChunkSize> lengths_{};
    // The data bytes: in the input's buffer, or copied here where the buffer does not hold
    // them all, with room for the 4 of a fill at the very end.
    const std::uint8_t* data_ = nullptr;
    std::array<std::uint8_t, kMaxDataBytes + 4> copy_{};
    bool firstWord_ = false;
};

} // namespace

Status DecodeKodak(ByteSource& source, std::uint32_t byteCount, const SampleTarget& target,
                   Reporter& reporter, std::string_view path) {
    if (!target.valid()) return kOk;
    ByteInput in(source, byteCount);
    Chunk chunk;
    std::array<std::int32_t, kChunkSize> samples{};
    for (std::uint32_t r = 0; r < target.rows; ++r) {
        // Each strip's rows go below the rows of the strips before it.
        const std::uint64_t row = std::uint64_t{target.rowStart} + r;
        for (std::uint32_t column = 0; column < target.width; column += kChunkSize) {
            const std::uint32_t n = std::min(kChunkSize, target.width - column);
            switch (chunk.read(in, n)) {
            case ChunkEnd::Decoded:
                break;
            case ChunkEnd::Unsupported:
                reporter.ShowRawFileRequest(std::string(kKodakRawFileRequest));
                return kOk;
            case ChunkEnd::LengthsShort:
                reporter.ShowMessage(
                    MessageId::ProcessingFailed, std::string(path),
                    "end of file occured\nwhile reading Kodak compressed length info");
                return kFailed;
            case ChunkEnd::DataShort:
                reporter.ShowMessage(MessageId::ProcessingFailed, std::string(path),
                                     "end of file occured\nwhile reading Kodak compressed data");
                return kFailed;
            }
            chunk.decode(n, samples);
            const std::uint64_t first = std::uint64_t{target.columnStart} + column;
            // A sum outside 16 bits is kept to its low 16, as a 16-bit sample holds it.
            if (row < target.imageHeight && first + n <= target.imageWidth) {
                std::uint16_t* out = target.samples.data() + row * target.imageWidth + first;
                for (std::uint32_t i = 0; i < n; ++i)
                    out[i] = static_cast<std::uint16_t>(samples[i]);
                continue;
            }
            for (std::uint32_t i = 0; i < n; ++i)
                target.put(row, first + i, static_cast<std::uint16_t>(samples[i]));
        }
    }
    return kOk;
}

} // namespace korvane
