#pragma once
#include <array>
#include <string_view>

#include "analysis/MappingFunction.hpp"

namespace korvane {

// The mapping functions the dialog offers, in the order of its list; the first is the
// default. Taken from the table so that the list and the curves cannot drift apart.
inline constexpr std::array<std::string_view, kMappingFunctions.size()> kMappingFunctionNames = [] {
    std::array<std::string_view, kMappingFunctions.size()> names{};
    for (std::size_t i = 0; i < names.size(); ++i)
        names[i] = kMappingFunctions[i].name;
    return names;
}();

} // namespace korvane
