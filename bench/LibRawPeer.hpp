#pragma once
// The peer the decoder benchmarks measure Korvane against: LibRaw unpacking the same file in
// the same run.
#include <chrono>
#include <cstdint>
#include <span>
#include <string>

namespace korvane::bench {

// Adds what LibRaw took to *time when time is given; returns whether LibRaw read the file.
// From memory only unpack() is timed, as open_buffer() parses the directories first; from a
// path open_file() and unpack() are timed together, as a user waits for both.
bool libRawUnpack(std::span<const std::uint8_t> file, std::chrono::duration<double>* time);
bool libRawUnpack(const std::string& path, std::chrono::duration<double>* time);

} // namespace korvane::bench
