#include "common/MessageCatalogue.hpp"

#include <algorithm>

namespace korvane {

const std::array<std::string_view, kCaptionCount> kMessageCaptions = {
    "Program Error",        "Image input file processing error",
    "Memory allocation",    "Image processing",
    "Clipboard operation",  "Debugging",
    "Implementation",       "Updating image data",
    "Internal information", "Recovery progress",
    "Frequency Analysis",
};

namespace {

// Index in kMessageCaptions of the captions the table below refers to by name.
enum Caption : std::int16_t {
    kProgramError = 0,
    kInputFile = 1,
    kMemory = 2,
    kImageProcessing = 3,
    kClipboard = 4,
    kDebugging = 5,
    kImplementation = 6,
    kUpdating = 7,
    kInternal = 8,
    kRecovery = 9,
    kFrequency = 10,
};

// MessageId::FunctionUnsupported is raised by highlight recovery when the function cannot
// handle the image; it belongs with the other recovery messages (NoSelection,
// NoRecoveryTemplate, SelectionTooSmall).
constexpr std::int16_t kUnsupportedFunctionCaption = kRecovery;

// The catalogue, by name. The switch has no default, so that an enumerator without its entry
// does not compile; a number that names no enumerator has no entry.
#pragma GCC diagnostic push
#pragma GCC diagnostic error "-Wswitch"
constexpr MessageEntry catalogueEntry(MessageId id) {
    using enum MessageId;
    // One message a line.
    // clang-format off
    switch (id) {
    case WrongMessageNumber: return {4, kProgramError, "Wrong message number: %1i"};
    case InputFileSpecInvalid: return {4, kInputFile, "Input file specification %1s invalid"};
    case InputOpenFailed: return {4, kInputFile, "Error opening file %1s for input:\n%2s"};
    case TooShortForTiff: return {4, kInputFile, "Input file too short for TIFF"};
    case NotTiff: return {4, kInputFile, "Input file is not in TIF format"};
    case InvalidTiffHeader: return {4, kInputFile, "Input file has invalid TIFF header"};
    case ReadFailed: return {4, kInputFile, "Error when reading file %1s:\n%2s"};
    case PositionFailed: return {4, kInputFile, "Error when positioning file %1s:\n%2s"};
    case ProcessingFailed: return {4, kInputFile, "Error when processing file %1s:\n%2s"};
    case InvalidIfd: return {4, kInputFile, "Invalid Image File Directory format"};
    case TagLookupFailed: return {5, kProgramError, "Tag definition/lookup error"};
    case AllocationFailed: return {5, kMemory, "Storage allocation of %1i bytes failed for\n%1s"};
    case NoValidImage: return {4, kImageProcessing, "There is no valid image to process in %1s"};
    case ImageIncompleteOrUnsupported: return {4, kImageProcessing, "The image file specification in %1s is incomplete or unsupported"};
    case MainImageInvalid: return {4, kImageProcessing, "The main image of the file %1s is invalid"};
    case InconsistentSpecification: return {4, kImageProcessing, "The image file %1s contains inconsistent specification:\n%2s"};
    case JpegDataError: return {4, kImageProcessing, "Error in the JPEG compressed data: \n%1s"};
    case ClipboardUnavailable: return {2, kClipboard, "The clipboard is not available;\ncopying is not possible at the moment"};
    case InternalError: return {4, kProgramError, "Internal error:\n%1s"};
    case DngFormatError: return {4, kInputFile, "Digital Negative format error:\n%1s"};
    case LogicTrace: return {8, kDebugging, "Program logic trace\n%1s"};
    case LogicTraceValues: return {8, kDebugging, "Program logic trace\n%1s, %1i, %2i, %3i"};
    case UnsupportedCamera: return {4, kImplementation, "Unsupported camera\nMake: \"%1s\" \nModel: \"%2s\""};
    case UnsupportedCameraOptions: return {4, kImplementation, "Unsupported camera options\nMake: \"%1s\" \nModel: \"%2s\""};
    case NotImplemented: return {4, kImplementation, "Function not implemented yet:\n%1s"};
    case InvalidCameraDescription: return {4, kImplementation, "Invalid camera description:\n%1s"};
    case DecompressionError: return {4, kImplementation, "Decompression error:\n%1s"};
    case UpdateUnsupported: return {4, kUpdating, "Updating image data is not supported with this image file"};
    case UpdateOpenFailed: return {4, kUpdating, "Error opening file %1s for update:\n%2s"};
    case UpdatePositionFailed: return {4, kUpdating, "Error when positioning file %1s:\n%2s"};
    case UpdateWriteFailed: return {4, kUpdating, "Error when writing file %1s:\n%2s"};
    case Information: return {1, kInternal, "%1s"};
    case NoSelection: return {2, kRecovery, "There is no selection"};
    case NoRecoveryTemplate: return {2, kRecovery, "There is no recovery template associated with F%1i"};
    case SelectionTooSmall: return {2, kRecovery, "The current selection is too small for a recovery template"};
    case FunctionUnsupported: return {2, kUnsupportedFunctionCaption, "The requested function is not supported for\n%1s"};
    case FrequencyAnalysisResult: return {1, kFrequency, "Frequency Analysis result:\n%1s"};
    }
    // clang-format on
    return {}; // level 0, caption 0 and no text
}
#pragma GCC diagnostic pop

constexpr std::array<MessageEntry, kMessageCount> kEntries = [] {
    std::array<MessageEntry, kMessageCount> entries{};
    for (int n = 0; n < kMessageCount; ++n)
        entries[static_cast<std::size_t>(n)] = catalogueEntry(static_cast<MessageId>(n));
    return entries;
}();

constexpr bool captionsInRange() {
    for (const auto& e : kEntries)
        if (e.caption < 0 || e.caption >= kCaptionCount) return false;
    return true;
}

// Whether a number in [from, to) has an entry. Below, the numbers outside the table are checked
// to have none, so that every enumerator lies in the table (two halves, for the compilers'
// limits on the work of one constant evaluation).
constexpr bool anyEntryIn(int from, int to) {
    for (int n = from; n < to; ++n)
        if (!catalogueEntry(static_cast<MessageId>(n)).text.empty()) return true;
    return false;
}
static_assert(kEntries.size() == kMessageCount, "one entry for every number 0 to 37");
static_assert(captionsInRange(), "every entry names one of the eleven captions");
static_assert(kEntries[36].text.empty() && !kEntries[37].text.empty());
static_assert(std::count_if(kEntries.begin(), kEntries.end(),
                            [](const MessageEntry& e) { return !e.text.empty(); }) ==
                  kMessageCount - 1,
              "every number but 36 has its entry");
static_assert(!anyEntryIn(INT16_MIN, 0), "no message number below 0");
static_assert(!anyEntryIn(kMessageCount, INT16_MAX + 1), "no message number above 37");

std::string integerText(std::int32_t value) {
    return value == -1 ? std::string("?") : std::to_string(value);
}

// Fills each placeholder of a catalogue text in one pass over that text, so that a
// placeholder brought in by an argument (a file named "a%2sb.dng") stays as it is.
std::string fillPlaceholders(std::string_view text, const MessageArgs& args) {
    std::string out;
    out.reserve(text.size() + args.text1.size() + args.text2.size());
    std::size_t at = 0;
    while (at < text.size()) {
        if (text[at] == '%' && at + 2 < text.size()) {
            const char digit = text[at + 1];
            const char kind = text[at + 2];
            if (kind == 'i' && digit >= '1' && digit <= '3') {
                const std::int32_t values[] = {args.int1, args.int2, args.int3};
                out += integerText(values[digit - '1']);
                at += 3;
                continue;
            }
            if (kind == 's' && (digit == '1' || digit == '2')) {
                out += digit == '1' ? args.text1 : args.text2;
                at += 3;
                continue;
            }
        }
        out += text[at++];
    }
    return out;
}

FormattedMessage invalidNumber(std::int16_t number) {
    return {number, std::string(kMessageCaptions[kProgramError]),
            "Invalid message number: " + std::to_string(number)};
}

} // namespace

const std::array<MessageEntry, kMessageCount> kMessageCatalogue = kEntries;

FormattedMessage formatMessage(std::int16_t number, const MessageArgs& args) {
    const auto index = static_cast<std::uint16_t>(number);
    // A number without an entry (38 and above, negative numbers, and the gap at 36) is itself
    // reported; nothing else is shown.
    if (index >= kMessageCount || kEntries[index].text.empty()) return invalidNumber(number);
    const MessageEntry& entry = kEntries[index];
    FormattedMessage out{number, std::string(kMessageCaptions[entry.caption]), {}};
    if (args.hasWholeText) {
        out.text = args.wholeText;
        return out;
    }
    out.text = fillPlaceholders(entry.text, args);
    return out;
}

} // namespace korvane
