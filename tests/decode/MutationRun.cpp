// korvane-mutations [THREADS [NAME]]: every truncation at 64 positions and every single-byte change
// at 256 positions of each real sample file and of a synthetic file of each coding, opened,
// parsed and loaded as "Process" does it. Each must end with a message or a decode, within
// 20 s and 2 GiB of heap, and leave the file it read unchanged. Prints one line per input
// and a line per finding; exits 1 when there is any. NAME keeps the inputs whose name holds it.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/KeyState.hpp"
#include "common/RawFileContext.hpp"
#include "common/RecordingReporter.hpp"
#include "container/FileAccess.hpp"
#include "container/ParseContainer.hpp"
#include "decode/LoadImageData.hpp"
#include "tests/support/AllocationHook.hpp"
#include "tests/support/DngBuilder.hpp"
#include "tests/support/KodakEncoder.hpp"
#include "tests/support/LosslessJpegEncoder.hpp"
#include "tests/support/NikonEncoder.hpp"
#include "tests/support/OlympusEncoder.hpp"
#include "tests/support/PentaxEncoder.hpp"
#include "tests/support/SonyEncoder.hpp"
#include "tests/support/TiffTags.hpp"
#include "tests/support/TiffWriter.hpp"

namespace korvane::test {
namespace {

constexpr int kTruncations = 64;
constexpr int kByteChanges = 256;
constexpr double kSecondsAllowed = 20;
constexpr std::size_t kHeapAllowed = std::size_t{2} << 30;

using Bytes = std::vector<std::uint8_t>;

struct Input {
    std::string name;
    Bytes bytes;
};

Bytes readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeAll(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::uint64_t hashOf(const Bytes& bytes) {
    std::uint64_t h = 1469598103934665603ull; // FNV-1a
    for (const std::uint8_t b : bytes)
        h = (h ^ b) * 1099511628211ull;
    return h;
}

// The outcome of one file: a message or a decode.
struct Outcome {
    bool ended = false; // a message was shown, or it loaded without one being needed
    bool loaded = false;
    std::string problem; // why it does not count as ended
};

Outcome process(const std::string& path) {
    RawFileContext context;
    RecordingReporter reporter;
    context.path = path;
    Outcome out;
    if (openRawFile(context) != 0) {
        out.problem = "cannot open";
        return out;
    }
    context.buffer.resize(kReadBufferSize);
    context.bufferSize = kReadBufferSize;
    const NoKeysHeld keys;
    Status status = kFailed;
    try {
        status = ParseContainer(context, reporter, keys, [](const std::string&) {});
        if (succeeded(status)) {
            status = LoadImageData(context, reporter, keys);
            ReleaseOffsetTables(context);
        }
    } catch (const std::exception& e) {
        out.problem = std::string("exception: ") + e.what();
    }
    closeRawFile(context);
    if (!out.problem.empty()) return out;
    // Any non-zero status is a failure; it must have said why.
    out.loaded = succeeded(status);
    if (failed(status) && reporter.records().empty())
        out.problem = "failed (status " + std::to_string(status) + ") without a message";
    else
        out.ended = true;
    return out;
}

// The mutations of a file: truncations at evenly spread lengths, and byte changes at evenly
// spread positions, each position's byte turned into a value of its own (its complement,
// 0x00, 0xFF or an increment, by turns), so that sizes, offsets and codes all get hit.
struct Mutation {
    std::size_t position;
    bool truncate;
    std::uint8_t value;
};

std::vector<Mutation> mutationsOf(const Bytes& bytes) {
    std::vector<Mutation> out;
    const std::size_t n = bytes.size();
    for (int i = 0; i < kTruncations; ++i)
        out.push_back({n * static_cast<std::size_t>(i) / kTruncations, true, 0});
    // The first kilobyte holds the header and most directories: half of the changes go there.
    const std::size_t head = std::min<std::size_t>(n, 1024);
    for (int i = 0; i < kByteChanges; ++i) {
        const std::size_t at = i % 2 == 0
                                   ? head * static_cast<std::size_t>(i / 2) / (kByteChanges / 2)
                                   : n * static_cast<std::size_t>(i / 2) / (kByteChanges / 2);
        const std::uint8_t b = bytes[at];
        const std::uint8_t values[4] = {static_cast<std::uint8_t>(~b), 0x00, 0xFF,
                                        static_cast<std::uint8_t>(b + 1)};
        std::uint8_t v = values[(i / 2) % 4];
        if (v == b) v = static_cast<std::uint8_t>(b ^ 0x80);
        out.push_back({at, false, v});
    }
    return out;
}

std::vector<Input> syntheticInputs() {
    std::vector<Input> out;
    DngDescription d = demoDescription();
    const auto scene = demoScene(d);
    out.push_back({"synthetic DNG uncompressed", buildDng(d, scene)});
    d.bitsPerSample = 12;
    out.push_back({"synthetic DNG packed 12", buildDng(d, scene)});
    {
        const std::uint32_t w = 1024, h = 1024;
        std::vector<std::uint16_t> image(std::size_t{w} * h);
        for (std::size_t i = 0; i < image.size(); ++i)
            image[i] = static_cast<std::uint16_t>((i * 7 + i / w * 3) % 4096);
        LosslessJpegOptions o;
        o.precision = 12;
        o.components = 2;
        out.push_back(
            {"synthetic DNG lossless JPEG tiles", losslessJpegDng(image, w, h, 256, 256, o)});
    }
    {
        // A CR2 as Canon's EOS 20D writes it: Make and Model in IFD0, the raw image in the last
        // directory, one lossless JPEG strip of two components a line (the camera row gives
        // compression 6, the sensor's frame and levels).
        const std::uint32_t w = 3596, h = 2360;
        const auto raw = sceneSamples(w, h, 12, 13);
        LosslessJpegOptions o;
        o.precision = 12;
        o.components = 2;
        o.samplesPerLine = static_cast<std::uint16_t>(w / 2);
        o.lines = static_cast<std::uint16_t>(h);
        TiffWriter writer;
        const BlockId strip = writer.addBlock(encodeLosslessJpeg(raw, o));
        Ifd first;
        first.addLong(tag::kNewSubFileType, 1)
            .addAscii(tag::kMake, "Canon")
            .addAscii(tag::kModel, "Canon EOS 20D");
        Ifd image;
        image.addLong(tag::kNewSubFileType, 0)
            .addLong(tag::kImageWidth, w)
            .addLong(tag::kImageLength, h)
            .addShort(tag::kBitsPerSample, 12)
            .addShort(tag::kCompression, 6)
            .addShort(tag::kPhotometricInterpretation, 32803)
            .addBlockOffsets(tag::kStripOffsets, {strip})
            .addShort(tag::kSamplesPerPixel, 1)
            .addLong(tag::kRowsPerStrip, h)
            .addLong(tag::kStripByteCounts, writer.blockSize(strip))
            .addShorts(tag::kCfaRepeatPatternDim, {2, 2})
            .addBytes(tag::kCfaPattern, {0, 1, 1, 2});
        writer.addIfd(std::move(first));
        writer.addIfd(std::move(image));
        out.push_back({"synthetic CR2 lossless JPEG", writer.write()});
    }
    {
        NefLayout nef;
        const auto raw = sceneSamples(nef.width, nef.height, nef.bits, 3);
        CompressionInfoLayout info;
        info.vertical = {{{100, 200}, {300, 400}}};
        nef.info = compressionInfoBytes(info, nef.order);
        nef.strip =
            encodePairRows(raw, nef.width, nef.height, nikonCodes(true, nef.bits), info.vertical);
        out.push_back({"synthetic NEF lossless", buildNef(nef)});
    }
    {
        PefLayout pef;
        const auto samples = sceneSamples(pef.width, pef.height, 12, 5);
        pef.strip = encodePentax(samples, pef.width, pef.height);
        out.push_back({"synthetic PEF", buildPef(pef)});
    }
    {
        const SonyArwLayout layout;
        const auto values = sceneSamples(layout.width, layout.height, 14, 7);
        out.push_back({"synthetic ARW", sonyArw(values, layout)});
    }
    {
        const KodakDcrLayout layout;
        out.push_back(
            {"synthetic DCR", kodakDcr(sceneSamples(layout.width, layout.height, 12, 9), layout)});
    }
    {
        const OlympusOrfLayout layout;
        out.push_back({"synthetic ORF",
                       olympusOrf(sceneSamples(layout.width, layout.height, 12, 11), layout)});
    }
    return out;
}

std::vector<Input> sampleInputs(const std::string& folder) {
    std::vector<Input> out;
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string ext = entry.path().extension().string();
        if (entry.is_regular_file() && ext != ".tsv" && ext != ".md" &&
            entry.path().filename() != "SHA256SUMS")
            paths.push_back(entry.path().string());
    }
    std::sort(paths.begin(), paths.end());
    for (const std::string& p : paths)
        out.push_back({p, readAll(p)});
    return out;
}

struct Tally {
    std::mutex lock;
    std::vector<std::string> findings;
    double slowest = 0;
    std::size_t peak = 0;
};

// Runs the mutations of one input in `threads` threads, each on a file of its own.
void mutate(const Input& input, const std::string& work, int threads, Tally& tally, int& loads,
            int& refusals) {
    const auto mutations = mutationsOf(input.bytes);
    std::atomic<std::size_t> next{0};
    std::atomic<int> loaded{0}, refused{0};
    const auto worker = [&](int id) {
        const std::string path = work + "/mutated-" + std::to_string(id);
        for (std::size_t i; (i = next.fetch_add(1)) < mutations.size();) {
            const Mutation& m = mutations[i];
            Bytes bytes(input.bytes.begin(),
                        input.bytes.begin() + static_cast<std::ptrdiff_t>(
                                                  m.truncate ? m.position : input.bytes.size()));
            if (!m.truncate) bytes[m.position] = m.value;
            writeAll(path, bytes);
            const std::uint64_t before = hashOf(bytes);
            const auto start = std::chrono::steady_clock::now();
            const Outcome o = process(path);
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            const bool unchanged = hashOf(readAll(path)) == before;
            (o.loaded ? loaded : refused).fetch_add(1);
            std::lock_guard<std::mutex> hold(tally.lock);
            tally.slowest = std::max(tally.slowest, seconds);
            tally.peak = std::max(tally.peak, allocation::peakBytes());
            std::string what;
            if (!o.ended) what = o.problem;
            if (seconds > kSecondsAllowed) what += " took " + std::to_string(seconds) + " s";
            if (!unchanged) what += " changed the file";
            if (!what.empty()) {
                char where[96];
                std::snprintf(where, sizeof where,
                              m.truncate ? " cut at %zu" : " byte %zu set to 0x%02x", m.position,
                              m.value);
                tally.findings.push_back(input.name + where + ":" + what);
            }
        }
    };
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t)
        pool.emplace_back(worker, t);
    worker(0);
    for (auto& t : pool)
        t.join();
    loads = loaded;
    refusals = refused;
}

} // namespace
} // namespace korvane::test

int main(int argc, char** argv) {
    using namespace korvane::test;
    const int threads = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2;
    const std::string work =
        std::filesystem::temp_directory_path() / ("korvane-mutations-" + std::to_string(getpid()));
    std::filesystem::create_directories(work);
    std::vector<Input> inputs = sampleInputs(KORVANE_SAMPLES_DIR);
    std::vector<std::uint64_t> sampleHashes;
    for (const Input& in : inputs)
        sampleHashes.push_back(hashOf(in.bytes));
    const std::size_t samples = inputs.size();
    for (Input& in : syntheticInputs())
        inputs.push_back(std::move(in));
    Tally tally;
    const auto start = std::chrono::steady_clock::now();
    int runs = 0;
    const std::string only = argc > 2 ? argv[2] : "";
    for (const Input& in : inputs) {
        if (in.name.find(only) == std::string::npos) continue;
        const auto begun = std::chrono::steady_clock::now();
        allocation::resetPeak();
        int loads = 0, refusals = 0;
        // Each synthetic file loads as it is; the real ones as far as their data go.
        writeAll(work + "/original", in.bytes);
        const Outcome original = process(work + "/original");
        if (&in - inputs.data() >= static_cast<std::ptrdiff_t>(samples) && !original.loaded)
            tally.findings.push_back(in.name + ": does not load unchanged");
        mutate(in, work, threads, tally, loads, refusals);
        runs += loads + refusals;
        std::printf(
            "%-58s %9zu bytes  %-8s  mutated: %4d loaded %4d refused  %6.1f s\n",
            std::filesystem::path(in.name).filename().c_str(), in.bytes.size(),
            original.loaded ? "loads" : "refused", loads, refusals,
            std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count());
        std::fflush(stdout);
    }
    // The real files are only read.
    for (std::size_t i = 0; i < samples; ++i)
        if (hashOf(readAll(inputs[i].name)) != sampleHashes[i])
            tally.findings.push_back(inputs[i].name + ": changed");
    std::filesystem::remove_all(work);
    std::printf(
        "%d runs of %zu inputs in %.1f s on %d threads; slowest %.2f s; peak heap %.1f MiB\n", runs,
        inputs.size(),
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), threads,
        tally.slowest, static_cast<double>(tally.peak) / (1 << 20));
    for (const std::string& f : tally.findings)
        std::printf("FINDING %s\n", f.c_str());
    std::printf("%zu findings\n", tally.findings.size());
    return tally.findings.empty() ? 0 : 1;
}
