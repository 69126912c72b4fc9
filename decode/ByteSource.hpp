#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/Status.hpp"

namespace korvane {

class FileAccess;

// Where a decoder takes the bytes of one strip or tile from. Decoders see nothing but this:
// no file, no tag, so each can be tested and fuzzed on bytes in memory.
class ByteSource {
public:
    virtual ~ByteSource();
    // Copies up to `maximum` bytes to `destination` and returns how many it copied; 0 only
    // when the source has nothing more to give.
    virtual std::uint32_t read(std::uint8_t* destination, std::uint32_t maximum) = 0;
};

// The bytes of a span, front to back.
class MemoryByteSource final : public ByteSource {
public:
    explicit MemoryByteSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint32_t read(std::uint8_t* destination, std::uint32_t maximum) override;

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

// `byteCount` bytes of the open file from `offset` on, pulled through the file's window
// buffer in pieces of at most kPieceSize bytes, so that a strip is never read whole. The file
// is positioned once, here; when that fails FileAccess has shown the message, status() tells
// it and read() gives nothing.
class FileByteSource final : public ByteSource {
public:
    // The longest request the window buffer serves wherever its cursor stands.
    static constexpr std::uint32_t kPieceSize = 4096;

    FileByteSource(FileAccess& file, std::uint32_t offset, std::uint32_t byteCount);
    [[nodiscard]] Status status() const { return status_; }
    // Bytes of the range not read yet.
    std::uint32_t remaining() const { return remaining_; }
    std::uint32_t read(std::uint8_t* destination, std::uint32_t maximum) override;

private:
    FileAccess& file_;
    std::uint32_t remaining_;
    Status status_;
};

} // namespace korvane
