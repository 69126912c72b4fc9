#pragma once
// Lines of black levels already worked out in one drawing, kept by what they are a function
// of: along the stored rows of an image with column and row black arrays, a row's line
// depends on the row only through the row's black and weighting, which many rows share, so
// that most lines are found rather than worked out again. One thread's, kept through the
// parts of one drawing that thread paints and emptied for the next drawing (the arrays may
// change between drawings). Internal to analysis/.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/BlackLevels.hpp"

namespace korvane {

class BlackLineCache {
public:
    struct Key {
        BlackLevels::LineKey line;
        int cellRow = 0; // the cell positions' own part of the black
        bool operator==(const Key&) const = default;
    };

    // Forgets every line, keeping the memory.
    void clear() {
        used_ = 0;
        oldest_ = 0;
    }
    // Keeps the lines of drawing number `drawing` (0: of no drawing) and forgets any other's.
    void keepFor(std::uint64_t drawing) {
        if (drawing == 0 || drawing != drawing_) clear();
        drawing_ = drawing;
    }
    // The line of `key`, or null.
    const std::int32_t* find(const Key& key) const {
        for (std::size_t i = 0; i < used_; ++i)
            if (keys_[i] == key) return lines_[i].data();
        return nullptr;
    }
    // Memory for the line of `key`, `count` values, in place of the oldest line when all
    // places are taken; valid until the next add.
    std::int32_t* add(const Key& key, std::int32_t count) {
        std::size_t at = used_;
        if (used_ < kLines)
            ++used_;
        else
            at = oldest_++ % kLines;
        keys_[at] = key;
        lines_[at].resize(static_cast<std::size_t>(count));
        return lines_[at].data();
    }
    // Memory for a line no key describes, `count` values, valid until the next call.
    std::int32_t* scratch(std::int32_t count) {
        scratch_.resize(static_cast<std::size_t>(count));
        return scratch_.data();
    }

private:
    static constexpr std::size_t kLines = 32;
    std::array<Key, kLines> keys_{};
    std::array<std::vector<std::int32_t>, kLines> lines_{};
    std::size_t used_ = 0;
    std::size_t oldest_ = 0;
    std::uint64_t drawing_ = 0;
    std::vector<std::int32_t> scratch_;
};

} // namespace korvane
