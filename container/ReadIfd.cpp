#include "container/ReadIfd.hpp"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "container/ReadIfdInternal.hpp"
#include "container/TagDictionaries.hpp"

namespace korvane {

namespace {

using namespace ifd_reader;

// More entries than this is not a directory but data that happens to be pointed at.
constexpr std::uint16_t kMaxEntries = 1000;
constexpr std::uint32_t kEntryBytes = 12;
constexpr std::uint32_t kCountBytes = 2;
constexpr std::uint32_t kNextOffsetBytes = 4;
constexpr std::uint32_t kInlineBytes = 4;
// Values above this many bytes stay in the file (classes that allow it) or make the entry
// invalid; no more than this is ever asked of the read window at once.
constexpr std::uint32_t kMaxLoadedBytes = 4096;
static_assert(kMaxLoadedBytes <= kMaxCarriedBytes);
// The TIFF header: no value and no directory can start inside it.
constexpr std::uint32_t kHeaderBytes = 8;
// A next IFD this close to the end of the file cannot hold a directory worth reading.
constexpr std::uint32_t kNextIfdEndMargin = 20;
// The directory record's size that MessageId::AllocationFailed reports: the fixed part and
// 25 bytes an entry.
constexpr std::uint32_t kPackedEntryBytes = 25;
// Bounds on what one file can make the reader do. Directories are read recursively, so the
// chain of directories open at once (next IFDs included) is bounded to keep the stack small;
// shared sub-directories are read once per link, so the total is bounded too. Camera files
// nest three or four deep and hold a dozen or so directories.
constexpr std::size_t kMaxOpenDirectories = 64;
constexpr std::uint16_t kMaxNodes = 1024;
// The entries of all the directories read are bounded as well: a few kilobytes of directory
// linked from a thousand places would otherwise be read a thousand times over. Camera files
// hold a few hundred entries in all.
constexpr std::uint32_t kMaxEntriesRead = 8192;

// The offsets of the directories being read by one outermost ReadIfd, innermost last: a link
// back to one of them is a loop.
using OpenDirectories = std::vector<std::uint32_t>;

// Keeps a directory on the open list while it is being read.
class OpenDirectory {
public:
    OpenDirectory(OpenDirectories& open, std::uint32_t offset) : open_(open) {
        open_.push_back(offset);
    }
    OpenDirectory(const OpenDirectory&) = delete;
    OpenDirectory& operator=(const OpenDirectory&) = delete;
    ~OpenDirectory() { open_.pop_back(); }

private:
    OpenDirectories& open_;
};

// One directory to read.
struct Request {
    FileAccess& file;
    std::unique_ptr<IfdNode>& slot;
    IfdNode* parent;
    std::uint32_t directoryOffset;
    std::uint32_t baseOffset;
    TagDictionary dictionary;
    IfdKind kind;
    std::string_view label;
    std::uint8_t byteOrder;
};

Status readDirectory(const Request& request, OpenDirectories& open);

bool isMakerNoteKind(IfdKind kind) {
    return kind == IfdKind::MakerNote || kind == IfdKind::OlympusSubIfd;
}

// A short read where the file's length promised the bytes: the file changed or failed. A
// failure has been reported by the file access; anything else is reported here.
Status shortRead(FileAccess& file) {
    if ((file.context().flags & file_flags::kError) == 0)
        file.reporter().ShowMessage(MessageId::ProcessingFailed, file.context().path,
                                    "file shorter than expected");
    return kFailed;
}

// --- Releasing a directory on a failure path ------------------------------------------------

bool holds(const IfdNode& node, const IfdEntry* e) {
    return e != nullptr && !node.entries.empty() && e >= node.entries.data() &&
           e < node.entries.data() + node.entries.size();
}

template <typename F> void forEachNode(IfdNode& node, F&& visit) {
    visit(node);
    for (IfdNode* child : {node.next.get(), node.exif.get(), node.gps.get(), node.global.get()})
        if (child != nullptr) forEachNode(*child, visit);
    for (auto& child : node.subIfds)
        if (child) forEachNode(*child, visit);
    for (auto& child : node.olympusSubIfds)
        if (child) forEachNode(*child, visit);
}

// The context keeps pointers into the directories; those into a released one are dropped.
void forgetNode(RawFileContext& ctx, const IfdNode& node) {
    for (const IfdEntry** e :
         {&ctx.makeEntry, &ctx.modelEntry, &ctx.uniqueCameraModelEntry, &ctx.serialEntry,
          &ctx.dateEntry, &ctx.exposureTimeEntry, &ctx.fNumberEntry, &ctx.focalLengthEntry,
          &ctx.lensInfoEntry, &ctx.isoEntry, &ctx.asShotNeutralEntry, &ctx.dngPrivateDataEntry,
          &ctx.canonCameraInfo})
        if (holds(node, *e)) *e = nullptr;
    for (const IfdNode** n : {&ctx.dateNode, &ctx.exposureTimeNode, &ctx.fNumberNode,
                              &ctx.focalLengthNode, &ctx.lensInfoNode, &ctx.asShotNeutralNode})
        if (*n == &node) *n = nullptr;
    if (ctx.lastNode == &node) ctx.lastNode = nullptr;
    if (ctx.mainImage == &node) ctx.mainImage = nullptr;
    if (ctx.mainImage != nullptr && holds(node, ctx.mainImage->compressionInfo))
        ctx.mainImage->compressionInfo = nullptr;
}

void releaseNode(std::unique_ptr<IfdNode>& slot, RawFileContext& ctx) {
    if (!slot) return;
    forEachNode(*slot, [&ctx](IfdNode& node) {
        forgetNode(ctx, node);
        if (ctx.nodeCount > 0) --ctx.nodeCount;
        ctx.entriesRead -= std::min<std::uint32_t>(ctx.entriesRead, node.entryCount);
    });
    slot.reset();
}

// --- Steps 1 to 4: the entry count and the node -------------------------------------------

Status readEntryCount(const Request& rq, std::uint16_t& count) {
    if (Status s = rq.file.SeekTo(rq.directoryOffset); failed(s)) return s;
    const std::uint8_t* data = nullptr;
    if (rq.file.ReadBytes(kCountBytes, data) != kCountBytes) {
        // The file ends inside the count: no directory can be here.
        rq.file.reporter().ShowMessage(MessageId::InvalidIfd);
        return kFailed;
    }
    count = load16(data, rq.byteOrder);
    return kOk;
}

Status allocateNode(const Request& rq, std::uint16_t count) {
    try {
        auto node = std::make_unique<IfdNode>();
        node->entries.resize(count); // sized once: the reader and others keep entry pointers
        rq.slot = std::move(node);
        return kOk;
    } catch (const std::bad_alloc&) {
        rq.file.reporter().ShowMessage(
            MessageId::AllocationFailed,
            static_cast<std::int32_t>(sizeof(IfdNode) + kPackedEntryBytes * count),
            "subfile description");
        return kFailed;
    }
}

// --- Step 5: the entries ------------------------------------------------------------------

// Inline values in native order: 1-byte types as the four bytes, 2-byte types as two 16-bit
// values, 4-byte types as one 32-bit value.
void storeInline(IfdEntry& e, const std::uint8_t* field, std::uint8_t order) {
    switch (e.typeSize()) {
    case 2: {
        const std::uint16_t v[2] = {load16(field, order), load16(field + 2, order)};
        std::memcpy(e.inlineValue.data(), v, sizeof v);
        break;
    }
    case 4: {
        const std::uint32_t v = load32(field, order);
        std::memcpy(e.inlineValue.data(), &v, sizeof v);
        break;
    }
    default:
        std::memcpy(e.inlineValue.data(), field, kInlineBytes);
        break;
    }
}

bool allowedByRow(const IfdEntry& e) {
    const TagDefinition* row = e.definition;
    if (row == nullptr) return true;
    if ((row->typeMask & typeBit(e.type)) == 0) return false;
    if (e.count < row->minCount) return false;
    return row->maxCount == 0 || e.count <= row->maxCount;
}

// Where an out-of-line value lies, checked against the file; false for an invalid entry.
bool placeOutOfLine(IfdEntry& e, std::uint32_t baseOffset, std::uint32_t fileLength) {
    const std::uint64_t offset = static_cast<std::uint64_t>(e.valueOffset) + baseOffset;
    if (offset > UINT32_MAX) return false;
    e.valueOffset = static_cast<std::uint32_t>(offset);
    const std::uint64_t bytes = valueBytes(e);
    if (offset < kHeaderBytes || offset + bytes > fileLength) return false;
    return bytes <= kMaxLoadedBytes || (e.flags & entry_flags::kLargeData) != 0;
}

void parseEntry(const Request& rq, IfdNode& node, IfdEntry& e, const std::uint8_t* raw) {
    e.tag = load16(raw, rq.byteOrder);
    e.type = load16(raw + 2, rq.byteOrder);
    e.count = load32(raw + 4, rq.byteOrder);
    e.valueOffset = load32(raw + 8, rq.byteOrder);
    e.definition = FindTag(e.tag, rq.dictionary);
    if (e.definition != nullptr) {
        e.flags |= entry_flags::kKnown;
        if (e.definition->tagClass < 0) e.flags |= entry_flags::kLargeData;
    }
    if (e.typeSize() == 0 || e.count == 0) {
        std::memcpy(e.inlineValue.data(), raw + 8, kInlineBytes); // kept as found
        invalidate(e);
        return;
    }
    bool valid = true;
    if (valueBytes(e) <= kInlineBytes) {
        e.flags |= entry_flags::kInline;
        storeInline(e, raw + 8, rq.byteOrder);
    } else {
        valid = placeOutOfLine(e, rq.baseOffset, rq.file.context().fileLength);
    }
    if (!valid || !allowedByRow(e)) {
        invalidate(e);
        return;
    }
    const bool loaded = !e.isInline() && (e.flags & entry_flags::kLargeData) == 0;
    if (loaded) {
        node.dataSize += static_cast<std::uint32_t>(valueBytes(e));
        node.firstDataOffset = std::min(node.firstDataOffset, e.valueOffset);
    }
}

Status readEntries(const Request& rq, IfdNode& node) {
    node.firstDataOffset = UINT32_MAX;
    for (std::size_t i = 0; i < node.entries.size(); ++i) {
        const std::uint8_t* raw = nullptr;
        if (rq.file.ReadBytes(kEntryBytes, raw) != kEntryBytes) return shortRead(rq.file);
        IfdEntry& e = node.entries[i];
        e.entryPosition =
            static_cast<std::uint32_t>(rq.directoryOffset + kCountBytes + kEntryBytes * i);
        parseEntry(rq, node, e, raw);
    }
    if (node.dataSize == 0) node.firstDataOffset = 0;
    return kOk;
}

// --- Step 6: the next IFD offset ------------------------------------------------------------

Status readNextOffset(const Request& rq, IfdNode& node) {
    const std::uint8_t* data = nullptr;
    if (rq.file.ReadBytes(kNextOffsetBytes, data) != kNextOffsetBytes) return shortRead(rq.file);
    const std::uint32_t next = load32(data, rq.byteOrder);
    const std::uint64_t end = rq.file.context().fileLength;
    node.nextIfdOffset = static_cast<std::uint64_t>(next) + kNextIfdEndMargin >= end ? 0 : next;
    return kOk;
}

// --- Steps 7 and 8: the value block ---------------------------------------------------------

// Values into the block in native order. IPTC data is a byte stream whatever its type says.
void convertValues(IfdEntry& e, const std::uint8_t* from, std::uint8_t* to, std::uint8_t order) {
    const std::uint32_t n = e.count;
    if (e.tag == tag_number::kIptc && e.type == tiff_type::kLong) {
        std::memcpy(to, from, static_cast<std::size_t>(valueBytes(e)));
        e.type = tiff_type::kUndefined;
        e.count = n * 4;
        return;
    }
    switch (e.type) {
    case tiff_type::kShort:
    case tiff_type::kSShort:
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::uint16_t v = load16(from + 2 * i, order);
            std::memcpy(to + 2 * i, &v, 2);
        }
        break;
    case tiff_type::kRational:
    case tiff_type::kSRational:
    case tiff_type::kLong:
    case tiff_type::kSLong:
    case tiff_type::kFloat:
    case tiff_type::kIfd:
        for (std::uint64_t i = 0; i < valueBytes(e) / 4; ++i) {
            const std::uint32_t v = load32(from + 4 * i, order);
            std::memcpy(to + 4 * i, &v, 4);
        }
        break;
    case tiff_type::kDouble:
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::uint64_t v = load64(from + 8 * i, order);
            std::memcpy(to + 8 * i, &v, 8);
        }
        break;
    default:
        std::memcpy(to, from, n);
        break;
    }
}

bool needsLoading(const IfdEntry& e) {
    return e.valid() && !e.isInline() && (e.flags & entry_flags::kLargeData) == 0;
}

Status loadValues(const Request& rq, IfdNode& node) {
    if (node.dataSize == 0) return kOk;
    if (!allocate(node.valueBlock, node.dataSize, rq.file.reporter(), "subfile values"))
        return kFailed;
    if (Status s = rq.file.SeekTo(node.firstDataOffset); failed(s)) return s;
    std::uint32_t at = 0;
    for (IfdEntry& e : node.entries) {
        if (!needsLoading(e)) continue;
        if (rq.file.tell() != e.valueOffset)
            if (Status s = rq.file.SeekTo(e.valueOffset); failed(s)) return s;
        const auto bytes = static_cast<std::uint32_t>(valueBytes(e));
        const std::uint8_t* data = nullptr;
        if (rq.file.ReadBytes(bytes, data) != bytes) return shortRead(rq.file);
        convertValues(e, data, node.valueBlock.data() + at, rq.byteOrder);
        e.blockOffset = at;
        e.flags |= entry_flags::kLoaded;
        at += bytes;
    }
    return kOk;
}

// --- Step 9: interpretation -----------------------------------------------------------------

void interpretEntries(const Request& rq, IfdNode& node) {
    DirectoryScope scope{rq.file, node, rq.byteOrder};
    for (IfdEntry& e : node.entries) {
        if (!e.valid() || e.definition == nullptr) continue;
        const std::int16_t tagClass = e.definition->tagClass;
        if (tagClass == tag_class::kKept || tagClass == tag_class::kLargeKept) continue;
        if (isMakerNoteClass(tagClass))
            interpretMakerNoteEntry(scope, e);
        else
            interpretStandardEntry(scope, e);
    }
}

// --- Step 11: the linked directories --------------------------------------------------------

// A link can lead to a directory only past the header and with room for its entry count.
bool linkReachable(std::uint32_t offset, std::uint32_t fileLength) {
    return offset >= kHeaderBytes && static_cast<std::uint64_t>(offset) + kCountBytes <= fileLength;
}

struct Link {
    std::unique_ptr<IfdNode>& slot;
    IfdNode* parent;
    std::uint32_t offset;
    TagDictionary dictionary;
    IfdKind kind;
    std::string_view label;
    bool nested; // read one level deeper (all but the next IFD)
};

// The links come from standard directories, which are read in the file's own byte order.
Status followLink(const Request& rq, const Link& link, OpenDirectories& open) {
    RawFileContext& ctx = rq.file.context();
    if (link.offset == 0 || !linkReachable(link.offset, ctx.fileLength)) return kOk;
    const Request child{rq.file,         link.slot, link.parent, link.offset, 0,
                        link.dictionary, link.kind, link.label,  rq.byteOrder};
    if (link.nested) ++ctx.depth;
    const Status s = readDirectory(child, open);
    if (link.nested) --ctx.depth;
    return s;
}

Status followLinks(const Request& rq, IfdNode& node, OpenDirectories& open) {
    const Link single[] = {
        {node.global, &node, node.globalOffset, kMainDictionary, IfdKind::GlobalIfd, "Global IFD",
         true},
        {node.exif, &node, node.exifOffset, kMainDictionary, IfdKind::ExifIfd, "Exif IFD", true},
        {node.gps, &node, node.gpsOffset, kGpsDictionary, IfdKind::GpsIfd, "GPS IFD", true},
    };
    for (const Link& link : single)
        if (Status s = followLink(rq, link, open); failed(s)) return s;
    node.subIfds.resize(node.subIfdOffsets.size());
    for (std::size_t i = 0; i < node.subIfdOffsets.size(); ++i) {
        const Link link{
            node.subIfds[i], nullptr, node.subIfdOffsets[i], kMainDictionary, IfdKind::SubIfd,
            "SubIFD",        true};
        if (Status s = followLink(rq, link, open); failed(s)) return s;
        ++node.subIfdsRead;
    }
    const Link next{node.next,  nullptr, node.nextIfdOffset, kMainDictionary, IfdKind::NextIfd,
                    "Next IFD", false};
    return followLink(rq, next, open);
}

// --- Step 14: the main image ----------------------------------------------------------------

void considerAsMainImage(RawFileContext& ctx, IfdNode& node) {
    if (ctx.mainImage != nullptr) return;
    const bool lone =
        node.kind == IfdKind::FirstIfd && node.nextIfdOffset == 0 && node.subIfdCount == 0;
    if (node.kind == IfdKind::FullResolution || lone) ctx.mainImage = &node;
}

// --- The directory --------------------------------------------------------------------------

bool mayRead(const Request& rq, const OpenDirectories& open) {
    if (std::find(open.begin(), open.end(), rq.directoryOffset) != open.end()) return false;
    return open.size() < kMaxOpenDirectories && rq.file.context().nodeCount < kMaxNodes;
}

// Steps 5 to 8: entries, next offset and values.
Status readContents(const Request& rq, IfdNode& node) {
    if (Status s = readEntries(rq, node); failed(s)) return s;
    if (!isMakerNoteKind(rq.kind))
        if (Status s = readNextOffset(rq, node); failed(s)) return s;
    return loadValues(rq, node);
}

// Steps 9 to 15, once the values are in.
Status completeDirectory(const Request& rq, IfdNode& node, OpenDirectories& open) {
    RawFileContext& ctx = rq.file.context();
    interpretEntries(rq, node);
    if (!isMakerNoteKind(rq.kind)) ctx.lastNode = &node;
    if (Status s = followLinks(rq, node, open); failed(s)) return s;
    deriveGeometry(node);
    if (Status s = convertBlackLevels(rq.file, node, rq.byteOrder); failed(s)) return s;
    if (node.parent != nullptr)
        mergeIntoParent(node, *node.parent);
    else
        considerAsMainImage(ctx, node);
    if (node.inconsistent()) rq.file.reporter().ShowMessage(MessageId::InvalidIfd);
    return kOk;
}

Status readDirectory(const Request& rq, OpenDirectories& open) {
    if (!mayRead(rq, open)) return kOk;
    RawFileContext& ctx = rq.file.context();
    std::uint16_t count = 0;
    if (Status s = readEntryCount(rq, count); failed(s)) return s;
    if (count == 0 || count > kMaxEntries) return kOk;
    if (ctx.entriesRead + count > kMaxEntriesRead) return kOk;
    const std::uint64_t needed = static_cast<std::uint64_t>(count) * kEntryBytes + kNextOffsetBytes;
    const std::uint64_t start = static_cast<std::uint64_t>(rq.directoryOffset) + kCountBytes;
    if (start + needed > ctx.fileLength) {
        rq.file.reporter().ShowMessage(MessageId::InvalidIfd);
        return kFailed;
    }
    if (Status s = allocateNode(rq, count); failed(s)) return s;
    IfdNode& node = *rq.slot;
    node.label = std::string(rq.label);
    node.kind = rq.kind;
    node.entryCount = count;
    node.depth = ctx.depth;
    node.parent = rq.parent;
    node.directoryOffset = rq.directoryOffset;
    ++ctx.nodeCount;
    ctx.entriesRead += count;

    const OpenDirectory reading(open, rq.directoryOffset);
    Status s = readContents(rq, node);
    if (succeeded(s)) s = completeDirectory(rq, node, open);
    if (failed(s)) releaseNode(rq.slot, ctx);
    return s;
}

} // namespace

Status ReadIfd(FileAccess& file, std::unique_ptr<IfdNode>& slot, IfdNode* parent,
               std::uint32_t directoryOffset, std::uint32_t baseOffset, TagDictionary dictionary,
               IfdKind kind, std::string_view label, std::uint8_t byteOrder) {
    releaseNode(slot, file.context());
    OpenDirectories open;
    const Request request{file,       slot, parent, directoryOffset, baseOffset,
                          dictionary, kind, label,  byteOrder};
    return readDirectory(request, open);
}

} // namespace korvane
