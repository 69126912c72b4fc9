// The byte sources decoders read from: a span, and a range of the open file pulled through
// the window buffer in pieces.
#include <gtest/gtest.h>

#include "common/RecordingReporter.hpp"
#include "container/FileAccess.hpp"
#include "decode/ByteSource.hpp"
#include "tests/support/TempFile.hpp"

namespace korvane {
namespace {

// Reads everything, `step` bytes a call at most.
std::vector<std::uint8_t> drain(ByteSource& source, std::uint32_t step) {
    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> piece(step);
    for (std::uint32_t got; (got = source.read(piece.data(), step)) != 0;)
        out.insert(out.end(), piece.begin(), piece.begin() + got);
    return out;
}

TEST(MemoryByteSource, GivesItsBytesInOrderThenNothing) {
    const std::vector<std::uint8_t> bytes = test::countingBytes(1000);
    MemoryByteSource source(bytes);
    EXPECT_EQ(drain(source, 300), bytes);
    std::uint8_t byte = 0;
    EXPECT_EQ(source.read(&byte, 1), 0u);
}

class OpenFile {
public:
    explicit OpenFile(std::size_t size)
        : bytes_(test::offsetBytes(size)), temp_(bytes_), access_(context_, reporter_) {
        context_.path = temp_.path();
        EXPECT_EQ(openRawFile(context_), 0);
        context_.buffer.assign(kReadBufferSize, 0);
        context_.bufferSize = kReadBufferSize;
    }
    FileAccess& access() { return access_; }
    RecordingReporter& reporter() { return reporter_; }
    std::vector<std::uint8_t> range(std::size_t offset, std::size_t count) const {
        const std::size_t end = std::min(bytes_.size(), offset + count);
        return {bytes_.begin() + offset, bytes_.begin() + end};
    }

private:
    std::vector<std::uint8_t> bytes_;
    test::TempFile temp_;
    RawFileContext context_;
    RecordingReporter reporter_;
    FileAccess access_;
};

// A range across the 64 KiB block boundary, asked for in requests larger than the pieces the
// window buffer serves, ends exactly at its byte count.
TEST(FileByteSource, DeliversItsRangeAcrossBlocksAndNoMore) {
    OpenFile file(200000);
    FileByteSource source(file.access(), 60000, 20000);
    ASSERT_EQ(source.status(), kOk);
    EXPECT_EQ(drain(source, 10000), file.range(60000, 20000));
    EXPECT_EQ(source.remaining(), 0u);
    EXPECT_TRUE(file.reporter().records().empty());
    // The file stands right after the range.
    EXPECT_EQ(file.access().tell(), 80000);
}

TEST(FileByteSource, AFileShorterThanTheRangeEndsTheSourceEarly) {
    OpenFile file(70000);
    FileByteSource source(file.access(), 65000, 20000);
    ASSERT_EQ(source.status(), kOk);
    EXPECT_EQ(drain(source, 4096), file.range(65000, 5000));
    EXPECT_EQ(source.remaining(), 0u);
}

TEST(FileByteSource, APositionPastTheEndIsReportedOnceAndGivesNothing) {
    OpenFile file(100000);
    FileByteSource source(file.access(), 120000, 100);
    EXPECT_EQ(source.status(), FileAccess::kPositionNonexistent);
    EXPECT_EQ(file.reporter().numbers(), std::vector<int>{8});
    std::uint8_t byte = 0;
    EXPECT_EQ(source.read(&byte, 1), 0u);
}

} // namespace
} // namespace korvane
