// korvane-dct-corpus FOLDER: writes the starting corpus of the DCT tile fuzz target
// (fuzz/DctTileFuzz.cpp) from the test writer's frames: the target's header, the tables the writer
// puts before the frame header, and the entropy-coded data after the scan header.
#include <cstdio>
#include <fstream>
#include <string>

#include "tests/decode/JpegDctWriter.hpp"

namespace {

using korvane::test::DctStream;

// Where the segment with `code` starts in `stream`, or its size when there is none.
std::size_t findSegment(const std::vector<std::uint8_t>& stream, std::uint8_t code) {
    for (std::size_t i = 2; i + 3 < stream.size();) {
        if (stream[i] != 0xFF) return stream.size();
        if (stream[i + 1] == code) return i;
        i += 2 + (std::size_t{stream[i + 2]} << 8 | stream[i + 3]);
    }
    return stream.size();
}

std::vector<std::uint8_t> seedOf(const DctStream& s, bool halfWidth) {
    const auto stream = korvane::test::encode(s);
    const std::size_t frame = findSegment(stream, s.sof);
    const std::size_t scan = findSegment(stream, 0xDA);
    const std::size_t data = scan + 2 + (std::size_t{stream[scan + 2]} << 8 | stream[scan + 3]);
    const std::size_t tables = frame - 2;
    std::vector<std::uint8_t> input = {static_cast<std::uint8_t>(s.samplesPerLine - 1),
                                       static_cast<std::uint8_t>(s.lines - 1),
                                       static_cast<std::uint8_t>((s.sof == 0xC1 ? 1 : 0) |
                                                                 (s.precision == 12 ? 2 : 0) |
                                                                 (halfWidth ? 8 : 0)),
                                       0x00,
                                       0,
                                       4,
                                       0,
                                       0,
                                       0,
                                       static_cast<std::uint8_t>(tables),
                                       static_cast<std::uint8_t>(tables >> 8)};
    input.insert(input.end(), stream.begin() + 2,
                 stream.begin() + static_cast<std::ptrdiff_t>(frame));
    input.insert(input.end(), stream.begin() + static_cast<std::ptrdiff_t>(data), stream.end() - 2);
    return input;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: korvane-dct-corpus FOLDER\n");
        return 2;
    }
    const auto write = [&](const std::string& name, const std::vector<std::uint8_t>& bytes) {
        std::ofstream out(std::string(argv[1]) + "/" + name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    };
    DctStream s = korvane::test::standardStream();
    s.samplesPerLine = 48;
    s.lines = 10;
    s.blocks = korvane::test::randomBlocks(12, 1);
    write("sof1-12bit-two-rows-a-line", seedOf(s, true));
    s.blocks = korvane::test::randomBlocks(12, 2);
    write("sof1-12bit", seedOf(s, false));
    DctStream eight = korvane::test::standardStream();
    eight.sof = 0xC0;
    eight.precision = 8;
    eight.samplesPerLine = 16;
    eight.lines = 16;
    eight.blocks = korvane::test::randomBlocks(4, 3);
    for (auto& b : eight.blocks)
        b[0] /= 64; // inside 8 bits
    write("sof0-8bit", seedOf(eight, false));
    DctStream flat = korvane::test::standardStream();
    flat.samplesPerLine = 8;
    flat.lines = 8;
    flat.blocks = korvane::test::randomBlocks(1, 4);
    write("one-block", seedOf(flat, false));
    return 0;
}
