#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "common/Status.hpp"
#include "decode/Allocation.hpp"

namespace korvane {

class FileAccess;
class Reporter;
struct RawFileContext;

// Where a decoder takes the bytes of one strip or tile from. Decoders see nothing but this:
// no file, no tag, so each can be tested and fuzzed on bytes in memory.
class ByteSource {
public:
    virtual ~ByteSource();
    // Copies up to `maximum` bytes to `destination` and returns how many it copied; 0 only
    // when the source has nothing more to give.
    virtual std::uint32_t read(std::uint8_t* destination, std::uint32_t maximum) = 0;
    // Sources that hold their bytes in memory lend them instead: a view of the next bytes, at
    // most `maximum` of them, valid until the next call; empty only when nothing is left.
    virtual bool lends() const { return false; }
    virtual std::span<const std::uint8_t> lend(std::uint32_t maximum);
};

// The bytes of a span, front to back.
class MemoryByteSource final : public ByteSource {
public:
    explicit MemoryByteSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint32_t read(std::uint8_t* destination, std::uint32_t maximum) override;
    bool lends() const override { return true; }
    std::span<const std::uint8_t> lend(std::uint32_t maximum) override;

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

// `byteCount` bytes of the open file from `offset` on, read with positioned reads of up to
// kPieceSize bytes into a buffer of its own. It never moves the context's file position or
// window, so that several of them, one per thread, read the strips and tiles of one image at
// once. The position is checked here as FileAccess::SeekTo checks it, with its messages
// PositionFailed and ProcessingFailed unless `quiet` (a later part of a strip whose start was
// checked); a failed read is MessageId::ReadFailed. Messages go to `reporter`.
class FileRangeSource final : public ByteSource {
public:
    static constexpr std::uint32_t kPieceSize = 1u << 20;

    FileRangeSource(const RawFileContext& context, Reporter& reporter, std::uint32_t offset,
                    std::uint32_t byteCount, bool quiet = false);
    [[nodiscard]] Status status() const { return status_; }
    std::uint32_t read(std::uint8_t* destination, std::uint32_t maximum) override;
    bool lends() const override { return true; }
    std::span<const std::uint8_t> lend(std::uint32_t maximum) override;

private:
    const RawFileContext& context_;
    Reporter& reporter_;
    std::uint64_t position_;
    std::uint32_t remaining_;
    Status status_ = kOk;
    // Buffers of this size or more are a LargeByteBuffer.
    static constexpr std::uint32_t kLargeBuffer = 1u << 18;
    std::unique_ptr<std::uint8_t[]> buffer_;
    LargeByteBuffer large_;
    std::uint32_t bufferSize_ = 0;
};

} // namespace korvane
