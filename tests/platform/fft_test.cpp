#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "platform/fft_c2r.h"
#include "platform/program_rand.h"

namespace {

constexpr int N = fft_c2r_64::k_size;
constexpr int S = fft_c2r_64::k_row_stride;

// The unnormalised inverse DFT of a half spectrum as a complex-to-real transform defines it:
// out[r][c] = sum over k1 = 0..63 and k2 = 0..32 of weight(k2) Re(X[k1][k2] e^(2 pi i (k1 r +
// k2 c) / 64)), where the columns 0 and 32 stand once and the others for their mirror too.
double direct_c2r(const std::vector<double>& in, int r, int c) {
    const double two_pi = 2.0 * std::acos(-1.0);
    double sum = 0.0;
    for (int k1 = 0; k1 < N; ++k1) {
        for (int k2 = 0; k2 <= N / 2; ++k2) {
            const std::complex<double> x(in[k1 * S + 2 * k2], in[k1 * S + 2 * k2 + 1]);
            const double angle = two_pi * (static_cast<double>(k1) * r + static_cast<double>(k2) * c) / N;
            const double weight = (k2 == 0 || k2 == N / 2) ? 1.0 : 2.0;
            sum += weight * (x * std::polar(1.0, angle)).real();
        }
    }
    return sum;
}

}  // namespace

TEST(FftC2r, MatchesTheDirectTransformOfAHermitianHalfSpectrum) {
    // Columns 0 and 32 of a real field's spectrum are themselves Hermitian along the rows:
    // X[k1][0] = conj(X[-k1][0]). Fill the rest freely.
    std::vector<double> in(N * S, 0.0);
    program_srand(7);
    auto value = [] { return program_rand() / 16384.0 - 1.0; };
    for (int k1 = 0; k1 < N; ++k1) {
        for (int k2 = 1; k2 < N / 2; ++k2) {
            in[k1 * S + 2 * k2] = value();
            in[k1 * S + 2 * k2 + 1] = value();
        }
    }
    for (int k2 : {0, N / 2}) {
        for (int k1 = 0; k1 <= N / 2; ++k1) {
            const int mirror = (N - k1) % N;
            const double re = value();
            const double im = (k1 == mirror) ? 0.0 : value();
            in[k1 * S + 2 * k2] = re;
            in[k1 * S + 2 * k2 + 1] = im;
            in[mirror * S + 2 * k2] = re;
            in[mirror * S + 2 * k2 + 1] = -im;
        }
    }
    std::vector<double> data = in;
    fft_c2r_64 plan;
    plan.run(data.data());
    for (int r = 0; r < N; ++r) {
        for (int c = 0; c < N; ++c) {
            ASSERT_NEAR(data[r * S + c], direct_c2r(in, r, c), 1e-9) << r << "," << c;
        }
    }
}
