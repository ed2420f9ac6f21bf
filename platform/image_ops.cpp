#include "platform/image_ops.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

std::uint32_t widen(std::uint32_t value, int bits) {
    // Repeats the top bits into the low ones, so full scale stays 255.
    const std::uint32_t max = (1u << bits) - 1;
    return (value & max) * 255 / max;
}

std::uint32_t narrow(std::uint32_t value, int bits) {
    const std::uint32_t max = (1u << bits) - 1;
    return (value * max + 127) / 255;
}

std::uint32_t pack_texel(std::uint32_t argb, image_format format) {
    const std::uint32_t a = argb >> 24, r = argb >> 16 & 0xFF, g = argb >> 8 & 0xFF,
                        b = argb & 0xFF;
    switch (format) {
    case image_format::a8r8g8b8:
        return argb;
    case image_format::x8r8g8b8:
    case image_format::r8g8b8:
        return 0xFF000000u | (argb & 0xFFFFFFu);
    case image_format::r5g6b5:
        return narrow(r, 5) << 11 | narrow(g, 6) << 5 | narrow(b, 5);
    case image_format::x1r5g5b5:
        return 0x8000u | narrow(r, 5) << 10 | narrow(g, 5) << 5 | narrow(b, 5);
    case image_format::a1r5g5b5:
        return (a >= 128 ? 0x8000u : 0u) | narrow(r, 5) << 10 | narrow(g, 5) << 5 | narrow(b, 5);
    case image_format::a4r4g4b4:
        return narrow(a, 4) << 12 | narrow(r, 4) << 8 | narrow(g, 4) << 4 | narrow(b, 4);
    case image_format::a8:
        return a;
    case image_format::l8:
        // Luminance with the weights of the sRGB primaries, in 1/256.
        return (r * 54 + g * 183 + b * 19 + 128) >> 8;
    default:
        return 0;
    }
}

std::uint32_t unpack_texel(std::uint32_t raw, image_format format) {
    auto argb = [](std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
        return a << 24 | r << 16 | g << 8 | b;
    };
    switch (format) {
    case image_format::a8r8g8b8:
        return raw;
    case image_format::x8r8g8b8:
    case image_format::r8g8b8:
        return 0xFF000000u | (raw & 0xFFFFFFu);
    case image_format::r5g6b5:
        return argb(255, widen(raw >> 11, 5), widen(raw >> 5, 6), widen(raw, 5));
    case image_format::x1r5g5b5:
        return argb(255, widen(raw >> 10, 5), widen(raw >> 5, 5), widen(raw, 5));
    case image_format::a1r5g5b5:
        return argb(raw & 0x8000 ? 255 : 0, widen(raw >> 10, 5), widen(raw >> 5, 5), widen(raw, 5));
    case image_format::a4r4g4b4:
        return argb(widen(raw >> 12, 4), widen(raw >> 8, 4), widen(raw >> 4, 4), widen(raw, 4));
    case image_format::a8:
        return argb(raw & 0xFF, 255, 255, 255);
    case image_format::l8:
        return argb(255, raw & 0xFF, raw & 0xFF, raw & 0xFF);
    default:
        return 0;
    }
}

bool packable(image_format format) {
    return format != image_format::v8u8 && image_format_bytes(format) > 0;
}

}  // namespace

namespace {

std::uint32_t read_texel(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// Formats whose every channel keeps or loses bits on its own (all but luminance): each texel
// byte goes through a table of what the packing round trip makes of its value.
void quantize_by_channel(image* picture, image_format format) {
    std::uint8_t kept[4][256];
    for (int c = 0; c < 4; ++c) {
        for (std::uint32_t v = 0; v < 256; ++v) {
            const std::uint32_t round_trip = unpack_texel(pack_texel(v << (8 * c), format), format);
            kept[c][v] = static_cast<std::uint8_t>(round_trip >> (8 * c));
        }
    }
    for (int y = 0; y < picture->height; ++y) {
        std::uint8_t* p = picture->row(y);
        for (int x = 0; x < picture->width; ++x, p += 4)
            for (int c = 0; c < 4; ++c) p[c] = kept[c][p[c]];
    }
}

}  // namespace

bool image_quantize(image* picture, image_format format) {
    if (!packable(format)) return false;
    if (format == image_format::a8r8g8b8) return true;  // holds every texel as it is
    const bool opaque = format == image_format::x8r8g8b8 || format == image_format::r8g8b8;
    if (!opaque && format != image_format::l8) {
        quantize_by_channel(picture, format);
        return true;
    }
    for (int y = 0; y < picture->height; ++y) {
        std::uint8_t* p = picture->row(y);
        for (int x = 0; x < picture->width; ++x, p += 4) {
            if (opaque) {
                p[3] = 255;
                continue;
            }
            const std::uint32_t kept = unpack_texel(pack_texel(read_texel(p), format), format);
            for (int c = 0; c < 4; ++c) p[c] = static_cast<std::uint8_t>(kept >> (8 * c));
        }
    }
    return true;
}

bool image_pack(const image& picture, image_format format, std::uint8_t* out, int pitch) {
    if (!packable(format)) return false;
    const int bytes = image_format_bytes(format);
    const auto row_bytes = static_cast<std::size_t>(picture.width) * 4;
    for (int y = 0; y < picture.height; ++y) {
        std::uint8_t* dst = out + static_cast<std::size_t>(y) * pitch;
        const std::uint8_t* src = picture.row(y);
        if (format == image_format::a8r8g8b8 || format == image_format::x8r8g8b8) {
            std::copy_n(src, row_bytes, dst);
            if (format == image_format::x8r8g8b8)
                for (std::size_t i = 3; i < row_bytes; i += 4) dst[i] = 255;
            continue;
        }
        for (int x = 0; x < picture.width; ++x, dst += bytes, src += 4) {
            const std::uint32_t raw = pack_texel(read_texel(src), format);
            for (int i = 0; i < bytes; ++i) dst[i] = static_cast<std::uint8_t>(raw >> (8 * i));
        }
    }
    return true;
}

bool image_unpack(const std::uint8_t* raw, int pitch, image_format format, image* out) {
    if (!packable(format)) return false;
    const int bytes = image_format_bytes(format);
    for (int y = 0; y < out->height; ++y) {
        const std::uint8_t* src = raw + static_cast<std::size_t>(y) * pitch;
        for (int x = 0; x < out->width; ++x, src += bytes) {
            std::uint32_t value = 0;
            for (int i = 0; i < bytes; ++i) value |= static_cast<std::uint32_t>(src[i]) << (8 * i);
            out->set_pixel(x, y, unpack_texel(value, format));
        }
    }
    return true;
}

int image_apply_color_key(image* picture, std::uint32_t key) {
    if (key == 0) return 0;
    int matched = 0;
    for (int y = 0; y < picture->height; ++y) {
        for (int x = 0; x < picture->width; ++x) {
            if (picture->pixel(x, y) == key) {
                picture->set_pixel(x, y, 0);
                ++matched;
            }
        }
    }
    return matched;
}

bool image_has_alpha(const image& picture) {
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            if (picture.row(y)[x * 4 + 3] != 255) return true;
    return false;
}

namespace {

// Weights of the source texels that make up one destination texel along one axis.
struct axis_tap {
    int first = 0;
    std::vector<float> weights;
};

std::vector<axis_tap> axis_taps(int source, int target) {
    std::vector<axis_tap> taps(static_cast<std::size_t>(target));
    const double scale = static_cast<double>(source) / target;
    for (int i = 0; i < target; ++i) {
        axis_tap& tap = taps[static_cast<std::size_t>(i)];
        if (target > source) {
            // Growing: linear interpolation between the two nearest texel centres.
            const double centre = std::clamp((i + 0.5) * scale - 0.5, 0.0, source - 1.0);
            const int left = static_cast<int>(centre);
            const int right = std::min(left + 1, source - 1);
            const float t = static_cast<float>(centre - left);
            tap.first = left;
            tap.weights = {1.0f - t};
            if (right != left) tap.weights.push_back(t);
            continue;
        }
        // Shrinking (or equal): the average over the covered source interval.
        const double start = i * scale, end = (i + 1) * scale;
        tap.first = static_cast<int>(start);
        const int last = std::min(source - 1, static_cast<int>(std::ceil(end)) - 1);
        for (int s = tap.first; s <= last; ++s) {
            const double cover = std::min(end, s + 1.0) - std::max(start, static_cast<double>(s));
            tap.weights.push_back(static_cast<float>(cover / scale));
        }
    }
    return taps;
}

// One source row filtered across to the destination width: 4 floats a texel.
std::vector<float> filter_row(const std::uint8_t* src, const std::vector<axis_tap>& xs) {
    std::vector<float> row(xs.size() * 4);
    for (std::size_t x = 0; x < xs.size(); ++x) {
        const axis_tap& tap = xs[x];
        const std::uint8_t* texel = src + static_cast<std::size_t>(tap.first) * 4;
        float acc[4] = {0, 0, 0, 0};
        for (const float weight : tap.weights) {
            for (int c = 0; c < 4; ++c) acc[c] += weight * static_cast<float>(texel[c]);
            texel += 4;
        }
        std::copy_n(acc, 4, &row[x * 4]);
    }
    return row;
}

}  // namespace

image image_resize(const image& source, int width, int height) {
    image out;
    if (source.empty() || !image_allocate(&out, width, height)) return out;
    if (width == source.width && height == source.height) {
        for (int y = 0; y < height; ++y)
            std::copy_n(source.row(y), static_cast<std::size_t>(width) * 4, out.row(y));
        return out;
    }
    const std::vector<axis_tap> xs = axis_taps(source.width, width);
    const std::vector<axis_tap> ys = axis_taps(source.height, height);
    // Rows first, then columns. Each source row is filtered across once, when the first
    // destination row needs it, and dropped once the destination rows have passed it (they
    // move down the source monotonically), so only a few rows are held at a time.
    std::vector<std::vector<float>> rows(static_cast<std::size_t>(source.height));
    std::vector<float> line(static_cast<std::size_t>(width) * 4);
    int dropped = 0;
    for (int y = 0; y < height; ++y) {
        const axis_tap& tap = ys[static_cast<std::size_t>(y)];
        for (; dropped < tap.first; ++dropped) rows[static_cast<std::size_t>(dropped)] = {};
        for (std::size_t k = 0; k < tap.weights.size(); ++k) {
            const int sy = tap.first + static_cast<int>(k);
            std::vector<float>& row = rows[static_cast<std::size_t>(sy)];
            if (row.empty()) row = filter_row(source.row(sy), xs);
        }
        // Summed weight by weight over the whole row: each texel adds its taps in the same
        // order as texel by texel.
        std::fill(line.begin(), line.end(), 0.0f);
        for (std::size_t k = 0; k < tap.weights.size(); ++k) {
            const float weight = tap.weights[k];
            const float* src = rows[static_cast<std::size_t>(tap.first) + k].data();
            for (std::size_t i = 0; i < line.size(); ++i) line[i] += weight * src[i];
        }
        std::uint8_t* dst = out.row(y);
        for (std::size_t i = 0; i < line.size(); ++i)
            dst[i] = static_cast<std::uint8_t>(std::clamp(line[i] + 0.5f, 0.0f, 255.0f));
    }
    return out;
}

image image_half_size(const image& source) {
    image out;
    if (source.empty()) return out;
    const int width = std::max(1, source.width / 2), height = std::max(1, source.height / 2);
    if (!image_allocate(&out, width, height)) return out;
    for (int y = 0; y < height; ++y) {
        const int y0 = std::min(2 * y, source.height - 1), y1 = std::min(2 * y + 1, source.height - 1);
        const std::uint8_t* top = source.row(y0);
        const std::uint8_t* bottom = source.row(y1);
        std::uint8_t* dst = out.row(y);
        for (int x = 0; x < width; ++x) {
            const int x0 = std::min(2 * x, source.width - 1), x1 = std::min(2 * x + 1, source.width - 1);
            for (int c = 0; c < 4; ++c) {
                const int sum = top[x0 * 4 + c] + top[x1 * 4 + c] + bottom[x0 * 4 + c] +
                                bottom[x1 * 4 + c];
                dst[x * 4 + c] = static_cast<std::uint8_t>((sum + 2) / 4);
            }
        }
    }
    return out;
}

int image_full_mip_count(int width, int height) {
    const int side = std::max(1, std::max(width, height));
    return std::bit_width(static_cast<unsigned>(side));
}

int image_next_power_of_two(int size) {
    if (size <= 1) return 1;
    return static_cast<int>(std::bit_ceil(static_cast<unsigned>(size)));
}

int image_prev_power_of_two(int size) {
    if (size <= 1) return 1;
    return static_cast<int>(std::bit_floor(static_cast<unsigned>(size)));
}
