#include "common/MessageCatalogue.hpp"

#include <algorithm>

namespace korvane {

const std::array<std::string_view, kCaptionCount> kMessageCaptions = {
    "Program Error",
    "Image input file processing error",
    "Memory allocation",
    "Image processing",
    "Clipboard operation",
    "Debugging",
    "Implementation",
    "Updating image data",
    "Internal information",
    "Recovery progress",
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

// Message 35 is raised by highlight recovery when the function cannot handle the image; it
// belongs with the other recovery messages 32 to 34.
constexpr std::int16_t kUnsupportedFunctionCaption = kRecovery;

constexpr std::array<MessageEntry, kMessageCount> kEntries = {{
    {4, kProgramError, "Wrong message number: %1i"},
    {4, kInputFile, "Input file specification %1s invalid"},
    {4, kInputFile, "Error opening file %1s for input:\n%2s"},
    {4, kInputFile, "Input file too short for TIFF"},
    {4, kInputFile, "Input file is not in TIF format"},
    {4, kInputFile, "Input file has invalid TIFF header"},
    {4, kInputFile, "Error when reading file %1s:\n%2s"},
    {4, kInputFile, "Error when positioning file %1s:\n%2s"},
    {4, kInputFile, "Error when processing file %1s:\n%2s"},
    {4, kInputFile, "Invalid Image File Directory format"},
    {5, kProgramError, "Tag definition/lookup error"},
    {5, kMemory, "Storage allocation of %1i bytes failed for\n%1s"},
    {4, kImageProcessing, "There is no valid image to process in %1s"},
    {4, kImageProcessing, "The image file specification in %1s is incomplete or unsupported"},
    {4, kImageProcessing, "The main image of the file %1s is invalid"},
    {4, kImageProcessing, "The image file %1s contains inconsistent specification:\n%2s"},
    {4, kImageProcessing, "Error in the JPEG compressed data: \n%1s"},
    {2, kClipboard, "The clipboard is not available;\ncopying is not possible at the moment"},
    {4, kProgramError, "Internal error:\n%1s"},
    {4, kInputFile, "Digital Negative format error:\n%1s"},
    {8, kDebugging, "Program logic trace\n%1s"},
    {8, kDebugging, "Program logic trace\n%1s, %1i, %2i, %3i"},
    {4, kImplementation, "Unsupported camera\nMake: \"%1s\" \nModel: \"%2s\""},
    {4, kImplementation, "Unsupported camera options\nMake: \"%1s\" \nModel: \"%2s\""},
    {4, kImplementation, "Function not implemented yet:\n%1s"},
    {4, kImplementation, "Invalid camera description:\n%1s"},
    {4, kImplementation, "Decompression error:\n%1s"},
    {4, kUpdating, "Updating image data is not supported with this image file"},
    {4, kUpdating, "Error opening file %1s for update:\n%2s"},
    {4, kUpdating, "Error when positioning file %1s:\n%2s"},
    {4, kUpdating, "Error when writing file %1s:\n%2s"},
    {1, kInternal, "%1s"},
    {2, kRecovery, "There is no selection"},
    {2, kRecovery, "There is no recovery template associated with F%1i"},
    {2, kRecovery, "The current selection is too small for a recovery template"},
    {2, kUnsupportedFunctionCaption, "The requested function is not supported for\n%1s"},
    {0, kProgramError, ""},  // 36 has no entry
    {1, kFrequency, "Frequency Analysis result:\n%1s"},
}};

constexpr bool captionsInRange() {
    for (const auto& e : kEntries)
        if (e.caption < 0 || e.caption >= kCaptionCount) return false;
    return true;
}
static_assert(kEntries.size() == kMessageCount, "one entry for every number 0 to 37");
static_assert(captionsInRange(), "every entry names one of the eleven captions");
static_assert(kEntries[36].text.empty() && !kEntries[37].text.empty());

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
