#include "app/ModeArrangement.hpp"

#include "resources/ControlIds.hpp"

namespace korvane {

namespace {

using A = ControlAction;

// Columns: Composite, Greyscale, Channel, Exposure, Histogram. "Color integrity" is never
// shown: Composite leaves it hidden as the template has it.
constexpr ArrangementRow kTable[] = {
    {{ids::kShowClipping, ids::kRawClipping}, {A::Show, A::Show, A::Show, A::Hide, A::Hide}},
    {{ids::kBlCorrected, ids::kOutsideRange}, {A::Hide, A::Hide, A::Hide, A::Show, A::Hide}},
    {{ids::kMapped, ids::kApplyWb, ids::kFine, ids::kSelectionBox},
     {A::Hide, A::Hide, A::Hide, A::Hide, A::HistogramOption}},
    {{ids::kColorIntegrity}, {A::Keep, A::Hide, A::Hide, A::Hide, A::Hide}},
    {{ids::kZoomText, ids::kCoordinatesText}, {A::Show, A::Show, A::Show, A::Show, A::Hide}},
    {{ids::kStatisticsText}, {A::Show, A::Show, A::Show, A::Show, A::Show}},
    {{ids::kHistogramText}, {A::Hide, A::Hide, A::Hide, A::Hide, A::Show}},
    {{ids::kBlackSlider, ids::kWhiteSlider, ids::kBlackEdit, ids::kWhiteEdit, ids::kBlackReset,
      ids::kWhiteReset},
     {A::Enable, A::Enable, A::Enable, A::Enable, A::Enable}},
    {{ids::kBlackR, ids::kBlackG, ids::kBlackB, ids::kWhiteR, ids::kWhiteG, ids::kWhiteB},
     {A::Disable, A::Disable, A::Enable, A::Enable, A::Disable}},
    {{ids::kOrientNormal, ids::kOrient180, ids::kOrientLeft, ids::kOrientRight},
     {A::Enable, A::Enable, A::Enable, A::Enable, A::Disable}},
    {{ids::kExposureSlider, ids::kExposureReset},
     {A::WithImage, A::WithImage, A::WithImage, A::Disable, A::WithImage}},
    {{ids::kMappingCombo}, {A::Enable, A::Enable, A::Enable, A::Disable, A::Enable}},
    {{ids::kVScroll, ids::kHScroll},
     {A::ScrollBar, A::ScrollBar, A::ScrollBar, A::ScrollBar, A::Hide}},
};

} // namespace

Arrangement arrangementOf(DisplayMode mode, ImageSubMode subMode) {
    switch (mode) {
    case DisplayMode::Exposure:
        return Arrangement::Exposure;
    case DisplayMode::Histogram:
        return Arrangement::Histogram;
    default:
        break;
    }
    switch (subMode) {
    case ImageSubMode::Greyscale:
        return Arrangement::Greyscale;
    case ImageSubMode::Channel:
        return Arrangement::Channel;
    default:
        return Arrangement::Composite;
    }
}

std::span<const ArrangementRow> arrangementTable() {
    return kTable;
}

} // namespace korvane
