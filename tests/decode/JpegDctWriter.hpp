#pragma once
// A writer of sequential DCT frames (SOF1 or SOF0, one component) as a Blackmagic camera puts
// them in lossless JPEG tiles, for the decoder's tests and the fuzz target's seeds: DQT, a DC
// and an AC table whose codes all have one length each, the frame and scan headers, and the
// blocks' Huffman codes.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace korvane::test {

inline constexpr std::array<std::uint8_t, 64> kZigzag = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// Quantised coefficients of one block in zigzag order.
using Block = std::array<std::int32_t, 64>;

struct DctStream {
    std::uint16_t samplesPerLine = 48;
    std::uint16_t lines = 10;
    std::vector<Block> blocks; // block rows top to bottom, each left to right
    std::array<std::uint16_t, 64> quant{};
    // DC table: 30 codes of 5 bits, the categories 0 to 15 and then 15 again (as the camera
    // pads its table); AC table: end of block, sixteen zeros, and runs 0..15 of sizes 1..6,
    // 98 codes of 7 bits.
    std::vector<std::uint8_t> dcValues;
    std::vector<std::uint8_t> acValues;
    std::uint8_t dcLengthIndex = 4; // codes of 5 bits
    std::uint8_t acLengthIndex = 6; // codes of 7 bits
    std::uint8_t sof = 0xC1;
    std::uint8_t precision = 12;
    // When set, the first block's AC part is these codes (each with a 1 for its bit of
    // value, if it has one) instead of its coefficients.
    std::vector<std::uint8_t> firstBlockAc;
};

inline DctStream standardStream() {
    DctStream s;
    for (int v = 0; v < 16; ++v)
        s.dcValues.push_back(static_cast<std::uint8_t>(v));
    s.dcValues.resize(30, 15);
    s.acValues = {0x00, 0xF0};
    for (int run = 0; run < 16; ++run)
        for (int size = 1; size <= 6; ++size)
            s.acValues.push_back(static_cast<std::uint8_t>(run << 4 | size));
    for (int k = 0; k < 64; ++k)
        s.quant[k] = static_cast<std::uint16_t>(k == 0 ? 3 : 1 + (k * 7) % 23);
    return s;
}

class BitWriter {
public:
    void put(std::uint32_t bits, int count) {
        for (int i = count - 1; i >= 0; --i) {
            current_ = static_cast<std::uint8_t>(current_ << 1 | ((bits >> i) & 1));
            if (++filled_ == 8) flush();
        }
    }
    std::vector<std::uint8_t> finish() {
        while (filled_ != 0)
            put(1, 1);
        return out_;
    }

private:
    void flush() {
        out_.push_back(current_);
        if (current_ == 0xFF) out_.push_back(0x00);
        current_ = 0;
        filled_ = 0;
    }
    std::vector<std::uint8_t> out_;
    std::uint8_t current_ = 0;
    int filled_ = 0;
};

inline int category(std::int32_t v) {
    int size = 0;
    for (std::uint32_t m = static_cast<std::uint32_t>(std::abs(v)); m != 0; m >>= 1)
        ++size;
    return size;
}

// A table whose codes all have one length: the value's index is its code.
inline void putCoded(BitWriter& w, const std::vector<std::uint8_t>& values, int lengthIndex,
                     std::uint8_t value) {
    const auto at = std::find(values.begin(), values.end(), value);
    if (at == values.end()) throw std::invalid_argument("no code for the value");
    w.put(static_cast<std::uint32_t>(at - values.begin()), lengthIndex + 1);
}

inline void putValue(BitWriter& w, std::int32_t v, int size) {
    if (size > 0) w.put(static_cast<std::uint32_t>(v >= 0 ? v : v + (1 << size) - 1), size);
}

inline void segment(std::vector<std::uint8_t>& out, std::uint8_t code,
                    const std::vector<std::uint8_t>& payload) {
    const std::size_t length = payload.size() + 2;
    out.insert(out.end(), {0xFF, code, static_cast<std::uint8_t>(length >> 8),
                           static_cast<std::uint8_t>(length)});
    out.insert(out.end(), payload.begin(), payload.end());
}

inline std::vector<std::uint8_t>
tableDefinition(std::uint8_t classId, const std::vector<std::uint8_t>& values, int lengthIndex) {
    std::vector<std::uint8_t> p;
    p.reserve(1 + 16 + values.size());
    p.push_back(classId);
    std::array<std::uint8_t, 16> counts{};
    counts[lengthIndex] = static_cast<std::uint8_t>(values.size());
    p.insert(p.end(), counts.begin(), counts.end());
    p.insert(p.end(), values.begin(), values.end());
    return p;
}

inline std::vector<std::uint8_t> encode(const DctStream& s) {
    std::vector<std::uint8_t> out{0xFF, 0xD8};
    std::vector<std::uint8_t> dqt{0x10};
    for (const std::uint16_t q : s.quant)
        dqt.insert(dqt.end(), {static_cast<std::uint8_t>(q >> 8), static_cast<std::uint8_t>(q)});
    segment(out, 0xDB, dqt);
    segment(out, 0xC4, tableDefinition(0x00, s.dcValues, s.dcLengthIndex));
    segment(out, 0xC4, tableDefinition(0x10, s.acValues, s.acLengthIndex));
    segment(out, s.sof,
            {s.precision, static_cast<std::uint8_t>(s.lines >> 8),
             static_cast<std::uint8_t>(s.lines), static_cast<std::uint8_t>(s.samplesPerLine >> 8),
             static_cast<std::uint8_t>(s.samplesPerLine), 1, 1, 0x11, 0});
    segment(out, 0xDA, {1, 1, 0x00, 0, 63, 0});
    BitWriter w;
    std::int32_t previousDc = 0;
    for (const Block& b : s.blocks) {
        const std::int32_t diff = b[0] - previousDc;
        previousDc = b[0];
        putCoded(w, s.dcValues, s.dcLengthIndex, static_cast<std::uint8_t>(category(diff)));
        putValue(w, diff, category(diff));
        if (&b == &s.blocks.front() && !s.firstBlockAc.empty()) {
            for (const std::uint8_t code : s.firstBlockAc) {
                putCoded(w, s.acValues, s.acLengthIndex, code);
                if ((code & 0x0F) != 0) w.put(1, code & 0x0F);
            }
            continue;
        }
        int run = 0;
        for (int k = 1; k < 64; ++k) {
            if (b[k] == 0) {
                ++run;
                continue;
            }
            for (; run >= 16; run -= 16)
                putCoded(w, s.acValues, s.acLengthIndex, 0xF0);
            const int size = category(b[k]);
            putCoded(w, s.acValues, s.acLengthIndex, static_cast<std::uint8_t>(run << 4 | size));
            putValue(w, b[k], size);
            run = 0;
        }
        if (run > 0) putCoded(w, s.acValues, s.acLengthIndex, 0x00);
    }
    const auto data = w.finish();
    out.insert(out.end(), data.begin(), data.end());
    out.insert(out.end(), {0xFF, 0xD9});
    return out;
}

// Blocks with a wandering DC level, a few large coefficients and long zero runs.
inline std::vector<Block> randomBlocks(std::size_t count, std::uint64_t variant) {
    std::vector<Block> blocks(count);
    std::uint64_t state = variant * 0x9E3779B97F4A7C15ull + 7;
    auto next = [&] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    };
    std::int32_t dc = 0;
    for (Block& b : blocks) {
        b.fill(0);
        // The steps reach DC category 15; the levels, at quantisation 3, both ends of 12 bits.
        dc = std::clamp<std::int32_t>(dc + static_cast<std::int32_t>(next() % 6001) - 3000, -16000,
                                      16000);
        b[0] = dc;
        for (int n = static_cast<int>(next() % 9); n > 0; --n)
            b[1 + next() % 63] = static_cast<std::int32_t>(next() % 81) - 40;
    }
    return blocks;
}

} // namespace korvane::test
