#include "cli/NoiseJson.hpp"

#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <utility>

namespace korvane::cli {

namespace {

using nlohmann::json;

// The largest sample value there can be: the dialog limits its integers by the image's
// largest value, at most this.
constexpr std::int64_t kMaxSample = 0xFFFF;
// Multiply factors and Masked weights, as the dialog's edits take them.
constexpr double kMaxFactor = 1000;
constexpr double kMaxWeight = 10;

struct Reader {
    const json& value;
    const std::string& name;
    std::string& error;

    bool fail(const std::string& why) const {
        error = "'" + name + "' " + why;
        return false;
    }

    template <typename T>
    bool integer(const json& v, std::int64_t low, std::int64_t high, T& out,
                 const std::string& where) const {
        if (!v.is_number_integer()) return fail("needs " + where + "an integer");
        const auto n = v.is_number_unsigned() ? static_cast<std::int64_t>(std::min<std::uint64_t>(
                                                    v.get<std::uint64_t>(), std::uint64_t{1} << 62))
                                              : v.get<std::int64_t>();
        if (n < low || n > high)
            return fail(where + std::to_string(n) + " is outside " + std::to_string(low) + " to " +
                        std::to_string(high));
        out = static_cast<T>(n);
        return true;
    }

    bool real(const json& v, double low, double high, float& out, const std::string& where) const {
        if (!v.is_number()) return fail("needs " + where + "a number");
        const double x = v.get<double>();
        if (!std::isfinite(x) || x < low || x > high) {
            std::ostringstream text;
            text << where << x << " is outside " << low << " to " << high;
            return fail(text.str());
        }
        out = static_cast<float>(x);
        return true;
    }

    // An array of four, each element read by `one`.
    template <typename T>
    bool four(std::array<T, 4>& out,
              const std::function<bool(const json&, T&, const std::string&)>& one) const {
        if (!value.is_array() || value.size() != 4)
            return fail("needs an array of 4 (red, green 1, blue, green 2)");
        for (std::size_t k = 0; k < 4; ++k)
            if (!one(value[k], out[k], "element " + std::to_string(k) + " ")) return false;
        return true;
    }

    template <typename T>
    bool integers(std::array<T, 4>& out, std::int64_t low, std::int64_t high) const {
        return four<T>(out, [&](const json& v, T& o, const std::string& where) {
            return integer(v, low, high, o, where);
        });
    }

    bool flag(std::uint8_t& out) const {
        if (value.is_boolean()) {
            out = value.get<bool>() ? 1 : 0;
            return true;
        }
        return integer(value, 0, 1, out, "");
    }

    bool mask(std::uint8_t& out) const {
        if (!integer(value, 0, 0xFF, out, "")) return false;
        if ((out & ~kNoiseMaskAll) != 0)
            return fail("has bits that are no channel (0x80, 0x40, 0x20, 0x10)");
        return true;
    }
};

using ByteField = std::pair<std::string_view, std::uint8_t NoiseParameters::*>;
constexpr ByteField kMasks[] = {{"offsetMask", &NoiseParameters::offsetMask},
                                {"shiftMask", &NoiseParameters::shiftMask},
                                {"multiplyMask", &NoiseParameters::multiplyMask},
                                {"replaceMask", &NoiseParameters::replaceMask},
                                {"blackMask", &NoiseParameters::blackMask}};
constexpr ByteField kFlags[] = {
    {"valid", &NoiseParameters::valid},           {"offsetOn", &NoiseParameters::offsetOn},
    {"replaceOn", &NoiseParameters::replaceOn},   {"shiftOn", &NoiseParameters::shiftOn},
    {"multiplyOn", &NoiseParameters::multiplyOn}, {"blackOn", &NoiseParameters::blackOn},
    {"maskedOn", &NoiseParameters::maskedOn}};

bool readField(const std::string& name, const json& value, NoiseParameters& p, std::string& error) {
    const Reader r{value, name, error};
    constexpr std::int64_t kInt32Low = INT32_MIN, kInt32High = INT32_MAX;
    for (const auto& [field, member] : kMasks)
        if (name == field) return r.mask(p.*member);
    for (const auto& [field, member] : kFlags)
        if (name == field) return r.flag(p.*member);
    if (name == "offset") return r.integers(p.offset, -kMaxSample, kMaxSample);
    if (name == "shift") return r.integers(p.shift, -kMaxSample, kMaxSample);
    if (name == "shiftRange") return r.integers(p.shiftRange, -kMaxSample, kMaxSample);
    if (name == "multiplyRange") return r.integers(p.multiplyRange, kInt32Low, kInt32High);
    if (name == "replace") return r.integers(p.replace, 0, kMaxSample);
    if (name == "replaceRange") return r.integers(p.replaceRange, -kMaxSample, kMaxSample);
    if (name == "black") return r.integers(p.black, 0, kMaxSample);
    if (name == "multiply")
        return r.four<float>(p.multiply, [&](const json& v, float& o, const std::string& where) {
            return r.real(v, -kMaxFactor, kMaxFactor, o, where);
        });
    if (name == "maskedHorizontal") return r.real(value, 0, kMaxWeight, p.maskedHorizontal, "");
    if (name == "maskedVertical") return r.real(value, 0, kMaxWeight, p.maskedVertical, "");
    error = "unknown field '" + name + "'";
    return false;
}

} // namespace

bool parseNoiseJson(std::string_view text, NoiseParameters& parameters, std::string& error) {
    json document;
    try {
        document = json::parse(text);
    } catch (const json::parse_error& e) {
        error = std::string("not JSON: ") + e.what();
        return false;
    }
    if (!document.is_object()) {
        error = "the noise parameters must be a JSON object";
        return false;
    }
    NoiseParameters p;
    p.valid = 1;
    for (const auto& [name, value] : document.items())
        if (!readField(name, value, p, error)) return false;
    parameters = p;
    return true;
}

bool readNoiseJson(const std::string& path, NoiseParameters& parameters, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!parseNoiseJson(text, parameters, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

} // namespace korvane::cli
