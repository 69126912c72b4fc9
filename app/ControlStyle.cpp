#include "app/ControlStyle.hpp"

#include <array>
#include <cmath>

#include "resources/ControlIds.hpp"

namespace korvane {

namespace {

using platform::rgb;

constexpr auto kNavy = rgb(0, 0, 128);
constexpr auto kBlue = rgb(0, 0, 192);
constexpr auto kGreen = rgb(0, 96, 0);
constexpr auto kPurple = rgb(96, 0, 96);
constexpr auto kFirebrick = rgb(178, 34, 34);
constexpr auto kMaroon = rgb(128, 0, 0);

constexpr ControlStyle plain(int id, platform::Rgb colour) {
    return {id, colour, {}, 0, 0, 0};
}

constexpr auto kTable = std::to_array<ControlStyle>({
    plain(1000, rgb(0, 0, 224)),
    plain(1001, rgb(192, 0, 0)),
    {1002, std::nullopt, {}, 0, 0, 0},
    plain(1008, kGreen),
    plain(1009, kPurple),
    plain(1012, kPurple),
    plain(1010, kFirebrick),
    plain(1011, kFirebrick),
    plain(1014, kFirebrick),
    plain(1060, kFirebrick),
    {1020, kBlue, {}, 400, 0, 1},
    {1021, kBlue, {}, 400, 0, 1},
    {1062, kBlue, {}, 400, 0, 1},
    plain(1022, kGreen),
    plain(1023, kGreen),
    plain(1024, kGreen),
    plain(1025, kGreen),
    plain(1026, kGreen),
    plain(1027, kGreen),
    plain(1064, kGreen),
    plain(1065, kGreen),
    plain(1066, kGreen),
    plain(1067, kGreen),
    plain(1068, kGreen),
    plain(1070, kGreen),
    plain(1074, kGreen),
    plain(1075, kGreen),
    {1028, kNavy, {}, 400, 0, 0},
    plain(1041, kGreen),
    plain(1042, kGreen),
    plain(1046, kGreen),
    plain(1063, kGreen),
    {1054, kNavy, {}, 400, 0, 1},
    plain(1055, kMaroon),
    plain(1056, kMaroon),
    plain(1057, kMaroon),
    plain(1058, kMaroon),
    plain(1059, kMaroon),
    {1071, rgb(0, 0, 0), {}, 400, -1.0f, 1},
    {1072, kBlue, {}, 700, 0.5f, 1},
    {1080, kFirebrick, {}, 700, 0.5f, 1},
    {1078, kFirebrick, {}, 700, 0, 1},
});

constexpr bool distinctIds() {
    for (std::size_t i = 0; i < kTable.size(); ++i)
        for (std::size_t j = i + 1; j < kTable.size(); ++j)
            if (kTable[i].id == kTable[j].id) return false;
    return true;
}
static_assert(distinctIds(), "a control has one style row");

} // namespace

std::span<const ControlStyle> controlStyleTable() {
    return kTable;
}

const ControlStyle* findControlStyle(int id) {
    for (const auto& row : kTable)
        if (row.id == id) return &row;
    return nullptr;
}

void applyControlStyles(platform::DialogWindow& window, int dpi, int step) {
    if (dpi <= 0) dpi = 96;
    for (const auto& row : kTable) {
        platform::FontDescription font = window.font(row.id);
        // Sizes are worked out in tenths of a point, as the screen resolution gives them.
        const int tenths = -font.heightPixels * 720 / dpi;
        if (row.sizeChange != 0 || row.sizeStep != 0) {
            const double size =
                step == 0 ? tenths + 10.0 * row.sizeChange : tenths + 10.0 * row.sizeStep * step;
            // Rounded, so that a font whose size does not change keeps its height.
            font.heightPixels = -static_cast<int>(std::lround(size * dpi / 720.0));
        }
        font.face = std::string(row.face.empty() ? kDefaultStyleFace : row.face);
        if (row.weight != 0) font.weight = row.weight;
        if (row.italic) font.italic = true;
        if (row.underline) font.underline = true;
        window.setFont(row.id, font);
        window.redraw(row.id);
    }
}

} // namespace korvane
