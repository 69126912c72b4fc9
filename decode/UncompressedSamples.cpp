#include "decode/UncompressedSamples.hpp"

#include <algorithm>
#include <bit>
#include <cstring>

namespace korvane {

namespace {

std::uint16_t sampleAt(const std::uint8_t* p, SampleCoding coding) {
    switch (coding) {
    case SampleCoding::OneByte:
        return p[0];
    case SampleCoding::LittleEndian16:
        return static_cast<std::uint16_t>(p[0] | p[1] << 8);
    case SampleCoding::BigEndian16:
        return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
    }
    return 0;
}

constexpr SampleCoding kNativeCoding = std::endian::native == std::endian::little
                                           ? SampleCoding::LittleEndian16
                                           : SampleCoding::BigEndian16;

} // namespace

bool copySamples(ByteInput& in, std::uint16_t* destination, std::uint64_t count,
                 SampleCoding coding) {
    const std::uint32_t size = coding == SampleCoding::OneByte ? 1 : 2;
    while (count > 0) {
        const std::uint32_t available = in.available();
        if (available == 0) return false;
        if (available < size) {
            // A sample split between two fills of the input.
            std::uint8_t pair[2];
            if (!in.next(pair[0]) || !in.next(pair[1])) return false;
            *destination++ = sampleAt(pair, coding);
            --count;
            continue;
        }
        const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(available / size, count));
        const std::uint8_t* p = in.data();
        if (coding == kNativeCoding) {
            std::memcpy(destination, p, std::size_t{n} * 2);
        } else {
            for (std::uint32_t i = 0; i < n; ++i)
                destination[i] = sampleAt(p + i * size, coding);
        }
        in.advance(n * size);
        destination += n;
        count -= n;
    }
    return true;
}

bool skipBytes(ByteInput& in, std::uint64_t count) {
    while (count > 0) {
        const std::uint32_t available = in.available();
        if (available == 0) return false;
        const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(available, count));
        in.advance(n);
        count -= n;
    }
    return true;
}

} // namespace korvane
