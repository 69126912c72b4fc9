#include "tests/support/DngBuilder.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "tests/support/StripEncoder.hpp"
#include "tests/support/TiffTags.hpp"

namespace korvane::test {

namespace {

struct Rgb {
    double r, g, b;
};

// Approximate linear RGB of the 24 patches of a classic colour checker, row by row.
constexpr std::array<Rgb, 24> kPatches{{
    {0.173, 0.085, 0.058}, {0.547, 0.301, 0.230}, {0.118, 0.195, 0.335}, {0.097, 0.149, 0.053},
    {0.235, 0.221, 0.434}, {0.130, 0.513, 0.413}, {0.690, 0.203, 0.026}, {0.068, 0.107, 0.387},
    {0.546, 0.083, 0.118}, {0.105, 0.043, 0.157}, {0.328, 0.502, 0.047}, {0.767, 0.356, 0.022},
    {0.020, 0.051, 0.287}, {0.052, 0.298, 0.064}, {0.434, 0.031, 0.040}, {0.862, 0.578, 0.004},
    {0.508, 0.085, 0.297}, {0.000, 0.243, 0.372}, {0.877, 0.867, 0.835}, {0.586, 0.588, 0.584},
    {0.358, 0.362, 0.362}, {0.198, 0.199, 0.198}, {0.089, 0.090, 0.091}, {0.031, 0.032, 0.032},
}};

// Scene white lands at 90% of the range in the most sensitive channel.
constexpr double kExposure = 0.9;
// The ramp runs to 1.25 x white, so its bright end clips in green but not in red or blue.
constexpr double kRampTop = 1.25;
// Specular highlights, far above white in every channel.
constexpr double kHighlight = 4.0;
// Read noise (in samples) and shot-noise variance per sample of signal.
constexpr double kReadNoise = 4.0;
constexpr double kShotNoiseGain = 0.3;
// The sub-sampling of the preview.
constexpr std::uint32_t kPreviewStep = 4;

// splitmix64: small, fast and the same everywhere, unlike the standard distributions.
class NoiseSource {
public:
    explicit NoiseSource(std::uint64_t seed) : state_(seed) {}
    double uniform() { // in [0, 1)
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return static_cast<double>((z ^ (z >> 31)) >> 11) * 0x1.0p-53;
    }
    // Close to a standard normal variate: the sum of four uniforms has variance 1/3.
    double normal() {
        double sum = 0;
        for (int i = 0; i < 4; ++i)
            sum += uniform() - 0.5;
        return sum * std::sqrt(3.0);
    }

private:
    std::uint64_t state_;
};

// The scene's linear colour at a position of the active area (x, y from its top left).
Rgb sceneColour(double x, double y, double width, double height) {
    const double fx = x / width;
    const double fy = y / height;
    if (fy >= 0.05 && fy < 0.55 && fx >= 0.04 && fx < 0.96) {
        const double cx = (fx - 0.04) / 0.92 * 6;
        const double cy = (fy - 0.05) / 0.50 * 4;
        const double inX = cx - std::floor(cx);
        const double inY = cy - std::floor(cy);
        if (inX > 0.1 && inX < 0.9 && inY > 0.1 && inY < 0.9)
            return kPatches[static_cast<std::size_t>(cy) * 6 + static_cast<std::size_t>(cx)];
    }
    if (fy >= 0.62 && fy < 0.76) {
        const double v = kRampTop * x / std::max(1.0, width - 1);
        return {v, v, v};
    }
    if (fy >= 0.80 && fy < 0.95) {
        // Discs of growing radius along the bottom band.
        constexpr std::array<double, 5> kCentres{0.15, 0.33, 0.5, 0.68, 0.86};
        constexpr std::array<double, 5> kRadii{1.5, 2.5, 4, 6, 9};
        const double cy = 0.875 * height;
        for (std::size_t i = 0; i < kCentres.size(); ++i) {
            const double dx = x - kCentres[i] * width;
            const double dy = y - cy;
            if (dx * dx + dy * dy <= kRadii[i] * kRadii[i])
                return {kHighlight, kHighlight, kHighlight};
        }
    }
    return {0.03, 0.03, 0.03};
}

double channel(const Rgb& c, int colour) {
    return colour == 0 ? c.r : colour == 1 ? c.g : c.b;
}

double ratio(const URational& r) {
    return r.denominator == 0 ? 0.0 : double(r.numerator) / r.denominator;
}

std::uint16_t clampSample(double v, double white) {
    return static_cast<std::uint16_t>(std::lround(std::clamp(v, 0.0, white)));
}

bool inside(const SensorRect& r, std::uint32_t row, std::uint32_t column) {
    return row >= r.top && row < r.bottom && column >= r.left && column < r.right;
}

// The CFA position (0 to 3) of a sample: DNG puts the origin of the CFA and black level
// patterns at the top left of the active area.
std::size_t cfaPosition(const DngDescription& d, std::uint32_t row, std::uint32_t column) {
    return (((row ^ d.activeArea.top) & 1) << 1) | ((column ^ d.activeArea.left) & 1);
}

void addDescriptionTags(Ifd& ifd, const DngDescription& d) {
    Ifd exif;
    exif.addRationals(tag::kExposureTime, {d.exposureTime})
        .addRationals(tag::kFNumber, {d.fNumber})
        .addShort(tag::kIsoSpeedRatings, d.iso)
        .addUndefined(tag::kExifVersion, {'0', '2', '3', '0'})
        .addRationals(tag::kFocalLength, {d.focalLength});
    // XYZ (D65) to camera: a plausible sensor, rows for red, green and blue.
    const std::vector<SRational> colorMatrix{{6700, 10000},  {-1800, 10000}, {-700, 10000},
                                             {-4200, 10000}, {12100, 10000}, {2300, 10000},
                                             {-600, 10000},  {1500, 10000},  {6200, 10000}};
    ifd.addAscii(tag::kMake, d.make)
        .addAscii(tag::kModel, d.model)
        .addShort(tag::kOrientation, 1)
        .addAscii(tag::kSoftware, "korvane-make-demo")
        .addSubIfds(tag::kExifIfd, {std::move(exif)})
        .addBytes(tag::kDngVersion, {1, 4, 0, 0})
        .addBytes(tag::kDngBackwardVersion, {1, 1, 0, 0})
        .addAscii(tag::kUniqueCameraModel, d.uniqueCameraModel)
        .addSRationals(tag::kColorMatrix1, colorMatrix)
        .addShort(tag::kCalibrationIlluminant1, 21) // D65
        .addRationals(tag::kAsShotNeutral, {d.asShotNeutral.begin(), d.asShotNeutral.end()});
}

void addCfaImage(Ifd& ifd, TiffWriter& writer, const DngDescription& d,
                 const std::vector<std::uint16_t>& samples) {
    const std::uint32_t rowsPerStrip = std::clamp(d.rowsPerStrip, 1u, d.height);
    std::vector<BlockId> strips;
    std::vector<std::uint32_t> counts;
    for (std::uint32_t row = 0; row < d.height; row += rowsPerStrip) {
        const std::uint32_t rows = std::min(rowsPerStrip, d.height - row);
        const auto first = samples.begin() + std::size_t{row} * d.width;
        const std::vector<std::uint16_t> strip(first, first + std::size_t{rows} * d.width);
        // Strips follow each other without a gap: LibRaw, the tests' oracle, reads
        // uncompressed DNG strips as one run from the first offset.
        if (d.bitsPerSample == 16)
            strips.push_back(writer.addBlock(encodeShorts(strip, d.order), 2));
        else
            strips.push_back(writer.addBlock(encodeBitPacked(strip, d.width, d.bitsPerSample), 1));
        counts.push_back(writer.blockSize(strips.back()));
    }
    std::vector<std::uint32_t> masked;
    for (const SensorRect& r : d.maskedAreas)
        masked.insert(masked.end(), {r.top, r.left, r.bottom, r.right});

    ifd.addLong(tag::kNewSubFileType, 0)
        .addLong(tag::kImageWidth, d.width)
        .addLong(tag::kImageLength, d.height)
        .addShort(tag::kBitsPerSample, static_cast<std::uint16_t>(d.bitsPerSample))
        .addShort(tag::kCompression, 1)
        .addShort(tag::kPhotometricInterpretation, 32803) // CFA
        .addBlockOffsets(tag::kStripOffsets, strips)
        .addShort(tag::kSamplesPerPixel, 1)
        .addLong(tag::kRowsPerStrip, rowsPerStrip)
        .addLongs(tag::kStripByteCounts, counts)
        .addShort(tag::kPlanarConfiguration, 1)
        .addShorts(tag::kCfaRepeatPatternDim, {2, 2})
        .addBytes(tag::kCfaPattern, {d.cfaPattern.begin(), d.cfaPattern.end()})
        .addBytes(tag::kCfaPlaneColor, {0, 1, 2})
        .addShort(tag::kCfaLayout, 1)
        .addShorts(tag::kBlackLevelRepeatDim, {2, 2})
        .addShorts(tag::kBlackLevel, {d.blackLevel.begin(), d.blackLevel.end()})
        .addShort(tag::kWhiteLevel, d.whiteLevel)
        .addLongs(tag::kActiveArea,
                  {d.activeArea.top, d.activeArea.left, d.activeArea.bottom, d.activeArea.right});
    if (!masked.empty()) ifd.addLongs(tag::kMaskedAreas, masked);
    if (!d.linearizationTable.empty())
        ifd.addShorts(tag::kLinearizationTable, d.linearizationTable);
}

// An 8-bit RGB preview of the active area: each pixel from one 2 x 2 CFA block, white
// balanced with the as-shot neutral and given a display gamma.
void addPreview(Ifd& ifd, TiffWriter& writer, const DngDescription& d,
                const std::vector<std::uint16_t>& samples) {
    const SensorRect& a = d.activeArea;
    const std::uint32_t width = std::max(1u, (a.right - a.left) / kPreviewStep);
    const std::uint32_t height = std::max(1u, (a.bottom - a.top) / kPreviewStep);
    std::vector<std::uint8_t> rgb;
    rgb.reserve(std::size_t{width} * height * 3);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            std::array<double, 3> sum{};
            std::array<int, 3> n{};
            for (std::uint32_t dy = 0; dy < 2; ++dy) {
                for (std::uint32_t dx = 0; dx < 2; ++dx) {
                    const std::uint32_t row = std::min(a.top + y * kPreviewStep + dy, d.height - 1);
                    const std::uint32_t col = std::min(a.left + x * kPreviewStep + dx, d.width - 1);
                    const int colour = cfaColour(d, row, col);
                    const double black = d.blackLevel[cfaPosition(d, row, col)];
                    sum[colour] += (samples[std::size_t{row} * d.width + col] - black) /
                                   (d.whiteLevel - black) / ratio(d.asShotNeutral[colour]);
                    ++n[colour];
                }
            }
            for (int c = 0; c < 3; ++c) {
                const double v = n[c] ? std::clamp(sum[c] / n[c], 0.0, 1.0) : 0.0;
                rgb.push_back(static_cast<std::uint8_t>(std::lround(255 * std::pow(v, 1 / 2.2))));
            }
        }
    }
    const BlockId strip = writer.addBlock(std::move(rgb));
    ifd.addLong(tag::kNewSubFileType, 1)
        .addLong(tag::kImageWidth, width)
        .addLong(tag::kImageLength, height)
        .addShorts(tag::kBitsPerSample, {8, 8, 8})
        .addShort(tag::kCompression, 1)
        .addShort(tag::kPhotometricInterpretation, 2) // RGB
        .addBlockOffsets(tag::kStripOffsets, {strip})
        .addShort(tag::kSamplesPerPixel, 3)
        .addLong(tag::kRowsPerStrip, height)
        .addLong(tag::kStripByteCounts, writer.blockSize(strip))
        .addShort(tag::kPlanarConfiguration, 1);
}

} // namespace

int cfaColour(const DngDescription& d, std::uint32_t row, std::uint32_t column) {
    return d.cfaPattern[cfaPosition(d, row, column)];
}

std::vector<std::uint16_t> demoScene(const DngDescription& d) {
    NoiseSource noise(d.noiseSeed);
    const SensorRect& a = d.activeArea;
    const double activeWidth = a.right - a.left;
    const double activeHeight = a.bottom - a.top;
    const double white = d.whiteLevel;
    std::vector<std::uint16_t> out(std::size_t{d.width} * d.height);
    for (std::uint32_t row = 0; row < d.height; ++row) {
        for (std::uint32_t col = 0; col < d.width; ++col) {
            const double black = d.blackLevel[cfaPosition(d, row, col)];
            double value = black + kReadNoise * noise.normal();
            if (inside(a, row, col)) {
                const int colour = cfaColour(d, row, col);
                const Rgb scene = sceneColour(col - a.left, row - a.top, activeWidth, activeHeight);
                const double signal = channel(scene, colour) * ratio(d.asShotNeutral[colour]) *
                                      kExposure * (white - black);
                value +=
                    signal + std::sqrt(kShotNoiseGain * std::max(signal, 0.0)) * noise.normal();
            }
            out[std::size_t{row} * d.width + col] = clampSample(value, white);
        }
    }
    return out;
}

std::vector<std::uint8_t> buildDng(const DngDescription& d,
                                   const std::vector<std::uint16_t>& samples) {
    if (samples.size() != std::size_t{d.width} * d.height)
        throw std::invalid_argument("samples do not match width x height");
    TiffWriter writer(d.order);
    Ifd ifd0;
    if (d.rawInSubIfd) {
        Ifd raw;
        addCfaImage(raw, writer, d, samples);
        addPreview(ifd0, writer, d, samples);
        ifd0.addSubIfds(tag::kSubIfds, {std::move(raw)});
    } else {
        addCfaImage(ifd0, writer, d, samples);
    }
    addDescriptionTags(ifd0, d);
    writer.addIfd(std::move(ifd0));
    return writer.write();
}

DngDescription demoDescription() {
    DngDescription d;
    d.width = 1296;
    d.height = 1040;
    d.activeArea = {8, 16, 1040, 1296};
    d.maskedAreas = {{0, 0, 8, 1296}, {8, 0, 1040, 16}};
    return d;
}

} // namespace korvane::test
