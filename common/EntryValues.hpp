#pragma once
#include <cstdint>
#include <cstring>
#include <string>

#include "common/IfdNode.hpp"

namespace korvane {

struct Rational {
    std::int64_t numerator = 0;
    std::int64_t denominator = 0;
};

// Value `index` of an inline or loaded entry as an unsigned integer (BYTE, SHORT, LONG and
// their signed forms are widened; a signed value keeps its bits); 0 when the value is not
// held or the index is out of range.
inline std::uint32_t entryValue(const IfdNode& node, const IfdEntry& e, std::uint32_t index = 0) {
    const std::uint8_t* data = node.valueData(e);
    if (data == nullptr || index >= e.count) return 0;
    switch (e.typeSize()) {
    case 1:
        return data[index];
    case 2: {
        std::uint16_t v;
        std::memcpy(&v, data + 2 * static_cast<std::size_t>(index), 2);
        return e.type == tiff_type::kSShort
                   ? static_cast<std::uint32_t>(static_cast<std::int16_t>(v))
                   : v;
    }
    case 4: {
        std::uint32_t v;
        std::memcpy(&v, data + 4 * static_cast<std::size_t>(index), 4);
        return v;
    }
    default:
        return 0;
    }
}

// Rational `index` of a (S)RATIONAL entry; {0, 0} when not held.
inline Rational entryRational(const IfdNode& node, const IfdEntry& e, std::uint32_t index = 0) {
    const std::uint8_t* data = node.valueData(e);
    if (data == nullptr || index >= e.count || e.typeSize() != 8 ||
        (e.type != tiff_type::kRational && e.type != tiff_type::kSRational))
        return {};
    std::uint32_t n, d;
    std::memcpy(&n, data + 8 * static_cast<std::size_t>(index), 4);
    std::memcpy(&d, data + 8 * static_cast<std::size_t>(index) + 4, 4);
    if (e.type == tiff_type::kSRational)
        return {static_cast<std::int32_t>(n), static_cast<std::int32_t>(d)};
    return {n, d};
}

// An ASCII (or byte) entry as text, cut at its count - 1 and at the first zero byte.
inline std::string entryText(const IfdNode& node, const IfdEntry& e) {
    const std::uint8_t* data = node.valueData(e);
    if (data == nullptr || e.count == 0 || e.typeSize() != 1) return {};
    std::size_t n = e.count - 1;
    // Four bytes or less sit inline; the fourth byte stands for the terminating zero.
    if (e.isInline()) n = std::min<std::size_t>(n, 3);
    const char* text = reinterpret_cast<const char*>(data);
    std::size_t len = 0;
    while (len < n && text[len] != '\0')
        ++len;
    return std::string(text, len);
}

} // namespace korvane
