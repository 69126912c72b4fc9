#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace korvane::test {

// A file in a fresh temporary folder, removed with the object.
class TempFile {
public:
    explicit TempFile(const std::vector<std::uint8_t>& bytes, const std::string& name = "file.raw");
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile();
    const std::string& path() const { return path_; }
    const std::filesystem::path& folder() const { return folder_; }

private:
    std::filesystem::path folder_;
    std::string path_;
};

// A temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();
    const std::filesystem::path& path() const { return path_; }
    std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;

private:
    std::filesystem::path path_;
};

// Bytes 0, 1, 2, ... 255, 0, 1, ...: every position of a file tells its own offset modulo 256.
std::vector<std::uint8_t> countingBytes(std::size_t count);

// Every 4-byte aligned word holds its own file offset, little-endian: unlike countingBytes,
// bytes read from a position 256 or 64 Ki away are different, so a read from the wrong block
// shows. offsetByte(p) is the byte such a file has at position p.
std::vector<std::uint8_t> offsetBytes(std::size_t count);
constexpr std::uint8_t offsetByte(std::uint64_t position) {
    return static_cast<std::uint8_t>((position & ~std::uint64_t{3}) >> (8 * (position & 3)));
}

} // namespace korvane::test
