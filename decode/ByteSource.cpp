#include "decode/ByteSource.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "common/RawFileContext.hpp"
#include "common/Reporter.hpp"
#include "container/FileAccess.hpp"

namespace korvane {

ByteSource::~ByteSource() = default;

std::span<const std::uint8_t> ByteSource::lend(std::uint32_t) {
    return {};
}

std::span<const std::uint8_t> MemoryByteSource::lend(std::uint32_t maximum) {
    const std::size_t count = std::min<std::size_t>(maximum, bytes_.size() - position_);
    const auto lent = bytes_.subspan(position_, count);
    position_ += count;
    return lent;
}

std::uint32_t MemoryByteSource::read(std::uint8_t* destination, std::uint32_t maximum) {
    const std::size_t count = std::min<std::size_t>(maximum, bytes_.size() - position_);
    if (count == 0) return 0;
    std::memcpy(destination, bytes_.data() + position_, count);
    position_ += count;
    return static_cast<std::uint32_t>(count);
}

FileByteSource::FileByteSource(FileAccess& file, std::uint32_t offset, std::uint32_t byteCount)
    : file_(file), remaining_(byteCount), status_(file.SeekTo(offset)) {
    if (failed(status_)) remaining_ = 0;
}

std::uint32_t FileByteSource::read(std::uint8_t* destination, std::uint32_t maximum) {
    std::uint32_t total = 0;
    while (total < maximum && remaining_ > 0) {
        const std::uint32_t wanted = std::min({maximum - total, remaining_, kPieceSize});
        const std::uint8_t* data = nullptr;
        const std::uint32_t got = file_.ReadBytes(wanted, data);
        // kLengthInvalid cannot come for a piece this small; treat it like the end anyway.
        if (got == 0 || got == FileAccess::kLengthInvalid) {
            remaining_ = 0; // the file ended (or failed, already reported) before the range
            break;
        }
        std::memcpy(destination + total, data, got);
        total += got;
        remaining_ -= got;
        if (got < wanted) {
            remaining_ = 0;
            break;
        }
    }
    return total;
}

namespace {

void reportFileError(const RawFileContext& context, Reporter& reporter, MessageId message,
                     int cause) {
    reporter.ShowMessage(message, context.path, truncatedReason(fileReasonText(cause)));
}

} // namespace

FileRangeSource::FileRangeSource(const RawFileContext& context, Reporter& reporter,
                                 std::uint32_t offset, std::uint32_t byteCount, bool quiet)
    : context_(context), reporter_(reporter), position_(offset), remaining_(byteCount) {
    // The checks of a seek to a block that is not in the window, in their order.
    const std::uint64_t blockStart = offset / kReadBlockSize * kReadBlockSize;
    if (offset > kLastReadablePosition || !context.file.isOpen()) {
        if (!quiet)
            reportFileError(context, reporter, MessageId::PositionFailed, file_cause::kBadSeek);
        status_ = FileAccess::kCannotPosition;
    } else if (blockStart >= context.fileLength) {
        if (!quiet)
            reporter.ShowMessage(MessageId::ProcessingFailed, context.path,
                                 "requested position invalid");
        status_ = FileAccess::kPositionInvalid;
    } else if (offset >= context.fileLength) {
        if (!quiet)
            reporter.ShowMessage(MessageId::ProcessingFailed, context.path,
                                 "requested position nonexistent");
        status_ = FileAccess::kPositionNonexistent;
    }
    if (failed(status_)) {
        remaining_ = 0;
        // A later part of a strip that starts past the end simply has no bytes.
        if (quiet) status_ = kOk;
        return;
    }
    // A byte count past the end of the file reads only what the file holds: the buffer is
    // sized by what can come, not by what the directory claims.
    remaining_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(
        {remaining_, kLastReadablePosition - position_, context.fileLength - position_}));
}

std::uint32_t FileRangeSource::read(std::uint8_t* destination, std::uint32_t maximum) {
    std::uint32_t total = 0;
    while (total < maximum && remaining_ > 0) {
        const std::uint32_t wanted = std::min(maximum - total, remaining_);
        const ssize_t n = ::pread(context_.file.descriptor, destination + total, wanted,
                                  static_cast<off_t>(position_));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n < 0)
                reportFileError(context_, reporter_, MessageId::ReadFailed,
                                fileCauseFromErrno(errno));
            remaining_ = 0; // the file ended (or failed) before the range did
            break;
        }
        total += static_cast<std::uint32_t>(n);
        remaining_ -= static_cast<std::uint32_t>(n);
        position_ += static_cast<std::uint64_t>(n);
    }
    return total;
}

std::span<const std::uint8_t> FileRangeSource::lend(std::uint32_t maximum) {
    const std::uint32_t wanted = std::min({maximum, remaining_, kPieceSize});
    if (wanted == 0) return {};
    if (bufferSize_ < wanted) {
        // The first piece sets the size: a small strip gets a small buffer, a large one a
        // buffer whose pages are made at once.
        bufferSize_ = std::min(std::max(wanted, remaining_), kPieceSize);
        large_ = bufferSize_ >= kLargeBuffer ? LargeByteBuffer(bufferSize_) : LargeByteBuffer();
        if (large_.data() == nullptr)
            buffer_ = std::make_unique_for_overwrite<std::uint8_t[]>(bufferSize_);
    }
    std::uint8_t* buffer = large_.data() != nullptr ? large_.data() : buffer_.get();
    return {buffer, read(buffer, wanted)};
}

} // namespace korvane
