#pragma once
#include <cstdint>

#include "platform/Dialog.hpp"

namespace korvane {

// What a tool dialog asks of the main dialog that opened it.
class ToolHost {
public:
    virtual ~ToolHost() = default;

    // The main dialog's window: the owner of the tool windows.
    virtual platform::DialogWindow* window() = 0;
    // The picture panel drawn anew at once (the histograms in Histogram mode).
    virtual void redrawPanel() = 0;
    // The display's black point (edit 1010) and a new one for it: held at the level scale's
    // top, the white point raised to it when lower, the edit and slider following.
    virtual std::int32_t blackPoint() const = 0;
    virtual void SetToolBlackPoint(std::int32_t level) = 0;
};

} // namespace korvane
