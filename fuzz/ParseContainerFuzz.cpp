// Fuzz target for container parsing: the input is a whole raw file. Parsing must end with a
// status and, when it fails, with a message; when it succeeds the main image must be one the
// decoders accept, and everything it names must lie inside the file.
#include "fuzz/FuzzCheck.hpp"
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "common/RecordingReporter.hpp"
#include "container/FileAccess.hpp"
#include "container/ParseContainer.hpp"

namespace {

// One memory file, rewritten for every input: no disk traffic.
class MemoryFile {
public:
    MemoryFile() : fd_(::memfd_create("korvane-fuzz-container", 0)) { FUZZ_CHECK(fd_ >= 0); }
    std::string write(const std::uint8_t* data, std::size_t size) {
        FUZZ_CHECK(::ftruncate(fd_, 0) == 0);
        FUZZ_CHECK(::pwrite(fd_, data, size, 0) == static_cast<ssize_t>(size));
        return "/proc/self/fd/" + std::to_string(fd_);
    }

private:
    int fd_;
};

// Keys held: none, or the full-sensor view, chosen by the input's last byte.
class Keys final : public korvane::KeyState {
public:
    bool fullSensor = false;
    bool isKeyDown(int key) const override {
        return fullSensor && (key == 0x10 || key == 0x11 || key == 'W');
    }
};

void checkAccepted(const korvane::RawFileContext& ctx) {
    const korvane::IfdNode* image = ctx.mainImage;
    FUZZ_CHECK(image != nullptr);
    FUZZ_CHECK(!image->inconsistent());
    FUZZ_CHECK(image->bitsPerSample >= 8 && image->bitsPerSample <= 16);
    FUZZ_CHECK(image->cfaRepeatRows >= 1 && image->cfaRepeatRows <= 8);
    FUZZ_CHECK(image->cfaPatternCount == image->cfaRepeatRows * image->cfaRepeatCols);
    FUZZ_CHECK(image->exposureStep >= 0 && image->exposureStep <= 96);
    FUZZ_CHECK(image->maximumValue >= 1024);
    for (const korvane::IfdEntry* e :
         {image->stripOffsets, image->stripByteCounts, image->tileOffsets, image->tileByteCounts,
          image->linearizationTable}) {
        if (e == nullptr || e->isInline() || e->isLoaded()) continue;
        const std::uint64_t end = e->valueOffset + std::uint64_t{e->count} * e->typeSize();
        FUZZ_CHECK(end <= ctx.fileLength);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static MemoryFile file;
    korvane::RawFileContext ctx;
    ctx.path = file.write(data, size);
    if (korvane::openRawFile(ctx) != 0) return 0;
    if (ctx.fileLength <= 25) return 0;
    // The read window is kept from one input to the next, as an open program keeps it from
    // one file to the next: whatever it held before must not count.
    static std::vector<std::uint8_t> window(korvane::kReadBufferSize);
    ctx.buffer = std::move(window);
    ctx.bufferSize = korvane::kReadBufferSize;
    Keys keys;
    keys.fullSensor = size > 0 && (data[size - 1] & 1) != 0;
    korvane::RecordingReporter reporter;
    std::size_t shown = 0;
    const korvane::Status status = korvane::ParseContainer(
        ctx, reporter, keys, [&](const std::string& text) { shown += text.size() > 0; });
    if (status == korvane::kOk)
        checkAccepted(ctx);
    else
        FUZZ_CHECK(!reporter.records().empty());
    korvane::closeRawFile(ctx);
    window = std::move(ctx.buffer);
    window.resize(korvane::kReadBufferSize);
    return 0;
}
