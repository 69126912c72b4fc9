#pragma once
#include <cmath>
#include <complex>
#include <cstdint>
#include <numbers>
#include <vector>

namespace korvane::test {

// The frequency analysis's transform as the direct sum that defines it: a kernel table of
// length N indexed by the product of the two indices, the rows transformed for frequencies 0
// to n / 2 with the conjugate kernel (the rest mirrored), the columns with the kernel itself,
// and the magnitude of each result. In double precision it is the tests' reference; in single
// precision it is the direct transform the benchmark measures against.
template <typename Real> class DirectTransform {
public:
    using Complex = std::complex<Real>;

    // m rows x n columns of x, row after row; the magnitudes A(l, k) in the same layout.
    static std::vector<Real> magnitudes(const std::vector<Real>& x, std::uint32_t m,
                                        std::uint32_t n, bool cosine, bool sine) {
        std::vector<Complex> f(std::size_t{m} * n);
        std::vector<Complex> kernel = table(n, cosine, sine);
        for (std::uint32_t i = 0; i < m; ++i) {
            const Real* row = &x[std::size_t{i} * n];
            Complex* out = &f[std::size_t{i} * n];
            for (std::uint32_t k = 0; k <= n / 2; ++k) {
                Real re = 0, im = 0;
                for (std::uint32_t j = 0; j < n; ++j) {
                    re += row[j] * kernel[std::size_t{k} * j].real();
                    im -= row[j] * kernel[std::size_t{k} * j].imag();
                }
                out[k] = {re, im};
            }
            for (std::uint32_t k = n / 2 + 1; k < n; ++k)
                out[k] = std::conj(out[n - k]);
        }
        if (m != n) kernel = table(m, cosine, sine);
        std::vector<Real> a(std::size_t{m} * n);
        for (std::uint32_t k = 0; k < n; ++k)
            for (std::uint32_t l = 0; l < m; ++l) {
                Complex g = 0;
                for (std::uint32_t i = 0; i < m; ++i)
                    g += f[std::size_t{i} * n + k] * kernel[std::size_t{l} * i];
                a[std::size_t{l} * n + k] = std::abs(g);
            }
        return a;
    }

private:
    // Entry t: (cos(2 pi t / N), -sin(2 pi t / N)), each part only when its term is used. The
    // angle is reduced to one period first, as the table's filling from the first period does.
    static std::vector<Complex> table(std::uint32_t length, bool cosine, bool sine) {
        std::vector<Complex> t(std::size_t{length} * length);
        for (std::size_t e = 0; e < t.size(); ++e) {
            const double angle = 2 * std::numbers::pi * static_cast<double>(e % length) / length;
            t[e] = {cosine ? static_cast<Real>(std::cos(angle)) : Real{0},
                    sine ? static_cast<Real>(-std::sin(angle)) : Real{0}};
        }
        return t;
    }
};

} // namespace korvane::test
