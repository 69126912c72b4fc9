#pragma once
#include <cstdint>

#include "common/RawFileContext.hpp"

namespace korvane {

// Results of IdentifyCamera.
inline constexpr std::int16_t kCameraIdentified = 0;
// No row has the file's make and model (the top bit is set).
inline constexpr std::int16_t kCameraNotInTable = -1;
// A row has them, but none of those rows accepts the file.
inline constexpr std::int16_t kCameraOptionsDiffer = 1;

// Chooses the camera table's row for the file: the first row with the file's Make and Model
// texts (every character, trailing blanks included) that accepts the file (DNG or not, the
// main image's LinearizationTable, compression, bits and size). Without one, a first IFD
// holding one 5344 x 4008 lossless JPEG tile at offset 8 is the unidentified tiled camera's
// main image. The context's camera is the chosen row, else the default row. Reports nothing:
// the caller knows which message a result stands for.
[[nodiscard]] std::int16_t IdentifyCamera(RawFileContext& context);

// Imposes the context's camera row on the main image: format code, frame, active area, bits,
// compression and decoding variant, the CFA description, and unless the full-sensor view is
// asked for, the masked areas, the black level parameters and the white levels of the file's
// ISO. The full-sensor view makes the active area the whole image instead, keeping the CFA
// phase. Needs a camera and a main image; does nothing without them.
void ApplyCameraDescription(RawFileContext& context, bool fullSensorView);

} // namespace korvane
