#pragma once
#include <array>
#include <cstdint>

#include "analysis/DisplayMode.hpp"
#include "common/RawFileContext.hpp"
#include "platform/Dialog.hpp"
#include "platform/Services.hpp"
#include "tools/ToolHost.hpp"

namespace korvane {

// The white balance sets the main dialog keeps: five sets of the coefficients red, first
// green, second green and blue.
using WhiteBalanceSets = std::array<std::array<float, 4>, 5>;

// The white balance dialog (template 167): sliders, edits and keys for the image's four
// coefficients, which it writes at once and the picture follows; five saved sets shared with
// the main dialog's Ctrl+digit keys; the camera's as-shot coefficients; Accept, or Cancel
// restoring what the image had. Modeless: it is created with new, and deletes itself once its
// window is destroyed, clearing the main dialog's pointer to it first.
class CWhiteBalanceDlg final : public platform::DialogHandler {
public:
    CWhiteBalanceDlg(platform::Services& services, ToolHost& owner);
    CWhiteBalanceDlg(const CWhiteBalanceDlg&) = delete;
    CWhiteBalanceDlg& operator=(const CWhiteBalanceDlg&) = delete;

    // Creates the modeless window. False when it could not be made (the object then is the
    // caller's to delete).
    bool Open(RawFileContext& file, ImageDescriptor& image, WhiteBalanceSets& sets,
              CWhiteBalanceDlg** openSlot, const DisplayMode* displayMode,
              const ImageSubMode* subMode);
    // The image's coefficients changed under the dialog (Ctrl+W): they become its initial and
    // current values.
    void TakeFromImage();
    // Ends the dialog as its window goes, without Accept or Cancel.
    void Close();
    platform::DialogWindow* window() { return window_; }

    const std::array<float, 4>& current() const { return current_; }
    const std::array<float, 4>& initial() const { return initial_; }
    bool separateGreens() const { return separateGreens_; }

    // Window events.
    void onInitDialog(platform::DialogWindow& window) override;
    void onCommand(int id, platform::Notification code) override;
    void onHScroll(int id, platform::ScrollCode code, int position) override;
    bool preTranslate(const platform::KeyMessage& key) override;
    void onDestroy() override;

private:
    // Coefficient k (0 red, 1 first green, 2 second green, 3 blue) takes `value`: the image,
    // the edit and the slider; the first green takes the second along while they are tied.
    void apply(int k, float value);
    // The image's coefficient k becomes `value`, with the greens rule.
    void writeImage(int k, float value);
    void showCoefficient(int k);
    // Every coefficient from current_, the greens tied when they are equal.
    void applyAll();
    void enableSecondGreen(bool enable);
    void hideSecondGreen();
    void recall(const std::array<float, 4>& set);
    bool confirmEdit(bool tab);
    void finish(int result);
    void moveFocus(int id);

    platform::Services& services_;
    ToolHost& owner_;
    platform::DialogWindow* window_ = nullptr;
    RawFileContext* file_ = nullptr;
    ImageDescriptor* image_ = nullptr;
    WhiteBalanceSets* sets_ = nullptr;
    CWhiteBalanceDlg** openSlot_ = nullptr;
    const DisplayMode* displayMode_ = nullptr;
    const ImageSubMode* subMode_ = nullptr;
    std::array<float, 4> initial_{};
    std::array<float, 4> current_{};
    bool separateGreens_ = false;
    int focusedEdit_ = 0; // 1 red, 2 green, 3 second green, 4 blue; 0 none
    // The dialog moves the focus itself: an edit losing it keeps it from the hidden button.
    bool movingFocus_ = false;
};

// The slider position of a coefficient: the nearest to 20 x v, within 0 ... 80.
int whiteBalancePosition(float coefficient);

} // namespace korvane
