#include "container/FileAccess.hpp"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvane {

namespace {

constexpr std::array<std::string_view, 14> kReasons = {
    "Program error",       "Generic error",
    "File not found",      "Invalid path",
    "Too many open files", "Access denied",
    "Invalid file handle", "Can't remove current directory",
    "Directory full",      "Bad seek operation",
    "Hardware I/O error",  "Sharing violation",
    "Lock violation",      "Disk full",
};

constexpr std::size_t kReasonField = 100;

constexpr std::int64_t kLastPosition = kLastReadablePosition;

} // namespace

std::string_view fileReasonText(int cause) {
    if (cause >= 0 && cause < static_cast<int>(kReasons.size())) return kReasons[cause];
    if (cause == file_cause::kEndOfFile) return "End of file";
    return "Undefined reason code";
}

int fileCauseFromErrno(int error) {
    switch (error) {
    case 0:
        return file_cause::kNone;
    case ENOENT:
        return file_cause::kFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case EINVAL:
        return file_cause::kBadPath;
    case EMFILE:
    case ENFILE:
        return file_cause::kTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return file_cause::kAccessDenied;
    case EBADF:
        return file_cause::kInvalidFile;
    case EBUSY:
    case ETXTBSY:
        return file_cause::kSharingViolation;
    case EWOULDBLOCK:
        return file_cause::kLockViolation;
    case ESPIPE:
    case EOVERFLOW:
        return file_cause::kBadSeek;
    case EIO:
        return file_cause::kHardIo;
    case ENOSPC:
        return file_cause::kDiskFull;
    default:
        return file_cause::kGeneric;
    }
}

std::string truncatedReason(std::string_view reason) {
    return std::string(reason.substr(0, kReasonField - 1));
}

RawFile::~RawFile() {
    close();
}

void RawFile::close() {
    if (descriptor >= 0) ::close(descriptor);
    descriptor = -1;
}

int openRawFile(RawFileContext& context) {
    const int fd = ::open(context.path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return context.openErrorCause = fileCauseFromErrno(errno);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int cause = fileCauseFromErrno(errno);
        ::close(fd);
        return context.openErrorCause = cause;
    }
    if (!S_ISREG(info.st_mode)) {
        // A directory or device is not a raw file; reading it would fail or never end.
        ::close(fd);
        return context.openErrorCause = file_cause::kAccessDenied;
    }
    // Readers share the file; an advisory shared lock keeps cooperating writers out.
    (void)::flock(fd, LOCK_SH | LOCK_NB);
    context.file.descriptor = fd;
    // A longer file is only read up to kLastPosition; parsers check offsets against this.
    const auto length = static_cast<std::int64_t>(info.st_size);
    context.fileLength = static_cast<std::uint32_t>(std::min(length, kLastPosition));
    context.filePosition = 0;
    context.flags =
        static_cast<std::uint8_t>((context.flags & ~file_flags::kClosed) | file_flags::kOpen);
    context.openErrorCause = 0;
    return 0;
}

void closeRawFile(RawFileContext& context) {
    context.file.close();
    context.flags = file_flags::kClosed | (context.flags & file_flags::kCreated);
}

void FileAccess::reportFileError(MessageId message, int cause) {
    reporter_.ShowMessage(message, ctx_.path, truncatedReason(fileReasonText(cause)));
}

std::int64_t FileAccess::physicalRead(std::uint32_t at) {
    const auto wanted = static_cast<std::uint32_t>(
        std::min<std::int64_t>(kReadBlockSize, kLastPosition - ctx_.filePosition));
    std::uint32_t total = 0;
    // A read may deliver less than asked before the end of the file; keep reading until the
    // block is full or the file ends, so that "fewer bytes" reliably means the end.
    while (total < wanted) {
        const ssize_t n =
            ::read(ctx_.file.descriptor, ctx_.buffer.data() + at + total, wanted - total);
        if (n < 0) {
            if (errno == EINTR) continue;
            ctx_.flags |= file_flags::kError;
            reportFileError(MessageId::ReadFailed, fileCauseFromErrno(errno));
            return -1;
        }
        if (n == 0) break;
        total += static_cast<std::uint32_t>(n);
    }
    return total;
}

// A refused seek leaves nothing to read: the window is emptied and marked as ended, so a
// following ReadBytes delivers no bytes (rather than bytes of the earlier block) until a seek
// succeeds. The empty window stands where the file is, and an empty window holds no position.
void FileAccess::dropWindow() {
    ctx_.windowLength = 0;
    ctx_.cursor = 0;
    ctx_.carriedCount = 0;
    ctx_.windowStart = std::max(ctx_.filePosition, 0);
    ctx_.flags |= file_flags::kEndOfFile;
}

Status FileAccess::SeekTo(std::int64_t position) {
    const std::int64_t windowEnd = static_cast<std::int64_t>(ctx_.windowStart) + ctx_.windowLength;
    // An empty window holds no position, not even its start: it is only left by a refusal.
    if (ctx_.windowLength > 0 && position >= ctx_.windowStart && position <= windowEnd) {
        ctx_.cursor = static_cast<std::uint32_t>(position - ctx_.windowStart);
        return kOk;
    }
    if (position < 0 || position > kLastPosition || ctx_.buffer.size() < kReadBufferSize) {
        ctx_.flags |= file_flags::kError;
        dropWindow();
        reportFileError(MessageId::PositionFailed, file_cause::kBadSeek);
        return kCannotPosition;
    }
    const std::int64_t blockStart = (position / kReadBlockSize) * kReadBlockSize;
    // A block the file does not reach is refused without a read.
    if (blockStart >= ctx_.fileLength) {
        dropWindow();
        reporter_.ShowMessage(MessageId::ProcessingFailed, ctx_.path, "requested position invalid");
        return kPositionInvalid;
    }
    if (::lseek(ctx_.file.descriptor, static_cast<off_t>(blockStart), SEEK_SET) < 0) {
        ctx_.flags |= file_flags::kError;
        dropWindow();
        reportFileError(MessageId::PositionFailed, fileCauseFromErrno(errno));
        return kCannotPosition;
    }
    ctx_.flags &= static_cast<std::uint8_t>(~file_flags::kEndOfFile);
    ctx_.windowLength = 0;
    ctx_.cursor = 0;
    ctx_.carriedCount = 0;
    // The empty window stands where the file now is: should the read below fail or find
    // nothing (a file cut short while open), no other position is taken for one inside it.
    ctx_.windowStart = ctx_.filePosition = static_cast<std::int32_t>(blockStart);

    const std::int64_t got = physicalRead(0);
    if (got < 0) {
        ctx_.windowStart = ctx_.filePosition = 0;
        return kReadFailed;
    }
    const auto count = static_cast<std::uint32_t>(got);
    if (count < kReadBlockSize) ctx_.flags |= file_flags::kEndOfFile;
    if (count == 0) {
        dropWindow();
        reporter_.ShowMessage(MessageId::ProcessingFailed, ctx_.path, "requested position invalid");
        return kPositionInvalid;
    }
    ctx_.lastReadCount = ctx_.windowLength = count;
    ctx_.filePosition = static_cast<std::int32_t>(blockStart + count);
    ctx_.windowStart = static_cast<std::int32_t>(blockStart);
    if (position < blockStart + count) {
        ctx_.cursor = static_cast<std::uint32_t>(position % kReadBlockSize);
        return kOk;
    }
    // The last block stays in the window (a seek into it needs no read), but the cursor
    // stands at its end, where the end flag lets nothing more be read.
    ctx_.cursor = count;
    reporter_.ShowMessage(MessageId::ProcessingFailed, ctx_.path, "requested position nonexistent");
    return kPositionNonexistent;
}

Status FileAccess::SkipBytes(std::int64_t count) {
    if (count <= 0) return kOk;
    const std::int64_t cursor = static_cast<std::int64_t>(ctx_.cursor) + count;
    if (cursor >= ctx_.windowLength)
        return SeekTo(static_cast<std::int64_t>(ctx_.windowStart) + cursor);
    ctx_.cursor = static_cast<std::uint32_t>(cursor);
    return kOk;
}

std::uint32_t FileAccess::ReadBytes(std::uint32_t count, const std::uint8_t*& data) {
    const std::uint32_t remaining = ctx_.windowLength - ctx_.cursor;
    data = ctx_.buffer.data() + ctx_.cursor;
    if (remaining >= count) {
        ctx_.cursor += count;
        return count;
    }
    if ((ctx_.flags & (file_flags::kEndOfFile | file_flags::kError)) != 0 ||
        ctx_.buffer.size() < kReadBufferSize || !ctx_.file.isOpen()) {
        ctx_.cursor += remaining;
        return remaining;
    }
    if (remaining > kMaxCarriedBytes) {
        reporter_.ShowMessage(MessageId::ProcessingFailed, ctx_.path,
                              "requested data length invalid");
        return kLengthInvalid;
    }
    std::memmove(ctx_.buffer.data(), ctx_.buffer.data() + ctx_.cursor, remaining);
    ctx_.windowStart += static_cast<std::int32_t>(ctx_.windowLength - remaining);
    ctx_.carriedCount = remaining;
    ctx_.cursor = 0;

    const std::int64_t got = physicalRead(remaining);
    // A read error makes the request 0: the caller gets no bytes and the error flag stays.
    if (got < 0) count = 0;
    const auto read = got < 0 ? 0u : static_cast<std::uint32_t>(got);
    ctx_.windowLength = remaining + read;
    ctx_.filePosition += static_cast<std::int32_t>(read);
    ctx_.lastReadCount = read;
    if (read < kReadBlockSize) ctx_.flags |= file_flags::kEndOfFile;
    data = ctx_.buffer.data();
    if (ctx_.windowLength < count) {
        ctx_.cursor = ctx_.windowLength;
        return ctx_.windowLength;
    }
    ctx_.cursor = count;
    return count;
}

} // namespace korvane
