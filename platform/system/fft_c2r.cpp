// FFTW 2's real multi-dimensional transform behind fft_c2r_64.
#include "platform/fft_c2r.h"

#include <rfftw.h>

static_assert(sizeof(fftw_real) == sizeof(double), "the sea's arrays are double precision");

fft_c2r_64::fft_c2r_64()
    : plan_(rfftw2d_create_plan(k_size, k_size, FFTW_COMPLEX_TO_REAL,
                                FFTW_ESTIMATE | FFTW_IN_PLACE)) {}

fft_c2r_64::~fft_c2r_64() {
    if (plan_ != nullptr) rfftwnd_destroy_plan(static_cast<rfftwnd_plan>(plan_));
}

void fft_c2r_64::run(double* data) const {
    if (plan_ == nullptr) return;
    rfftwnd_one_complex_to_real(static_cast<rfftwnd_plan>(plan_),
                                reinterpret_cast<fftw_complex*>(data), nullptr);
}
