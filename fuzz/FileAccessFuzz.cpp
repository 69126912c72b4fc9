// Fuzz target for the buffered file access: a synthetic file and a sequence of SeekTo,
// SkipBytes and ReadBytes calls, both decoded from the input. After every call the window
// must lie inside the buffer, a read must hand out a pointer and count inside the buffer
// holding exactly the file's bytes at the position read, and each outcome must be the one
// its status claims, reported with exactly one message when it fails.
//
// Input layout:
//   byte 0      bit 0: leave the read buffer unallocated
//   bytes 1-2   file length / 5, little-endian (0 to 327 675 bytes: up to five 64 KiB blocks)
//   then        operations, each an opcode byte (kind in bits 0-1, mode in bits 2-3) and
//               1 to 4 argument bytes; see nextOperation.
#include "fuzz/FuzzCheck.hpp"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#include "common/RecordingReporter.hpp"
#include "container/FileAccess.hpp"

namespace {

using korvane::FileAccess;
using korvane::RawFileContext;

constexpr std::int64_t kBlock = korvane::kReadBlockSize;
constexpr std::int64_t kLastPosition = 0x7FFFFFFF; // the reader's 32-bit signed window
constexpr std::size_t kMaxFileLength = 0xFFFF * 5;
constexpr int kMaxOperations = 512;

// The file's byte at a position: a multiplicative hash, so that bytes from a wrong
// position (off by one, by 256 or by a block) differ.
std::uint8_t contentByte(std::uint64_t position) {
    return static_cast<std::uint8_t>(((position + 1) * 2654435761u) >> 24);
}

// Hands out the input's bytes; past the end every read gives zeros.
class InputReader {
public:
    InputReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ >= size_; }
    std::uint32_t take(int bytes) {
        std::uint32_t v = 0;
        for (int i = 0; i < bytes; ++i)
            v |= static_cast<std::uint32_t>(next()) << (8 * i);
        return v;
    }

private:
    std::uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// One memory file reused by every run: no disk traffic, and a new length only writes or
// cuts off the difference.
class MemoryFile {
public:
    MemoryFile() : fd_(::memfd_create("korvane-fuzz", 0)), content_(kMaxFileLength) {
        FUZZ_CHECK(fd_ >= 0);
        for (std::size_t i = 0; i < content_.size(); ++i)
            content_[i] = contentByte(i);
    }
    // The file's bytes from `position` on (as far as the largest file reaches).
    const std::uint8_t* content(std::size_t position) const { return content_.data() + position; }
    // Makes the file the first `length` bytes of the content; returns its path.
    std::string resize(std::size_t length) {
        if (length < length_) {
            FUZZ_CHECK(::ftruncate(fd_, static_cast<off_t>(length)) == 0);
        } else if (length > length_) {
            const auto added = static_cast<ssize_t>(length - length_);
            FUZZ_CHECK(::pwrite(fd_, content_.data() + length_, static_cast<std::size_t>(added),
                                static_cast<off_t>(length_)) == added);
        }
        length_ = length;
        return "/proc/self/fd/" + std::to_string(fd_);
    }

private:
    int fd_;
    std::vector<std::uint8_t> content_;
    std::size_t length_ = 0;
};

struct Run {
    const MemoryFile& file;
    RawFileContext& ctx;
    FileAccess& access;
    korvane::RecordingReporter& reporter;
    std::int64_t fileLength;
    // A seek was refused and none has succeeded since: nothing may be read.
    bool refused = false;
};

// The window never leaves the buffer, and while no error was met it mirrors the file.
void checkWindow(const Run& run) {
    const RawFileContext& ctx = run.ctx;
    FUZZ_CHECK(ctx.cursor <= ctx.windowLength);
    FUZZ_CHECK(ctx.windowLength <= korvane::kReadBufferSize);
    FUZZ_CHECK(ctx.windowLength == 0 || ctx.windowLength <= ctx.buffer.size());
    FUZZ_CHECK(ctx.windowStart >= 0);
    FUZZ_CHECK(ctx.carriedCount <= korvane::kMaxCarriedBytes);
    if ((ctx.flags & korvane::file_flags::kError) == 0) {
        FUZZ_CHECK(ctx.filePosition ==
                   ctx.windowStart + static_cast<std::int64_t>(ctx.windowLength));
        FUZZ_CHECK(ctx.filePosition <= run.fileLength);
    }
}

void checkMessages(const Run& run, std::size_t before, bool failed) {
    FUZZ_CHECK(run.reporter.records().size() == before + (failed ? 1 : 0));
}

void seekTo(Run& run, std::int64_t position) {
    const std::size_t messages = run.reporter.records().size();
    const korvane::Status s = run.access.SeekTo(position);
    checkMessages(run, messages, s != korvane::kOk);
    run.refused = s != korvane::kOk;
    if (s == korvane::kOk) {
        FUZZ_CHECK(run.access.tell() == position);
        FUZZ_CHECK(position <= run.fileLength);
    } else if (s == FileAccess::kPositionNonexistent) {
        FUZZ_CHECK(position >= run.fileLength && position / kBlock * kBlock < run.fileLength);
    } else if (s == FileAccess::kPositionInvalid) {
        FUZZ_CHECK(position / kBlock * kBlock >= run.fileLength);
    } else if (s == FileAccess::kCannotPosition) {
        FUZZ_CHECK(position < 0 || position > kLastPosition || run.ctx.buffer.empty());
    } else {
        FUZZ_CHECK(s == FileAccess::kReadFailed);
    }
}

void skipBytes(Run& run, std::int64_t count) {
    const std::int64_t before = run.access.tell();
    const std::size_t messages = run.reporter.records().size();
    const korvane::Status s = run.access.SkipBytes(count);
    checkMessages(run, messages, s != korvane::kOk);
    // After a refusal the cursor stands at the window's end, so any forward skip seeks.
    if (s != korvane::kOk)
        run.refused = true;
    else if (count > 0)
        run.refused = false;
    if (count <= 0)
        FUZZ_CHECK(s == korvane::kOk && run.access.tell() == before);
    else if (s == korvane::kOk)
        FUZZ_CHECK(run.access.tell() == before + count);
}

void readBytes(Run& run, std::uint32_t count) {
    const std::int64_t before = run.access.tell();
    const std::uint32_t remaining = run.ctx.windowLength - run.ctx.cursor;
    const bool refillable =
        (run.ctx.flags & (korvane::file_flags::kEndOfFile | korvane::file_flags::kError)) == 0;
    const std::size_t messages = run.reporter.records().size();
    const std::uint8_t* data = nullptr;
    const std::uint32_t n = run.access.ReadBytes(count, data);
    if (n == FileAccess::kLengthInvalid) {
        // Only a refill that would carry more than the buffer has room for is refused.
        FUZZ_CHECK(refillable && remaining < count && remaining > korvane::kMaxCarriedBytes);
        checkMessages(run, messages, true);
        FUZZ_CHECK(run.access.tell() == before);
        return;
    }
    const bool error = (run.ctx.flags & korvane::file_flags::kError) != 0;
    FUZZ_CHECK(n <= count);
    FUZZ_CHECK(run.access.tell() == before + n);
    if (n > 0) {
        const std::uint8_t* begin = run.ctx.buffer.data();
        FUZZ_CHECK(data != nullptr && data >= begin);
        FUZZ_CHECK(data + n <= begin + run.ctx.buffer.size());
        // One comparison for the whole read: a check per byte cost most of a run's time.
        FUZZ_CHECK(static_cast<std::size_t>(before) + n <= kMaxFileLength);
        FUZZ_CHECK(std::memcmp(data, run.file.content(static_cast<std::size_t>(before)), n) == 0);
    }
    // Nothing after a refused seek; else fewer bytes than asked only at the end of the
    // file, after an error, or when the request is larger than one block and the carry.
    if (run.refused)
        FUZZ_CHECK(n == 0);
    else if (n < count && !error)
        FUZZ_CHECK(before + n == run.fileLength || n >= kBlock || run.ctx.buffer.empty());
    if (!error) checkMessages(run, messages, false);
}

// Decodes and performs one operation.
void nextOperation(Run& run, InputReader& in) {
    const std::uint32_t op = in.take(1);
    const int kind = op & 3;
    const int mode = (op >> 2) & 3;
    const RawFileContext& ctx = run.ctx;
    const std::int64_t windowEnd = ctx.windowStart + static_cast<std::int64_t>(ctx.windowLength);
    switch (kind) {
    case 0: { // SeekTo: absolute, around the end, around a block boundary, any 32 bits
        const std::uint32_t v = in.take(mode == 3 ? 4 : 3);
        const std::int64_t position = mode == 0   ? std::int64_t{v}
                                      : mode == 1 ? run.fileLength + static_cast<std::int16_t>(v)
                                      : mode == 2
                                          ? ((v >> 8) % 8) * kBlock + static_cast<std::int8_t>(v)
                                          : std::int64_t{static_cast<std::int32_t>(v)};
        seekTo(run, position);
        break;
    }
    case 1: { // SkipBytes: 8, 16, 24 or 32-bit signed counts
        const int bytes = mode + 1;
        const std::uint32_t v = in.take(bytes);
        const int shift = 32 - 8 * bytes;
        skipBytes(run, static_cast<std::int32_t>(v << shift) >> shift);
        break;
    }
    case 2: { // ReadBytes: small, 16-bit, around the carry limit, 24-bit
        const std::uint32_t v = in.take(mode == 0 ? 1 : mode == 3 ? 3 : 2);
        const std::uint32_t count = mode == 2
                                        ? static_cast<std::uint32_t>(korvane::kMaxCarriedBytes +
                                                                     static_cast<std::int8_t>(v))
                                        : v;
        readBytes(run, count);
        break;
    }
    default: { // the window's own edges
        const std::uint32_t v = in.take(1);
        const std::uint32_t remaining = ctx.windowLength - ctx.cursor;
        if (mode == 0)
            seekTo(run, run.access.tell());
        else if (mode == 1)
            readBytes(run, remaining + v);
        else if (mode == 2)
            skipBytes(run, remaining);
        else
            seekTo(run, windowEnd);
        break;
    }
    }
    checkWindow(run);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static MemoryFile file;
    InputReader in(data, size);
    const bool noBuffer = (in.take(1) & 1) != 0;
    const std::size_t length = std::size_t{in.take(2)} * 5;

    RawFileContext ctx;
    ctx.path = file.resize(length);
    FUZZ_CHECK(korvane::openRawFile(ctx) == 0);
    FUZZ_CHECK(ctx.fileLength == length);
    if (!noBuffer) {
        ctx.buffer.assign(korvane::kReadBufferSize, 0);
        ctx.bufferSize = korvane::kReadBufferSize;
    }
    korvane::RecordingReporter reporter;
    FileAccess access(ctx, reporter);
    Run run{file, ctx, access, reporter, static_cast<std::int64_t>(length)};
    for (int i = 0; i < kMaxOperations && !in.empty(); ++i)
        nextOperation(run, in);
    korvane::closeRawFile(ctx);
    return 0;
}
