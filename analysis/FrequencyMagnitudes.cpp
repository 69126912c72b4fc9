#include "analysis/FrequencyMagnitudes.hpp"

#include <cmath>
#include <complex>
#include <limits>
#include <mutex>
#include <type_traits>

#include <fftw3.h>

namespace korvane {

namespace {

// The message shows sizes as 32-bit values; nothing larger is asked for.
constexpr std::uint64_t kMaxBytes = std::numeric_limits<std::int32_t>::max();

template <typename T>
[[nodiscard]] std::unique_ptr<T[], AlignedRelease>
allocateAligned(std::uint64_t count, const char* what, Reporter& reporter) {
    const bool tooLarge = count > kMaxBytes / sizeof(T);
    void* p = tooLarge ? nullptr
                       : ::operator new(static_cast<std::size_t>(count) * sizeof(T),
                                        kSpectrumAlignment, std::nothrow);
    if (p == nullptr)
        reporter.ShowMessage(MessageId::AllocationFailed,
                             static_cast<std::int32_t>(tooLarge ? kMaxBytes : count * sizeof(T)),
                             what);
    return std::unique_ptr<T[], AlignedRelease>(static_cast<T*>(p));
}

// FFTW's planner keeps shared tables and is not thread-safe (only executing a plan is), so
// creating and destroying plans is done under one lock for the whole program.
std::mutex& plannerLock() {
    static std::mutex lock;
    return lock;
}

struct PlanRelease {
    void operator()(fftwf_plan plan) const {
        const std::lock_guard<std::mutex> hold(plannerLock());
        fftwf_destroy_plan(plan);
    }
};
using Plan = std::unique_ptr<std::remove_pointer_t<fftwf_plan>, PlanRelease>;

// The half spectrum FFTW's real transform gives: H(l, k) = sum x(i, j) e^(-2 pi i (l i / m +
// k j / n)) for k from 0 to n / 2; the other half is conj(H(-l, -k)).
using Half = std::complex<float>;

// |h| without the over- and underflow care of std::abs: the squares of these sums stay far
// inside a float's range.
inline float modulus(Half h) {
    return std::sqrt(h.real() * h.real() + h.imag() * h.imag());
}

// A(l, k) of each kernel from H. With X the full transform, the rows' conjugate kernel turns
// the whole transform into X(l, -k), of the same magnitude as X(-l, k); the products of
// cosines and of sines are half the sum and half the difference of Re X(l, k) and Re X(-l, k).
// Both are even in k, so columns past n / 2 take their mirror n - k.
void magnitudesOf(SpectrumKernel kernel, const Half* half, std::uint32_t m, std::uint32_t n,
                  float* out) {
    const std::size_t pitch = n / 2 + 1;
    for (std::uint32_t l = 0; l < m; ++l) {
        const Half* here = half + l * pitch;
        const Half* mirror = half + ((m - l) % m) * pitch;
        float* a = out + std::size_t{l} * n;
        for (std::uint32_t k = 0; k < n; ++k) {
            const std::uint32_t kk = k <= n / 2 ? k : n - k;
            switch (kernel) {
            case SpectrumKernel::Full:
                a[k] = modulus(k <= n / 2 ? mirror[k] : here[kk]);
                break;
            case SpectrumKernel::Cosine:
                a[k] = 0.5f * std::fabs(here[kk].real() + mirror[kk].real());
                break;
            case SpectrumKernel::Sine:
                a[k] = 0.5f * std::fabs(mirror[kk].real() - here[kk].real());
                break;
            case SpectrumKernel::Empty:
                a[k] = 0.0f;
                break;
            }
        }
    }
}

} // namespace

Status SpectrumMatrix::allocate(std::uint32_t rows, std::uint32_t columns, Reporter& reporter) {
    values_ = allocateAligned<float>(std::uint64_t{rows} * columns,
                                     "frequency analysis input matrix", reporter);
    if (!values_) return kFailed;
    rows_ = rows;
    columns_ = columns;
    return kOk;
}

Status SpectrumMatrix::transform(SpectrumKernel kernel, double valueSum, Reporter& reporter) {
    const std::uint32_t m = rows_, n = columns_;
    const std::uint64_t halfCount = std::uint64_t{m} * (n / 2 + 1);
    const auto half = allocateAligned<Half>(halfCount, "frequency analysis spectrum", reporter);
    if (!half) return kFailed;
    auto* spectrum = reinterpret_cast<fftwf_complex*>(half.get());
    Plan plan;
    {
        // FFTW_ESTIMATE: the same plan for the same sizes whatever the machine's timing, and
        // the values already in place are not touched while planning.
        const std::lock_guard<std::mutex> hold(plannerLock());
        plan.reset(fftwf_plan_dft_r2c_2d(static_cast<int>(m), static_cast<int>(n), values_.get(),
                                         spectrum, FFTW_ESTIMATE | FFTW_DESTROY_INPUT));
    }
    if (!plan) {
        // The planner fails only when it cannot have the memory it works in.
        reporter.ShowMessage(MessageId::AllocationFailed,
                             static_cast<std::int32_t>(halfCount * sizeof(Half)),
                             "frequency analysis transform plan");
        return kFailed;
    }
    fftwf_execute(plan.get());
    // The residuals sum to (nearly) 0; the zero frequency is their sum and the mean taken out.
    half[0] = Half(static_cast<float>(valueSum + half[0].real()), 0.0f);
    magnitudesOf(kernel, half.get(), m, n, values_.get());
    return kOk;
}

} // namespace korvane
