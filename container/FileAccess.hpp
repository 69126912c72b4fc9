#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "common/RawFileContext.hpp"
#include "common/Reporter.hpp"
#include "common/Status.hpp"

namespace korvane {

// Cause codes of file errors, and their reason texts.
namespace file_cause {
inline constexpr int kNone = 0; // "Program error"
inline constexpr int kGeneric = 1;
inline constexpr int kFileNotFound = 2;
inline constexpr int kBadPath = 3;
inline constexpr int kTooManyOpenFiles = 4;
inline constexpr int kAccessDenied = 5;
inline constexpr int kInvalidFile = 6;
inline constexpr int kRemoveCurrentDir = 7;
inline constexpr int kDirectoryFull = 8;
inline constexpr int kBadSeek = 9;
inline constexpr int kHardIo = 10;
inline constexpr int kSharingViolation = 11;
inline constexpr int kLockViolation = 12;
inline constexpr int kDiskFull = 13;
inline constexpr int kEndOfFile = 14; // not an error
} // namespace file_cause

// windowStart and filePosition are signed 32-bit, as are the offsets the parsers pass on, so
// no read reaches past this position; longer files end here for the reader.
inline constexpr std::int64_t kLastReadablePosition = 0x7FFFFFFF;

// The reason text of a cause code ("Undefined reason code" above 14).
[[nodiscard]] std::string_view fileReasonText(int cause);
// The cause code of an errno value.
[[nodiscard]] int fileCauseFromErrno(int error);
// Reason texts are shown through a 100-character field.
[[nodiscard]] std::string truncatedReason(std::string_view reason);

// Opens context.path for reading only and takes its length. Returns 0, or the cause code of
// the failure (the caller reports it). The file is never opened for writing.
[[nodiscard]] int openRawFile(RawFileContext& context);
// Closes the file if it is open and marks the context closed.
void closeRawFile(RawFileContext& context);

// Reading the open file through the context's window buffer: 64 KiB reads at 64 KiB-aligned
// positions, callers get pointers into the buffer. Failures are reported at once (ReadFailed,
// PositionFailed and ProcessingFailed with the path and a reason) and returned as statuses.
class FileAccess {
public:
    FileAccess(RawFileContext& context, Reporter& reporter) : ctx_(context), reporter_(reporter) {}

    static constexpr Status kCannotPosition = -1;
    static constexpr Status kReadFailed = -2;
    static constexpr Status kPositionInvalid = -3;
    static constexpr Status kPositionNonexistent = -4;
    static constexpr std::uint32_t kLengthInvalid = 0xFFFFFFFFu;

    [[nodiscard]] Status SeekTo(std::int64_t position);
    [[nodiscard]] Status SkipBytes(std::int64_t count);
    // Sets `data` to `count` bytes (fewer at the end of the file or after an error) and
    // returns how many there are, or kLengthInvalid. They stay valid until the next call.
    [[nodiscard]] std::uint32_t ReadBytes(std::uint32_t count, const std::uint8_t*& data);

    // The file position of the next byte ReadBytes would deliver.
    std::int64_t tell() const { return static_cast<std::int64_t>(ctx_.windowStart) + ctx_.cursor; }
    RawFileContext& context() { return ctx_; }
    Reporter& reporter() { return reporter_; }

private:
    // Reads up to one block at the file's current position into buffer + at; returns the
    // count, 0 at the end of the file, or -1 after an error (flag set, MessageId::ReadFailed
    // shown).
    std::int64_t physicalRead(std::uint32_t at);
    void reportFileError(MessageId message, int cause);
    void dropWindow();

    RawFileContext& ctx_;
    Reporter& reporter_;
};

} // namespace korvane
