#include "container/TagDictionaries.hpp"

#include <algorithm>

namespace korvane {

const TagDefinition* FindTag(std::uint16_t tag, TagDictionary dictionary) {
    const auto row = std::lower_bound(dictionary.begin(), dictionary.end(), tag,
                                      [](const TagDefinition& definition, std::uint16_t wanted) {
                                          return definition.tag < wanted;
                                      });
    return row != dictionary.end() && row->tag == tag ? &*row : nullptr;
}

std::string_view tagName(std::uint16_t tag, TagDictionary dictionary) {
    const TagDefinition* definition = FindTag(tag, dictionary);
    return definition != nullptr ? definition->name : std::string_view{};
}

} // namespace korvane
