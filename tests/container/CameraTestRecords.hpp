#pragma once
// Records of a parsed file as the IFD reader leaves them before the camera is identified,
// built by hand for the camera table tests: no file is read.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/CameraDescription.hpp"
#include "common/RawFileContext.hpp"
#include "container/CameraTable.hpp"

namespace korvane::test {

// A file's first IFD with Make and Model, and optionally a raw image directory.
class ParsedFile {
public:
    ParsedFile(std::string_view make, std::string_view model) {
        context.mainTree = std::make_unique<IfdNode>();
        context.mainTree->label = "First IFD";
        context.lastNode = context.mainTree.get();
        context.formatCode = format_code::kTiff;
        context.make = std::string(make);
        context.model = std::string(model);
        context.makeEntry = &makeEntry_;
        context.modelEntry = &modelEntry_;
    }
    ParsedFile(const ParsedFile&) = delete;
    ParsedFile& operator=(const ParsedFile&) = delete;

    IfdNode& first() { return *context.mainTree; }

    // The raw image in a SubIFD, read last and chosen by the reader (NEF, ARW, DNG).
    IfdNode& rawSubIfd(std::uint32_t width, std::uint32_t height, std::uint32_t compression,
                       std::uint8_t bits) {
        auto node = std::make_unique<IfdNode>();
        node->kind = IfdKind::FullResolution;
        node->imageWidth = width;
        node->imageLength = height;
        node->compression = compression;
        node->bitsPerSample = bits;
        node->layout = node_layout::kStrips;
        IfdNode& raw = *node;
        first().subIfds.push_back(std::move(node));
        context.mainImage = &raw;
        context.lastNode = &raw;
        return raw;
    }

    // The raw image in the first IFD with an Exif IFD read after it (ORF, PEF, DCR).
    IfdNode& rawFirstIfdWithExif(std::uint32_t width, std::uint32_t height,
                                 std::uint32_t compression, std::uint8_t bits) {
        IfdNode& raw = first();
        raw.kind = IfdKind::FullResolution;
        raw.imageWidth = width;
        raw.imageLength = height;
        raw.compression = compression;
        raw.bitsPerSample = bits;
        raw.layout = node_layout::kStrips;
        raw.exif = std::make_unique<IfdNode>();
        raw.exif->kind = IfdKind::ExifIfd;
        raw.exif->label = "Exif IFD";
        raw.exif->parent = &raw;
        context.mainImage = &raw;
        context.lastNode = raw.exif.get();
        return raw;
    }

    void markDng() { context.formatCode = format_code::kDng; }
    void dropMakeEntry() { context.makeEntry = nullptr; }

    RawFileContext context;

private:
    IfdEntry makeEntry_{};
    IfdEntry modelEntry_{};
};

// The rows of the table with these names, in table order.
inline std::vector<const CameraDescription*> rowsNamed(std::string_view make,
                                                       std::string_view model) {
    std::vector<const CameraDescription*> rows;
    for (const CameraDescription& row : cameraTable())
        if (row.make == make && row.model == model) rows.push_back(&row);
    return rows;
}

// Position of a row in its camera's rows, for messages: "row 6 of NIKON D700".
inline std::string describe(const CameraDescription* row) {
    if (row == nullptr) return "no row";
    const auto rows = rowsNamed(row->make, row->model);
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i] == row)
            return "row " + std::to_string(i + 1) + " of " + std::string(row->model);
    return "the row of " + std::string(row->model);
}

} // namespace korvane::test
