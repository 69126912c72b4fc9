#pragma once
// The parts of the directory reader, shared by its source files only.
#include <algorithm>
#include <cstdint>
#include <exception>
#include <vector>

#include "common/ByteOrder.hpp"
#include "common/IfdNode.hpp"
#include "common/RawFileContext.hpp"
#include "common/Reporter.hpp"
#include "common/Status.hpp"
#include "container/FileAccess.hpp"
#include "container/ReadIfd.hpp"

namespace korvane::ifd_reader {

// Values of 16, 32 and 64 bits in a file's byte order (its code).
constexpr std::uint16_t load16(const std::uint8_t* p, std::uint8_t order) {
    return ByteOrder::ofCode(order).load16(p);
}
constexpr std::uint32_t load32(const std::uint8_t* p, std::uint8_t order) {
    return ByteOrder::ofCode(order).load32(p);
}
constexpr std::uint64_t load64(const std::uint8_t* p, std::uint8_t order) {
    return ByteOrder::ofCode(order).load64(p);
}

// What the interpreting steps of one directory read work on.
struct DirectoryScope {
    FileAccess& file;
    IfdNode& node;
    std::uint8_t byteOrder;

    RawFileContext& context() { return file.context(); }
    Reporter& reporter() { return file.reporter(); }
};

// Marks an entry the reader ignores from now on.
inline void invalidate(IfdEntry& e) {
    e.flags |= entry_flags::kInvalid;
}
// Marks the directory inconsistent: MessageId::InvalidIfd follows once it is complete.
inline void markInconsistent(IfdNode& node) {
    node.state |= node_state::kInconsistent;
}
// Both: an entry whose values contradict what its tag means.
inline void rejectEntry(IfdNode& node, IfdEntry& e) {
    invalidate(e);
    markInconsistent(node);
}

// Bytes of an entry's values: count x type size, which cannot overflow 64 bits.
inline std::uint64_t valueBytes(const IfdEntry& e) {
    return static_cast<std::uint64_t>(e.count) * e.typeSize();
}

// Step 9: the actions of the standard classes and of the maker note classes.
void interpretStandardEntry(DirectoryScope& scope, IfdEntry& e);
void interpretMakerNoteEntry(DirectoryScope& scope, IfdEntry& e);
// Whether a class is one of the maker note classes.
constexpr bool isMakerNoteClass(std::int16_t tagClass) {
    return (tagClass > 100 && tagClass < 400) || tagClass == -302;
}

// Step 12: the effective size and the consistency of the image description.
void deriveGeometry(IfdNode& node);
// Step 13: BlackLevelDeltaH/V into arrays, BlackLevel into one value or a CFA-sized array.
[[nodiscard]] Status convertBlackLevels(FileAccess& file, IfdNode& node, std::uint8_t byteOrder);
// Step 14: a child's image parameters into its parent.
void mergeIntoParent(IfdNode& child, IfdNode& parent);

// Allocation that reports failure instead of throwing: MessageId::AllocationFailed with the
// size and what the storage was for. The storage is zeros, but where its allocator leaves new
// elements to be written.
template <typename T, typename A>
[[nodiscard]] bool allocate(std::vector<T, A>& storage, std::uint64_t count, Reporter& reporter,
                            const char* what) {
    try {
        storage.clear();
        storage.resize(static_cast<std::size_t>(count));
        return true;
    } catch (const std::exception&) {
        const std::uint64_t bytes = count * sizeof(T);
        reporter.ShowMessage(MessageId::AllocationFailed,
                             static_cast<std::int32_t>(std::min<std::uint64_t>(bytes, INT32_MAX)),
                             what);
        return false;
    }
}

} // namespace korvane::ifd_reader
