#pragma once
#include <QFont>
#include <QRect>

#include "platform/Dialog.hpp"
#include "platform/DialogTemplate.hpp"

namespace korvane::qt {

// The font of a dialog and the size of its dialog units, as the template's font gives them:
// a horizontal unit is a quarter of the font's average character width, a vertical unit an
// eighth of its height.
class DialogFont {
public:
    DialogFont(const platform::DialogTemplate& source, int dpi);

    const QFont& font() const { return font_; }
    const platform::FontDescription& requested() const { return requested_; }
    int baseX() const { return baseX_; }
    int baseY() const { return baseY_; }

    // A rectangle of the template (left, top, width, height in dialog units) in pixels.
    QRect toPixels(int x, int y, int cx, int cy) const;

private:
    platform::FontDescription requested_;
    QFont font_;
    int baseX_ = 0;
    int baseY_ = 0;
};

// The local family that stands for a face a template or the dialog logic names.
QString localFamily(std::string_view face);

// A font as the dialog logic describes it. A negative height is the character height in
// pixels, a positive one the cell height (character and internal leading).
QFont toQFont(const platform::FontDescription& wanted);

} // namespace korvane::qt
