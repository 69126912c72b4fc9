#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "analysis/DisplayMode.hpp"
#include "analysis/NoiseParameters.hpp"
#include "common/RawFileContext.hpp"
#include "platform/Dialog.hpp"
#include "platform/Services.hpp"
#include "tools/ToolHost.hpp"

namespace korvane {

using NoiseSlots = std::array<NoiseParameters, kNoiseSavedSlotCount>;

// The noise processing dialog (template 169): edits the noise parameters the display applies
// to every sample on its way to the screen. It works on a copy, hands it to the live block the
// renderer reads at every apply, and keeps the block it found for Revert and Cancel. Only
// Accept with the Black function on writes into the image (its black levels). Modeless: it is
// created with new and deletes itself once its window is destroyed.
class CNoiseDlg final : public platform::DialogHandler {
public:
    enum class Function : std::uint8_t { None, Offset, Replace, Shift, Multiply, Black, Masked };

    CNoiseDlg(platform::Services& services, ToolHost& owner);
    CNoiseDlg(const CNoiseDlg&) = delete;
    CNoiseDlg& operator=(const CNoiseDlg&) = delete;

    // Creates the modeless window; false when it could not be made (the object is then the
    // caller's to delete).
    bool Open(RawFileContext& file, ImageDescriptor& image, CNoiseDlg** openSlot,
              NoiseParameters& live, NoiseSlots& savedSlots, const DisplayMode* displayMode,
              const ImageSubMode* subMode);
    // Ends the dialog as its window goes, without Accept or Cancel.
    void Close();
    platform::DialogWindow* window() { return window_; }

    const NoiseParameters& working() const { return working_; }
    Function selectedFunction() const { return selected_; }

    // Window events.
    void onInitDialog(platform::DialogWindow& window) override;
    void onCommand(int id, platform::Notification code) override;
    void onSpin(int id, int delta) override;
    bool preTranslate(const platform::KeyMessage& key) override;
    void onDestroy() override;

private:
    // The largest sample value the image can hold.
    std::int32_t largest() const;
    bool horizontalProfile() const;
    bool verticalProfile() const;
    std::uint8_t* maskOf(Function f);
    std::uint8_t channelsFromBoxes() const;
    void showChannels(std::uint8_t mask);
    void select(Function f, bool keepPrevious);
    void showFunction();
    std::string valueText(double v) const;
    std::string rangeText(double r) const;
    void showValue(double v, bool enabled);
    void showRange(double r, bool enabled);
    // The numbers of the edits into the working block for the selected function; with
    // `apply` the live block takes it and the picture follows.
    void store(bool apply);
    void applyToLive();
    void redrawInImageMode();
    void onChannelClick(int id);
    void onEnableClick(int id);
    // The Enable boxes from the block's flags, or the defaults for a block never stored
    // (Offset, Replace, Shift and Multiply on); the flags follow the boxes.
    void showEnableBoxes(bool fromFlags);
    void takeFlagsFromBoxes();
    void blackPointFromBlock();
    void linkGreensDefault();
    void recall(const NoiseParameters& slot);
    void reset();
    void revert();
    void accept();
    void confirmEdit(bool enter);
    void finish(int result);
    double editNumber(int id, double fallback) const;

    platform::Services& services_;
    ToolHost& owner_;
    platform::DialogWindow* window_ = nullptr;
    RawFileContext* file_ = nullptr;
    ImageDescriptor* image_ = nullptr;
    CNoiseDlg** openSlot_ = nullptr;
    NoiseParameters* live_ = nullptr;
    NoiseSlots* saved_ = nullptr;
    const DisplayMode* displayMode_ = nullptr;
    const ImageSubMode* subMode_ = nullptr;
    int editing_ = 0; // 1 the Value edit, 2 the Range edit is being typed in
    Function selected_ = Function::None;
    float value_ = 0;
    float range_ = 0;
    std::int32_t savedBlackPoint_ = 0;
    NoiseParameters snapshot_;
    NoiseParameters working_;
};

// Accept's black levels: the image's black level data from four levels (red, first green,
// blue, second green): one single level when they are equal, else one per CFA position.
void AcceptNoiseBlackLevels(ImageDescriptor& image, const std::array<std::int32_t, 4>& black);

} // namespace korvane
