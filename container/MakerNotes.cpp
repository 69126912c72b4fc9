#include "container/MakerNotes.hpp"

#include <array>
#include <cstring>
#include <string_view>

#include "common/CameraDescription.hpp"
#include "container/ReadIfd.hpp"
#include "container/TagDictionaries.hpp"

namespace korvane {

namespace {

// Models whose Olympus maker note has the second form (a 12-byte header).
bool olympusSecondForm(std::uint16_t modelCode) {
    return modelCode == 4610 || modelCode == 4611 || (modelCode >= 4615 && modelCode <= 4617) ||
           (modelCode >= 4619 && modelCode <= 4622);
}

// Reads one maker note directory (kind 5) one level deeper; its own failures are reported.
void readNoteDirectory(FileAccess& file, RawFileContext& ctx, std::uint32_t offset,
                       std::uint32_t base, TagDictionary dictionary, std::string_view label,
                       std::uint8_t order) {
    ++ctx.depth;
    (void)ReadIfd(file, ctx.makerNoteTree, nullptr, offset, base, dictionary, IfdKind::MakerNote,
                  label, order);
    --ctx.depth;
}

void readCanonInDngPrivateData(FileAccess& file, RawFileContext& ctx) {
    const IfdEntry* e = ctx.dngPrivateDataEntry;
    if (e == nullptr || e->count <= 34) return;
    Reporter& reporter = file.reporter();
    if (failed(file.SeekTo(e->valueOffset))) {
        reporter.ShowMessage(MessageId::ProcessingFailed, ctx.path,
                             "DNGPrivateData positioning error");
        return;
    }
    const std::uint8_t* head = nullptr;
    if (file.ReadBytes(20, head) != 20) {
        reporter.ShowMessage(MessageId::ProcessingFailed, ctx.path, "DNGPrivateData read error");
        return;
    }
    if (std::memcmp(head, "Adobe\0", 6) != 0 || std::memcmp(head + 6, "MakN\0", 5) != 0) return;
    // The maker note keeps the offsets of the file it came from; byte 16 says where it was.
    const std::uint32_t sourceOffset = ByteOrder::big().load32(head + 16);
    const std::uint32_t at = e->valueOffset + 20;
    readNoteDirectory(file, ctx, at, at - sourceOffset, kCanonDictionary,
                      "Canon MakerNote IFD in DNG Private Data", kLittleEndianOrder);
}

void readNikon(FileAccess& file, RawFileContext& ctx) {
    Reporter& reporter = file.reporter();
    const std::uint32_t offset = ctx.makerNoteOffset;
    if (failed(file.SeekTo(offset))) {
        reporter.ShowMessage(MessageId::ProcessingFailed, ctx.path,
                             "Nikon MakerNote positioning error");
        return;
    }
    const std::uint8_t* head = nullptr;
    if (file.ReadBytes(18, head) != 18) {
        reporter.ShowMessage(MessageId::ProcessingFailed, ctx.path, "Nikon MakerNote read error");
        return;
    }
    if (std::memcmp(head, "Nikon\0", 6) == 0) {
        // "Nikon", version, then a TIFF header of its own at byte 10 that its offsets count from.
        const std::uint8_t order =
            head[10] == 'M' && head[11] == 'M' ? kBigEndianOrder : kLittleEndianOrder;
        readNoteDirectory(file, ctx, offset + 18, offset + 10, kNikonDictionary,
                          "Nikon MakerNote IFD Format 1", order);
    } else {
        readNoteDirectory(file, ctx, offset, 0, kNikonDictionary, "Nikon MakerNote IFD Format 2",
                          ctx.byteOrder);
    }
}

void readOlympus(FileAccess& file, RawFileContext& ctx) {
    const bool second = olympusSecondForm(ctx.camera->modelCode);
    const std::uint32_t offset = ctx.makerNoteOffset;
    readNoteDirectory(file, ctx, offset + (second ? 12 : 8), 0,
                      second ? kOlympusDictionaryV2 : kOlympusDictionaryV1,
                      second ? "Olympus MakerNote IFD V2" : "Olympus MakerNote IFD V1",
                      ctx.byteOrder);
    IfdNode* note = ctx.makerNoteTree.get();
    if (note == nullptr) return;
    struct SubDirectory {
        TagDictionary dictionary;
        std::string_view label;
    };
    const std::array<SubDirectory, 5> subs = {{
        {kOlympusEquipmentDictionary, "Olympus MakerNote IFD SubIFD 8208, Equipment"},
        {kOlympusCameraSettingsDictionary, "Olympus MakerNote IFD SubIFD 8224, CameraSettings"},
        {kOlympusRawDevelopmentDictionary, "Olympus MakerNote IFD SubIFD 8240, RawDevelopment"},
        {kOlympusImageProcessingDictionary, "Olympus MakerNote IFD SubIFD 8256, ImageProcessing"},
        {kOlympusFocusInfoDictionary, "Olympus MakerNote IFD SubIFD 8272, FocusInfo"},
    }};
    for (std::size_t i = 0; i < subs.size(); ++i) {
        const std::uint32_t at = note->olympusSubIfdOffsets[i];
        if (at == 0) continue;
        ++ctx.depth;
        (void)ReadIfd(file, note->olympusSubIfds[i], note, at, second ? offset : 0,
                      subs[i].dictionary, IfdKind::OlympusSubIfd, subs[i].label, ctx.byteOrder);
        --ctx.depth;
    }
}

} // namespace

void readMakerNote(FileAccess& file, RawFileContext& ctx) {
    if (ctx.camera == nullptr) return;
    if (ctx.formatCode == format_code::kDng) {
        if (ctx.camera->vendor == vendor::kCanon) readCanonInDngPrivateData(file, ctx);
        return;
    }
    if (ctx.makerNoteOffset == 0) return;
    const std::uint32_t offset = ctx.makerNoteOffset;
    switch (ctx.camera->formatCode) {
    case format_code::kCanon:
        readNoteDirectory(file, ctx, offset, 0, kCanonDictionary, "Canon MakerNote IFD",
                          ctx.byteOrder);
        break;
    case format_code::kNikon:
        readNikon(file, ctx);
        break;
    case format_code::kSony:
        readNoteDirectory(file, ctx, offset, 0, kSonyDictionary, "Sony MakerNote IFD",
                          ctx.byteOrder);
        break;
    case format_code::kOlympus:
        readOlympus(file, ctx);
        break;
    case format_code::kPentax:
        readNoteDirectory(file, ctx, offset + 6, 0, kPentaxDictionary, "Pentax MakerNote IFD",
                          kBigEndianOrder);
        break;
    case format_code::kKodak:
        readNoteDirectory(file, ctx, offset, 0, kKodakDictionary, "Kodak MakerNote IFD",
                          ctx.byteOrder);
        break;
    default:
        break;
    }
}

} // namespace korvane
