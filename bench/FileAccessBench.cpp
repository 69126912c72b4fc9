// Sequential reading through the buffered file access against plain std::fread of the same
// 4 KiB chunks from the same 20 MB file. The comparison benchmark times both passes in each
// iteration, in alternating order, and reports their ratio (FileAccess time / fread time).
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "common/RecordingReporter.hpp"
#include "container/FileAccess.hpp"

namespace {

constexpr std::size_t kFileSize = 20 * 1000 * 1000;
constexpr std::uint32_t kChunk = 4096;

// The 20 MB file, written once and removed at exit.
class BenchFile {
public:
    BenchFile() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "korvane-bench-XXXXXX").string();
        const int fd = ::mkstemp(pattern.data());
        if (fd < 0) std::abort();
        path_ = pattern;
        std::vector<std::uint8_t> bytes(kFileSize);
        std::uint32_t x = 12345;
        for (auto& b : bytes)
            b = static_cast<std::uint8_t>((x = x * 1103515245u + 12345u) >> 24);
        if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            std::abort();
        ::close(fd);
    }
    ~BenchFile() { std::filesystem::remove(path_); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

const BenchFile& benchFile() {
    static const BenchFile file;
    return file;
}

// One pass through the file with ReadBytes; returns a checksum so nothing is optimised away.
std::uint64_t readWithFileAccess(const std::string& path) {
    korvane::RawFileContext ctx;
    ctx.path = path;
    if (korvane::openRawFile(ctx) != 0) std::abort();
    ctx.buffer.assign(korvane::kReadBufferSize, 0);
    ctx.bufferSize = korvane::kReadBufferSize;
    korvane::RecordingReporter reporter;
    korvane::FileAccess access(ctx, reporter);
    if (access.SeekTo(0) != korvane::kOk) std::abort();
    std::uint64_t sum = 0;
    std::size_t total = 0;
    for (;;) {
        const std::uint8_t* data = nullptr;
        const std::uint32_t n = access.ReadBytes(kChunk, data);
        if (n == 0 || n == korvane::FileAccess::kLengthInvalid) break;
        sum += data[0] + data[n - 1];
        total += n;
    }
    korvane::closeRawFile(ctx);
    if (total != kFileSize) std::abort();
    return sum;
}

// The same pass with std::fread into a caller's buffer.
std::uint64_t readWithFread(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) std::abort();
    std::vector<std::uint8_t> chunk(kChunk);
    std::uint64_t sum = 0;
    std::size_t total = 0;
    for (;;) {
        const std::size_t n = std::fread(chunk.data(), 1, kChunk, file);
        if (n == 0) break;
        sum += chunk[0] + chunk[n - 1];
        total += n;
    }
    std::fclose(file);
    if (total != kFileSize) std::abort();
    return sum;
}

void BM_FileAccessReadBytes(benchmark::State& state) {
    const std::string& path = benchFile().path();
    for (auto _ : state)
        benchmark::DoNotOptimize(readWithFileAccess(path));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileSize));
}
BENCHMARK(BM_FileAccessReadBytes)->Unit(benchmark::kMillisecond);

void BM_Fread(benchmark::State& state) {
    const std::string& path = benchFile().path();
    for (auto _ : state)
        benchmark::DoNotOptimize(readWithFread(path));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileSize));
}
BENCHMARK(BM_Fread)->Unit(benchmark::kMillisecond);

void BM_FileAccessVsFread(benchmark::State& state) {
    const std::string& path = benchFile().path();
    using Clock = std::chrono::steady_clock;
    std::chrono::duration<double> fileAccess{0}, fread{0};
    bool fileAccessFirst = true;
    for (auto _ : state) {
        for (int pass = 0; pass < 2; ++pass) {
            const bool timingFileAccess = (pass == 0) == fileAccessFirst;
            const auto start = Clock::now();
            benchmark::DoNotOptimize(timingFileAccess ? readWithFileAccess(path)
                                                      : readWithFread(path));
            (timingFileAccess ? fileAccess : fread) += Clock::now() - start;
        }
        fileAccessFirst = !fileAccessFirst;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["ratio"] = fileAccess.count() / fread.count();
    state.counters["FileAccess_ms"] = 1000 * fileAccess.count() / n;
    state.counters["fread_ms"] = 1000 * fread.count() / n;
}
BENCHMARK(BM_FileAccessVsFread)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
