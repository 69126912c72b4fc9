#include "container/ParseContainer.hpp"

#include <cstring>

#include "container/FileAccess.hpp"

namespace korvane {

namespace {

// The byte orders a header may name.
constexpr std::uint8_t kLittleEndian = 2;  // "II"
constexpr std::uint8_t kBigEndian = 1;     // "MM"

std::uint8_t headerByteOrder(const std::uint8_t* h) {
    if (h[0] == 'I' && h[1] == 'I') {
        if ((h[2] == 0x2A && h[3] == 0x00) || (h[2] == 'R' && h[3] == 'O') ||
            (h[2] == 'U' && h[3] == 0x00))
            return kLittleEndian;
    }
    if (h[0] == 'M' && h[1] == 'M' && h[2] == 0x00 && h[3] == 0x2A) return kBigEndian;
    return 0;
}

} // namespace

Status ParseContainer(RawFileContext& context, Reporter& reporter, const KeyState& keys,
                      const ShotInfoSink& showShotInfo) {
    (void)keys;
    (void)showShotInfo;
    FileAccess file(context, reporter);
    if (Status s = file.SeekTo(0); failed(s)) return s;
    const std::uint8_t* header = nullptr;
    if (file.ReadBytes(8, header) != 8) {
        reporter.ShowMessage(4);
        return kFailed;
    }
    const std::uint8_t order = headerByteOrder(header);
    if (order == 0) {
        reporter.ShowMessage(4);
        return kFailed;
    }
    const std::uint32_t first =
        order == kLittleEndian
            ? static_cast<std::uint32_t>(header[4] | header[5] << 8 | header[6] << 16 |
                                         static_cast<std::uint32_t>(header[7]) << 24)
            : static_cast<std::uint32_t>(static_cast<std::uint32_t>(header[4]) << 24 |
                                         header[5] << 16 | header[6] << 8 | header[7]);
    if (first < 8 || static_cast<std::int64_t>(first) > static_cast<std::int64_t>(context.fileLength) - 12) {
        reporter.ShowMessage(5);
        return kFailed;
    }
    context.formatCode = 1;
    // The directory reader is not part of this build yet: no directory can describe a main
    // image, so every TIFF file ends here.
    reporter.ShowMessage(12, context.path);
    return kFailed;
}

} // namespace korvane

namespace korvane {
int defaultExposurePosition(float) { return 48; }
} // namespace korvane
