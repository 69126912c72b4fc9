#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/IfdNode.hpp"

namespace korvane {

struct CameraDescription;

// Flags of a RawFileContext.
namespace file_flags {
inline constexpr std::uint8_t kCreated = 0x80;
inline constexpr std::uint8_t kOpen = 0x40;
inline constexpr std::uint8_t kEndOfFile = 0x20;
inline constexpr std::uint8_t kError = 0x10;
inline constexpr std::uint8_t kClosed = 0x08;
} // namespace file_flags

// Phase of the load shown on the "Process" button.
enum class LoadPhase : std::uint8_t { Idle = 0, Opening = 1, Reading = 2 };

// Physical reads are 64 KiB at 64 KiB-aligned positions; a request may carry at most 4 KiB
// over from the previous window, so the buffer holds one block plus that carry.
inline constexpr std::uint32_t kReadBlockSize = 0x10000;
inline constexpr std::uint32_t kMaxCarriedBytes = 4096;
inline constexpr std::uint32_t kReadBufferSize = 0x11000;
static_assert(kReadBufferSize == kReadBlockSize + kMaxCarriedBytes);

// The open operating-system file. Closing it is the owner's job (RawFile's destructor).
struct RawFile {
    int descriptor = -1;
    RawFile() = default;
    RawFile(const RawFile&) = delete;
    RawFile& operator=(const RawFile&) = delete;
    ~RawFile();
    bool isOpen() const { return descriptor >= 0; }
    void close();
};

// The record of one processed file: the file and its read window while it is open, then
// what parsing and loading found.
struct RawFileContext {
    // File access.
    std::string path;
    std::uint32_t fileLength = 0;
    std::vector<std::uint8_t> buffer; // kReadBufferSize bytes while the file is open
    std::uint32_t bufferSize = 0;
    std::uint32_t cursor = 0;       // read position inside the window
    std::int32_t windowStart = 0;   // file position of buffer[0]
    std::uint32_t windowLength = 0; // valid bytes in the buffer
    std::int32_t filePosition = 0;  // file position after the last physical read
    std::uint32_t lastReadCount = 0;
    std::uint32_t carriedCount = 0;
    std::uint8_t flags = file_flags::kCreated;
    LoadPhase phase = LoadPhase::Idle;
    RawFile file;
    int openErrorCause = 0; // cause code of the last failed open

    // --- What the container found.
    std::uint8_t byteOrder = 0; // 2 little-endian ("II"), 1 big-endian ("MM")
    std::uint32_t firstIfdOffset = 0;
    std::uint8_t formatCode = 0;
    const CameraDescription* camera = nullptr;
    std::unique_ptr<IfdNode> mainTree;                  // from the first IFD
    std::unique_ptr<IfdNode> makerNoteTree;             // the maker note directories
    std::vector<std::unique_ptr<IfdNode>> createdNodes; // directories made from a camera row
    std::uint16_t nodeCount = 0;
    std::uint32_t entriesRead = 0; // the entries of the directories nodeCount counts
    std::uint16_t depth = 0;
    IfdNode* lastNode = nullptr;  // the last directory read outside maker notes
    IfdNode* mainImage = nullptr; // the image to decode, in one of the trees
    std::uint16_t orientation = 0;

    // Texts and the entries they came from (null where the file has none).
    std::string make, model, uniqueCameraModel, serial, wbMode;
    const IfdEntry* makeEntry = nullptr;
    const IfdEntry* modelEntry = nullptr;
    const IfdEntry* uniqueCameraModelEntry = nullptr;
    const IfdEntry* serialEntry = nullptr;
    const IfdEntry* dateEntry = nullptr;
    const IfdEntry* exposureTimeEntry = nullptr;
    const IfdEntry* fNumberEntry = nullptr;
    const IfdEntry* focalLengthEntry = nullptr;
    const IfdEntry* lensInfoEntry = nullptr;
    const IfdEntry* isoEntry = nullptr;
    const IfdEntry* asShotNeutralEntry = nullptr;
    const IfdEntry* dngPrivateDataEntry = nullptr;
    // The nodes holding those entries, for reading their values.
    const IfdNode* dateNode = nullptr;
    const IfdNode* exposureTimeNode = nullptr;
    const IfdNode* fNumberNode = nullptr;
    const IfdNode* focalLengthNode = nullptr;
    const IfdNode* lensInfoNode = nullptr;
    const IfdNode* asShotNeutralNode = nullptr;

    // Shot values.
    std::uint32_t iso1 = 0;
    std::uint32_t iso2 = 0;
    std::uint32_t exposureIndex = 0;
    float baselineExposure = 0.0f;
    std::uint32_t makerNoteCount = 0;
    std::uint32_t makerNoteOffset = 0;
    bool hasMakerNote = false;

    // Maker note values.
    std::uint8_t makerFlags = 0;
    std::uint32_t modelId = 0;
    std::uint32_t noiseReduction = 0;
    const IfdEntry* canonCameraInfo = nullptr;
    std::array<float, 4> wbCoefficients{};
    std::array<float, 4> shotWb{}; // as-shot white balance R, G1, G2, B

    std::array<std::int32_t, 4> channelLevels{}; // per colour: R, G, B, second G

    // --- What loading adds.
    // How 12-bit samples are packed in three bytes: kPackedLittleEndian (the Sony format code)
    // puts the low bits of the first sample first; any other value packs high bits first.
    static constexpr std::uint8_t kPackedLittleEndian = 7;
    std::uint8_t packingKind = 0;
    // The strip and tile offset and byte count arrays of the main image while it is loaded;
    // ReleaseOffsetTables empties them.
    std::vector<std::uint32_t> tileOffsetTable;
    std::vector<std::uint32_t> tileByteCountTable;
    std::vector<std::uint32_t> stripOffsetTable;
    std::vector<std::uint32_t> stripByteCountTable;
    // The bit manipulation that held keys asked of the last load, for the histogram text.
    std::string processingNote;
    std::array<std::int32_t, 4> whiteLevels{};
    // The two 3 x 3 colour matrices start as the identity.
    std::array<float, 9> colourMatrix1{1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::array<float, 9> colourMatrix2{1, 0, 0, 0, 1, 0, 0, 0, 1};

    bool isOpen() const { return (flags & file_flags::kOpen) != 0; }
};

} // namespace korvane
