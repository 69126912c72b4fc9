#pragma once
#include <algorithm>
#include <bit>
#include <cstdint>

#include "common/ByteOrder.hpp"
#include "decode/BitReader.hpp"

namespace korvane {

// The entropy-coded bits of a JPEG scan, first bit highest, with the byte stuffing of T.81:
// 0xFF 0x00 is a data byte 0xFF; 0xFF followed by anything else is a marker, before which the
// bits stop. Further 0xFF bytes before a marker are fill. Without stuffing (Hasselblad) every
// byte is data.
//
// Bits are held ahead in a 64-bit cache. Whatever stops the bits (a marker, the end of the
// strip, the end of the source) is only noted when the cache is filled; the decoder acts on
// it when it needs a bit that is not there, exactly as a reader taking one byte at a time.
class JpegBitReader {
public:
    enum class Stop : std::uint8_t {
        None,
        Marker,    // marker() tells which
        StripEnd,  // the strip's byte count is used up
        SourceEnd, // the source ended first
    };
    // After refill() at least this many bits are cached unless a stop comes sooner.
    static constexpr int kRefilled = 57;

    JpegBitReader(ByteInput& input, bool stuffing) : input_(input), stuffing_(stuffing) {}

    int count() const { return count_; }
    Stop stop() const { return stop_; }
    std::uint8_t marker() const { return marker_; }
    ByteInput& input() { return input_; }

    // The next `n` bits (1 to 32, at most count()) as a number.
    std::uint32_t peek(int n) const { return static_cast<std::uint32_t>(cache_ >> (64 - n)); }
    void skip(int n) {
        cache_ <<= n;
        count_ -= n;
    }

    // The checked reads: where the bits stop before they have what is asked, they take
    // nothing, give 0 and leave the reader exhausted, which it stays.
    bool exhausted() const { return exhausted_; }
    // The next `n` bits (0 to 32) as a number.
    std::uint32_t take(int n) {
        if (n == 0) return 0;
        if (count_ < n) refill();
        if (count_ < n) {
            exhausted_ = true;
            return 0;
        }
        const std::uint32_t v = peek(n);
        skip(n);
        return v;
    }
    // The zero bits before the next one bit (1 to 32), which is taken with them; `limit` zeros
    // in a row are taken and counted as `limit` without a one.
    int zeros(int limit) {
        if (count_ < limit) refill();
        const int window = std::min(limit, count_);
        const std::uint32_t v = window == 0 ? 0 : peek(window);
        if (v == 0) {
            if (window < limit) {
                exhausted_ = true;
                return 0;
            }
            skip(limit);
            return limit;
        }
        const int zeros = window - std::bit_width(v);
        skip(zeros + 1);
        return zeros;
    }

    void refill() {
        while (count_ < kRefilled && stop_ == Stop::None) {
            if (!refillWord()) refillByte();
        }
    }

    // Once a marker has been dealt with, the bits go on after it.
    void resume() {
        stop_ = Stop::None;
        marker_ = 0;
    }

private:
    static bool hasFfByte(std::uint64_t word) {
        const std::uint64_t inverted = ~word; // a 0xFF byte becomes a zero byte
        return ((inverted - 0x0101010101010101ull) & ~inverted & 0x8080808080808080ull) != 0;
    }

    // Takes as many whole bytes as fit from eight buffered ones when none of them is 0xFF
    // (or stuffing is off); false when the byte-wise path must do it.
    bool refillWord() {
        if (input_.available() < 8) return false;
        std::uint64_t word = ByteOrder::big().load64(input_.data());
        const int take = (64 - count_) >> 3;
        if (take == 0) return false;
        word &= ~std::uint64_t{0} << (64 - 8 * take);
        if (stuffing_ && hasFfByte(word)) return false; // the bytes left out are 0 here
        if (!input_.advance(static_cast<std::uint32_t>(take))) return false;
        cache_ |= word >> count_;
        count_ += 8 * take;
        return true;
    }

    void refillByte() {
        std::uint8_t byte = 0;
        if (!input_.next(byte)) {
            stop_ = endStop();
            return;
        }
        if (byte == 0xFF && stuffing_) {
            std::uint8_t code = 0;
            do {
                if (!input_.next(code)) {
                    stop_ = endStop(); // a lone 0xFF at the very end is no data
                    return;
                }
            } while (code == 0xFF);
            if (code != 0x00) {
                stop_ = Stop::Marker;
                marker_ = code;
                return;
            }
        }
        cache_ |= std::uint64_t{byte} << (56 - count_);
        count_ += 8;
    }

    Stop endStop() const {
        return input_.end() == ByteInput::End::Source ? Stop::SourceEnd : Stop::StripEnd;
    }

    ByteInput& input_;
    bool stuffing_;
    std::uint64_t cache_ = 0;
    int count_ = 0;
    Stop stop_ = Stop::None;
    std::uint8_t marker_ = 0;
    bool exhausted_ = false;
};

} // namespace korvane
