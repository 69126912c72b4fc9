#pragma once
#include <cstdint>
#include <string_view>

#include "common/TagDictionary.hpp"
#include "container/TagDictionaries.hpp"

// How the dictionary tables are written: one call a row.
namespace korvane::dictionary_rows {

// Every field type, 1 to 13.
inline constexpr std::uint16_t kAnyType = 0xFFF8;
static_assert(kAnyType ==
              (typeBit(tiff_type::kByte) | typeBit(tiff_type::kAscii) | typeBit(tiff_type::kShort) |
               typeBit(tiff_type::kLong) | typeBit(tiff_type::kRational) |
               typeBit(tiff_type::kSByte) | typeBit(tiff_type::kUndefined) |
               typeBit(tiff_type::kSShort) | typeBit(tiff_type::kSLong) |
               typeBit(tiff_type::kSRational) | typeBit(tiff_type::kFloat) |
               typeBit(tiff_type::kDouble) | typeBit(tiff_type::kIfd)));

template <typename... Types> constexpr std::uint16_t types(Types... type) {
    return static_cast<std::uint16_t>((typeBit(type) | ...));
}

struct CountLimits {
    std::uint16_t minimum;
    std::uint16_t maximum; // 0: no maximum
};
inline constexpr CountLimits kAnyCount{0, 0};
inline constexpr CountLimits kOneOrMore{1, 0};
constexpr CountLimits exactly(std::uint16_t count) {
    return {count, count};
}

// A row that is only kept: any count, any type.
constexpr TagDefinition kept(std::uint16_t tag, std::string_view name) {
    return {name, tag_class::kKept, tag, 0, 0, kAnyType};
}

// A row of a class, with its count limits and allowed types.
constexpr TagDefinition row(std::uint16_t tag, std::string_view name, std::int16_t tagClass,
                            CountLimits count = kAnyCount, std::uint16_t typeMask = kAnyType) {
    return {name, tagClass, tag, count.minimum, count.maximum, typeMask};
}

} // namespace korvane::dictionary_rows
