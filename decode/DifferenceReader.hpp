#pragma once
#include <cstdint>

#include "decode/BitReaderJpeg.hpp"
#include "decode/DifferenceLookup.hpp"
#include "decode/HuffmanTable.hpp"

namespace korvane {

// The Huffman-coded differences that lossless JPEG and the vendor codings of its kind (Nikon,
// Pentax) share: a category code of 1 to 16 bits, then as many extra bits as the category
// (none for 16), which T.81 EXTEND makes the difference.
//
// Where the bits of the longest difference are cached, a difference is taken whole from the
// look-up or its code matched in the table; nearer a stop of the bits it is read a bit at a
// time, and the caller's `onStop(bool markerAllowed)` deals with each stop: it returns true
// when the bits go on after it (a marker it has dealt with; the code starts again), false
// when the difference cannot be read, having noted why. A marker is allowed only before the
// first code bit of a difference that starts an MCU, after nothing but one-bits (those that
// fill the byte before it).
class DifferenceReader {
public:
    enum class Read : std::uint8_t {
        Difference,
        Stopped,  // onStop said the bits do not go on
        LongCode, // 17 one-bits: a code longer than 16 bits (only told when asked for)
        BadCode,  // no code of the table
    };

    // `tellLongCodes`: past 16 bits of no code, a 17th bit is read to tell a long code (all
    // ones) from a code the table lacks; otherwise 16 such bits are a bad code at once.
    DifferenceReader(const HuffmanTable& table, bool tellLongCodes)
        : table_(&table), tellLongCodes_(tellLongCodes) {
        lookup_.build(table);
    }

    // The next difference, modulo 2^16. `mcuStart`: the difference is the first of an MCU.
    template <typename OnStop>
    inline Read next(JpegBitReader& bits, std::uint32_t& difference, bool mcuStart,
                     OnStop&& onStop) const {
        if (bits.count() < kBitsPerDifference) {
            bits.refill();
            if (bits.count() < kBitsPerDifference)
                return slowDifference(bits, difference, mcuStart, onStop);
        }
        if (lookup_.take(bits, difference)) return Read::Difference;
        int length = 0;
        const int symbol = table_->match(bits.peek(HuffmanTable::kMaxCodeLength), length);
        if (symbol < 0)
            return fault(bits.peek(HuffmanTable::kMaxCodeLength + 1) == HuffmanTable::kLongCode);
        bits.skip(length);
        std::uint32_t extra = 0;
        if (symbol != 0 && symbol != 16) {
            extra = bits.peek(symbol);
            bits.skip(symbol);
        }
        difference = extendDifference(symbol, extra);
        return Read::Difference;
    }

private:
    // A code and its extra bits take at most 16 + 15 bits; category 16 has no extra bits.
    static constexpr int kBitsPerDifference = 31;

    Read fault(bool allOnes) const {
        return tellLongCodes_ && allOnes ? Read::LongCode : Read::BadCode;
    }

    // Makes one bit available, through the stops on the way; `restarted` tells that the bits
    // went on after one.
    template <typename OnStop>
    static bool needBit(JpegBitReader& bits, bool markerAllowed, bool mcuStart, bool& restarted,
                        OnStop& onStop) {
        restarted = false;
        while (bits.count() == 0) {
            bits.refill();
            if (bits.count() > 0) break;
            if (!onStop(markerAllowed)) return false;
            restarted = true;
            markerAllowed = mcuStart; // the code starts again after the marker
        }
        return true;
    }

    // One difference a bit at a time, where fewer bits are cached than the longest needs. Kept
    // out of the callers' loops, which it would only crowd: it runs near stops alone.
    template <typename OnStop>
    [[gnu::noinline]] Read slowDifference(JpegBitReader& bits, std::uint32_t& difference,
                                          bool mcuStart, OnStop& onStop) const {
        std::uint32_t code = 0;
        int length = 0;
        int symbol = -1;
        bool restarted = false;
        while (symbol < 0) {
            if (length == HuffmanTable::kMaxCodeLength && !tellLongCodes_) return Read::BadCode;
            const bool onesSoFar = code == (1u << length) - 1;
            if (!needBit(bits, mcuStart && onesSoFar, mcuStart, restarted, onStop))
                return Read::Stopped;
            if (restarted) {
                code = 0; // the one-bits before the marker filled its byte
                length = 0;
            }
            code = (code << 1) | bits.peek(1);
            bits.skip(1);
            if (++length > HuffmanTable::kMaxCodeLength)
                return fault(code == HuffmanTable::kLongCode);
            symbol = table_->symbolOf(code, length);
        }
        std::uint32_t extra = 0;
        if (symbol != 0 && symbol != 16) {
            for (int i = 0; i < symbol; ++i) {
                if (!needBit(bits, false, false, restarted, onStop)) return Read::Stopped;
                extra = (extra << 1) | bits.peek(1);
                bits.skip(1);
            }
        }
        difference = extendDifference(symbol, extra);
        return Read::Difference;
    }

    const HuffmanTable* table_;
    bool tellLongCodes_;
    DifferenceLookup lookup_;
};

} // namespace korvane
