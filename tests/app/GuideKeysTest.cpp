// The user guide's keyboard table against the dialog's own key table: every key the dialog
// acts on when released is named in the guide.
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "app/AnalyzerDlg.hpp"
#include "platform/VirtualKeys.hpp"

namespace korvane {
namespace {

namespace vk = platform::vk;

std::string keyName(int code) {
    if (code >= vk::kA && code <= vk::kA + 25)
        return std::string(1, static_cast<char>('A' + code - vk::kA));
    if (code >= vk::k0 && code <= vk::k0 + 9)
        return std::string(1, static_cast<char>('0' + code - vk::k0));
    if (code >= vk::kF1 && code <= vk::kF1 + 11) return "F" + std::to_string(code - vk::kF1 + 1);
    switch (code) {
    case vk::kAdd:
        return "add";
    case vk::kSubtract:
        return "subtract";
    case vk::kUp:
        return "Up";
    case vk::kDown:
        return "Down";
    case vk::kLeft:
        return "Left";
    case vk::kRight:
        return "Right";
    case vk::kHome:
        return "Home";
    case vk::kEnd:
        return "End";
    default:
        return "key " + std::to_string(code);
    }
}

// "Ctrl+Alt+Shift+K": the modifiers a row asks to be held, in that order.
std::string comboName(const KeyPattern& p, int code) {
    std::string name;
    if (p.ctrl == Held::Yes) name += "Ctrl+";
    if (p.alt == Held::Yes) name += "Alt+";
    if (p.shift == Held::Yes) name += "Shift+";
    return name + keyName(code);
}

// The keys the guide's table names: every <kbd> of the table, and the keys between two of
// them written "<kbd>X1</kbd> … <kbd>X4</kbd>" (the same prefix, a run of numbers).
std::set<std::string> guideKeys(const std::string& html) {
    const std::size_t start = html.find("<table id=\"key-table\">");
    const std::size_t end = html.find("</table>", start);
    EXPECT_NE(start, std::string::npos) << "the guide has no keyboard table";
    const std::string table = html.substr(start, end - start);
    std::set<std::string> keys;
    const std::regex kbd("<kbd>([^<]*)</kbd>");
    for (auto it = std::sregex_iterator(table.begin(), table.end(), kbd);
         it != std::sregex_iterator(); ++it)
        keys.insert((*it)[1]);
    const std::regex run("<kbd>([^<]*?)([0-9]+)</kbd> … <kbd>([^<]*?)([0-9]+)</kbd>");
    for (auto it = std::sregex_iterator(table.begin(), table.end(), run);
         it != std::sregex_iterator(); ++it) {
        EXPECT_EQ((*it)[1], (*it)[3]) << "a run with two prefixes: " << it->str();
        for (int n = std::stoi((*it)[2]); n <= std::stoi((*it)[4]); ++n)
            keys.insert((*it)[1].str() + std::to_string(n));
    }
    return keys;
}

TEST(UserGuide, NamesEveryKeyTheDialogActsOn) {
    std::ifstream in(KORVANE_GUIDE_PATH);
    ASSERT_TRUE(in) << KORVANE_GUIDE_PATH;
    const std::string html{std::istreambuf_iterator<char>(in), {}};
    const std::set<std::string> documented = guideKeys(html);
    int checked = 0;
    for (const KeyPattern& p : CAnalyzerDlg::releasedKeys()) {
        for (int code = p.key; code <= std::max(p.key, p.last); ++code) {
            EXPECT_TRUE(documented.count(comboName(p, code)) == 1)
                << comboName(p, code) << " is not in the guide";
            ++checked;
        }
    }
    EXPECT_GT(checked, 60);
}

} // namespace
} // namespace korvane
