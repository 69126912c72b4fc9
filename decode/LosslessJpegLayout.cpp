// Where the samples of a lossless JPEG strip or tile go in the image. The stream holds the
// strip's slices one after the other, each filled row by row; an ordinary strip or tile is a
// single slice. Nothing outside the image is written.
#include <algorithm>
#include <cstring>

#include "decode/LosslessJpegParts.hpp"

namespace korvane::ljpeg {

bool SamplePlacer::plan(const LosslessJpegTarget& target) {
    image_ = target.image.data();
    imageWidth_ = target.imageWidth;
    rowStart_ = target.rowStart;
    columnStart_ = target.columnStart;
    rows_ = target.rows;
    storedRows_ = target.rowStart < target.imageHeight
                      ? std::min(target.rows, target.imageHeight - target.rowStart)
                      : 0;
    storedColumns_ = target.columnStart < target.imageWidth
                         ? std::min(target.width, target.imageWidth - target.columnStart)
                         : 0;
    slice_ = row_ = column_ = 0;

    sliceCount_ = 1;
    sliceWidth_[0] = target.width;
    if (target.variant == ljpeg_variant::kCanonHalves && target.width >= 2) {
        sliceCount_ = 2;
        sliceWidth_[0] = target.width / 2;
        sliceWidth_[1] = target.width - target.width / 2;
    } else if (target.variant == ljpeg_variant::kCanonSlices) {
        if (target.sliceCount == 0 || target.sliceCount > kMaxSlices) return false;
        sliceCount_ = target.sliceCount;
        std::uint32_t given = 0;
        for (std::uint32_t i = 0; i + 1 < sliceCount_; ++i) {
            sliceWidth_[i] = target.sliceWidths[i];
            if (sliceWidth_[i] == 0) return false;
            given += sliceWidth_[i];
        }
        // The last slice takes the rest, and must have some.
        if (given >= target.width) return false;
        sliceWidth_[sliceCount_ - 1] = target.width - given;
    }
    std::uint32_t start = 0;
    for (std::uint32_t i = 0; i < sliceCount_; ++i) {
        sliceStart_[i] = start;
        start += sliceWidth_[i];
    }

    needed_ = 0;
    if (storedRows_ > 0 && storedColumns_ > 0) {
        // Every slice but the last is passed whole before the last one's stored rows end.
        const std::uint32_t last = sliceCount_ - 1;
        needed_ = std::uint64_t{sliceStart_[last]} * rows_ +
                  std::uint64_t{sliceWidth_[last]} * storedRows_;
    }
    return true;
}

void SamplePlacer::place(const std::uint16_t* samples, std::uint32_t count) {
    while (count > 0 && slice_ < sliceCount_) {
        const std::uint32_t width = sliceWidth_[slice_];
        const std::uint32_t run = std::min(count, width - column_);
        const std::uint32_t column = sliceStart_[slice_] + column_;
        if (row_ < storedRows_ && column < storedColumns_) {
            const std::uint32_t stored = std::min(run, storedColumns_ - column);
            const std::uint64_t at =
                (std::uint64_t{rowStart_} + row_) * imageWidth_ + columnStart_ + column;
            std::memcpy(image_ + at, samples, std::size_t{stored} * sizeof(std::uint16_t));
        }
        samples += run;
        count -= run;
        column_ += run;
        if (column_ == width) {
            column_ = 0;
            if (++row_ == rows_) {
                row_ = 0;
                ++slice_;
            }
        }
    }
}

} // namespace korvane::ljpeg
