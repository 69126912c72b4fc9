#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

namespace korvane::test {

enum class ByteOrder : std::uint8_t { Little, Big };

// The field types of TIFF 6.0, and type 13 for directory pointers (TIFF technical note 1).
enum class TiffType : std::uint16_t {
    Byte = 1,
    Ascii = 2,
    Short = 3,
    Long = 4,
    Rational = 5,
    SByte = 6,
    Undefined = 7,
    SShort = 8,
    SLong = 9,
    SRational = 10,
    Float = 11,
    Double = 12,
    Ifd = 13,
};

// Bytes of one stored component of a type; a rational has two components of 4 bytes.
std::uint32_t componentSize(TiffType type);

struct URational {
    std::uint32_t numerator;
    std::uint32_t denominator;
};
struct SRational {
    std::int32_t numerator;
    std::int32_t denominator;
};

// Names a data block added to a TiffWriter.
struct BlockId {
    std::size_t index;
};

// One directory to be written: its entries, the values they hold, and the directories and
// data blocks they point at. Values are kept as numbers and get the file's byte order when
// the TiffWriter lays the file out; values of 4 bytes or less go inline in the entry.
class Ifd {
public:
    Ifd();
    Ifd(const Ifd&);
    Ifd(Ifd&&) noexcept;
    Ifd& operator=(const Ifd&);
    Ifd& operator=(Ifd&&) noexcept;
    ~Ifd();

    Ifd& addBytes(std::uint16_t tag, const std::vector<std::uint8_t>& values);
    // The text and its terminating NUL.
    Ifd& addAscii(std::uint16_t tag, std::string_view text);
    Ifd& addShorts(std::uint16_t tag, const std::vector<std::uint16_t>& values);
    Ifd& addLongs(std::uint16_t tag, const std::vector<std::uint32_t>& values);
    Ifd& addRationals(std::uint16_t tag, const std::vector<URational>& values);
    Ifd& addSBytes(std::uint16_t tag, const std::vector<std::int8_t>& values);
    Ifd& addUndefined(std::uint16_t tag, const std::vector<std::uint8_t>& values);
    Ifd& addSShorts(std::uint16_t tag, const std::vector<std::int16_t>& values);
    Ifd& addSLongs(std::uint16_t tag, const std::vector<std::int32_t>& values);
    Ifd& addSRationals(std::uint16_t tag, const std::vector<SRational>& values);
    Ifd& addFloats(std::uint16_t tag, const std::vector<float>& values);
    Ifd& addDoubles(std::uint16_t tag, const std::vector<double>& values);

    Ifd& addShort(std::uint16_t tag, std::uint16_t value) { return addShorts(tag, {value}); }
    Ifd& addLong(std::uint16_t tag, std::uint32_t value) { return addLongs(tag, {value}); }
    Ifd& addRational(std::uint16_t tag, std::uint32_t numerator, std::uint32_t denominator) {
        return addRationals(tag, {{numerator, denominator}});
    }

    // The file offsets of data blocks (StripOffsets, TileOffsets, JPEG data), as Long or
    // Short values, filled in when the file is laid out.
    Ifd& addBlockOffsets(std::uint16_t tag, const std::vector<BlockId>& blocks,
                         TiffType type = TiffType::Long);
    // Directories this one points at (SubIFDs, ExifIFD, GPSInfo), written after it; the
    // entry holds their offsets as Long or Ifd values.
    Ifd& addSubIfds(std::uint16_t tag, std::vector<Ifd> directories,
                    TiffType type = TiffType::Long);
    // An entry written exactly as given, for malformed or unusual entries: any type code and
    // count, the value bytes already in the file's byte order, inline when 4 bytes or less.
    Ifd& addRaw(std::uint16_t tag, std::uint16_t type, std::uint32_t count,
                const std::vector<std::uint8_t>& valueBytes);

    // Writes the entries in the order they were added instead of sorted by tag.
    Ifd& keepEntryOrder() {
        sorted_ = false;
        return *this;
    }
    std::size_t entryCount() const;

    struct Entry;

private:
    friend class TiffWriter;
    friend class TiffLayout;
    Ifd& add(Entry entry);

    std::vector<Entry> entries_;
    bool sorted_ = true;
};

// Lays out a TIFF file: the 8-byte header, a chain of directories with their values and
// sub-directories, and data blocks, in either byte order.
class TiffWriter {
public:
    explicit TiffWriter(ByteOrder order = ByteOrder::Little) : order_(order) {}

    ByteOrder order() const { return order_; }
    // The header's second field: 42 for TIFF, or a vendor's value (0x4F52 "RO", 0x55).
    void setMagic(std::uint16_t magic) { magic_ = magic; }
    // Bytes that entries may point at with addBlockOffsets, starting at a multiple of
    // `alignment` in the file.
    BlockId addBlock(std::vector<std::uint8_t> bytes, std::uint32_t alignment = 2);
    std::uint32_t blockSize(BlockId block) const;
    // Appends a directory to the main chain: the first is IFD0, each one's next pointer
    // names the one after it.
    void addIfd(Ifd ifd);
    // Puts the data blocks right after the header instead of after the directories.
    void placeBlocksFirst(bool first) { blocksFirst_ = first; }

    // The whole file.
    std::vector<std::uint8_t> write();
    // Where a block landed in the file last written.
    std::uint32_t blockOffset(BlockId block) const { return blockOffsets_.at(block.index); }

private:
    struct Block {
        std::vector<std::uint8_t> bytes;
        std::uint32_t alignment;
    };
    ByteOrder order_;
    std::uint16_t magic_ = 42;
    bool blocksFirst_ = false;
    std::vector<Block> blocks_;
    std::vector<Ifd> chain_;
    std::vector<std::uint32_t> blockOffsets_;
};

// Bytes of integer values in a byte order, for building value blocks and raw entries.
std::vector<std::uint8_t> encodeShorts(const std::vector<std::uint16_t>& values, ByteOrder order);

} // namespace korvane::test
