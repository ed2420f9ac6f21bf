// The sea's inverse transform: an unnormalised two-dimensional complex-to-real DFT of a
// 64 x 64 real field from its 64 x 33 half spectrum, computed in place. The array holds
// 64 rows of 66 doubles: on input row r carries 33 complex values (real, imaginary) for the
// frequencies k = 0..32 along the row, on output the first 64 doubles of row r are the real
// values. The plan is made once and used for every transform; FFTW 2 computes it.
#pragma once

class fft_c2r_64 {
public:
    static constexpr int k_size = 64;
    static constexpr int k_row_stride = k_size + 2;  // doubles per row of the in-place array

    fft_c2r_64();
    ~fft_c2r_64();
    fft_c2r_64(const fft_c2r_64&) = delete;
    fft_c2r_64& operator=(const fft_c2r_64&) = delete;

    // Transforms data (k_size x k_row_stride doubles) in place.
    void run(double* data) const;

private:
    void* plan_ = nullptr;
};
