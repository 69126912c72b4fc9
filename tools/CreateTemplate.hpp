#pragma once
#include <optional>

#include "common/IfdNode.hpp"
#include "common/Reporter.hpp"
#include "common/Status.hpp"
#include "tools/RecoveryTemplate.hpp"

namespace korvane {

// Builds a recovery template of the selected samples into slot `slotNumber` (1 to 10, the
// slot at index slotNumber - 1 of `slots`; Alt+F1 passes 1). No window is involved:
//
// - `selection` is the selection as rows and columns of the SampleBuffer, which is what
//   storedSelection (analysis/Viewport.hpp) makes of the panel's selection and its viewport;
//   std::nullopt when the panel has no selection. A rectangle reaching outside the active
//   area is cut at its edge.
// - Only the interior of the rectangle (one sample less on each side) is scanned, so that
//   every scanned sample has its eight neighbours inside it. A sample and a neighbour count
//   as unclipped when 0 < value - blackLevelMaximum < clip of its position, where the clip
//   is clipLevels[channel] - blackLevelMaximum and the channel that of the pattern entry
//   (red, green of the pattern's first row, blue, green of its second row). The pattern is
//   counted from the active area's top-left corner, as the display shows it.
//
// Messages (MessageId), each followed by a failure status:
// - NoRecoveryTemplate with the number when the slot number is not 1 to 10 (no slot changes);
// - FunctionUnsupported with "8bit raw data" for samples of 8 bits or fewer, then
//   FunctionUnsupported with "CFA size" for a pattern other than 2 x 2, then UpdateUnsupported
//   when the image holds no sample data for its size, then NoSelection without a selection,
//   then SelectionTooSmall when the cut rectangle is less than 3 samples wide or high; these
//   leave the slot as it was;
// - otherwise the slot is emptied first, and SelectionTooSmall when 3 or fewer samples are
//   recorded, or AllocationFailed with the bytes asked for and "temporary recovery template
//   array" or "Recovery template array" when an allocation fails, leave it empty.
// On success the slot is active and holds the recorded samples.
[[nodiscard]] Status CreateTemplate(const ImageDescriptor& image,
                                    const std::optional<SampleRect>& selection,
                                    RecoveryTemplateSlots& slots, int slotNumber,
                                    Reporter& reporter);

} // namespace korvane
