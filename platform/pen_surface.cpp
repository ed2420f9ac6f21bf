// Lines on a picture: the pixels of a line are computed one by one from their index along
// the line, so only the part that falls inside the picture is walked.
#include "platform/pen_surface.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// i x delta / steps rounded to the nearest integer (halves up), steps > 0. The product of
// two differences of ints needs more than 64 bits at the extremes.
long long step_offset(long long i, long long delta, long long steps) {
    const __int128 n = 2 * static_cast<__int128>(i) * delta + steps, d = 2 * static_cast<__int128>(steps);
    return static_cast<long long>(n >= 0 ? n / d : -((-n + d - 1) / d));
}

// The indices i (0..last) along a line of `steps` steps whose coordinate start + i * delta /
// steps lies in [0, size), widened by one each way for the rounding; false when none do.
bool index_range(long long start, long long delta, long long steps, int size, long long* lo,
                 long long* hi) {
    if (delta == 0) return start >= 0 && start < size;
    // Where the coordinate crosses -1 and size, as fractions of the line.
    double a = static_cast<double>(-1 - start) * static_cast<double>(steps) / static_cast<double>(delta);
    double b = static_cast<double>(size - start) * static_cast<double>(steps) / static_cast<double>(delta);
    if (a > b) std::swap(a, b);
    *lo = std::max(*lo, static_cast<long long>(std::floor(a)) - 1);
    *hi = std::min(*hi, static_cast<long long>(std::ceil(b)) + 1);
    return *lo <= *hi;
}

}  // namespace

void pen_surface::move_to(int x, int y) {
    x_ = x;
    y_ = y;
}

void pen_surface::line_to(int x, int y) {
    const long long x0 = x_, y0 = y_, dx = static_cast<long long>(x) - x0,
                    dy = static_cast<long long>(y) - y0;
    x_ = x;
    y_ = y;
    const long long steps = std::max(std::llabs(dx), std::llabs(dy));
    if (target_ == nullptr || target_->empty() || steps == 0) return;
    long long lo = 0, hi = steps - 1;  // the end pixel is left out
    if (!index_range(x0, dx, steps, target_->width, &lo, &hi)) return;
    if (!index_range(y0, dy, steps, target_->height, &lo, &hi)) return;
    for (long long i = lo; i <= hi; ++i) {
        const long long px = x0 + step_offset(i, dx, steps), py = y0 + step_offset(i, dy, steps);
        if (px < 0 || py < 0 || px >= target_->width || py >= target_->height) continue;
        target_->set_pixel(static_cast<int>(px), static_cast<int>(py), pen_);
    }
}
