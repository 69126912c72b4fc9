// korvane-make-demo OUT.dng: writes the demo raw file, a DNG of the test scene with masked
// borders, so that a fresh build has something to open.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tests/support/DngBuilder.hpp"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: korvane-make-demo OUT.dng\n");
        return 1;
    }
    const std::filesystem::path out = argv[1];
    const korvane::test::DngDescription description = korvane::test::demoDescription();
    const std::vector<std::uint8_t> bytes =
        korvane::test::buildDng(description, korvane::test::demoScene(description));
    std::error_code ignored;
    if (out.has_parent_path()) std::filesystem::create_directories(out.parent_path(), ignored);
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        std::fprintf(stderr, "korvane-make-demo: cannot write %s\n", out.c_str());
        return 2;
    }
    return 0;
}
