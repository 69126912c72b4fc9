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

// The catalogue's numbers by what each message is about. The number is what the user sees with
// the message and what scripts compare; each enumerator has its catalogue entry and each entry
// its enumerator (the catalogue is written by these names, and checked where it is defined).
enum class MessageId : std::int16_t {
    // The catalogue itself.
    WrongMessageNumber = 0,
    // Opening and reading the file.
    InputFileSpecInvalid = 1,
    InputOpenFailed = 2,
    TooShortForTiff = 3,
    NotTiff = 4,
    InvalidTiffHeader = 5,
    ReadFailed = 6,
    PositionFailed = 7,
    ProcessingFailed = 8,
    InvalidIfd = 9,
    TagLookupFailed = 10,
    // Memory.
    AllocationFailed = 11,
    // The image the file describes and its data.
    NoValidImage = 12,
    ImageIncompleteOrUnsupported = 13,
    MainImageInvalid = 14,
    InconsistentSpecification = 15,
    JpegDataError = 16,
    // The clipboard.
    ClipboardUnavailable = 17,
    // An internal error, a DNG format error, program traces.
    InternalError = 18,
    DngFormatError = 19,
    LogicTrace = 20,
    LogicTraceValues = 21,
    // What is not implemented: cameras, codings, functions.
    UnsupportedCamera = 22,
    UnsupportedCameraOptions = 23,
    NotImplemented = 24,
    InvalidCameraDescription = 25,
    DecompressionError = 26,
    // Writing image data back to the file.
    UpdateUnsupported = 27,
    UpdateOpenFailed = 28,
    UpdatePositionFailed = 29,
    UpdateWriteFailed = 30,
    // Information for the user.
    Information = 31,
    // Highlight recovery.
    NoSelection = 32,
    NoRecoveryTemplate = 33,
    SelectionTooSmall = 34,
    FunctionUnsupported = 35,
    // Frequency analysis (36 has no entry).
    FrequencyAnalysisResult = 37,
};

// The number a user sees with message `id`.
[[nodiscard]] constexpr std::int16_t messageNumber(MessageId id) {
    return static_cast<std::int16_t>(id);
}

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
