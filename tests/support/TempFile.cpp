#include "tests/support/TempFile.hpp"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace korvane::test {

namespace {

std::filesystem::path makeFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "korvane-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    return pattern;
}

void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

} // namespace

TempFile::TempFile(const std::vector<std::uint8_t>& bytes, const std::string& name)
    : folder_(makeFolder()), path_((folder_ / name).string()) {
    writeFile(path_, bytes);
}

TempFile::~TempFile() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

TempFolder::TempFolder() : path_(makeFolder()) {}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempFolder::write(const std::string& name,
                              const std::vector<std::uint8_t>& bytes) const {
    const auto p = path_ / name;
    writeFile(p, bytes);
    return p.string();
}

std::vector<std::uint8_t> countingBytes(std::size_t count) {
    std::vector<std::uint8_t> out(count);
    for (std::size_t i = 0; i < count; ++i)
        out[i] = static_cast<std::uint8_t>(i);
    return out;
}

std::vector<std::uint8_t> offsetBytes(std::size_t count) {
    std::vector<std::uint8_t> out(count);
    for (std::size_t i = 0; i < count; ++i)
        out[i] = offsetByte(i);
    return out;
}

} // namespace korvane::test
