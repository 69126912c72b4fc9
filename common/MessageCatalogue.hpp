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
    std::int16_t caption;  // index into kMessageCaptions
    std::string_view text; // empty where the number has no entry
};

// The catalogue's numbers by what each message is about. The number is what the user sees with
// the message and what scripts compare; each enumerator has its catalogue entry and each entry
// its enumerator (the catalogue is written by these names, and checked where it is defined).
// Each group's first number is given, so that an enumerator added or dropped in a group does
// not move the numbers of the next: the catalogue then has two entries for one number, or a
// number without an entry, and does not compile.
enum class MessageId : std::int16_t {
    // The catalogue itself: 0.
    WrongMessageNumber = 0,
    // Opening and reading the file: 1 to 10.
    InputFileSpecInvalid = 1,
    InputOpenFailed,
    TooShortForTiff,
    NotTiff,
    InvalidTiffHeader,
    ReadFailed,
    PositionFailed,
    ProcessingFailed,
    InvalidIfd,
    TagLookupFailed,
    // Memory: 11.
    AllocationFailed = 11,
    // The image the file describes and its data: 12 to 16.
    NoValidImage = 12,
    ImageIncompleteOrUnsupported,
    MainImageInvalid,
    InconsistentSpecification,
    JpegDataError,
    // The clipboard: 17.
    ClipboardUnavailable = 17,
    // An internal error, a DNG format error, program traces: 18 to 21.
    InternalError = 18,
    DngFormatError,
    LogicTrace,
    LogicTraceValues,
    // What is not implemented (cameras, codings, functions): 22 to 26.
    UnsupportedCamera = 22,
    UnsupportedCameraOptions,
    NotImplemented,
    InvalidCameraDescription,
    DecompressionError,
    // Writing image data back to the file: 27 to 30.
    UpdateUnsupported = 27,
    UpdateOpenFailed,
    UpdatePositionFailed,
    UpdateWriteFailed,
    // Information for the user: 31.
    Information = 31,
    // Highlight recovery: 32 to 35.
    NoSelection = 32,
    NoRecoveryTemplate,
    SelectionTooSmall,
    FunctionUnsupported,
    // Frequency analysis: 37 (36 has no entry).
    FrequencyAnalysisResult = 37,
};

// The number a user sees with message `id`.
[[nodiscard]] constexpr std::int16_t messageNumber(MessageId id) {
    return static_cast<std::int16_t>(id);
}

inline constexpr int kMessageCount = 38; // numbers 0 to 37
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
    std::string wholeText; // shown unchanged when hasWholeText is set
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
    bool rawFileRequest = false; // a request for the raw file, not catalogue message `number`
};

// Builds the caption and text of message `number` from its catalogue entry and arguments.
[[nodiscard]] FormattedMessage formatMessage(std::int16_t number, const MessageArgs& args);

} // namespace korvane
