#include "bench/LibRawPeer.hpp"

#include <benchmark/benchmark.h>
#include <libraw/libraw.h>

#include <memory>

namespace korvane::bench {

namespace {

using Clock = std::chrono::steady_clock;

} // namespace

bool libRawUnpack(std::span<const std::uint8_t> file, Seconds* time) {
    auto raw = std::make_unique<LibRaw>(); // large: keep it off the stack
    // LibRaw only reads the buffer, but takes it as writable.
    if (raw->open_buffer(const_cast<std::uint8_t*>(file.data()), file.size()) != LIBRAW_SUCCESS)
        return false;
    const auto start = Clock::now();
    const bool ok = raw->unpack() == LIBRAW_SUCCESS;
    if (time) *time += Clock::now() - start;
    benchmark::DoNotOptimize(raw->imgdata.rawdata.raw_image);
    return ok;
}

bool libRawUnpack(const std::string& path, Seconds* time) {
    auto raw = std::make_unique<LibRaw>(); // large: keep it off the stack
    const auto start = Clock::now();
    const bool ok =
        raw->open_file(path.c_str()) == LIBRAW_SUCCESS && raw->unpack() == LIBRAW_SUCCESS;
    if (time) *time += Clock::now() - start;
    benchmark::DoNotOptimize(raw->imgdata.rawdata.raw_image);
    return ok;
}

} // namespace korvane::bench
