#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#include "common/Reporter.hpp"
#include "common/Status.hpp"

namespace korvane {

// Which terms of the transform kernel take part: with K(t) = c cos(2 pi t / N) - i s sin(2 pi t /
// N) the rows are transformed with the conjugate kernel and the columns with K itself, so
//   Cosine: A(l, k) = |sum x(i, j) cos(2 pi k j / n) cos(2 pi l i / m)|
//   Sine:   A(l, k) = |sum x(i, j) sin(2 pi k j / n) sin(2 pi l i / m)|
//   Full:   A(l, k) = |sum x(i, j) e^(+2 pi i k j / n) e^(-2 pi i l i / m)|
// and Empty (neither term) gives 0 everywhere.
enum class SpectrumKernel : std::uint8_t { Empty, Cosine, Sine, Full };

[[nodiscard]] constexpr SpectrumKernel spectrumKernel(bool cosine, bool sine) {
    return cosine && sine ? SpectrumKernel::Full
           : cosine       ? SpectrumKernel::Cosine
           : sine         ? SpectrumKernel::Sine
                          : SpectrumKernel::Empty;
}

// Storage on the alignment FFTW's vector code wants; released with the matching delete.
inline constexpr std::align_val_t kSpectrumAlignment{64};
struct AlignedRelease {
    void operator()(void* p) const { ::operator delete(p, kSpectrumAlignment); }
};

// The m x n values of one colour of a selection, row after row, which the magnitudes of
// their transform replace.
class SpectrumMatrix {
public:
    // Room for rows x columns values; MessageId::AllocationFailed when it cannot be had.
    [[nodiscard]] Status allocate(std::uint32_t rows, std::uint32_t columns, Reporter& reporter);

    std::uint32_t rows() const { return rows_; }
    std::uint32_t columns() const { return columns_; }
    float* row(std::uint32_t l) { return values_.get() + std::size_t{l} * columns_; }
    const float* row(std::uint32_t l) const { return values_.get() + std::size_t{l} * columns_; }

    // Replaces the values by the magnitudes A(l, k) of their transform. The values are to be
    // residuals about their mean (the single floats keep their fine detail then);
    // `valueSum` is the sum of the values before the mean was taken out, which only the zero
    // frequency carries. MessageId::AllocationFailed when the transform's storage cannot be had.
    [[nodiscard]] Status transform(SpectrumKernel kernel, double valueSum, Reporter& reporter);

private:
    std::unique_ptr<float[], AlignedRelease> values_;
    std::uint32_t rows_ = 0;
    std::uint32_t columns_ = 0;
};

} // namespace korvane
