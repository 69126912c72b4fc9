// Open to first picture: "Process" in the headless main dialog, from the click to the picture
// in the panel (parse, decode, black level, exposure counts, raw histogram, first drawing),
// against LibRaw's open and unpack of the same file in the same run (the counter "ratio").
// The files: a synthetic 24-megapixel lossless JPEG DNG (6000 x 4000, 14 bits, tiles of
// 512 x 512) and the real tiled Blackmagic DNG. The counter "korvane_ms" is the time the
// user waits; "panel_updates" proves the picture was drawn.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/AnalyzerDlg.hpp"
#include "bench/LibRawPeer.hpp"
#include "platform/headless/HeadlessDialog.hpp"
#include "platform/headless/HeadlessDriver.hpp"
#include "platform/headless/HeadlessServices.hpp"
#include "resources/ControlIds.hpp"
#include "resources/DialogTemplates.hpp"
#include "tests/support/LosslessJpegEncoder.hpp"
#include "tests/support/NikonEncoder.hpp"

namespace {

using namespace korvane;
using Clock = std::chrono::steady_clock;
using namespace korvane::bench;

const std::string& losslessJpegDng() {
    static const std::string path = [] {
        constexpr std::uint32_t kWidth = 6000, kHeight = 4000;
        test::LosslessJpegOptions o;
        o.components = 2;
        o.precision = 14;
        const auto bytes = test::losslessJpegDng(test::sceneSamples(kWidth, kHeight, 14, 3), kWidth,
                                                 kHeight, 512, 512, o);
        const auto file = std::filesystem::temp_directory_path() / "korvane-bench-open-24mp.dng";
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return file.string();
    }();
    return path;
}

// The main dialog as korvane-cli's script runs it.
struct Dialog {
    platform::headless::HeadlessServices services;
    CAnalyzerDlg dlg{services, std::string{}};
    platform::headless::HeadlessDialog window{resources::mainDialogTemplate(), dlg};
    platform::headless::HeadlessDriver driver{window, services};
    Dialog() { window.open(); }
};

// The time from the click on "Process" to its return, when the picture is in the panel.
bool process(Dialog& d, const std::string& path, Seconds* time) {
    d.window.setText(ids::kPathEdit, path);
    const int before = d.window.panelUpdates();
    const auto start = Clock::now();
    d.driver.click(ids::kProcess);
    if (time) *time += Clock::now() - start;
    return d.services.messages.empty() && d.window.panelUpdates() > before;
}

void compare(benchmark::State& state, const std::string& path) {
    if (!std::filesystem::exists(path)) return state.SkipWithError("no such file");
    Dialog dialog;
    if (!process(dialog, path, nullptr)) return state.SkipWithError("no picture");
    if (!libRawUnpack(path, nullptr)) return state.SkipWithError("LibRaw does not decode it");
    Seconds korvane{0}, libraw{0};
    inTurns(
        state, [&] { process(dialog, path, &korvane); }, [&] { libRawUnpack(path, &libraw); });
    setMilliseconds(state, korvane, libraw);
    state.counters["panel_updates"] = dialog.window.panelUpdates();
}

void LosslessJpegDng24MpToFirstPicture(benchmark::State& state) {
    compare(state, losslessJpegDng());
}
void BlackmagicDngToFirstPicture(benchmark::State& state) {
    compare(state, std::string(KORVANE_SAMPLES_DIR) +
                       "/blackmagic_pocket4k_dng-ljpeg12-lintable-tiled.dng");
}

} // namespace

BENCHMARK(LosslessJpegDng24MpToFirstPicture)->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BlackmagicDngToFirstPicture)->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK_MAIN();
