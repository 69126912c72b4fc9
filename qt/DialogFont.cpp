#include "qt/DialogFont.hpp"

#include <QFontMetrics>
#include <algorithm>
#include <array>
#include <cmath>

namespace korvane::qt {

namespace {

// Windows' rounding of a * b / c: to nearest, halves away from zero.
int mulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    const long long q = (p >= 0 ? p + c / 2 : p - c / 2) / c;
    return static_cast<int>(q);
}

struct FaceMapping {
    std::string_view windowsFace;
    const char* family;
};

// The faces Windows dialogs name, and the fonts installed here that stand for them
// (fonts-dejavu-core: without it Qt draws empty boxes).
constexpr std::array kFaces = std::to_array<FaceMapping>({
    {"MS Shell Dlg", "DejaVu Sans"},
    {"MS Shell Dlg 2", "DejaVu Sans"},
    {"MS Sans Serif", "DejaVu Sans"},
    {"Tahoma", "DejaVu Sans"},
    {"Segoe UI", "DejaVu Sans"},
    {"Arial", "DejaVu Sans"},
    {"Times New Roman", "DejaVu Serif"},
    {"Courier New", "DejaVu Sans Mono"},
});

} // namespace

QString localFamily(std::string_view face) {
    if (face.empty()) return QStringLiteral("DejaVu Sans");
    for (const auto& f : kFaces)
        if (f.windowsFace == face) return QString::fromLatin1(f.family);
    return QString::fromUtf8(face.data(), static_cast<qsizetype>(face.size()));
}

QFont toQFont(const platform::FontDescription& wanted) {
    QFont font(localFamily(wanted.face));
    if (wanted.heightPixels < 0) {
        font.setPixelSize(-wanted.heightPixels);
    } else if (wanted.heightPixels > 0) {
        // A cell height: scale the character height by the font's own leading.
        font.setPixelSize(wanted.heightPixels);
        const int cell = QFontMetrics(font).height();
        if (cell > 0)
            font.setPixelSize(std::max(1, mulDiv(wanted.heightPixels, wanted.heightPixels, cell)));
    }
    // Windows and Qt 6 share the OpenType weight scale; 0 is Windows' "don't care".
    const int weight = wanted.weight == 0 ? 400 : std::clamp(wanted.weight, 1, 1000);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setItalic(wanted.italic);
    font.setUnderline(wanted.underline);
    return font;
}

DialogFont::DialogFont(const platform::DialogTemplate& source, int dpi) {
    requested_.face = localFamily(source.fontFace).toStdString();
    requested_.heightPixels = -mulDiv(source.fontPoints, dpi, 72);
    requested_.weight = 400;
    font_ = toQFont(requested_);
    // Windows takes the average width over the 52 letters, rounded up from the half.
    const QFontMetrics metrics(font_);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseX_ = (letters / 26 + 1) / 2;
    baseY_ = metrics.height();
}

QRect DialogFont::toPixels(int x, int y, int cx, int cy) const {
    // Each of the four is converted alone, as Windows creates a template's controls.
    return QRect(mulDiv(x, baseX_, 4), mulDiv(y, baseY_, 8), mulDiv(cx, baseX_, 4),
                 mulDiv(cy, baseY_, 8));
}

} // namespace korvane::qt
