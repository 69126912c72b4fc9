#include "decode/ByteSource.hpp"

#include <algorithm>
#include <cstring>

#include "container/FileAccess.hpp"

namespace korvane {

ByteSource::~ByteSource() = default;

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

} // namespace korvane
