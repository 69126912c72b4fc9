// The keys the main dialog acts on when they are released, in the order they are tried:
// the first row whose key and modifiers match takes the key. A modifier a row leaves at
// Any may be held or not. Where two rows differ only in a modifier (Ctrl+I and Ctrl+Alt+I,
// the digit rows), the earlier row excludes it, so that the later one can be reached.
#include <array>
#include <vector>

#include "app/AnalyzerDlg.hpp"
#include "platform/VirtualKeys.hpp"

namespace korvane {

namespace {

namespace vk = platform::vk;
constexpr Held Y = Held::Yes, N = Held::No, A = Held::Any;

constexpr int key(char c) {
    return c >= '0' && c <= '9' ? vk::digit(c - '0') : vk::letter(c);
}

} // namespace

std::span<const CAnalyzerDlg::KeyReleaseRow> CAnalyzerDlg::keyReleaseRows() {
    using D = CAnalyzerDlg;
    // {key, Ctrl, Shift, Alt, last key of a run}, action, also without an image
    static constexpr std::array kRows = std::to_array<KeyReleaseRow>({
        {{key('B'), Y, A, A}, &D::keyShowView, false},
        {{key('C'), Y, A, A}, &D::keyCopy, false},
        {{key('D'), Y, A, A}, &D::keyDropSelection, false},
        {{key('E'), Y, A, A}, &D::keyShowView, false},
        {{key('H'), Y, A, A}, &D::keyShowView, false},
        {{key('I'), Y, A, N}, &D::keyShowView, false},
        {{key('I'), Y, A, Y}, &D::keySerial, false},
        {{key('L'), Y, A, A}, &D::keyRotate, false},
        {{key('R'), Y, A, N}, &D::keyRotate, false},
        {{key('N'), Y, A, N}, &D::keyShowView, false},
        {{key('N'), Y, A, Y}, &D::keyToolDialog, false},
        {{key('W'), Y, A, Y}, &D::keyToolDialog, false},
        {{key('W'), Y, A, N}, &D::keyWhiteBalanceFromSelection, false},
        {{key('O'), Y, A, A}, &D::keyBrowse, true},
        {{key('S'), Y, A, A}, &D::keyUpdateRefused, false},
        {{vk::kAdd, N, A, N}, &D::keyZoom, false},
        {{vk::kSubtract, N, A, N}, &D::keyZoom, false},
        {{key('0'), Y, Y, Y}, &D::keyHistogramTop, false},
        {{key('0'), Y, N, Y}, &D::keyZoom, false},
        {{key('0'), Y, N, N}, &D::keyAsShot, false},
        {{key('1'), Y, Y, N, key('5')}, &D::keySaveWhiteBalance, false},
        {{key('1'), Y, N, N, key('5')}, &D::keyRecallWhiteBalance, false},
        {{key('5'), Y, N, Y}, &D::keyRecallWhiteBalance, false},
        {{key('1'), Y, N, Y, key('4')}, &D::keyPositionBlack, false},
        {{key('1'), Y, Y, Y, key('4')}, &D::keyChannelWhite, false},
        {{key('5'), Y, Y, Y}, &D::keyContextWhite, false},
        {{key('9'), Y, Y, Y}, &D::keyHistogramTop, false},
        {{key('1'), N, N, Y}, &D::keyClipLevel, false},
        {{key('2'), N, A, Y, key('4')}, &D::keyClipLevel, false},
        {{key('1'), N, Y, N, key('4')}, &D::keyIsolateChannel, false},
        {{key('5'), N, Y, A}, &D::keyIsolateChannel, false},
        {{vk::kF1, A, A, Y}, &D::keyRecoveryTemplate, false},
        {{vk::kF1, A, Y, A, vk::kF1 + 3}, &D::keyFrequencyAnalysis, false},
        {{vk::kF1, Y, A, A, vk::kF1 + 3}, &D::keyFrequencyAnalysis, false},
        {{vk::kF1 + 7, Y, A, A}, &D::keyMeasureColumnProfile, false},
        {{vk::kF1 + 8, Y, A, A}, &D::keyApplyColumnProfile, false},
        {{vk::kUp, A, A, A}, &D::keyConsumeArrow, true},
        {{vk::kDown, A, A, A}, &D::keyConsumeArrow, true},
        {{vk::kLeft, A, A, A}, &D::keyConsumeArrow, true},
        {{vk::kRight, A, A, A}, &D::keyConsumeArrow, true},
        {{vk::kHome, A, A, A}, &D::keyConsumeArrow, true},
        {{vk::kEnd, A, A, A}, &D::keyConsumeArrow, true},
    });
    return kRows;
}

std::vector<KeyPattern> CAnalyzerDlg::releasedKeys() {
    std::vector<KeyPattern> keys;
    for (const KeyReleaseRow& row : keyReleaseRows())
        keys.push_back(row.pattern);
    return keys;
}

} // namespace korvane
