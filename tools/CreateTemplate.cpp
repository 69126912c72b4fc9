#include "tools/CreateTemplate.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <limits>
#include <new>
#include <stdexcept>
#include <vector>

#include "analysis/CfaColours.hpp"

namespace korvane {
namespace {

// The storage names the allocation message carries.
constexpr const char* kScratchStorage = "temporary recovery template array";
constexpr const char* kListStorage = "Recovery template array";

// A scanned sample needs its whole 3 x 3 neighbourhood inside the selection.
constexpr std::uint32_t kSmallestSide = 3;
// A template of this many samples or fewer is no reference for anything.
constexpr std::size_t kFewestUseless = 3;

// The eight neighbours in the order of TemplateSample's fields.
struct Neighbour {
    std::int32_t dRow;
    std::int32_t dColumn;
    std::uint8_t flag;
    float TemplateSample::*ratio;
};
constexpr std::array<Neighbour, 8> kNeighbours{{
    {-1, 0, neighbour_flags::kNorth, &TemplateSample::north},
    {1, 0, neighbour_flags::kSouth, &TemplateSample::south},
    {0, -1, neighbour_flags::kWest, &TemplateSample::west},
    {0, 1, neighbour_flags::kEast, &TemplateSample::east},
    {-1, -1, neighbour_flags::kNorthWest, &TemplateSample::northWest},
    {1, -1, neighbour_flags::kSouthWest, &TemplateSample::southWest},
    {-1, 1, neighbour_flags::kNorthEast, &TemplateSample::northEast},
    {1, 1, neighbour_flags::kSouthEast, &TemplateSample::southEast},
}};

// A recorded sample while the template is made, with the list it goes to.
struct ScannedSample {
    TemplateSample sample;
    std::uint8_t position = 0;
    std::uint8_t neighbourClass = 0;
};

// The black level and the clip of each pattern position, both relative to black.
struct Levels {
    std::int64_t black = 0;
    std::array<std::int64_t, kPatternPositionCount> clip{};
};

Levels levelsOf(const ImageDescriptor& image) {
    Levels levels;
    levels.black = image.blackLevelMaximum;
    for (std::uint32_t p = 0; p < kPatternPositionCount; ++p) {
        const int channel = channelOf(cfaColourOfEntry(image, p), p / 2);
        levels.clip[p] = std::int64_t{image.clipLevels[channel]} - levels.black;
    }
    return levels;
}

// The byte count MessageId::AllocationFailed shows; "?" (-1) when it does not fit the message's
// integer.
std::int32_t messageBytes(std::size_t count, std::size_t each) {
    const std::size_t limit = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
    return count <= limit / each ? static_cast<std::int32_t>(count * each) : -1;
}

template <class T>
bool reserveOrReport(std::vector<T>& v, std::size_t count, const char* storage,
                     Reporter& reporter) {
    try {
        v.reserve(count);
        return true;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    reporter.ShowMessage(MessageId::AllocationFailed, messageBytes(count, sizeof(T)), storage);
    return false;
}

// The part of `selection` inside the active area.
SampleRect cutToActiveArea(const SampleRect& selection, const SampleRect& active) {
    const std::uint64_t top = std::max(selection.top, active.top);
    const std::uint64_t left = std::max(selection.left, active.left);
    const std::uint64_t bottom = std::min(std::uint64_t{selection.top} + selection.height,
                                          std::uint64_t{active.top} + active.height);
    const std::uint64_t right = std::min(std::uint64_t{selection.left} + selection.width,
                                         std::uint64_t{active.left} + active.width);
    SampleRect r;
    if (bottom <= top || right <= left) return r;
    r.top = static_cast<std::uint32_t>(top);
    r.left = static_cast<std::uint32_t>(left);
    r.height = static_cast<std::uint32_t>(bottom - top);
    r.width = static_cast<std::uint32_t>(right - left);
    return r;
}

// The checks that come before the slot is touched; the rectangle to scan when they pass.
std::optional<SampleRect> checkedRect(const ImageDescriptor& image,
                                      const std::optional<SampleRect>& selection,
                                      Reporter& reporter) {
    // Eight bits or fewer are stored one byte per sample in the file; 0 means not stated.
    if (image.bitsPerSample >= 1 && image.bitsPerSample <= 8) {
        reporter.ShowMessage(MessageId::FunctionUnsupported, "8bit raw data");
        return std::nullopt;
    }
    // Positions and channels below are those of a 2 x 2 cell; a 1 x 4 or 4 x 1 pattern also
    // has four entries but no such cell.
    if (image.cfaRepeatRows != 2 || image.cfaRepeatCols != 2) {
        reporter.ShowMessage(MessageId::FunctionUnsupported, "CFA size");
        return std::nullopt;
    }
    const std::uint64_t needed = std::uint64_t{image.imageWidth} * image.imageLength;
    if (needed == 0 || image.samples.size() < needed) {
        reporter.ShowMessage(MessageId::UpdateUnsupported);
        return std::nullopt;
    }
    if (!selection) {
        reporter.ShowMessage(MessageId::NoSelection);
        return std::nullopt;
    }
    const SampleRect rect = cutToActiveArea(*selection, image.activeRect());
    if (rect.width < kSmallestSide || rect.height < kSmallestSide) {
        reporter.ShowMessage(MessageId::SelectionTooSmall);
        return std::nullopt;
    }
    return rect;
}

// Reads samples with their pattern position, counted from the active area's corner.
class SampleReader {
public:
    explicit SampleReader(const ImageDescriptor& image)
        : image_(image), active_(image.activeRect()), levels_(levelsOf(image)) {}

    std::uint8_t position(std::int64_t row, std::int64_t column) const {
        return static_cast<std::uint8_t>(((row - active_.top) % 2) * 2 +
                                         (column - active_.left) % 2);
    }
    // The ratio (value - black) / clip of an unclipped sample; none for a clipped one.
    std::optional<float> unclippedRatio(std::int64_t row, std::int64_t column) const {
        const std::size_t index =
            static_cast<std::size_t>(row) * image_.imageWidth + static_cast<std::size_t>(column);
        const std::int64_t v = std::int64_t{image_.samples[index]} - levels_.black;
        const std::int64_t clip = levels_.clip[position(row, column)];
        if (v <= 0 || v >= clip) return std::nullopt;
        return static_cast<float>(v) / static_cast<float>(clip);
    }

private:
    const ImageDescriptor& image_;
    SampleRect active_;
    Levels levels_;
};

// Records every unclipped interior sample of `rect` with at least one unclipped neighbour,
// rows top to bottom and columns left to right. `out` has room for every interior sample.
void scanInterior(const ImageDescriptor& image, const SampleRect& rect,
                  std::vector<ScannedSample>& out) {
    const SampleReader reader(image);
    const std::int64_t lastRow = std::int64_t{rect.top} + rect.height - 2;
    const std::int64_t lastColumn = std::int64_t{rect.left} + rect.width - 2;
    for (std::int64_t row = std::int64_t{rect.top} + 1; row <= lastRow; ++row) {
        for (std::int64_t column = std::int64_t{rect.left} + 1; column <= lastColumn; ++column) {
            const std::optional<float> centre = reader.unclippedRatio(row, column);
            if (!centre) continue;
            ScannedSample s;
            s.sample.centre = *centre;
            for (const Neighbour& n : kNeighbours) {
                const std::optional<float> ratio =
                    reader.unclippedRatio(row + n.dRow, column + n.dColumn);
                if (!ratio) continue;
                s.sample.neighbourFlags |= n.flag;
                s.sample.*n.ratio = *ratio;
            }
            const int neighbourClassOfSample = neighbourClass(s.sample.neighbourFlags);
            if (neighbourClassOfSample < 0) continue;
            s.position = reader.position(row, column);
            s.neighbourClass = static_cast<std::uint8_t>(neighbourClassOfSample);
            out.push_back(s);
        }
    }
}

// Sorts the recorded samples into the slot's lists, in scan order.
[[nodiscard]] Status fillSlot(const std::vector<ScannedSample>& scanned, RecoveryTemplate& slot,
                              Reporter& reporter) {
    for (const ScannedSample& s : scanned)
        ++slot.counts[s.neighbourClass][s.position];
    for (int c = 0; c < kNeighbourClassCount; ++c) {
        for (int p = 0; p < kPatternPositionCount; ++p) {
            const auto count = static_cast<std::size_t>(slot.counts[c][p]);
            if (count == 0) continue;
            if (!reserveOrReport(slot.lists[c][p], count, kListStorage, reporter)) {
                slot = RecoveryTemplate{};
                return kFailed;
            }
        }
    }
    for (const ScannedSample& s : scanned)
        slot.lists[s.neighbourClass][s.position].push_back(s.sample);
    slot.active = true;
    return kOk;
}

} // namespace

Status CreateTemplate(const ImageDescriptor& image, const std::optional<SampleRect>& selection,
                      RecoveryTemplateSlots& slots, int slotNumber, Reporter& reporter) {
    if (slotNumber < 1 || slotNumber > kTemplateSlotCount) {
        reporter.ShowMessage(MessageId::NoRecoveryTemplate, slotNumber, -1, -1, "?", "?");
        return kFailed;
    }
    const std::optional<SampleRect> rect = checkedRect(image, selection, reporter);
    if (!rect) return kFailed;

    RecoveryTemplate& slot = slots[static_cast<std::size_t>(slotNumber - 1)];
    slot = RecoveryTemplate{};
    std::vector<ScannedSample> scanned;
    const std::size_t interior = std::size_t{rect->height - 2} * (rect->width - 2);
    if (!reserveOrReport(scanned, interior, kScratchStorage, reporter)) return kFailed;
    scanInterior(image, *rect, scanned);
    if (scanned.size() <= kFewestUseless) {
        reporter.ShowMessage(MessageId::SelectionTooSmall);
        return kFailed;
    }
    return fillSlot(scanned, slot, reporter);
}

} // namespace korvane
