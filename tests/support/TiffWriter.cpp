#include "tests/support/TiffWriter.hpp"

#include <algorithm>
#include <bit>
#include <map>
#include <stdexcept>

namespace korvane::test {

// What an entry points at, if anything: its components are then offsets filled in during
// layout rather than numbers known in advance.
enum class EntryTarget : std::uint8_t { None, Blocks, Directories };

struct Ifd::Entry {
    std::uint16_t tag = 0;
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    std::uint32_t componentSize = 1;
    std::vector<std::uint64_t> components; // each stored in componentSize bytes
    EntryTarget target = EntryTarget::None;
    std::vector<std::size_t> blocks; // with Blocks: one per component
    std::vector<Ifd> directories;    // with Directories: one per component
    bool raw = false;
    std::vector<std::uint8_t> rawBytes; // with raw: the value as stored

    std::size_t valueSize() const {
        return raw ? rawBytes.size() : components.size() * componentSize;
    }
};

std::uint32_t componentSize(TiffType type) {
    switch (type) {
    case TiffType::Byte:
    case TiffType::Ascii:
    case TiffType::SByte:
    case TiffType::Undefined:
        return 1;
    case TiffType::Short:
    case TiffType::SShort:
        return 2;
    case TiffType::Long:
    case TiffType::SLong:
    case TiffType::Rational:
    case TiffType::SRational:
    case TiffType::Float:
    case TiffType::Ifd:
        return 4;
    case TiffType::Double:
        return 8;
    }
    throw std::invalid_argument("unknown TIFF type");
}

namespace {

bool isRationalType(TiffType type) {
    return type == TiffType::Rational || type == TiffType::SRational;
}

// An entry of `type` whose components are the given values, each reduced to its stored bits.
template <typename T, typename ToBits>
Ifd::Entry makeEntry(std::uint16_t tag, TiffType type, const std::vector<T>& values,
                     ToBits toBits) {
    Ifd::Entry e;
    e.tag = tag;
    e.type = static_cast<std::uint16_t>(type);
    e.componentSize = componentSize(type);
    for (const T& v : values)
        toBits(v, e.components);
    e.count = static_cast<std::uint32_t>(isRationalType(type) ? e.components.size() / 2
                                                              : e.components.size());
    return e;
}

template <typename T> auto asUnsigned() {
    return [](T v, std::vector<std::uint64_t>& out) {
        out.push_back(static_cast<std::make_unsigned_t<T>>(v));
    };
}

template <typename R> auto asPair() {
    return [](R v, std::vector<std::uint64_t>& out) {
        out.push_back(static_cast<std::uint32_t>(v.numerator));
        out.push_back(static_cast<std::uint32_t>(v.denominator));
    };
}

void put(std::vector<std::uint8_t>& out, std::size_t at, std::uint64_t value, std::uint32_t width,
         ByteOrder order) {
    for (std::uint32_t i = 0; i < width; ++i) {
        const std::uint32_t shift = 8 * (order == ByteOrder::Little ? i : width - 1 - i);
        out.at(at + i) = static_cast<std::uint8_t>(value >> shift);
    }
}

} // namespace

Ifd::Ifd() = default;
Ifd::Ifd(const Ifd&) = default;
Ifd::Ifd(Ifd&&) noexcept = default;
Ifd& Ifd::operator=(const Ifd&) = default;
Ifd& Ifd::operator=(Ifd&&) noexcept = default;
Ifd::~Ifd() = default;

std::size_t Ifd::entryCount() const {
    return entries_.size();
}

Ifd& Ifd::add(Entry entry) {
    entries_.push_back(std::move(entry));
    return *this;
}

Ifd& Ifd::addBytes(std::uint16_t tag, const std::vector<std::uint8_t>& values) {
    return add(makeEntry(tag, TiffType::Byte, values, asUnsigned<std::uint8_t>()));
}

Ifd& Ifd::addAscii(std::uint16_t tag, std::string_view text) {
    std::vector<char> chars(text.begin(), text.end());
    chars.push_back('\0');
    return add(makeEntry(tag, TiffType::Ascii, chars, asUnsigned<char>()));
}

Ifd& Ifd::addShorts(std::uint16_t tag, const std::vector<std::uint16_t>& values) {
    return add(makeEntry(tag, TiffType::Short, values, asUnsigned<std::uint16_t>()));
}

Ifd& Ifd::addLongs(std::uint16_t tag, const std::vector<std::uint32_t>& values) {
    return add(makeEntry(tag, TiffType::Long, values, asUnsigned<std::uint32_t>()));
}

Ifd& Ifd::addRationals(std::uint16_t tag, const std::vector<URational>& values) {
    return add(makeEntry(tag, TiffType::Rational, values, asPair<URational>()));
}

Ifd& Ifd::addSBytes(std::uint16_t tag, const std::vector<std::int8_t>& values) {
    return add(makeEntry(tag, TiffType::SByte, values, asUnsigned<std::int8_t>()));
}

Ifd& Ifd::addUndefined(std::uint16_t tag, const std::vector<std::uint8_t>& values) {
    return add(makeEntry(tag, TiffType::Undefined, values, asUnsigned<std::uint8_t>()));
}

Ifd& Ifd::addSShorts(std::uint16_t tag, const std::vector<std::int16_t>& values) {
    return add(makeEntry(tag, TiffType::SShort, values, asUnsigned<std::int16_t>()));
}

Ifd& Ifd::addSLongs(std::uint16_t tag, const std::vector<std::int32_t>& values) {
    return add(makeEntry(tag, TiffType::SLong, values, asUnsigned<std::int32_t>()));
}

Ifd& Ifd::addSRationals(std::uint16_t tag, const std::vector<SRational>& values) {
    return add(makeEntry(tag, TiffType::SRational, values, asPair<SRational>()));
}

Ifd& Ifd::addFloats(std::uint16_t tag, const std::vector<float>& values) {
    return add(makeEntry(tag, TiffType::Float, values, [](float v, auto& out) {
        out.push_back(std::bit_cast<std::uint32_t>(v));
    }));
}

Ifd& Ifd::addDoubles(std::uint16_t tag, const std::vector<double>& values) {
    return add(makeEntry(tag, TiffType::Double, values, [](double v, auto& out) {
        out.push_back(std::bit_cast<std::uint64_t>(v));
    }));
}

Ifd& Ifd::addBlockOffsets(std::uint16_t tag, const std::vector<BlockId>& blocks, TiffType type) {
    if (type != TiffType::Long && type != TiffType::Short)
        throw std::invalid_argument("block offsets are Long or Short");
    Entry e;
    e.tag = tag;
    e.type = static_cast<std::uint16_t>(type);
    e.componentSize = componentSize(type);
    e.count = static_cast<std::uint32_t>(blocks.size());
    e.components.assign(blocks.size(), 0);
    e.target = EntryTarget::Blocks;
    for (const BlockId b : blocks)
        e.blocks.push_back(b.index);
    return add(std::move(e));
}

Ifd& Ifd::addSubIfds(std::uint16_t tag, std::vector<Ifd> directories, TiffType type) {
    if (type != TiffType::Long && type != TiffType::Ifd)
        throw std::invalid_argument("directory pointers are Long or Ifd");
    Entry e;
    e.tag = tag;
    e.type = static_cast<std::uint16_t>(type);
    e.componentSize = 4;
    e.count = static_cast<std::uint32_t>(directories.size());
    e.components.assign(directories.size(), 0);
    e.target = EntryTarget::Directories;
    e.directories = std::move(directories);
    return add(std::move(e));
}

Ifd& Ifd::addRaw(std::uint16_t tag, std::uint16_t type, std::uint32_t count,
                 const std::vector<std::uint8_t>& valueBytes) {
    Entry e;
    e.tag = tag;
    e.type = type;
    e.count = count;
    e.raw = true;
    e.rawBytes = valueBytes;
    return add(std::move(e));
}

// One layout of a file: appends directories and blocks to `out` and remembers the offsets
// that can only be filled in once everything has its place.
class TiffLayout {
public:
    TiffLayout(std::vector<std::uint8_t>& out, ByteOrder order) : out_(out), order_(order) {}

    // Room for `size` bytes at the end, starting at a multiple of `alignment`.
    std::size_t reserve(std::size_t size, std::uint32_t alignment) {
        while (out_.size() % alignment != 0)
            out_.push_back(0);
        const std::size_t at = out_.size();
        out_.resize(at + size, 0);
        return at;
    }

    void put(std::size_t at, std::uint64_t value, std::uint32_t width) {
        korvane::test::put(out_, at, value, width, order_);
    }

    // Writes the directory, its values and then its sub-directories; returns its offset and
    // the position of its next-directory pointer.
    std::pair<std::size_t, std::size_t> writeDirectory(const Ifd& ifd) {
        std::vector<const Ifd::Entry*> entries;
        for (const auto& e : ifd.entries_)
            entries.push_back(&e);
        if (ifd.sorted_)
            std::stable_sort(entries.begin(), entries.end(),
                             [](const auto* a, const auto* b) { return a->tag < b->tag; });

        const std::size_t n = entries.size();
        const std::size_t at = reserve(2 + 12 * n + 4, 2); // directories start on a word
        put(at, n, 2);
        for (std::size_t i = 0; i < n; ++i)
            writeEntry(*entries[i], at + 2 + 12 * i);
        for (const auto* e : entries)
            for (const Ifd& child : e->directories)
                directoryOffsets_[&child] = writeDirectory(child).first;
        return {at, at + 2 + 12 * n};
    }

    // Fills in the offsets of blocks and directories.
    void resolve(const std::vector<std::uint32_t>& blockOffsets) {
        for (const Patch& p : patches_) {
            const std::uint64_t offset =
                p.directory ? directoryOffsets_.at(p.directory) : blockOffsets.at(p.block);
            if (p.width == 2 && offset > 0xFFFF)
                throw std::length_error("block offset does not fit a Short");
            put(p.at, offset, p.width);
        }
    }

private:
    struct Patch {
        std::size_t at;
        std::uint32_t width;
        std::size_t block;
        const Ifd* directory; // null for a block
    };

    void writeEntry(const Ifd::Entry& e, std::size_t at) {
        put(at, e.tag, 2);
        put(at + 2, e.type, 2);
        put(at + 4, e.count, 4);
        const std::size_t size = e.valueSize();
        std::size_t valueAt = at + 8;
        if (size > 4) {
            valueAt = reserve(size, 2);
            put(at + 8, valueAt, 4);
        }
        if (e.raw) {
            std::copy(e.rawBytes.begin(), e.rawBytes.end(), out_.begin() + valueAt);
            return;
        }
        for (std::size_t k = 0; k < e.components.size(); ++k) {
            const std::size_t componentAt = valueAt + k * e.componentSize;
            if (e.target == EntryTarget::Blocks)
                patches_.push_back({componentAt, e.componentSize, e.blocks[k], nullptr});
            else if (e.target == EntryTarget::Directories)
                patches_.push_back({componentAt, e.componentSize, 0, &e.directories[k]});
            else
                put(componentAt, e.components[k], e.componentSize);
        }
    }

    std::vector<std::uint8_t>& out_;
    ByteOrder order_;
    std::vector<Patch> patches_;
    std::map<const Ifd*, std::size_t> directoryOffsets_;
};

BlockId TiffWriter::addBlock(std::vector<std::uint8_t> bytes, std::uint32_t alignment) {
    blocks_.push_back({std::move(bytes), std::max<std::uint32_t>(alignment, 1)});
    return {blocks_.size() - 1};
}

std::uint32_t TiffWriter::blockSize(BlockId block) const {
    return static_cast<std::uint32_t>(blocks_.at(block.index).bytes.size());
}

void TiffWriter::addIfd(Ifd ifd) {
    chain_.push_back(std::move(ifd));
}

std::vector<std::uint8_t> TiffWriter::write() {
    std::vector<std::uint8_t> out;
    TiffLayout layout(out, order_);
    layout.reserve(8, 1);
    out[0] = out[1] = order_ == ByteOrder::Little ? 'I' : 'M';
    layout.put(2, magic_, 2);

    blockOffsets_.assign(blocks_.size(), 0);
    const auto placeBlocks = [&] {
        for (std::size_t i = 0; i < blocks_.size(); ++i) {
            const std::size_t at = layout.reserve(blocks_[i].bytes.size(), blocks_[i].alignment);
            std::copy(blocks_[i].bytes.begin(), blocks_[i].bytes.end(), out.begin() + at);
            blockOffsets_[i] = static_cast<std::uint32_t>(at);
        }
    };
    if (blocksFirst_) placeBlocks();
    std::size_t nextPointer = 4; // the header's pointer to IFD0
    for (const Ifd& ifd : chain_) {
        const auto [at, next] = layout.writeDirectory(ifd);
        layout.put(nextPointer, at, 4);
        nextPointer = next;
    }
    if (!blocksFirst_) placeBlocks();
    layout.resolve(blockOffsets_);
    if (out.size() > 0xFFFFFFFFu) throw std::length_error("a TIFF file is at most 4 GiB");
    return out;
}

std::vector<std::uint8_t> encodeShorts(const std::vector<std::uint16_t>& values, ByteOrder order) {
    std::vector<std::uint8_t> out(values.size() * 2);
    for (std::size_t i = 0; i < values.size(); ++i)
        put(out, 2 * i, values[i], 2, order);
    return out;
}

} // namespace korvane::test
