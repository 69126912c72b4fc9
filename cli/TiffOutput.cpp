#include "cli/TiffOutput.hpp"

#include <tiffio.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <vector>

namespace korvane::cli {

namespace {

// Strips of about 64 KiB, as libtiff's own default chooses for such images.
constexpr std::uint32_t kStripBytes = 64 * 1024;

std::string lowerExtension(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

bool writeImage(TIFF* tiff, const ImageDescriptor& image, const SampleRect& area) {
    const std::uint32_t rowsPerStrip =
        std::max<std::uint32_t>(1, kStripBytes / std::max<std::uint32_t>(1, area.width * 2));
    if (!TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, area.width) ||
        !TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, area.height) ||
        !TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 16) ||
        !TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1) ||
        !TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT) ||
        !TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK) ||
        !TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) ||
        !TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE) ||
        !TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, rowsPerStrip) ||
        !TIFFSetField(tiff, TIFFTAG_SOFTWARE, "korvane-cli dump"))
        return false;
    // libtiff takes samples in the machine's order and records the file's own.
    std::vector<std::uint16_t> row(area.width);
    for (std::uint32_t y = 0; y < area.height; ++y) {
        const std::uint16_t* from =
            image.samples.data() + std::size_t{area.top + y} * image.imageWidth + area.left;
        std::copy(from, from + area.width, row.begin());
        if (TIFFWriteScanline(tiff, row.data(), y, 0) != 1) return false;
    }
    return true;
}

} // namespace

std::optional<DumpFormat> dumpFormatFor(const std::string& path) {
    const std::string ext = lowerExtension(path);
    if (ext == ".pgm") return DumpFormat::Pgm;
    if (ext == ".tiff" || ext == ".tif") return DumpFormat::Tiff;
    return std::nullopt;
}

bool writeTiff(const std::string& path, const ImageDescriptor& image, const SampleRect& area) {
    if (area.width == 0 || area.height == 0) return false;
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    if (tiff == nullptr) return false;
    const bool written = writeImage(tiff, image, area);
    // Closing writes the directory: only then is the file complete.
    const bool flushed = written && TIFFFlush(tiff) == 1;
    TIFFClose(tiff);
    if (!flushed) std::remove(path.c_str());
    return flushed;
}

} // namespace korvane::cli
