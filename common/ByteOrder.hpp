#pragma once
// File values of 16, 32 and 64 bits in either byte order, and a bounded cursor that reads
// them from bytes in memory.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace korvane {

// The codes a file's byte order is kept by: every other value than "II" means big-endian.
inline constexpr std::uint8_t kLittleEndianOrder = 2; // "II"
inline constexpr std::uint8_t kBigEndianOrder = 1;    // "MM"

// The order of a file's multi-byte values. The loads take bytes that the caller has checked
// are there; they are inline and branch only on the order, so hot loops may use them.
class ByteOrder {
public:
    static constexpr ByteOrder big() { return ByteOrder(true); }
    static constexpr ByteOrder little() { return ByteOrder(false); }
    static constexpr ByteOrder ofCode(std::uint8_t code) {
        return ByteOrder(code != kLittleEndianOrder);
    }
    constexpr explicit ByteOrder(bool bigEndian) : big_(bigEndian) {}

    constexpr std::uint16_t load16(const std::uint8_t* p) const {
        return big_ ? static_cast<std::uint16_t>(p[0] << 8 | p[1])
                    : static_cast<std::uint16_t>(p[1] << 8 | p[0]);
    }
    constexpr std::uint32_t load32(const std::uint8_t* p) const {
        const std::uint32_t a = load16(p), b = load16(p + 2);
        return big_ ? (a << 16 | b) : (b << 16 | a);
    }
    constexpr std::uint64_t load64(const std::uint8_t* p) const {
        const std::uint64_t a = load32(p), b = load32(p + 4);
        return big_ ? (a << 32 | b) : (b << 32 | a);
    }

private:
    bool big_;
};
static_assert(ByteOrder::big().load32(std::array<std::uint8_t, 4>{1, 2, 3, 4}.data()) ==
                  0x01020304 &&
              ByteOrder::little().load16(std::array<std::uint8_t, 2>{1, 2}.data()) == 0x0201);

// Bytes in memory read front to back in one byte order. A read past the end takes nothing,
// leaves the value 0 and fails; the cursor stays failed, so a run of reads may be checked once
// at its end.
class ByteCursor {
public:
    ByteCursor(std::span<const std::uint8_t> bytes, ByteOrder order)
        : bytes_(bytes), order_(order) {}

    ByteOrder order() const { return order_; }
    std::size_t position() const { return position_; }
    std::size_t left() const { return bytes_.size() - position_; }
    // False once a read or a seek went past the end.
    bool good() const { return good_; }

    // Moves to byte `at`; false when that is past the end.
    bool seek(std::uint64_t at) {
        if (at > bytes_.size()) return good_ = false;
        position_ = static_cast<std::size_t>(at);
        return true;
    }
    bool u8(std::uint8_t& value) {
        const std::uint8_t* p = take(1);
        value = p != nullptr ? *p : 0;
        return p != nullptr;
    }
    bool u16(std::uint16_t& value) {
        const std::uint8_t* p = take(2);
        value = p != nullptr ? order_.load16(p) : 0;
        return p != nullptr;
    }
    bool u32(std::uint32_t& value) {
        const std::uint8_t* p = take(4);
        value = p != nullptr ? order_.load32(p) : 0;
        return p != nullptr;
    }

private:
    const std::uint8_t* take(std::size_t count) {
        if (!good_ || count > left()) {
            good_ = false;
            return nullptr;
        }
        const std::uint8_t* p = bytes_.data() + position_;
        position_ += count;
        return p;
    }

    std::span<const std::uint8_t> bytes_;
    ByteOrder order_;
    std::size_t position_ = 0;
    bool good_ = true;
};

} // namespace korvane
