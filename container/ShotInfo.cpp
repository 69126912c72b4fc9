#include "container/ShotInfo.hpp"

#include <cmath>
#include <cstdio>

#include "common/CameraDescription.hpp"
#include "common/EntryValues.hpp"

namespace korvane {

namespace {

constexpr const char* kSeparator = ",   ";

std::string format(const char* pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

void trimRight(std::string& s) {
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
}

// A quotient written as a whole number when it divides exactly, else with one decimal.
std::string quotientText(const Rational& r) {
    if (r.numerator % r.denominator == 0) return std::to_string(r.numerator / r.denominator);
    return format("%.1f", static_cast<double>(r.numerator) / static_cast<double>(r.denominator));
}

const char* vendorPrefix(const CameraDescription* camera) {
    if (camera == nullptr) return "";
    switch (camera->vendor) {
    case vendor::kNikon:
        return "Nikon ";
    case vendor::kOlympus:
        return "Olympus ";
    case vendor::kPhaseOne:
        return "Phase One ";
    case vendor::kSony:
        return "Sony ";
    default:
        return "";
    }
}

std::string cameraName(const RawFileContext& ctx) {
    std::string name;
    if (!ctx.uniqueCameraModel.empty()) {
        name = std::string(vendorPrefix(ctx.camera)) + ctx.uniqueCameraModel;
    } else {
        std::string make = ctx.makeEntry != nullptr ? ctx.make : std::string();
        trimRight(make);
        if (!make.empty()) make += ' ';
        if (ctx.modelEntry != nullptr && ctx.model.rfind(make, 0) == 0) {
            name = ctx.model;
        } else {
            name = make;
            if (ctx.modelEntry != nullptr) name += ' ' + ctx.model;
        }
    }
    trimRight(name);
    return name;
}

std::uint32_t firstNonZero(std::uint32_t a, std::uint32_t b, std::uint32_t c) {
    return a != 0 ? a : b != 0 ? b : c;
}

std::string focalText(const RawFileContext& ctx) {
    std::string out;
    if (ctx.lensInfoEntry != nullptr && ctx.lensInfoNode != nullptr) {
        const Rational lo = entryRational(*ctx.lensInfoNode, *ctx.lensInfoEntry, 0);
        const Rational hi = entryRational(*ctx.lensInfoNode, *ctx.lensInfoEntry, 1);
        if (lo.denominator != 0 && hi.denominator != 0 &&
            lo.numerator * hi.denominator != hi.numerator * lo.denominator) {
            const double min =
                static_cast<double>(lo.numerator) / static_cast<double>(lo.denominator);
            const double max =
                static_cast<double>(hi.numerator) / static_cast<double>(hi.denominator);
            char text[80];
            if (lo.numerator % lo.denominator != 0)
                std::snprintf(text, sizeof text, "%s%.1f-%.1fmm @ ", kSeparator, min, max);
            else
                std::snprintf(text, sizeof text, "%s%lld-%lldmm @ ", kSeparator,
                              static_cast<long long>(lo.numerator / lo.denominator),
                              static_cast<long long>(hi.numerator / hi.denominator));
            out = text;
        }
    }
    if (out.empty()) out = kSeparator;
    const Rational focal = entryRational(*ctx.focalLengthNode, *ctx.focalLengthEntry, 0);
    if (focal.denominator != 0) out += quotientText(focal) + "mm";
    return out;
}

} // namespace

std::string exposureTimeText(std::int64_t n, std::int64_t d) {
    if (d == 0) return {};
    if (n % d == 0) return std::to_string(n / d);
    const double seconds = static_cast<double>(n) / static_cast<double>(d);
    if (seconds > 1) return format("%g", seconds);
    if (n != 0 && d % n == 0) return "1/" + std::to_string(d / n);
    while (d % 10 == 0 && n % 10 == 0)
        n /= 10, d /= 10;
    return std::to_string(n) + "/" + std::to_string(d);
}

std::string correctionText(double ev) {
    if (ev == 0) return {};
    const double magnitude = std::fabs(ev);
    const int whole = static_cast<int>(magnitude);
    const double fraction = magnitude - whole;
    if (whole == 0 && fraction <= 0.08) return {};
    std::string out = ev > 0 ? ", Corr +" : ", Corr -";
    if (fraction > 0.92) {
        out += std::to_string(whole + 1);
    } else {
        if (whole != 0) out += std::to_string(whole);
        if (fraction > 0.08) {
            out += fraction <= 0.25   ? " 1/6"
                   : fraction <= 0.42 ? " 1/3"
                   : fraction <= 0.58 ? " 1/2"
                   : fraction < 0.75  ? " 2/3"
                                      : " 5/6";
        }
    }
    return out + " EV";
}

std::string composeShotInfo(const RawFileContext& ctx) {
    std::string text = cameraName(ctx);
    if (ctx.dateEntry != nullptr && ctx.dateNode != nullptr)
        text += kSeparator + entryText(*ctx.dateNode, *ctx.dateEntry);
    if (const IfdNode* image = ctx.mainImage) {
        text += kSeparator;
        text += std::to_string(
            firstNonZero(image->activeWidth, image->pixelXDimension, image->imageWidth));
        text += "x";
        text += std::to_string(
            firstNonZero(image->activeHeight, image->pixelYDimension, image->imageLength));
        text += "pix";
    }

    text += "\nISO ";
    if (ctx.iso1 == 0 && ctx.iso2 == 0) {
        text += "100?";
    } else {
        text += std::to_string(ctx.iso1);
        if (ctx.iso2 != ctx.iso1) text += "/" + std::to_string(ctx.iso2);
    }
    if (ctx.fNumberEntry != nullptr && ctx.fNumberNode != nullptr) {
        const Rational f = entryRational(*ctx.fNumberNode, *ctx.fNumberEntry, 0);
        if (f.denominator != 0) text += std::string(kSeparator) + "F/" + quotientText(f);
    }
    if (ctx.exposureTimeEntry != nullptr && ctx.exposureTimeNode != nullptr) {
        const Rational t = entryRational(*ctx.exposureTimeNode, *ctx.exposureTimeEntry, 0);
        if (t.denominator != 0 && t.numerator != 0)
            text += kSeparator + exposureTimeText(t.numerator, t.denominator) + "s";
    }
    text += correctionText(ctx.baselineExposure);
    if (ctx.focalLengthEntry != nullptr && ctx.focalLengthNode != nullptr) text += focalText(ctx);
    if (!ctx.wbMode.empty()) text += std::string(kSeparator) + "WB " + ctx.wbMode;
    return text;
}

} // namespace korvane
