#pragma once
// Running the directory reader over files the tests build, and building the byte layouts
// that the TIFF writer does not make on purpose (loops, directories at exact offsets).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/RecordingReporter.hpp"
#include "container/FileAccess.hpp"
#include "container/ReadIfd.hpp"
#include "container/TagDictionaries.hpp"
#include "tests/support/TempFile.hpp"
#include "tests/support/TiffWriter.hpp"

namespace korvane::test {

inline std::uint8_t readerOrder(ByteOrder order) {
    return order == ByteOrder::Little ? kLittleEndianOrder : kBigEndianOrder;
}

inline std::uint32_t get16(const std::vector<std::uint8_t>& f, std::size_t at, ByteOrder o) {
    return o == ByteOrder::Little ? f.at(at) | f.at(at + 1) << 8 : f.at(at) << 8 | f.at(at + 1);
}
inline std::uint32_t get32(const std::vector<std::uint8_t>& f, std::size_t at, ByteOrder o) {
    const std::uint32_t a = get16(f, at, o), b = get16(f, at + 2, o);
    return o == ByteOrder::Little ? b << 16 | a : a << 16 | b;
}
inline void put16(std::vector<std::uint8_t>& f, std::size_t at, std::uint32_t v, ByteOrder o) {
    f.at(at + (o == ByteOrder::Little ? 0 : 1)) = static_cast<std::uint8_t>(v);
    f.at(at + (o == ByteOrder::Little ? 1 : 0)) = static_cast<std::uint8_t>(v >> 8);
}
inline void put32(std::vector<std::uint8_t>& f, std::size_t at, std::uint32_t v, ByteOrder o) {
    put16(f, at + (o == ByteOrder::Little ? 0 : 2), v & 0xFFFF, o);
    put16(f, at + (o == ByteOrder::Little ? 2 : 0), v >> 16, o);
}

// Where a file's directories are: the first from the header, each one's next pointer.
inline std::uint32_t firstIfdOffset(const std::vector<std::uint8_t>& f, ByteOrder o) {
    return get32(f, 4, o);
}
inline std::size_t nextPointerAt(const std::vector<std::uint8_t>& f, std::uint32_t directory,
                                 ByteOrder o) {
    return directory + 2 + 12 * static_cast<std::size_t>(get16(f, directory, o));
}

// The file position of the value field of the entry with `tag` in the directory at `directory`.
inline std::size_t valueFieldOf(const std::vector<std::uint8_t>& f, std::uint32_t directory,
                                std::uint16_t tag, ByteOrder o) {
    const std::uint32_t count = get16(f, directory, o);
    for (std::uint32_t i = 0; i < count; ++i)
        if (get16(f, directory + 2 + 12 * i, o) == tag) return directory + 2 + 12 * i + 8;
    ADD_FAILURE() << "no entry " << tag << " in the directory at " << directory;
    return 0;
}

// An entry whose value fits the entry: `value` goes into the value field as a 32-bit number
// (SHORT values: the first in the low half, as the file's order places it).
struct InlineEntry {
    std::uint16_t tag;
    std::uint16_t type;
    std::uint32_t count;
    std::uint32_t value;
};

// Appends a directory of inline entries at the end of the file and returns its offset.
inline std::uint32_t appendDirectory(std::vector<std::uint8_t>& f, ByteOrder o,
                                     const std::vector<InlineEntry>& entries,
                                     std::uint32_t next = 0) {
    const auto at = static_cast<std::uint32_t>(f.size());
    f.resize(at + 2 + 12 * entries.size() + 4, 0);
    put16(f, at, static_cast<std::uint32_t>(entries.size()), o);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::size_t e = at + 2 + 12 * i;
        put16(f, e, entries[i].tag, o);
        put16(f, e + 2, entries[i].type, o);
        put32(f, e + 4, entries[i].count, o);
        if (entries[i].type == tiff_type::kShort) {
            put16(f, e + 8, entries[i].value & 0xFFFF, o);
            put16(f, e + 10, entries[i].value >> 16, o);
        } else {
            put32(f, e + 8, entries[i].value, o);
        }
    }
    put32(f, at + 2 + 12 * entries.size(), next, o);
    return at;
}

// A file with the header of `o` and nothing else yet.
inline std::vector<std::uint8_t> headerOnly(ByteOrder o) {
    std::vector<std::uint8_t> f(8, 0);
    f[0] = f[1] = o == ByteOrder::Little ? 'I' : 'M';
    put16(f, 2, 42, o);
    return f;
}

// A file opened the way the load pipeline opens it, and the reader run over it.
class ReaderRun {
public:
    explicit ReaderRun(const std::vector<std::uint8_t>& bytes)
        : temp_(std::make_unique<TempFile>(bytes)) {
        open(temp_->path());
    }
    explicit ReaderRun(const std::string& path) { open(path); }

    // The first IFD as container parsing reads it: the header's byte order and offset.
    Status readFirst() {
        const std::uint8_t* header = nullptr;
        if (access_->SeekTo(0) != kOk || access_->ReadBytes(8, header) != 8) return kFailed;
        order_ = header[0] == 'I' ? kLittleEndianOrder : kBigEndianOrder;
        ctx_.byteOrder = order_;
        const std::uint32_t offset =
            order_ == kLittleEndianOrder
                ? std::uint32_t{header[4]} | header[5] << 8 | header[6] << 16 |
                      std::uint32_t{header[7]} << 24
                : std::uint32_t{header[4]} << 24 | header[5] << 16 | header[6] << 8 | header[7];
        return ReadIfd(*access_, ctx_.mainTree, nullptr, offset, 0, kMainDictionary,
                       IfdKind::FirstIfd, "First IFD", order_);
    }

    // A maker note directory into the maker note tree, one level deeper, as container
    // parsing reads them.
    Status readMakerNote(std::uint32_t offset, std::uint32_t base, TagDictionary dictionary,
                         std::uint8_t order, IfdKind kind = IfdKind::MakerNote,
                         IfdNode* parent = nullptr, std::unique_ptr<IfdNode>* slot = nullptr) {
        ++ctx_.depth;
        const Status s = ReadIfd(*access_, slot != nullptr ? *slot : ctx_.makerNoteTree, parent,
                                 offset, base, dictionary, kind, "maker note", order);
        --ctx_.depth;
        return s;
    }

    RawFileContext& context() { return ctx_; }
    IfdNode* root() { return ctx_.mainTree.get(); }
    IfdNode* makerNote() { return ctx_.makerNoteTree.get(); }
    std::vector<int> messages() const { return reporter_.numbers(); }
    const RecordingReporter& reporter() const { return reporter_; }
    std::uint8_t order() const { return order_; }
    bool opened() const { return opened_; }

private:
    void open(const std::string& path) {
        ctx_.path = path;
        opened_ = openRawFile(ctx_) == 0;
        ctx_.buffer.assign(kReadBufferSize, 0);
        ctx_.bufferSize = kReadBufferSize;
        access_ = std::make_unique<FileAccess>(ctx_, reporter_);
    }

    std::unique_ptr<TempFile> temp_;
    RawFileContext ctx_;
    RecordingReporter reporter_;
    std::unique_ptr<FileAccess> access_;
    std::uint8_t order_ = kLittleEndianOrder;
    bool opened_ = false;
};

// The one entry of a node with `tag`; fails the test when there is none.
inline const IfdEntry& entryOf(const IfdNode& node, std::uint16_t tag) {
    const IfdEntry* e = node.findEntry(tag);
    EXPECT_NE(e, nullptr) << "no entry " << tag;
    static const IfdEntry kNone{};
    return e != nullptr ? *e : kNone;
}

} // namespace korvane::test
