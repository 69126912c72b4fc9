// The checked reads of a strip's bytes and of its bits, against a plain model: a vector of the
// bytes (or bits) the strip holds and a position in it.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "decode/BitReaderJpeg.hpp"
#include "decode/ByteSource.hpp"

namespace korvane {
namespace {

// A source that keeps its bytes to itself and gives at most `step` of them a call.
class TricklingSource final : public ByteSource {
public:
    TricklingSource(std::span<const std::uint8_t> bytes, std::uint32_t step)
        : bytes_(bytes), step_(step) {}
    std::uint32_t read(std::uint8_t* destination, std::uint32_t maximum) override {
        const auto n = static_cast<std::uint32_t>(
            std::min<std::size_t>({maximum, step_, bytes_.size() - position_}));
        std::copy_n(bytes_.begin() + position_, n, destination);
        position_ += n;
        return n;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::uint32_t step_;
    std::size_t position_ = 0;
};

std::vector<std::uint8_t> randomBytes(std::mt19937& random, std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::uint8_t& byte : bytes)
        byte = static_cast<std::uint8_t>(random());
    return bytes;
}

// Strips shorter and longer than their source, from lending and trickling sources, read by a
// random mix of next, advance, view, read and skip: each takes what the model says or, where
// the bytes are not there, fails as it says (advance and view taking nothing), and the end
// tells whether the strip or the source ran out.
TEST(ByteInput, EveryReadTakesTheModelsBytesOrFailsAtTheEnd) {
    std::mt19937 random(3);
    for (int round = 0; round < 300; ++round) {
        const std::vector<std::uint8_t> file = randomBytes(random, random() % 12000);
        const auto byteCount = static_cast<std::uint32_t>(random() % (file.size() + 200));
        const std::size_t size = std::min<std::size_t>(byteCount, file.size());
        MemoryByteSource lending(file);
        TricklingSource trickling(file, 1 + random() % 5000);
        ByteInput in(round % 2 == 0 ? static_cast<ByteSource&>(lending) : trickling, byteCount);
        std::size_t at = 0;
        bool ended = false;
        while (!ended) {
            const std::uint32_t count = random() % 3000;
            std::vector<std::uint8_t> got(count);
            switch (random() % 5) {
            case 0: {
                std::uint8_t byte = 0;
                ended = !in.next(byte);
                ASSERT_EQ(ended, at == size);
                if (!ended) {
                    EXPECT_EQ(byte, file[at++]);
                }
                break;
            }
            case 1: {
                const std::uint32_t buffered = in.available();
                ASSERT_LE(at + buffered, size);
                const std::uint32_t step = random() % (buffered + 3);
                ASSERT_EQ(in.advance(step), step <= buffered) << round;
                if (step <= buffered) at += step;
                ended = buffered == 0;
                break;
            }
            case 2: {
                const std::uint32_t buffered = in.available();
                const std::uint8_t* p = in.view(count);
                ASSERT_EQ(p != nullptr, count <= buffered);
                if (p != nullptr) {
                    EXPECT_TRUE(std::equal(p, p + count, file.begin() + at));
                    at += count;
                }
                ended = buffered == 0;
                break;
            }
            case 3:
                ended = !in.read(got.data(), count);
                ASSERT_EQ(ended, at + count > size) << round;
                if (!ended) {
                    EXPECT_TRUE(std::equal(got.begin(), got.end(), file.begin() + at));
                }
                at = std::min(at + count, size);
                break;
            default:
                ended = !in.skip(count);
                ASSERT_EQ(ended, at + count > size) << round;
                at = std::min(at + count, size);
                break;
            }
        }
        EXPECT_EQ(at, size);
        EXPECT_EQ(in.end(),
                  byteCount > file.size() ? ByteInput::End::Source : ByteInput::End::Strip)
            << round;
    }
}

// The checked bit reads of streams of every length up to 40 bytes: take and zeros give the
// model's bits while they are there; where they are not, they take nothing, give 0 and leave
// the reader exhausted for good (though shorter reads that fit still succeed).
TEST(JpegBitReader, CheckedReadsGiveTheModelsBitsOrExhaustTheReader) {
    std::mt19937 random(5);
    for (int round = 0; round < 3000; ++round) {
        // Sparse ones in some rounds, so that long runs of zeros come up.
        std::vector<std::uint8_t> bytes = randomBytes(random, random() % 41);
        if (round % 3 == 0)
            for (std::uint8_t& byte : bytes)
                byte &= static_cast<std::uint8_t>(random() & random() & random());
        std::vector<int> bits;
        for (const std::uint8_t byte : bytes)
            for (int i = 7; i >= 0; --i)
                bits.push_back((byte >> i) & 1);
        MemoryByteSource source(bytes);
        ByteInput input(source, static_cast<std::uint32_t>(bytes.size()));
        JpegBitReader reader(input, false);
        std::size_t at = 0;
        bool exhausted = false;
        for (int read = 0; read < 40; ++read) {
            const std::size_t left = bits.size() - at;
            if (random() % 2 == 0) {
                const int n = static_cast<int>(random() % 33);
                std::uint32_t expected = 0;
                if (static_cast<std::size_t>(n) <= left) {
                    for (int i = 0; i < n; ++i)
                        expected = expected << 1 | bits[at + i];
                    at += n;
                } else {
                    exhausted = true;
                }
                ASSERT_EQ(reader.take(n), expected) << round << " " << read;
            } else {
                const int limit = 1 + static_cast<int>(random() % 32);
                std::size_t zeros = 0;
                while (zeros < std::min<std::size_t>(limit, left) && bits[at + zeros] == 0)
                    ++zeros;
                int expected = 0;
                if (zeros < std::min<std::size_t>(limit, left)) { // a one ends them
                    expected = static_cast<int>(zeros);
                    at += zeros + 1;
                } else if (left >= static_cast<std::size_t>(limit)) {
                    expected = limit;
                    at += limit;
                } else {
                    exhausted = true;
                }
                ASSERT_EQ(reader.zeros(limit), expected) << round << " " << read;
            }
            ASSERT_EQ(reader.exhausted(), exhausted) << round << " " << read;
        }
    }
}

} // namespace
} // namespace korvane
