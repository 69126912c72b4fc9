#include "container/FileAccess.hpp"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

#include "common/RecordingReporter.hpp"
#include "tests/support/TempFile.hpp"

namespace korvane {
namespace {

using test::offsetByte;

constexpr std::int64_t kBlock = kReadBlockSize;
using Offsets = std::initializer_list<std::int64_t>;

// A real file opened the way the load pipeline opens it, with the read buffer allocated.
class OpenedFile {
public:
    explicit OpenedFile(std::vector<std::uint8_t> bytes)
        : bytes_(std::move(bytes)), temp_(bytes_), access_(context_, reporter_) {
        context_.path = temp_.path();
        openCause_ = openRawFile(context_);
        context_.buffer.assign(kReadBufferSize, 0);
        context_.bufferSize = kReadBufferSize;
    }
    FileAccess& access() { return access_; }
    RawFileContext& context() { return context_; }
    RecordingReporter& reporter() { return reporter_; }
    int openCause() const { return openCause_; }

    // The bytes a read of `count` at `position` must deliver.
    std::vector<std::uint8_t> expected(std::int64_t position, std::uint32_t count) const {
        const auto begin = bytes_.begin() + position;
        return {begin, begin + count};
    }

private:
    std::vector<std::uint8_t> bytes_;
    test::TempFile temp_;
    RawFileContext context_;
    RecordingReporter reporter_;
    FileAccess access_;
    int openCause_ = -1;
};

std::vector<std::uint8_t> asVector(const std::uint8_t* data, std::uint32_t count) {
    return {data, data + count};
}

// The reason text (second text argument) of the only message shown, checked with its number.
void expectOneMessage(const RecordingReporter& reporter, int number, const std::string& path,
                      const std::string& reason) {
    ASSERT_EQ(reporter.numbers(), std::vector<int>{number});
    EXPECT_EQ(reporter.records()[0].args.text1, path);
    EXPECT_EQ(reporter.records()[0].args.text2, reason);
}

// --- SeekTo ---------------------------------------------------------------------------------

TEST(FileAccessSeekTo, WindowEndIsReachedWithoutReadingAndTheNextReadRefills) {
    OpenedFile file(test::offsetBytes(200000));
    FileAccess& access = file.access();
    RawFileContext& ctx = file.context();
    ASSERT_EQ(file.openCause(), 0);

    ASSERT_EQ(access.SeekTo(100), kOk);
    ASSERT_EQ(ctx.windowStart, 0);
    ASSERT_EQ(ctx.windowLength, kReadBlockSize);
    ASSERT_EQ(ctx.filePosition, kBlock);

    // The end of the window counts as inside it: no physical read, the cursor sits at the end.
    ctx.lastReadCount = 12345; // a physical read would overwrite this
    ASSERT_EQ(access.SeekTo(kBlock), kOk);
    EXPECT_EQ(ctx.cursor, kReadBlockSize);
    EXPECT_EQ(ctx.windowStart, 0);
    EXPECT_EQ(ctx.filePosition, kBlock);
    EXPECT_EQ(ctx.lastReadCount, 12345u);

    const std::uint8_t* data = nullptr;
    ASSERT_EQ(access.ReadBytes(8, data), 8u);
    EXPECT_EQ(asVector(data, 8), file.expected(kBlock, 8));
    EXPECT_EQ(ctx.windowStart, kBlock);
    EXPECT_EQ(ctx.carriedCount, 0u);
    EXPECT_EQ(ctx.lastReadCount, kReadBlockSize);
    EXPECT_EQ(ctx.filePosition, 2 * kBlock);
    EXPECT_TRUE(file.reporter().records().empty());
}

TEST(FileAccessSeekTo, PositionsInsideTheWindowCostNoRead) {
    OpenedFile file(test::offsetBytes(200000));
    FileAccess& access = file.access();
    ASSERT_EQ(access.SeekTo(70000), kOk);
    file.context().lastReadCount = 0;
    for (std::int64_t position : Offsets{kBlock, 70000 - 1, 2 * kBlock - 1, 100000}) {
        ASSERT_EQ(access.SeekTo(position), kOk);
        EXPECT_EQ(access.tell(), position);
        const std::uint8_t* data = nullptr;
        ASSERT_EQ(access.ReadBytes(1, data), 1u);
        EXPECT_EQ(*data, offsetByte(position)) << "at " << position;
    }
    EXPECT_EQ(file.context().lastReadCount, 0u);
}

// Physical reads start at multiples of 64 KiB, whichever position is asked for.
TEST(FileAccessSeekTo, ReadsWholeAlignedBlocks) {
    OpenedFile file(test::offsetBytes(200000));
    FileAccess& access = file.access();
    RawFileContext& ctx = file.context();
    struct Case {
        std::int64_t position, windowStart;
        std::uint32_t windowLength;
    };
    for (const Case c : {Case{70000, kBlock, kReadBlockSize}, Case{5, 0, kReadBlockSize},
                         Case{2 * kBlock, 2 * kBlock, kReadBlockSize},
                         Case{199999, 3 * kBlock, 200000 - 3 * kBlock}}) {
        ASSERT_EQ(access.SeekTo(c.position), kOk) << c.position;
        EXPECT_EQ(ctx.windowStart, c.windowStart) << c.position;
        EXPECT_EQ(ctx.windowLength, c.windowLength) << c.position;
        EXPECT_EQ(ctx.lastReadCount, c.windowLength) << c.position;
        EXPECT_EQ(ctx.filePosition, c.windowStart + c.windowLength) << c.position;
        EXPECT_EQ(ctx.cursor, static_cast<std::uint32_t>(c.position % kBlock)) << c.position;
        EXPECT_EQ(access.tell(), c.position);
    }
    EXPECT_TRUE(ctx.flags & file_flags::kEndOfFile); // the last block was short
    ASSERT_EQ(access.SeekTo(10), kOk);
    EXPECT_FALSE(ctx.flags & file_flags::kEndOfFile) << "a new full block clears the end flag";
    EXPECT_TRUE(file.reporter().records().empty());
}

struct PastTheEnd {
    std::int64_t position;
    Status status;
    const char* reason;
};

void PrintTo(const PastTheEnd& c, std::ostream* out) {
    *out << "position " << c.position;
}

class FileAccessSeekPastTheEnd : public testing::TestWithParam<PastTheEnd> {};

// In a 100 000-byte file the last block starts at 65 536: a position in that block but at or
// after the end is "nonexistent", one in a later block, where nothing can be read, "invalid".
TEST_P(FileAccessSeekPastTheEnd, ShowsMessage8AndFails) {
    const PastTheEnd& c = GetParam();
    OpenedFile file(test::offsetBytes(100000));
    EXPECT_EQ(file.access().SeekTo(c.position), c.status);
    expectOneMessage(file.reporter(), 8, file.context().path, c.reason);
    // Either way nothing more can be read until a seek succeeds.
    EXPECT_TRUE(file.context().flags & file_flags::kEndOfFile);
    const std::uint8_t* data = nullptr;
    EXPECT_EQ(file.access().ReadBytes(1, data), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, FileAccessSeekPastTheEnd,
    testing::Values(
        PastTheEnd{100000, FileAccess::kPositionNonexistent, "requested position nonexistent"},
        PastTheEnd{100001, FileAccess::kPositionNonexistent, "requested position nonexistent"},
        PastTheEnd{2 * kBlock - 1, FileAccess::kPositionNonexistent,
                   "requested position nonexistent"},
        PastTheEnd{2 * kBlock, FileAccess::kPositionInvalid, "requested position invalid"},
        PastTheEnd{1000000, FileAccess::kPositionInvalid, "requested position invalid"}));

// A failed seek must not leave a window that claims to hold data it does not have.
TEST(FileAccessSeekTo, RecoversAfterAFailedSeek) {
    for (std::int64_t bad : Offsets{100000, 1000000}) {
        OpenedFile file(test::offsetBytes(100000));
        FileAccess& access = file.access();
        ASSERT_NE(access.SeekTo(bad), kOk);
        for (std::int64_t position : Offsets{0, 99990, 40}) {
            ASSERT_EQ(access.SeekTo(position), kOk) << "after " << bad;
            const std::uint8_t* data = nullptr;
            ASSERT_EQ(access.ReadBytes(10, data), 10u) << position << " after " << bad;
            EXPECT_EQ(asVector(data, 10), file.expected(position, 10));
        }
    }
}

// After a refused seek nothing is read until a seek succeeds: neither bytes of the block the
// window held before (70000 here) nor of the file's last block, whatever the refusal.
TEST(FileAccessSeekTo, ARefusedSeekLeavesNothingToRead) {
    const std::pair<std::int64_t, Status> refusals[] = {
        {200000, FileAccess::kPositionInvalid},
        {15 * kBlock, FileAccess::kPositionInvalid},
        {100001, FileAccess::kPositionNonexistent},
        {2 * kBlock - 1, FileAccess::kPositionNonexistent},
        {-1, FileAccess::kCannotPosition},
    };
    for (const auto& [bad, status] : refusals) {
        OpenedFile file(test::offsetBytes(100000));
        FileAccess& access = file.access();
        ASSERT_EQ(access.SeekTo(70000), kOk);
        EXPECT_EQ(access.SeekTo(bad), status) << bad;
        const std::uint8_t* data = nullptr;
        EXPECT_EQ(access.ReadBytes(4, data), 0u) << "read after refusing " << bad;
        if (status == FileAccess::kCannotPosition) continue;
        EXPECT_NE(access.SkipBytes(4), kOk) << "a skip from the refused place: " << bad;
        EXPECT_EQ(access.ReadBytes(4, data), 0u) << bad;
        EXPECT_EQ(access.SeekTo(bad), status) << "refused again: " << bad;
        for (std::int64_t position : Offsets{70000, 10, 99996}) {
            ASSERT_EQ(access.SeekTo(position), kOk) << position << " after " << bad;
            ASSERT_EQ(access.ReadBytes(4, data), 4u) << position << " after " << bad;
            EXPECT_EQ(asVector(data, 4), file.expected(position, 4))
                << position << " after " << bad;
        }
    }
}

TEST(FileAccessSeekTo, PositionsOutsideTheFileOffsetRangeCannotBeSet) {
    for (std::int64_t position : Offsets{-1, -kBlock, std::int64_t{1} << 32}) {
        OpenedFile file(test::offsetBytes(1000));
        EXPECT_EQ(file.access().SeekTo(position), FileAccess::kCannotPosition) << position;
        expectOneMessage(file.reporter(), 7, file.context().path, "Bad seek operation");
        EXPECT_TRUE(file.context().flags & file_flags::kError);
    }
}

TEST(FileAccessSeekTo, AClosedFileCannotBePositioned) {
    OpenedFile file(test::offsetBytes(1000));
    file.context().file.close();
    EXPECT_EQ(file.access().SeekTo(500), FileAccess::kCannotPosition);
    expectOneMessage(file.reporter(), 7, file.context().path, "Invalid file handle");
}

// A descriptor that can be positioned but not read (a directory) gives the read failure.
TEST(FileAccessSeekTo, AReadFailureShowsMessage6AndStopsFurtherReading) {
    OpenedFile file(test::offsetBytes(1000));
    test::TempFolder folder;
    RawFileContext& ctx = file.context();
    ctx.file.close();
    ctx.file.descriptor = ::open(folder.path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(ctx.file.descriptor, 0);

    EXPECT_EQ(file.access().SeekTo(10), FileAccess::kReadFailed);
    expectOneMessage(file.reporter(), 6, ctx.path, "Access denied");
    EXPECT_TRUE(ctx.flags & file_flags::kError);
    EXPECT_EQ(ctx.filePosition, 0);
    const std::uint8_t* data = nullptr;
    EXPECT_EQ(file.access().ReadBytes(4, data), 0u);
    EXPECT_EQ(file.reporter().records().size(), 1u) << "the sticky error flag reads nothing";
}

TEST(FileAccessReadBytes, AReadFailureDuringARefillDeliversNothing) {
    OpenedFile file(test::offsetBytes(200000));
    test::TempFolder folder;
    RawFileContext& ctx = file.context();
    ASSERT_EQ(file.access().SeekTo(kBlock - 10), kOk);
    ctx.file.close();
    ctx.file.descriptor = ::open(folder.path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(ctx.file.descriptor, 0);

    const std::uint8_t* data = nullptr;
    EXPECT_EQ(file.access().ReadBytes(100, data), 0u);
    expectOneMessage(file.reporter(), 6, ctx.path, "Access denied");
    EXPECT_TRUE(ctx.flags & file_flags::kError);
}

// --- SkipBytes ------------------------------------------------------------------------------

TEST(FileAccessSkipBytes, ZeroOrNegativeCountsLeaveTheCursor) {
    OpenedFile file(test::offsetBytes(100000));
    FileAccess& access = file.access();
    ASSERT_EQ(access.SeekTo(1000), kOk);
    for (std::int64_t count : Offsets{0, -1, -1000, -2 * kBlock}) {
        EXPECT_EQ(access.SkipBytes(count), kOk);
        EXPECT_EQ(file.context().cursor, 1000u) << count;
        EXPECT_EQ(file.context().windowStart, 0) << count;
    }
}

TEST(FileAccessSkipBytes, MovesInsideTheWindowOrSeeksBeyondIt) {
    OpenedFile file(test::offsetBytes(300000));
    FileAccess& access = file.access();
    RawFileContext& ctx = file.context();
    ASSERT_EQ(access.SeekTo(1000), kOk);
    ASSERT_EQ(access.SkipBytes(500), kOk);
    EXPECT_EQ(access.tell(), 1500);
    EXPECT_EQ(ctx.windowStart, 0);

    // To the window's end exactly: a seek that needs no read.
    ASSERT_EQ(access.SkipBytes(kBlock - 1500), kOk);
    EXPECT_EQ(access.tell(), kBlock);
    EXPECT_EQ(ctx.windowStart, 0);

    ASSERT_EQ(access.SkipBytes(kBlock + 7), kOk);
    EXPECT_EQ(access.tell(), 2 * kBlock + 7);
    EXPECT_EQ(ctx.windowStart, 2 * kBlock);
    const std::uint8_t* data = nullptr;
    ASSERT_EQ(access.ReadBytes(4, data), 4u);
    EXPECT_EQ(asVector(data, 4), file.expected(2 * kBlock + 7, 4));

    EXPECT_EQ(access.SkipBytes(300000), FileAccess::kPositionInvalid);
    EXPECT_EQ(file.reporter().numbers(), std::vector<int>{8});
}

// --- ReadBytes ------------------------------------------------------------------------------

struct ShortRead {
    std::size_t fileLength;
    std::int64_t position;
    std::uint32_t count;
    std::uint32_t delivered;
};

void PrintTo(const ShortRead& c, std::ostream* out) {
    *out << c.count << " at " << c.position << " of " << c.fileLength;
}

class FileAccessReadAtTheEnd : public testing::TestWithParam<ShortRead> {};

// Near the end of the file a read delivers what is there, without a message, whether the
// end is already in the window or only found by the refill.
TEST_P(FileAccessReadAtTheEnd, DeliversWhatRemains) {
    const ShortRead& c = GetParam();
    OpenedFile file(test::offsetBytes(c.fileLength));
    FileAccess& access = file.access();
    ASSERT_EQ(access.SeekTo(c.position), kOk);
    const std::uint8_t* data = nullptr;
    ASSERT_EQ(access.ReadBytes(c.count, data), c.delivered);
    EXPECT_EQ(asVector(data, c.delivered), file.expected(c.position, c.delivered));
    EXPECT_EQ(access.tell(), static_cast<std::int64_t>(c.fileLength));
    EXPECT_EQ(access.ReadBytes(c.count, data), 0u);
    EXPECT_TRUE(file.reporter().records().empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, FileAccessReadAtTheEnd,
                         testing::Values(ShortRead{100000, 99996, 10, 4},
                                         ShortRead{100000, 96000, 8000, 4000},
                                         ShortRead{kBlock + 2, kBlock - 6, 10, 8},
                                         ShortRead{kBlock, kBlock - 4000, 4096, 4000},
                                         ShortRead{3 * kBlock, 3 * kBlock - 1, 2, 1},
                                         ShortRead{10, 0, 4096, 10}));

TEST(FileAccessReadBytes, RefusesToCarryMoreThan4096Bytes) {
    OpenedFile file(test::offsetBytes(200000));
    FileAccess& access = file.access();
    RawFileContext& ctx = file.context();
    ASSERT_EQ(access.SeekTo(kBlock - 5000), kOk);
    const std::uint8_t* data = nullptr;
    EXPECT_EQ(access.ReadBytes(8000, data), FileAccess::kLengthInvalid);
    expectOneMessage(file.reporter(), 8, ctx.path, "requested data length invalid");

    // Nothing changed: the same place can still be read, in pieces the window serves.
    EXPECT_EQ(access.tell(), kBlock - 5000);
    EXPECT_EQ(ctx.windowStart, 0);
    EXPECT_EQ(ctx.windowLength, kReadBlockSize);
    EXPECT_EQ(ctx.filePosition, kBlock);
    ASSERT_EQ(access.ReadBytes(5000, data), 5000u);
    EXPECT_EQ(asVector(data, 5000), file.expected(kBlock - 5000, 5000));
    ASSERT_EQ(access.ReadBytes(3000, data), 3000u);
    EXPECT_EQ(asVector(data, 3000), file.expected(kBlock, 3000));
}

TEST(FileAccessReadBytes, CarriesUpTo4096Bytes) {
    for (std::uint32_t remaining : {1u, 100u, 4095u, 4096u}) {
        OpenedFile file(test::offsetBytes(200000));
        FileAccess& access = file.access();
        RawFileContext& ctx = file.context();
        const std::int64_t position = kBlock - remaining;
        ASSERT_EQ(access.SeekTo(position), kOk);
        const std::uint8_t* data = nullptr;
        ASSERT_EQ(access.ReadBytes(8000, data), 8000u) << remaining;
        EXPECT_EQ(asVector(data, 8000), file.expected(position, 8000)) << remaining;
        EXPECT_EQ(ctx.carriedCount, remaining);
        EXPECT_EQ(ctx.windowStart, position);
        EXPECT_EQ(ctx.windowLength, remaining + kReadBlockSize);
        EXPECT_EQ(ctx.filePosition, 2 * kBlock) << "refills keep reads aligned";
        EXPECT_EQ(access.tell(), position + 8000);
        EXPECT_TRUE(file.reporter().records().empty());
    }
}

// Reads of awkward sizes straddle block boundaries at every offset; together they must give
// the file back byte for byte, and every physical read must start at a multiple of 64 KiB.
TEST(FileAccessReadBytes, SequentialReadsAcrossBlocksDeliverTheWholeFile) {
    const std::size_t length = 5 * kBlock + 1234;
    for (std::uint32_t chunk : {1u, 7u, 1000u, 4095u, 4096u, 4097u, 65535u}) {
        OpenedFile file(test::countingBytes(length));
        FileAccess& access = file.access();
        RawFileContext& ctx = file.context();
        ASSERT_EQ(access.SeekTo(0), kOk);
        std::vector<std::uint8_t> got;
        for (;;) {
            const std::uint8_t* data = nullptr;
            const std::uint32_t n = access.ReadBytes(chunk, data);
            ASSERT_NE(n, FileAccess::kLengthInvalid) << chunk;
            if (n == 0) break;
            ASSERT_GE(data, ctx.buffer.data());
            ASSERT_LE(data + n, ctx.buffer.data() + ctx.buffer.size());
            got.insert(got.end(), data, data + n);
            if (ctx.filePosition != static_cast<std::int32_t>(length)) {
                ASSERT_EQ(ctx.filePosition % kBlock, 0) << chunk << " at " << got.size();
            }
        }
        EXPECT_EQ(got, test::countingBytes(length)) << chunk;
        EXPECT_TRUE(file.reporter().records().empty());
    }
}

// countingBytes repeats every 256 bytes, so here each word names its offset: a read served
// from the wrong block or a carry taken from the wrong place delivers different bytes.
TEST(FileAccessReadBytes, ReadsStraddlingABlockBoundaryDeliverTheRightBytes) {
    OpenedFile file(test::offsetBytes(4 * kBlock));
    FileAccess& access = file.access();
    for (std::int64_t position :
         Offsets{kBlock - 1, kBlock - 3, kBlock - 4096, 3 * kBlock - 255, 0}) {
        for (std::uint32_t count : {2u, 256u, 4097u, 65535u}) {
            ASSERT_EQ(access.SeekTo(position), kOk);
            const std::uint8_t* data = nullptr;
            ASSERT_EQ(access.ReadBytes(count, data), count) << position << "+" << count;
            EXPECT_EQ(asVector(data, count), file.expected(position, count))
                << position << "+" << count;
        }
    }
    EXPECT_TRUE(file.reporter().records().empty());
}

// The window's fields are 32-bit signed, as are the offsets the parsers hand over: a longer
// file is read up to the largest such offset and no further, rather than wrapping round.
TEST(FileAccessReadBytes, StopsAtTheEndOfThe32BitOffsetRange) {
    test::TempFolder folder;
    const std::string path = (folder.path() / "large.raw").string();
    constexpr std::int64_t kLast = 0x7FFFFFFF;
    {
        std::ofstream out(path, std::ios::binary);
        ASSERT_TRUE(out);
    }
    // Sparse: only the marker takes disk space.
    std::filesystem::resize_file(path, kLast + 3 * kBlock);
    {
        std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
        out.seekp(kLast - 8);
        const char marker[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
        out.write(marker, sizeof marker);
    }
    RawFileContext ctx;
    ctx.path = path;
    ASSERT_EQ(openRawFile(ctx), 0);
    EXPECT_EQ(ctx.fileLength, kLast);
    ctx.buffer.assign(kReadBufferSize, 0);
    RecordingReporter reporter;
    FileAccess access(ctx, reporter);

    ASSERT_EQ(access.SeekTo(kLast - 8), kOk);
    const std::uint8_t* data = nullptr;
    ASSERT_EQ(access.ReadBytes(4, data), 4u);
    EXPECT_EQ(data[0], 1);
    ASSERT_EQ(access.ReadBytes(16, data), 4u);
    EXPECT_EQ(data[3], 8);
    EXPECT_EQ(access.tell(), kLast);
    EXPECT_EQ(access.ReadBytes(16, data), 0u);
    EXPECT_EQ(access.SeekTo(kLast), kOk);
    EXPECT_TRUE(reporter.records().empty());

    EXPECT_EQ(access.SeekTo(kLast + 1), FileAccess::kCannotPosition);
    EXPECT_EQ(reporter.numbers(), std::vector<int>{7});
    EXPECT_GE(ctx.windowStart, 0);
}

// --- Opening and reason texts ---------------------------------------------------------------

TEST(OpenRawFile, GivesTheCauseOfAFailure) {
    test::TempFolder folder;
    RawFileContext missing;
    missing.path = (folder.path() / "absent.dng").string();
    EXPECT_EQ(openRawFile(missing), file_cause::kFileNotFound);
    EXPECT_EQ(fileReasonText(missing.openErrorCause), "File not found");
    EXPECT_FALSE(missing.isOpen());

    RawFileContext directory;
    directory.path = folder.path().string();
    EXPECT_EQ(openRawFile(directory), file_cause::kAccessDenied);
    EXPECT_EQ(fileReasonText(directory.openErrorCause), "Access denied");
    EXPECT_FALSE(directory.isOpen());
    EXPECT_FALSE(directory.file.isOpen());

    RawFileContext throughAFile;
    throughAFile.path = folder.write("plain", {1, 2, 3}) + "/inner.dng";
    EXPECT_EQ(openRawFile(throughAFile), file_cause::kBadPath);
}

TEST(OpenRawFile, OpensForReadingAndCloses) {
    test::TempFile temp(test::countingBytes(12345));
    RawFileContext ctx;
    ctx.path = temp.path();
    ASSERT_EQ(openRawFile(ctx), 0);
    EXPECT_EQ(ctx.fileLength, 12345u);
    EXPECT_TRUE(ctx.isOpen());
    EXPECT_TRUE(ctx.file.isOpen());
    // Read-only: a write through the descriptor fails.
    EXPECT_LT(::write(ctx.file.descriptor, "x", 1), 0);

    closeRawFile(ctx);
    EXPECT_FALSE(ctx.file.isOpen());
    EXPECT_EQ(ctx.flags, file_flags::kCreated | file_flags::kClosed);
}

struct Reason {
    int cause;
    const char* text;
};

void PrintTo(const Reason& r, std::ostream* out) {
    *out << "cause " << r.cause;
}

class FileReasonText : public testing::TestWithParam<Reason> {};

TEST_P(FileReasonText, NamesTheCause) {
    EXPECT_EQ(fileReasonText(GetParam().cause), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Causes, FileReasonText,
    testing::Values(Reason{0, "Program error"}, Reason{1, "Generic error"},
                    Reason{2, "File not found"}, Reason{3, "Invalid path"},
                    Reason{4, "Too many open files"}, Reason{5, "Access denied"},
                    Reason{6, "Invalid file handle"}, Reason{7, "Can't remove current directory"},
                    Reason{8, "Directory full"}, Reason{9, "Bad seek operation"},
                    Reason{10, "Hardware I/O error"}, Reason{11, "Sharing violation"},
                    Reason{12, "Lock violation"}, Reason{13, "Disk full"},
                    Reason{15, "Undefined reason code"}, Reason{16, "Undefined reason code"},
                    Reason{1000, "Undefined reason code"}, Reason{-1, "Undefined reason code"}));

TEST(FileReasonText, EndOfFileIsNotOneOfTheErrors) {
    for (int cause = 0; cause < file_cause::kEndOfFile; ++cause)
        EXPECT_NE(fileReasonText(file_cause::kEndOfFile), fileReasonText(cause));
    EXPECT_NE(fileReasonText(file_cause::kEndOfFile), "Undefined reason code");
}

TEST(FileCauseFromErrno, MapsTheSystemErrors) {
    EXPECT_EQ(fileCauseFromErrno(ENOENT), file_cause::kFileNotFound);
    EXPECT_EQ(fileCauseFromErrno(EACCES), file_cause::kAccessDenied);
    EXPECT_EQ(fileCauseFromErrno(EISDIR), file_cause::kAccessDenied);
    EXPECT_EQ(fileCauseFromErrno(ENOTDIR), file_cause::kBadPath);
    EXPECT_EQ(fileCauseFromErrno(EMFILE), file_cause::kTooManyOpenFiles);
    EXPECT_EQ(fileCauseFromErrno(EBADF), file_cause::kInvalidFile);
    EXPECT_EQ(fileCauseFromErrno(EIO), file_cause::kHardIo);
    EXPECT_EQ(fileCauseFromErrno(ENOSPC), file_cause::kDiskFull);
    EXPECT_EQ(fileCauseFromErrno(EXDEV), file_cause::kGeneric);
}

TEST(TruncatedReason, FitsTheHundredCharacterField) {
    EXPECT_EQ(truncatedReason("Disk full"), "Disk full");
    const std::string longText(150, 'r');
    EXPECT_EQ(truncatedReason(longText), std::string(99, 'r'));
}

} // namespace
} // namespace korvane
