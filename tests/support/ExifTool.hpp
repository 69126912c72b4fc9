#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace korvane::test {

// exiftool (libimage-exiftool-perl) as an independent reader of file structure and tags.

// The standard output of a shell command, or nullopt when it could not run or failed.
std::optional<std::string> commandOutput(const std::string& command);
// `text` in single quotes for the shell.
std::string shellQuoted(const std::string& text);

bool exiftoolAvailable();

// "Group:TagName" -> value as exiftool prints them with -args -n -a -G1 -u (numbers as
// numbers, duplicates kept by their directory group, e.g. "IFD0:Make", "SubIFD:ImageWidth",
// "ExifIFD:ISO"). Empty when exiftool fails.
std::map<std::string, std::string> exiftoolTags(const std::string& path);

// One directory entry as exiftool's verbose listing (-v3) shows it.
struct ExifToolEntry {
    std::string directory; // "IFD0", "IFD1", "SubIFD", "ExifIFD", ...
    std::string name;      // exiftool's tag name
    std::string value;     // as printed
    std::uint16_t tag = 0;
    std::string format; // "int8u", "string", "int16u", "rational64s", "double", ...
    std::uint32_t count = 0;
    std::uint32_t byteCount = 0;
    std::uint32_t valueOffset = 0; // file offset of the value bytes
    std::vector<std::uint8_t>
        valueBytes; // as stored (exiftool shows at most the first few hundred)
};
std::vector<ExifToolEntry> exiftoolEntries(const std::string& path);

} // namespace korvane::test
