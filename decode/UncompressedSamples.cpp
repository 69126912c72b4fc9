#include "decode/UncompressedSamples.hpp"

#include <algorithm>
#include <bit>
#include <cstring>

#include "common/ByteOrder.hpp"

namespace korvane {

namespace {

std::uint16_t sampleAt(const std::uint8_t* p, SampleCoding coding) {
    switch (coding) {
    case SampleCoding::OneByte:
        return p[0];
    case SampleCoding::LittleEndian16:
        return ByteOrder::little().load16(p);
    case SampleCoding::BigEndian16:
        return ByteOrder::big().load16(p);
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
        if (!in.advance(n * size)) return false;
        destination += n;
        count -= n;
    }
    return true;
}

} // namespace korvane
