#include "cli/DumpCommand.hpp"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "cli/FileSession.hpp"
#include "cli/TiffOutput.hpp"
#include "decode/Allocation.hpp"

namespace korvane::cli {

namespace {

struct DumpArgs {
    std::string input;
    std::string output;
    bool active = false;
};

} // namespace

bool writePgm(std::ostream& out, const ImageDescriptor& image, const SampleRect& area) {
    out << "P5\n" << area.width << ' ' << area.height << "\n65535\n";
    // Rows go out in writes of about kWriteBytes, big-endian as PGM has its 16-bit values.
    constexpr std::size_t kWriteBytes = 1u << 20;
    const std::size_t rowBytes = std::size_t{area.width} * 2;
    const std::size_t rowsPerWrite =
        std::max<std::size_t>(1, kWriteBytes / std::max<std::size_t>(rowBytes, 1));
    // Its pages are made at once: faulting them in one at a time costs more than the writes.
    const std::size_t chunkBytes = rowBytes * std::min<std::size_t>(rowsPerWrite, area.height);
    LargeByteBuffer large(chunkBytes);
    std::vector<char> small(large.data() != nullptr ? 0 : chunkBytes);
    char* const chunk =
        large.data() != nullptr ? reinterpret_cast<char*>(large.data()) : small.data();
    for (std::uint32_t y = 0; y < area.height;) {
        const auto rows =
            static_cast<std::uint32_t>(std::min<std::size_t>(rowsPerWrite, area.height - y));
        char* to = chunk;
        for (std::uint32_t r = 0; r < rows; ++r, ++y) {
            const std::uint16_t* from =
                image.samples.data() + std::size_t{area.top + y} * image.imageWidth + area.left;
            for (std::uint32_t x = 0; x < area.width; ++x) {
                to[0] = static_cast<char>(from[x] >> 8);
                to[1] = static_cast<char>(from[x] & 0xFF);
                to += 2;
            }
        }
        out.write(chunk, to - chunk);
    }
    out.flush();
    return static_cast<bool>(out);
}

namespace {

int dump(const DumpArgs& args) {
    const auto session = openFileSession(args.input, true);
    if (failed(session->status) || session->context.mainImage == nullptr) return 2;
    const ImageDescriptor& image = *session->context.mainImage;
    const SampleRect whole{0, 0, image.imageLength, image.imageWidth};
    if (image.samples.size() < std::size_t{image.imageWidth} * image.imageLength) return 2;
    const SampleRect area = args.active ? image.activeRect() : whole;
    if (dumpFormatFor(args.output) == DumpFormat::Tiff) {
        if (writeTiff(args.output, image, area)) return 0;
        std::cerr << "korvane-cli: cannot write " << args.output << '\n';
        return 2;
    }
    std::ofstream out(args.output, std::ios::binary | std::ios::trunc);
    if (!out || !writePgm(out, image, area)) {
        std::cerr << "korvane-cli: cannot write " << args.output << '\n';
        return 2;
    }
    return 0;
}

} // namespace

CommandRun declareDump(CLI::App& command) {
    auto args = std::make_shared<DumpArgs>();
    command.add_option("FILE", args->input, "the raw file")->required()->type_name("");
    command
        .add_option_function<std::string>(
            "-o",
            [args](const std::string& path) {
                if (!dumpFormatFor(path))
                    refuseValue("-o", "a file name ending in .pgm, .tiff or .tif", path);
                args->output = path;
            },
            "a 16-bit binary PGM (P5, maxval 65535) or greyscale TIFF;\nthe extension chooses: "
            ".pgm, .tiff or .tif")
        ->type_name("OUT.pgm|OUT.tiff")
        ->required();
    command.add_flag("--active", args->active, "the active area only, not the whole sample buffer");
    command.footer(
        "Exit status: 0 success, 1 usage, 2 the file could not be processed or the output\n"
        "not written.");
    return [args] { return dump(*args); };
}

} // namespace korvane::cli
