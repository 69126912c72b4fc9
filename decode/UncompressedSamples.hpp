#pragma once
#include <cstdint>

#include "decode/BitReader.hpp"

namespace korvane {

// How uncompressed samples are stored: one byte each (8-bit data), or two in a byte order.
enum class SampleCoding : std::uint8_t { OneByte, LittleEndian16, BigEndian16 };

// Converts the next `count` samples of `in` into `destination`: a byte becomes a sample with
// high byte 0, two bytes are taken in their order. False when the input ends first.
[[nodiscard]] bool copySamples(ByteInput& in, std::uint16_t* destination, std::uint64_t count,
                               SampleCoding coding);

} // namespace korvane
