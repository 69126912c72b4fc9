#pragma once
#include <cstdint>
#include <memory>
#include <string_view>

#include "common/ByteOrder.hpp"
#include "common/IfdNode.hpp"
#include "common/Status.hpp"
#include "common/TagDictionary.hpp"
#include "container/FileAccess.hpp"

namespace korvane {

// Reads the directory at `directoryOffset` into a new IfdNode stored in `slot`, with the
// directories it links (Global parameters, Exif, GPS, SubIFDs and the next IFD) as its
// children. Entries are checked against `dictionary`; the entries that matter for decoding
// are interpreted into the node and the file's context. `baseOffset` is added to every
// out-of-line value offset (maker notes whose offsets are relative); `parent` is the
// directory a child's image parameters merge into, or null.
//
// A directory of 0 or more than 1000 entries, or one that would be read a second time
// through a loop of links, gives no node and success. An inconsistent directory is kept,
// marked and reported (MessageId::InvalidIfd) with success; a failure has been reported and leaves
// the slot empty.
[[nodiscard]] Status ReadIfd(FileAccess& file, std::unique_ptr<IfdNode>& slot, IfdNode* parent,
                             std::uint32_t directoryOffset, std::uint32_t baseOffset,
                             TagDictionary dictionary, IfdKind kind, std::string_view label,
                             std::uint8_t byteOrder);

} // namespace korvane
