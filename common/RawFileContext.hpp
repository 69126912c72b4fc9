#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/ImageDescriptor.hpp"

namespace korvane {

// Flags of a RawFileContext.
namespace file_flags {
inline constexpr std::uint8_t kCreated = 0x80;
inline constexpr std::uint8_t kOpen = 0x40;
inline constexpr std::uint8_t kEndOfFile = 0x20;
inline constexpr std::uint8_t kError = 0x10;
inline constexpr std::uint8_t kClosed = 0x08;
} // namespace file_flags

// Phase of the load shown on the "Process" button.
enum class LoadPhase : std::uint8_t { Idle = 0, Opening = 1, Reading = 2 };

// Physical reads are 64 KiB at 64 KiB-aligned positions; a request may carry at most 4 KiB
// over from the previous window, so the buffer holds one block plus that carry.
inline constexpr std::uint32_t kReadBlockSize = 0x10000;
inline constexpr std::uint32_t kMaxCarriedBytes = 4096;
inline constexpr std::uint32_t kReadBufferSize = 0x11000;
static_assert(kReadBufferSize == kReadBlockSize + kMaxCarriedBytes);

// The open operating-system file. Closing it is the owner's job (RawFile's destructor).
struct RawFile {
    int descriptor = -1;
    RawFile() = default;
    RawFile(const RawFile&) = delete;
    RawFile& operator=(const RawFile&) = delete;
    ~RawFile();
    bool isOpen() const { return descriptor >= 0; }
    void close();
};

// The record of one processed file: the file and its read window while it is open, then
// what parsing and loading found.
struct RawFileContext {
    // File access.
    std::string path;
    std::uint32_t fileLength = 0;
    std::vector<std::uint8_t> buffer;  // kReadBufferSize bytes while the file is open
    std::uint32_t bufferSize = 0;
    std::uint32_t cursor = 0;        // read position inside the window
    std::int32_t windowStart = 0;    // file position of buffer[0]
    std::uint32_t windowLength = 0;  // valid bytes in the buffer
    std::int32_t filePosition = 0;   // file position after the last physical read
    std::uint32_t lastReadCount = 0;
    std::uint32_t carriedCount = 0;
    std::uint8_t flags = file_flags::kCreated;
    LoadPhase phase = LoadPhase::Idle;
    RawFile file;
    int openErrorCause = 0;  // cause code of the last failed open

    // What the container found. The main image is owned here.
    std::unique_ptr<ImageDescriptor> mainImage;
    std::uint8_t formatCode = 0;
    std::array<std::int32_t, 4> channelLevels{};
    // The two 3 x 3 colour matrices start as the identity.
    std::array<float, 9> colourMatrix1{1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::array<float, 9> colourMatrix2{1, 0, 0, 0, 1, 0, 0, 0, 1};

    bool isOpen() const { return (flags & file_flags::kOpen) != 0; }
};

} // namespace korvane
