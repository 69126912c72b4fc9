#pragma once
#include <cstdint>

#include "analysis/Viewport.hpp"
#include "common/IfdNode.hpp"
#include "common/Reporter.hpp"
#include "common/Status.hpp"

namespace korvane {

// The colours F1 to F4 analyse.
inline constexpr int kFrequencyRed = 0;
inline constexpr int kFrequencyGreen1 = 1; // the green of the pattern's first row
inline constexpr int kFrequencyBlue = 2;
inline constexpr int kFrequencyGreen2 = 3; // the green of the pattern's second row

// Replaces the samples of one CFA colour inside the panel's selection by the magnitude of
// their two-dimensional Fourier transform, zero frequency in the middle: black where the
// spectrum is empty, black + 960 at its largest non-zero frequency, black + 1023 where the
// zero frequency stands above all others.
//
// `view` is the layout of the drawing the selection was made on; it maps the selection back
// to stored rows and columns. `colour` is kFrequencyRed ... kFrequencyGreen2. `shift` keeps the
// cosine terms of the transform, `ctrl` its sine terms; both give the whole transform, and
// neither an empty one (every sample becomes black).
//
// A selection narrower or lower than 16 samples shows MessageId::FrequencyAnalysisResult "Selection
// too small" and changes nothing; so does a failed allocation (MessageId::AllocationFailed); both
// return a failure. A colour with no place in the image's 2 x 2 pattern, an invalid selection or an
// image without samples change nothing and succeed. Samples of other colours and outside the
// selection are never written. The caller redraws afterwards.
[[nodiscard]] Status AnalyseFrequencies(ImageDescriptor& image, const Viewport& view,
                                        const PanelSelection& selection, int colour, bool shift,
                                        bool ctrl, Reporter& reporter);

} // namespace korvane
