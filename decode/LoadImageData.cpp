#include "decode/LoadImageData.hpp"

#include <algorithm>

#include "container/FileAccess.hpp"
#include "container/ParseContainer.hpp"
#include "decode/Allocation.hpp"
#include "decode/BitManipulation.hpp"
#include "decode/Linearisation.hpp"
#include "decode/LoadImageDataInternal.hpp"
#include "decode/MaskedBlackLevel.hpp"

namespace korvane {

namespace {

using loader::LoadJob;

// The DNG LinearizationTable: tables of 1 to kMaxLinearisationEntries values map the
// samples, dithered when Ctrl+Shift+D is held; larger and empty ones are ignored.
Status applyLinearizationTable(LoadJob& job) {
    const IfdEntry* entry = job.image.linearizationTable;
    if (entry == nullptr || entry->count == 0 || entry->count > kMaxLinearisationEntries)
        return kOk;
    std::vector<std::uint32_t> values;
    if (failed(loader::readEntryValues(job, *entry, values, "linearization array"))) return kFailed;
    std::vector<std::uint16_t> table(values.begin(), values.end());
    if (job.dither) return lineariseDithered(job.image.samples, table, job.reporter);
    // Each sample maps alone: the buffer goes in parts on the pool.
    const std::span<std::uint16_t> samples(job.image.samples);
    constexpr std::size_t kPartSamples = std::size_t{1} << 20;
    const std::size_t parts = (samples.size() + kPartSamples - 1) / kPartSamples;
    job.pool.run(parts, [&](std::size_t part) {
        linearise(samples.subspan(part * kPartSamples,
                                  std::min(kPartSamples, samples.size() - part * kPartSamples)),
                  table);
    });
    return kOk;
}

bool ditherRequested(const KeyState& keys) {
    return keys.isKeyDown(held_key::kControl) && keys.isKeyDown(held_key::kShift) &&
           keys.isKeyDown(held_key::kD);
}

} // namespace

Status LoadImageData(RawFileContext& context, Reporter& reporter, const KeyState& keys) {
    return LoadImageData(context, reporter, keys, WorkerPool::shared());
}

Status LoadImageData(RawFileContext& context, Reporter& reporter, const KeyState& keys,
                     WorkerPool& pool) {
    ReleaseOffsetTables(context);
    if (context.mainImage == nullptr) {
        reporter.ShowMessage(MessageId::NoValidImage, context.path);
        return kFailed;
    }
    ImageDescriptor& image = *context.mainImage;
    const BitRequest bits = readBitRequest(keys);
    FileAccess file(context, reporter);
    LoadJob job{context, image, file, reporter, ditherRequested(keys), pool};

    // The buffer the directories ask for must be one the file's bytes can fill.
    if (!fileCanHoldImage(context, image)) {
        reporter.ShowMessage(MessageId::InconsistentSpecification, context.path,
                             "image size larger than the file can hold");
        return kFailed;
    }
    const std::uint64_t count =
        std::uint64_t{image.samplesPerPixel} * image.imageLength * image.imageWidth;
    if (!allocateZeroed(image.samples, count, reporter, "subfile image data")) return kFailed;
    image.dataOffset = 0;

    const bool tiled = (image.layout & node_layout::kTiles) != 0;
    if (failed(tiled ? loader::loadTiles(job) : loader::loadStrips(job))) return kFailed;
    if (failed(applyLinearizationTable(job))) return kFailed;
    if (failed(MeasureMaskedBlackLevel(image, reporter))) return kFailed;
    if (bits.dropBlackCorrections) dropBlackCorrections(image);
    // Without a pass the samples keep their black level, and the black data stay for the renderer.
    if (bits.runsPass()) applyBitManipulation(context, image, bits);
    return kOk;
}

void ReleaseOffsetTables(RawFileContext& context) {
    context.tileOffsetTable = {};
    context.tileByteCountTable = {};
    context.stripOffsetTable = {};
    context.stripByteCountTable = {};
}

} // namespace korvane
