#include "cli/DisplayOptions.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <vector>

#include "cli/NoiseJson.hpp"
#include "cli/RenderCommand.hpp"
#include "resources/ControlIds.hpp"

namespace korvane::cli {

namespace {

// Large enough for any screen, small enough that a typing error cannot ask for gigabytes.
constexpr int kMaxPanelSide = 8192;
// The display magnifies at most ten times.
constexpr int kMaxMagnification = 10;

bool readInt(std::string_view text, int& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return !text.empty() && ec == std::errc() && ptr == end;
}

bool readFloat(std::string_view text, float& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return !text.empty() && ec == std::errc() && ptr == end && std::isfinite(value);
}

// "1,2,3" split at `separator` into exactly `count` parts.
bool split(std::string_view text, char separator, std::size_t count,
           std::vector<std::string_view>& parts) {
    parts.clear();
    for (;;) {
        const std::size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) break;
        text.remove_prefix(at + 1);
    }
    return parts.size() == count;
}

template <std::size_t N>
bool readInts(std::string_view text, char separator, std::array<int, N>& values) {
    std::vector<std::string_view> parts;
    if (!split(text, separator, N, parts)) return false;
    for (std::size_t i = 0; i < N; ++i)
        if (!readInt(parts[i], values[i])) return false;
    return true;
}

// A level as the edits take it: decimal digits, at most the edit's six characters.
bool isLevel(std::string_view text) {
    return !text.empty() && text.size() <= 6 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool readOutput(const std::string& text, RenderRequest& r, std::string&) {
    r.output = text;
    return true;
}

bool readPanel(const std::string& text, RenderRequest& r, std::string&) {
    std::array<int, 2> size{};
    if (!readInts(text, 'x', size) || size[0] < 1 || size[1] < 1 || size[0] > kMaxPanelSide ||
        size[1] > kMaxPanelSide)
        return false;
    r.panel = platform::Size{size[0], size[1]};
    return true;
}

bool readMode(const std::string& text, RenderRequest& r, std::string&) {
    static constexpr std::pair<std::string_view, int> kModes[] = {
        {"composite", ids::kRadioComposite}, {"greyscale", ids::kRadioGreyscale},
        {"channel", ids::kRadioChannel},     {"exposure", ids::kRadioExposure},
        {"histogram", ids::kRadioHistogram},
    };
    const auto mode = std::find_if(std::begin(kModes), std::end(kModes),
                                   [&](const auto& m) { return m.first == text; });
    if (mode == std::end(kModes)) return false;
    r.modeRadio = mode->second;
    return true;
}

bool readMapping(const std::string& text, RenderRequest& r, std::string&) {
    int row = 0;
    if (!readInt(text, row) || row < 0) return false;
    r.mapping = row;
    return true;
}

bool readZoom(const std::string& text, RenderRequest& r, std::string&) {
    std::array<int, 2> zoom{};
    if (!readInts(text, ':', zoom) || zoom[0] < 1 || zoom[0] > kMaxMagnification || zoom[1] < 1 ||
        (zoom[0] > 1 && zoom[1] > 1))
        return false;
    r.zoom = std::pair{zoom[0], zoom[1]};
    return true;
}

bool readScroll(const std::string& text, RenderRequest& r, std::string&) {
    std::array<int, 2> scroll{};
    if (!readInts(text, ',', scroll) || scroll[0] < 0 || scroll[1] < 0) return false;
    r.scroll = std::pair{scroll[0], scroll[1]};
    return true;
}

bool readOrientation(const std::string& text, RenderRequest& r, std::string&) {
    int orientation = 0;
    if (!readInt(text, orientation) || orientation < 1 || orientation > 8) return false;
    r.orientation = orientation;
    return true;
}

template <std::optional<std::string> RenderRequest::*kLevel>
bool readLevel(const std::string& text, RenderRequest& r, std::string&) {
    if (!isLevel(text)) return false;
    r.*kLevel = text;
    return true;
}

bool readExposure(const std::string& text, RenderRequest& r, std::string&) {
    int position = 0;
    if (!readInt(text, position) || position < 0 || position > 96) return false;
    r.exposure = position;
    return true;
}

bool readWhiteBalance(const std::string& text, RenderRequest& r, std::string&) {
    std::vector<std::string_view> parts;
    std::array<float, 4> wb{};
    if (!split(text, ',', 4, parts)) return false;
    for (std::size_t i = 0; i < 4; ++i)
        if (!readFloat(parts[i], wb[i]) || wb[i] < 0 || wb[i] > 64) return false;
    r.wb = wb;
    return true;
}

template <bool kChecked> bool readCheck(const std::string& text, RenderRequest& r, std::string&) {
    int id = 0;
    if (!readInt(text, id)) return false;
    r.checks.emplace_back(id, kChecked);
    return true;
}

bool readSelection(const std::string& text, RenderRequest& r, std::string&) {
    std::array<int, 4> edges{};
    if (!readInts(text, ',', edges) || edges[0] > edges[2] || edges[1] > edges[3]) return false;
    r.select = edges;
    return true;
}

bool readNoise(const std::string& text, RenderRequest& r, std::string& why) {
    NoiseParameters noise;
    if (!readNoiseJson(text, noise, why)) return false;
    r.noise = noise;
    return true;
}

// {name, value, help, what a refused value needs, reader}
constexpr std::array kDisplayOptions = std::to_array<DisplayOption>({
    {"-o", "OUT.png", "the picture panel as a PNG", "a file name", readOutput},
    {"--panel", "WxH", "size of the picture panel in pixels", "WIDTHxHEIGHT (1 to 8192 each)",
     readPanel},
    {"--mode", "M", "composite, greyscale, channel, exposure or histogram",
     "composite, greyscale, channel, exposure or histogram", readMode},
    {"--mapping", "INDEX", "row of the mapping function list (0 is the first)",
     "a row of the mapping function list", readMapping},
    {"--zoom", "M:R", "magnification M (1 to 10) or reduction R (1 or the CFA width)",
     "MAGNIFICATION:REDUCTION (1:R or M:1, M at most 10)", readZoom},
    {"--scroll", "X,Y", "positions of the horizontal and vertical scroll bars",
     "X,Y (scroll positions from 0)", readScroll},
    {"--orientation", "N", "display orientation 1 to 8 (TIFF orientation values)",
     "an orientation from 1 to 8", readOrientation},
    {"--black", "N", "black point, as typed into its edit", "a level of at most 6 digits",
     readLevel<&RenderRequest::black>},
    {"--white", "N", "white point, as typed into its edit", "a level of at most 6 digits",
     readLevel<&RenderRequest::white>},
    {"--exposure", "P", "exposure slider position 0 to 96 (48 is 0 EV)",
     "a slider position from 0 to 96", readExposure},
    {"--wb", "R,G1,G2,B", "white balance coefficients", "R,G1,G2,B (each from 0 to 64)",
     readWhiteBalance},
    {"--check", "ID", "check a check box of the dialog by control id (repeatable)", "a control id",
     readCheck<true>},
    {"--uncheck", "ID", "uncheck a check box of the dialog by control id (repeatable)",
     "a control id", readCheck<false>},
    {"--select", "L,T,R,B", "a selection in panel coordinates, edges inclusive",
     "L,T,R,B (inclusive, left <= right, top <= bottom)", readSelection},
    {"--noise", "FILE.json",
     "live noise parameters for the drawing: a JSON object of\n"
     "the noise parameter fields by name (offsetOn, offset, ...);\n"
     "per-channel fields are arrays of 4 (red, green 1, blue,\n"
     "green 2); \"valid\" is 1 unless the file says 0",
     "a readable JSON file of noise parameters", readNoise},
});

} // namespace

std::span<const DisplayOption> displayOptions() {
    return kDisplayOptions;
}

CLI::Option* addDisplayOption(CLI::App& command, std::string_view name, RenderRequest& request,
                              std::string_view help) {
    const auto row = std::find_if(kDisplayOptions.begin(), kDisplayOptions.end(),
                                  [&](const DisplayOption& o) { return o.name == name; });
    if (row == kDisplayOptions.end())
        throw CLI::IncorrectConstruction("no display option " + std::string(name));
    const DisplayOption& option = *row;
    const auto read = [&option, &request](const std::string& value) {
        std::string why;
        if (option.read(value, request, why)) return;
        if (!why.empty()) throw CLI::ValidationError(std::string(option.name) + ": " + why);
        refuseValue(std::string(option.name), std::string(option.wants), value);
    };
    return command
        .add_option_function<std::string>(std::string(option.name), read,
                                          std::string(help.empty() ? option.help : help))
        ->type_name(std::string(option.value))
        ->trigger_on_parse();
}

} // namespace korvane::cli
