#pragma once
// What the tests of the Nikon and Pentax decoders share: streams written out bit by bit,
// files processed the way "Process" does, and LibRaw's view of them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/RecordingReporter.hpp"
#include "container/FileAccess.hpp"
#include "container/ParseContainer.hpp"
#include "decode/LoadImageData.hpp"
#include "tests/decode/JpegTestSupport.hpp"
#include "tests/support/LibRawOracle.hpp"

namespace korvane::test {

// "0101 1..." to bytes, first bit highest, zero bits to the byte; blanks are for reading.
inline std::vector<std::uint8_t> bitString(const std::string& bits) {
    std::vector<std::uint8_t> out;
    int filled = 0;
    for (const char b : bits) {
        if (b == ' ') continue;
        if (filled % 8 == 0) out.push_back(0);
        if (b == '1') out.back() |= static_cast<std::uint8_t>(0x80 >> (filled % 8));
        ++filled;
    }
    return out;
}

// The first text of the messages that name the file first (ProcessingFailed and
// InconsistentSpecification) is the path; this is the text after it, or the only one of the
// others.
inline std::string messageText(const RecordingReporter::Record& r) {
    const bool namesTheFile = r.shown.number == messageNumber(MessageId::ProcessingFailed) ||
                              r.shown.number == messageNumber(MessageId::InconsistentSpecification);
    return namesTheFile ? r.args.text2 : r.args.text1;
}

struct ProcessedPath {
    RawFileContext context;
    RecordingReporter reporter;
    Status parsed = kFailed;
    Status loaded = kFailed;
    std::string messages() const {
        std::string out;
        for (const auto& r : reporter.records())
            out += r.shown.text + "\n";
        return out;
    }
    const ImageDescriptor& image() const { return *context.mainImage; }
};

// Opens, parses and loads a file the way "Process" does, no key held, decoding on `pool`.
inline std::unique_ptr<ProcessedPath> processFile(const std::string& path,
                                                  WorkerPool& pool = WorkerPool::shared()) {
    auto p = std::make_unique<ProcessedPath>();
    p->context.path = path;
    if (openRawFile(p->context) != 0) return p;
    p->context.buffer.resize(kReadBufferSize);
    p->context.bufferSize = kReadBufferSize;
    const NoKeysHeld keys;
    p->parsed = ParseContainer(p->context, p->reporter, keys, [](const std::string&) {});
    if (succeeded(p->parsed)) {
        p->loaded = LoadImageData(p->context, p->reporter, keys, pool);
        ReleaseOffsetTables(p->context);
    }
    closeRawFile(p->context);
    return p;
}

// LibRaw unpacks the file at `path` to the same width x height samples; skips the test where
// the build found no LibRaw.
inline void expectLibRawAgrees(const std::string& path, const std::vector<std::uint16_t>& samples,
                               std::uint32_t width, std::uint32_t height) {
    if (!libRawAvailable()) GTEST_SKIP() << "LibRaw was not found when this was built";
    std::string error;
    const auto oracle = libRawUnpack(path, &error);
    ASSERT_TRUE(oracle) << error;
    ASSERT_EQ(oracle->rawWidth, width);
    ASSERT_EQ(oracle->rawHeight, height);
    ASSERT_EQ(oracle->samples.size(), samples.size());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < samples.size(); ++i)
        differing += samples[i] != oracle->samples[i];
    EXPECT_EQ(differing, 0u);
}

} // namespace korvane::test
