#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/TiffWriter.hpp"

namespace korvane::test {

// Rows and columns of a rectangle, bottom and right exclusive, in the order DNG stores them.
struct SensorRect {
    std::uint32_t top;
    std::uint32_t left;
    std::uint32_t bottom;
    std::uint32_t right;
};

// What the DNG builder writes. The defaults describe the demo file: a 16-bit RGGB sensor of
// 656 x 488 samples whose top 8 rows and left 16 columns are masked.
struct DngDescription {
    ByteOrder order = ByteOrder::Little;
    std::uint32_t width = 656;
    std::uint32_t height = 488;
    SensorRect activeArea{8, 16, 488, 656};
    std::vector<SensorRect> maskedAreas{{0, 0, 8, 656}, {8, 0, 488, 16}};
    // CFA colours of the 2 x 2 repeat, row by row: 0 red, 1 green, 2 blue.
    std::array<std::uint8_t, 4> cfaPattern{0, 1, 1, 2};
    // Black level of each CFA position (BlackLevelRepeatDim 2 x 2), and the white level.
    std::array<std::uint16_t, 4> blackLevel{1024, 1030, 1018, 1026};
    std::uint16_t whiteLevel = 60000;
    // Written as LinearizationTable when not empty; samples are then stored table indices.
    std::vector<std::uint16_t> linearizationTable;
    std::uint32_t rowsPerStrip = 64;
    // 16: samples in two bytes in the file's byte order. 10, 12 or 14: packed, most
    // significant bit first, each row starting on a byte (samples are cut to that many bits).
    std::uint32_t bitsPerSample = 16;

    std::string make = "Korvane";
    std::string model = "Demo Sensor";
    std::string uniqueCameraModel = "Korvane Demo Sensor";
    URational exposureTime{1, 250};
    URational fNumber{56, 10};
    URational focalLength{50, 1};
    std::uint16_t iso = 200;
    // The camera's response to white, also used by the scene: green is the most sensitive.
    std::array<URational, 3> asShotNeutral{{{1, 2}, {1, 1}, {7, 10}}};

    // True: IFD0 is an 8-bit RGB preview and the CFA image is its sub-directory, as most
    // converters write it. False: the CFA image is IFD0 itself.
    bool rawInSubIfd = true;
    std::uint64_t noiseSeed = 1;
};

// The demo file that scripts/run opens: the default description on a sensor of 1296 x 1040,
// inside the sizes the analyser decodes (1000 to 10000 samples each way).
DngDescription demoDescription();

// The CFA colour (0 red, 1 green, 2 blue) of a sample.
int cfaColour(const DngDescription& d, std::uint32_t row, std::uint32_t column);

// A test scene in CFA samples, width x height row after row: in the active area a grid of 24
// colour patches, a grey ramp whose bright end clips in green first, and a few specular
// highlights clipped at the white level in every channel, all with read and shot noise;
// everywhere else (the masked areas) the black level with read noise. Deterministic for a
// given noiseSeed.
std::vector<std::uint16_t> demoScene(const DngDescription& d);

// An uncompressed CFA DNG holding `samples` (width x height, row after row) in strips of
// d.bitsPerSample bits a sample.
std::vector<std::uint8_t> buildDng(const DngDescription& d,
                                   const std::vector<std::uint16_t>& samples);

} // namespace korvane::test
