// The scan of a lossless JPEG stream: Huffman-coded differences from a predictor, a frame line
// at a time, with the restart and end markers the stream may hold.
#include <algorithm>
#include <vector>

#include "decode/Allocation.hpp"
#include "decode/BitReaderJpeg.hpp"
#include "decode/DifferenceReader.hpp"
#include "decode/LosslessJpegParts.hpp"

namespace korvane::ljpeg {

namespace {

enum class Outcome : std::uint8_t { Sample, EndOfImage, Failed };

class ScanDecoder {
public:
    ScanDecoder(ByteInput& input, const Headers& headers, bool stuffing, Reporter& reporter,
                std::string_view path)
        : bits_(input, stuffing), headers_(headers), reporter_(reporter), path_(path),
          components_(headers.frame.componentCount),
          initial_(headers.scan.predictor == kRunningPredictor
                       ? 0
                       : 1u << (headers.frame.precision - 1)) {
        std::array<int, 4> readerOfTable{-1, -1, -1, -1};
        for (int c = 0; c < components_; ++c) {
            const std::uint8_t id = headers.scan.table[c];
            predictor_[c] = initial_;
            // One reader, with its look-up, per table the components use.
            if (readerOfTable[id & 3] < 0) {
                readerOfTable[id & 3] = static_cast<int>(readers_.size());
                readers_.emplace_back(headers.tables[id], true);
            }
            reader_[c] = static_cast<std::uint8_t>(readerOfTable[id & 3]);
        }
    }

    Status run(SamplePlacer& placer);

private:
    template <bool kLinePredictor>
    Outcome line(std::uint16_t* current, const std::uint16_t* previous, std::uint32_t mcus,
                 std::uint32_t& decoded);
    Outcome onMarker(bool allowed);
    Outcome stopped(DifferenceReader::Read read);
    Outcome fail(const char* text) {
        reporter_.ShowMessage(MessageId::JpegDataError, text);
        return Outcome::Failed;
    }
    Outcome shortage();

    // The next difference of `component`; a stop of the bits on the way is a shortage, or a
    // marker dealt with by onMarker.
    inline Outcome difference(int component, std::uint32_t& difference) {
        const auto onStop = [this](bool markerAllowed) {
            stopOutcome_ =
                bits_.stop() == JpegBitReader::Stop::Marker ? onMarker(markerAllowed) : shortage();
            return stopOutcome_ == Outcome::Sample;
        };
        const DifferenceReader::Read read =
            readers_[reader_[component]].next(bits_, difference, component == 0, onStop);
        return read == DifferenceReader::Read::Difference ? Outcome::Sample : stopped(read);
    }

    JpegBitReader bits_;
    const Headers& headers_;
    Reporter& reporter_;
    std::string_view path_;
    const int components_;
    const std::uint32_t initial_;
    std::vector<DifferenceReader> readers_;
    std::array<std::uint8_t, kMaxComponents> reader_{};
    // What the last stop of the bits came to.
    Outcome stopOutcome_ = Outcome::Sample;
    // The last value of each component: what the next one is predicted from along a line.
    std::array<std::uint32_t, kMaxComponents> predictor_{};
    // Predictor 6 predicts the first line of the scan, and of each restart interval, from the
    // left neighbour alone.
    bool firstLine_ = true;
    bool restarted_ = false;
};

Outcome ScanDecoder::shortage() {
    reportShortage(bits_.stop() == JpegBitReader::Stop::SourceEnd, reporter_, path_);
    return Outcome::Failed;
}

// A marker where the bits stop. Restart markers, and a Define Restart Interval, may only come
// before the first code of an MCU, after nothing but the one-bits that fill the byte before it.
Outcome ScanDecoder::onMarker(bool allowed) {
    const std::uint8_t marker = bits_.marker();
    if (marker == 0xD9) {
        reportPrematureEnd(reporter_);
        return Outcome::EndOfImage;
    }
    if (!allowed) return fail("misplaced marker in scan data");
    if (marker >= 0xD0 && marker <= 0xD7) {
        restarted_ = true;
    } else if (marker < 0xDD) {
        // SOI, SOS, DQT, DNL, and the codes below the restart markers, which have no business
        // inside a scan either.
        return fail("marker in scan data encountered");
    } else {
        std::array<std::uint8_t, 4> segment{};
        ByteInput& input = bits_.input();
        for (std::uint8_t& byte : segment) {
            if (!input.next(byte)) {
                reportShortage(input.end() == ByteInput::End::Source, reporter_, path_);
                return Outcome::Failed;
            }
        }
        if (segment[0] != 0x00 || segment[1] != 0x04)
            return fail("invalid Define Restart Interval marker");
    }
    bits_.resume();
    return Outcome::Sample;
}

// What a difference that could not be read comes to.
Outcome ScanDecoder::stopped(DifferenceReader::Read read) {
    switch (read) {
    case DifferenceReader::Read::Stopped:
        return stopOutcome_;
    case DifferenceReader::Read::LongCode:
        return fail(huffmanCodeFault(true));
    default:
        return fail(huffmanCodeFault(false));
    }
}

// One frame line, or its first `mcus` MCUs. kLinePredictor: predictor 6, which needs the
// line above; otherwise predictors 1 and 0, which need only the last value of each component.
template <bool kLinePredictor>
Outcome ScanDecoder::line(std::uint16_t* current, const std::uint16_t* previous, std::uint32_t mcus,
                          std::uint32_t& decoded) {
    std::uint32_t i = 0;
    for (std::uint32_t x = 0; x < mcus; ++x) {
        for (int c = 0; c < components_; ++c, ++i) {
            std::uint32_t diff = 0;
            const Outcome outcome = difference(c, diff);
            if (outcome != Outcome::Sample) {
                decoded = i;
                return outcome;
            }
            if (restarted_) {
                restarted_ = false;
                firstLine_ = true;
                std::fill(predictor_.begin(), predictor_.end(), initial_);
            }
            std::uint32_t prediction = predictor_[c];
            if constexpr (kLinePredictor) {
                // Rb + ((Ra - Rc) >> 1) below the first line; Rb alone at its start.
                if (!firstLine_) {
                    const auto above = static_cast<std::int32_t>(previous[i]);
                    prediction = x == 0
                                     ? static_cast<std::uint32_t>(above)
                                     : static_cast<std::uint32_t>(
                                           above + ((static_cast<std::int32_t>(predictor_[c]) -
                                                     static_cast<std::int32_t>(previous[i - 1])) >>
                                                    1));
                }
            }
            const std::uint32_t value = (prediction + diff) & 0xFFFF;
            current[i] = static_cast<std::uint16_t>(value);
            predictor_[c] = value;
        }
    }
    decoded = i;
    return Outcome::Sample;
}

Status ScanDecoder::run(SamplePlacer& placer) {
    const std::uint32_t lineSamples =
        std::uint32_t{headers_.frame.samplesPerLine} * static_cast<std::uint32_t>(components_);
    const std::uint64_t needed = placer.samplesNeeded();
    if (needed == 0 || lineSamples == 0) return kOk;
    const std::size_t bufferSamples = std::size_t{lineSamples} * 2;
    std::vector<std::uint16_t> buffer;
    if (!allocateZeroed(buffer, bufferSamples, reporter_, "lossless JPEG line buffers"))
        return kFailed;
    std::uint16_t* current = buffer.data();
    std::uint16_t* previous = buffer.data() + lineSamples;
    const bool linePredictor = headers_.scan.predictor == 6;

    std::uint64_t done = 0;
    while (done < needed) {
        // Whole MCUs, up to the one that holds the last sample needed.
        const std::uint64_t mcusLeft = (needed - done + components_ - 1) / components_;
        const auto mcus = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(headers_.frame.samplesPerLine, mcusLeft));
        std::uint32_t decoded = 0;
        const Outcome outcome = linePredictor ? line<true>(current, previous, mcus, decoded)
                                              : line<false>(current, previous, mcus, decoded);
        placer.place(current, decoded);
        done += decoded;
        if (outcome == Outcome::EndOfImage) return kOk;
        if (outcome == Outcome::Failed) return kFailed;
        // Predictor 1 starts each line from the first values of the line above.
        if (headers_.scan.predictor == 1)
            std::copy(current, current + components_, predictor_.begin());
        firstLine_ = false;
        std::swap(current, previous);
    }
    return kOk;
}

} // namespace

Status DecodeScan(ByteInput& input, const Headers& headers, bool stuffing, SamplePlacer& placer,
                  Reporter& reporter, std::string_view path) {
    ScanDecoder decoder(input, headers, stuffing, reporter, path);
    return decoder.run(placer);
}

} // namespace korvane::ljpeg
