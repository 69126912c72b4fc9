#pragma once
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <span>

#include "decode/ByteSource.hpp"

namespace korvane {

// The bytes of one strip or tile, pulled from a ByteSource through a small buffer of this
// reader's own (or straight from the memory of a source that lends its bytes), and never
// more than the strip's byte count of them. The marker section of a
// decoder reads it byte by byte and the bit readers take whole runs from its buffer.
class ByteInput {
public:
    // Why next() found no byte.
    enum class End : std::uint8_t {
        None,
        Strip,  // the byte count of the strip or tile is used up
        Source, // the source ended before the byte count did (a short file)
    };
    static constexpr std::uint32_t kBufferSize = 4096;

    ByteInput(ByteSource& source, std::uint32_t byteCount) : source_(source), toFetch_(byteCount) {}
    ByteInput(const ByteInput&) = delete;
    ByteInput& operator=(const ByteInput&) = delete;

    [[nodiscard]] bool next(std::uint8_t& byte) {
        if (position_ == filled_ && !fill()) return false;
        byte = data_[position_++];
        return true;
    }
    // Why the last next() or available() came up empty.
    End end() const { return end_; }
    // Bytes of the strip not taken yet.
    std::uint32_t left() const { return toFetch_ + (filled_ - position_); }

    // The bytes buffered after the read position; refills when there are none.
    std::uint32_t available() {
        if (position_ == filled_) fill();
        return filled_ - position_;
    }
    const std::uint8_t* data() const { return data_ + position_; }
    // Passes over `count` of the buffered bytes; false, taking none, when fewer are buffered.
    [[nodiscard]] bool advance(std::uint32_t count) {
        if (count > filled_ - position_) return false;
        position_ += count;
        return true;
    }
    // The next `count` bytes where the buffer holds them all, taken; else nullptr, taking none.
    const std::uint8_t* view(std::uint32_t count) {
        if (available() < count) return nullptr;
        const std::uint8_t* p = data();
        position_ += count;
        return p;
    }
    // Copies the next `count` bytes to `destination`; false when the input ends first, after
    // copying what there was.
    [[nodiscard]] bool read(std::uint8_t* destination, std::uint32_t count) {
        while (count > 0) {
            const std::uint32_t n = std::min(available(), count);
            if (n == 0) return false;
            std::memcpy(destination, data(), n);
            position_ += n;
            destination += n;
            count -= n;
        }
        return true;
    }
    // Passes over the next `count` bytes; false when the input ends first.
    [[nodiscard]] bool skip(std::uint64_t count) {
        while (count > 0) {
            const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(available(), count));
            if (n == 0) return false;
            position_ += n;
            count -= n;
        }
        return true;
    }

private:
    bool fill() {
        position_ = filled_ = 0;
        if (end_ != End::None) return false; // the first reason stands
        if (toFetch_ == 0) {
            end_ = End::Strip;
            return false;
        }
        std::uint32_t wanted = toFetch_ < kBufferSize ? toFetch_ : kBufferSize;
        std::uint32_t got = 0;
        if (source_.lends()) {
            wanted = toFetch_;
            const std::span<const std::uint8_t> lent = source_.lend(wanted);
            data_ = lent.data();
            got = static_cast<std::uint32_t>(lent.size());
        } else {
            data_ = buffer_.data();
            got = source_.read(buffer_.data(), wanted);
        }
        if (got == 0 || got > wanted) {
            toFetch_ = 0;
            end_ = End::Source;
            return false;
        }
        filled_ = got;
        toFetch_ -= got;
        return true;
    }

    ByteSource& source_;
    std::uint32_t toFetch_; // bytes of the strip still in the source
    std::uint32_t position_ = 0;
    std::uint32_t filled_ = 0;
    End end_ = End::None;
    const std::uint8_t* data_ = nullptr; // the buffer, or the source's lent bytes
    std::array<std::uint8_t, kBufferSize> buffer_;
};

} // namespace korvane
