// The marker section of a lossless JPEG stream: SOF3, DHT and SOS are read and checked, every
// other segment is passed over. DNG writers also put sequential DCT frames (SOF0, SOF1) into
// lossless JPEG tiles; for those DQT is read too and the Huffman tables are told apart by
// class.
//
// The tables usually come before the frame, so a DHT or DQT is checked for both codings; the
// first fault of each is kept and shown once the frame tells which coding the stream has.
#include <algorithm>
#include <array>
#include <span>
#include <string>

#include "common/ByteOrder.hpp"
#include "decode/LosslessJpegParts.hpp"

namespace korvane::ljpeg {

namespace {

// The longest SOF3, DHT or SOS payload taken: far above what a valid one needs (SOF3 at most
// 6 + 3 x 16 bytes, SOS 4 + 2 x 16, DHT 4 x 34 unless it repeats tables).
constexpr std::uint32_t kMaxPayload = 1500;

constexpr std::uint8_t kSof0 = 0xC0; // baseline DCT
constexpr std::uint8_t kSof1 = 0xC1; // extended sequential DCT, Huffman coded
constexpr std::uint8_t kSof3 = 0xC3;
constexpr std::uint8_t kDht = 0xC4;
constexpr std::uint8_t kSos = 0xDA;
constexpr std::uint8_t kDqt = 0xDB;
// The lengths and sizes in marker segments are big-endian (T.81 B.1.1.4).
constexpr ByteOrder kBig = ByteOrder::big();

// Lossless tables hold difference categories 0 to 16.
constexpr HuffmanRules kCategoryRules{HuffmanTable::kMaxSymbols,
                                      [](std::uint8_t value) { return value <= 16; },
                                      "Huffman symbol greater than 16"};
// A DCT DC table holds difference categories: 0 to 15 at 12 bits of precision.
constexpr HuffmanRules kDcRules{HuffmanTable::kMaxStoredSymbols,
                                [](std::uint8_t value) { return value <= 15; },
                                "DC Huffman symbol greater than 15"};
// An AC table holds run (high four bits) and size (low four bits, at most 14 at 12 bits);
// size 0 only for the end of block (run 0) and sixteen zeros (run 15).
constexpr HuffmanRules kAcRules{HuffmanTable::kMaxStoredSymbols,
                                [](std::uint8_t value) {
                                    const unsigned size = value & 0x0F;
                                    return size == 0 ? value == 0x00 || value == 0xF0 : size <= 14;
                                },
                                "invalid AC Huffman symbol"};

class HeaderReader {
public:
    HeaderReader(ByteInput& input, const HeaderLimits& limits, Headers& headers, Reporter& reporter,
                 std::string_view path)
        : input_(input), limits_(limits), headers_(headers), reporter_(reporter), path_(path) {}

    Status run();

private:
    Status fail(const char* text) {
        reporter_.ShowMessage(MessageId::JpegDataError, text);
        return kFailed;
    }
    // The strip ran out before the scan: its byte count, or the file.
    Status shortage() {
        if (input_.end() == ByteInput::End::Source) {
            reporter_.ShowMessage(MessageId::ProcessingFailed, std::string(path_),
                                  "file shorter than expected");
            return kFailed;
        }
        return fail("tile/strip data incomplete");
    }
    bool readPayload(std::uint32_t length);
    Status frame(std::uint32_t length);
    Status dctFrame(std::uint32_t length);
    Status frameStart(Coding coding, std::uint32_t length);
    Status huffmanTables(std::uint32_t length);
    Status quantTables(std::uint32_t length);
    Status scan(std::uint32_t length);
    Status dctScan(std::uint32_t length);
    // A fault found in a table for one coding: shown now when the frame has that coding,
    // kept when the frame is still to come, ignored under the other coding.
    Status tableFault(Coding coding, const char* text);

    ByteInput& input_;
    const HeaderLimits& limits_;
    Headers& headers_;
    Reporter& reporter_;
    std::string_view path_;
    bool frameSeen_ = false;
    const char* losslessFault_ = nullptr;
    const char* dctFault_ = nullptr;
    std::array<std::uint8_t, kMaxPayload> payload_{};
};

bool HeaderReader::readPayload(std::uint32_t length) {
    return input_.read(payload_.data(), length);
}

Status HeaderReader::run() {
    for (;;) {
        std::uint8_t byte = 0;
        if (!input_.next(byte)) return shortage();
        if (byte != 0xFF) return fail("No marker where it is expected");
        std::uint8_t code = 0xFF;
        while (code == 0xFF) // fill bytes
            if (!input_.next(code)) return shortage();
        if (code < 0xC0) return fail("Invalid marker type");
        if (code >= 0xD0 && code <= 0xD9) continue; // RSTn, SOI, EOI: no length

        std::uint8_t bytes[2] = {};
        if (!input_.read(bytes, 2)) return shortage();
        const std::uint32_t length = kBig.load16(bytes);
        // The length counts its own two bytes; a smaller one is taken as an empty payload.
        const std::uint32_t payload = length >= 2 ? length - 2 : 0;

        bool dqt = code == kDqt && headers_.frame.coding != Coding::Lossless;
        if (dqt && payload > kMaxPayload) {
            // Passed over like any other segment; a DCT frame may not use it.
            if (failed(tableFault(Coding::Dct, "invalid DQT marker length"))) return kFailed;
            dqt = false;
        }
        if (code == kSof3 || code == kSof0 || code == kSof1 || code == kDht || code == kSos ||
            dqt) {
            // Longer than any valid segment of these kinds: its checks below reject it.
            if (payload <= kMaxPayload && !readPayload(payload)) return shortage();
            const std::uint32_t taken = std::min(payload, kMaxPayload + 1);
            if (code == kSof3 && failed(frame(taken))) return kFailed;
            if ((code == kSof0 || code == kSof1) && failed(dctFrame(taken))) return kFailed;
            if (code == kDht && failed(huffmanTables(taken))) return kFailed;
            if (dqt && failed(quantTables(taken))) return kFailed;
            if (code == kSos)
                return headers_.frame.coding == Coding::Dct ? dctScan(taken) : scan(taken);
        } else if (!input_.skip(payload)) {
            return shortage();
        }
    }
}

Status HeaderReader::tableFault(Coding coding, const char* text) {
    if (text == nullptr) return kOk;
    if (headers_.frame.coding == coding) return fail(text);
    if (headers_.frame.coding == Coding::None) {
        const char*& kept = coding == Coding::Lossless ? losslessFault_ : dctFault_;
        if (kept == nullptr) kept = text;
    }
    return kOk;
}

// A second frame must have the coding of the first; the tables read before the first one
// must be valid for its coding. Then the segment must hold its components whole.
Status HeaderReader::frameStart(Coding coding, std::uint32_t length) {
    if (headers_.frame.coding != Coding::None && headers_.frame.coding != coding)
        return fail("frames of different codings");
    headers_.frame.coding = coding;
    const char* kept = coding == Coding::Lossless ? losslessFault_ : dctFault_;
    losslessFault_ = dctFault_ = nullptr;
    if (kept != nullptr) return fail(kept);
    if (length < 9 || length > kMaxPayload) return fail("invalid SOF marker length");
    const std::uint32_t components = payload_[5];
    if (components == 0 || components > 16) return fail("invalid component count in SOF");
    if (length != 6 + 3 * components) return fail("invalid SOF marker length");
    return kOk;
}

Status HeaderReader::frame(std::uint32_t length) {
    if (failed(frameStart(Coding::Lossless, length))) return kFailed;
    const std::uint8_t* p = payload_.data();
    const std::uint32_t components = p[5];
    // Lossless JPEG has 2 to 16 bits; 0 or 1 would leave no middle value to predict from.
    const std::uint8_t precision = p[0];
    if (precision < 2 || precision > 16 || precision > limits_.bitsPerSample)
        return fail("invalid sample precision in SOF");
    if (components > 2 && limits_.variant != ljpeg_variant::kCanonSlices)
        return fail("Component number in SOF not 2");
    if (components > kMaxComponents) return fail("Component number in SOF greater than 8");
    const std::uint32_t lines = kBig.load16(p + 1);
    const std::uint32_t samplesPerLine = kBig.load16(p + 3);
    if (std::uint64_t{limits_.width} * limits_.rows !=
        std::uint64_t{samplesPerLine} * lines * components)
        return fail("invalid size specification in SOF");

    std::uint32_t smallest = 4;
    for (std::uint32_t i = 0; i < components; ++i) {
        const std::uint8_t factors = p[7 + 3 * i];
        if ((factors & 0x0F) != 1) return fail("vertical subsampling is not supported");
        const std::uint32_t horizontal = factors >> 4;
        if (horizontal != 1 && horizontal != 2 && horizontal != 4)
            return fail("Invalid subsampling");
        smallest = std::min(smallest, horizontal);
    }
    std::uint32_t unitsPerMcu = 0;
    for (std::uint32_t i = 0; i < components; ++i)
        unitsPerMcu += (p[7 + 3 * i] >> 4) / smallest;
    if (unitsPerMcu != components) return fail("subsampling is not supported yet");
    if ((samplesPerLine * lines) % unitsPerMcu != 0)
        return fail("Tile/strip size is not a multiple of MCU");

    headers_.frame.precision = precision;
    headers_.frame.lines = static_cast<std::uint16_t>(lines);
    headers_.frame.samplesPerLine = static_cast<std::uint16_t>(samplesPerLine);
    headers_.frame.componentCount = static_cast<std::uint8_t>(components);
    frameSeen_ = true;
    return kOk;
}

Status HeaderReader::dctFrame(std::uint32_t length) {
    if (failed(frameStart(Coding::Dct, length))) return kFailed;
    const std::uint8_t* p = payload_.data();
    const std::uint32_t components = p[5];
    const std::uint8_t precision = p[0];
    if ((precision != 8 && precision != 12) || precision > limits_.bitsPerSample)
        return fail("invalid sample precision in SOF");
    if (components != 1) return fail("Component number in DCT-coded SOF not 1");
    const std::uint32_t lines = kBig.load16(p + 1);
    const std::uint32_t samplesPerLine = kBig.load16(p + 3);
    if (std::uint64_t{limits_.width} * limits_.rows != std::uint64_t{samplesPerLine} * lines)
        return fail("invalid size specification in SOF");
    if (p[7] != 0x11) return fail("subsampling is not supported yet");
    if (p[8] > 3) return fail("invalid quantization table id in SOF");

    headers_.frame.precision = precision;
    headers_.frame.quantTable = p[8];
    headers_.frame.lines = static_cast<std::uint16_t>(lines);
    headers_.frame.samplesPerLine = static_cast<std::uint16_t>(samplesPerLine);
    headers_.frame.componentCount = 1;
    frameSeen_ = true;
    return kOk;
}

Status HeaderReader::huffmanTables(std::uint32_t length) {
    if (length > kMaxPayload) return fail("invalid DHT marker length");
    const std::uint8_t* p = payload_.data();
    std::uint32_t at = 0;
    while (length - at > 17) {
        const std::uint32_t id = p[at] & 0x0F;
        const std::uint32_t tableClass = p[at] >> 4;
        if (id > 3) return fail("invalid DHT id");
        const std::span<const std::uint8_t, 16> counts(p + at + 1, 16);
        std::uint32_t symbols = 0;
        for (const std::uint8_t count : counts)
            symbols += count;
        if (length - at < symbols + 17) return fail("invalid DHT marker length");
        const std::span<const std::uint8_t> values(p + at + 17, symbols);
        const char* losslessFault = nullptr;
        const char* dctFault = nullptr;
        if (headers_.frame.coding != Coding::Dct) // lossless: the table class is not looked at
            losslessFault = AssignHuffmanCodes(counts, values, kCategoryRules, headers_.tables[id]);
        if (headers_.frame.coding != Coding::Lossless) {
            if (tableClass > 1) {
                dctFault = "invalid DHT class";
            } else {
                HuffmanTable& table =
                    tableClass == 0 ? headers_.dcTables[id] : headers_.acTables[id];
                dctFault = AssignHuffmanCodes(counts, values, tableClass == 0 ? kDcRules : kAcRules,
                                              table);
            }
        }
        // A table that neither coding can use, for the same reason, is refused at once.
        if (losslessFault != nullptr && dctFault != nullptr &&
            std::string_view(losslessFault) == dctFault)
            return fail(losslessFault);
        if (failed(tableFault(Coding::Lossless, losslessFault)) ||
            failed(tableFault(Coding::Dct, dctFault)))
            return kFailed;
        at += symbols + 17;
    }
    if (at != length) return fail("invalid DHT marker length");
    return kOk;
}

// DQT: tables of 64 values in zigzag order, 8 or 16 bits each.
Status HeaderReader::quantTables(std::uint32_t length) {
    if (length > kMaxPayload) return tableFault(Coding::Dct, "invalid DQT marker length");
    const std::uint8_t* p = payload_.data();
    std::uint32_t at = 0;
    while (at < length) {
        const std::uint32_t wide = p[at] >> 4;
        const std::uint32_t id = p[at] & 0x0F;
        if (wide > 1 || id > 3) return tableFault(Coding::Dct, "invalid DQT id");
        const std::uint32_t size = 1 + 64 * (wide + 1);
        if (length - at < size) return tableFault(Coding::Dct, "invalid DQT marker length");
        auto& table = headers_.quant[id];
        for (std::uint32_t k = 0; k < 64; ++k) {
            table[k] = wide != 0 ? kBig.load16(p + at + 1 + 2 * k) : p[at + 1 + k];
            if (table[k] == 0) {
                headers_.quantDefined[id] = false;
                return tableFault(Coding::Dct, "quantization value 0 in DQT");
            }
        }
        headers_.quantDefined[id] = true;
        at += size;
    }
    return kOk;
}

// The scan of a DCT frame: its one component with a DC and an AC table, sequential (the whole
// spectrum at once, no successive approximation).
Status HeaderReader::dctScan(std::uint32_t length) {
    const std::uint8_t* p = payload_.data();
    if (length == 0 || length > kMaxPayload) return fail("invalid SOS");
    if (p[0] != 1) return fail("invalid component count in SOS");
    if (length != 6) return fail("invalid SOS");
    if (p[1] > 16) return fail("invalid component id in SOS");
    const std::uint32_t dc = p[2] >> 4;
    const std::uint32_t ac = p[2] & 0x0F;
    if (dc > 3 || ac > 3 || !headers_.dcTables[dc].defined || !headers_.acTables[ac].defined)
        return fail("undefined Huffman table id in SOS");
    if (!headers_.quantDefined[headers_.frame.quantTable])
        return fail("undefined quantization table in SOF");
    if (p[3] != 0 || p[4] != 63 || p[5] != 0)
        return fail("DCT scan other than sequential is not supported");
    headers_.scan.table[0] = static_cast<std::uint8_t>(dc);
    headers_.scan.acTable = static_cast<std::uint8_t>(ac);
    if (input_.left() <= 3) return fail("compressed data too short");
    return kOk;
}

Status HeaderReader::scan(std::uint32_t length) {
    if (!frameSeen_) return fail("scan starting w/o SOF");
    const std::uint8_t* p = payload_.data();
    const std::uint32_t components = headers_.frame.componentCount;
    if (length == 0 || length > kMaxPayload) return fail("invalid SOS");
    if (p[0] != components) return fail("invalid component count in SOS");
    // The components and the three bytes after them must all be there.
    if (length != 1 + 2 * components + 3) return fail("invalid SOS");
    std::uint32_t seen = 0; // a bit per component identifier
    for (std::uint32_t i = 0; i < components; ++i) {
        const std::uint32_t id = p[1 + 2 * i];
        if (id > 16) return fail("invalid component id in SOS");
        if ((seen >> id) & 1) return fail("invalid SOS");
        seen |= 1u << id;
        const std::uint32_t table = p[2 + 2 * i] >> 4;
        if (table > 3 || !headers_.tables[table].defined)
            return fail("undefined Huffman table id in SOS");
        headers_.scan.table[i] = static_cast<std::uint8_t>(table);
    }
    const std::uint8_t selection = p[1 + 2 * components];
    const std::uint8_t pointTransform = p[3 + 2 * components] & 0x0F;
    if (selection == 0) return fail("invalid predictor");
    if (selection > 7 && limits_.hasselblad) {
        headers_.scan.predictor = kRunningPredictor;
    } else if (selection == 1 || (selection == 6 && components == 1)) {
        headers_.scan.predictor = selection;
    } else {
        return fail("unsupported predictor");
    }
    if (pointTransform >= headers_.frame.precision) return fail("invalid point transform");
    if (pointTransform != 0) return fail("point transform is not supported");
    if (input_.left() <= 3) return fail("compressed data too short");
    return kOk;
}

} // namespace

Status ReadHeaders(ByteInput& input, const HeaderLimits& limits, Headers& headers,
                   Reporter& reporter, std::string_view path) {
    HeaderReader reader(input, limits, headers, reporter, path);
    return reader.run();
}

} // namespace korvane::ljpeg
