#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvane {

// One numbered user message. The level is carried with the message; every box looks the same
// whatever its level.
struct MessageEntry {
    std::int32_t level;
    std::int16_t caption;   // index into kMessageCaptions
    std::string_view text;  // empty where the number has no entry
};

inline constexpr int kMessageCount = 38;   // numbers 0 to 37
inline constexpr int kCaptionCount = 11;

extern const std::array<std::string_view, kCaptionCount> kMessageCaptions;
extern const std::array<MessageEntry, kMessageCount> kMessageCatalogue;

// The arguments a caller gives for the placeholders. An integer of -1 is shown as "?".
struct MessageArgs {
    std::int32_t int1 = -1;
    std::int32_t int2 = -1;
    std::int32_t int3 = -1;
    std::string text1 = "?";
    std::string text2 = "?";
    bool hasWholeText = false;
    std::string wholeText;  // shown unchanged when hasWholeText is set
};

// The caption of the one box that is no catalogue message: it asks the user for a raw file
// that the program reads only in part, so that it can be supported.
inline constexpr std::string_view kRawFileRequestCaption = "Request for Raw File";
// The number a raw file request carries in place of a catalogue number.
inline constexpr std::int16_t kRawFileRequestNumber = -1;

// What a message box shows.
struct FormattedMessage {
    std::int16_t number = 0;
    std::string caption;
    std::string text;
    bool rawFileRequest = false;  // a request for the raw file, not catalogue message `number`
};

// Builds the caption and text of message `number` from its catalogue entry and arguments.
[[nodiscard]] FormattedMessage formatMessage(std::int16_t number, const MessageArgs& args);

} // namespace korvane
