#pragma once
#include <cstdint>
#include <span>
#include <string_view>

namespace korvane {

// TIFF field types 1 to 13.
namespace tiff_type {
inline constexpr std::uint16_t kByte = 1;
inline constexpr std::uint16_t kAscii = 2;
inline constexpr std::uint16_t kShort = 3;
inline constexpr std::uint16_t kLong = 4;
inline constexpr std::uint16_t kRational = 5;
inline constexpr std::uint16_t kSByte = 6;
inline constexpr std::uint16_t kUndefined = 7;
inline constexpr std::uint16_t kSShort = 8;
inline constexpr std::uint16_t kSLong = 9;
inline constexpr std::uint16_t kSRational = 10;
inline constexpr std::uint16_t kFloat = 11;
inline constexpr std::uint16_t kDouble = 12;
inline constexpr std::uint16_t kIfd = 13;
} // namespace tiff_type

// Bytes per value of each type, 0 for types outside 1 to 13.
constexpr std::uint32_t tiffTypeSize(std::uint16_t type) {
    constexpr std::uint8_t kSizes[14] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
    return type <= 13 ? kSizes[type] : 0;
}

// The bit of a type in a dictionary row's type mask: bit 15 - (type - 1).
constexpr std::uint16_t typeBit(std::uint16_t type) {
    return type >= 1 && type <= 13 ? static_cast<std::uint16_t>(0x8000u >> (type - 1)) : 0;
}

// One row of a tag dictionary. A negative class allows large data (the values stay in the
// file); class 0 only keeps the entry; other classes are interpreted by the reader.
struct TagDefinition {
    std::string_view name;
    std::int16_t tagClass;
    std::uint16_t tag;
    std::uint16_t minCount;
    std::uint16_t maxCount; // 0: no maximum
    std::uint16_t typeMask;
};

using TagDictionary = std::span<const TagDefinition>;

} // namespace korvane
