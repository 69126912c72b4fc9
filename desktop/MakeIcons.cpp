// korvane-make-icons OUTDIR: the program's own icon drawn at the sizes of the freedesktop
// hicolor theme, as OUTDIR/korvane-N.png, for the install to put under share/icons.
#include <cstdio>
#include <string>

#include "cli/PngWriter.hpp"
#include "resources/Bitmaps.hpp"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: korvane-make-icons OUTDIR\n");
        return 1;
    }
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const std::string path = std::string(argv[1]) + "/korvane-" + std::to_string(size) + ".png";
        std::string error;
        if (!korvane::cli::writePng(korvane::resources::loadIcon(size), path, error)) {
            std::fprintf(stderr, "korvane-make-icons: %s: %s\n", path.c_str(), error.c_str());
            return 2;
        }
    }
    return 0;
}
