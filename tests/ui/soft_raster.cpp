#include "soft_raster.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/image_ops.h"

soft_raster::soft_raster(int width, int height, std::uint32_t clear_color) : clear_(clear_color) {
    image_allocate(&target_, width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) target_.set_pixel(x, y, clear_color);
}

void soft_raster::draw_all(const recording_device& device) {
    for (const draw_record& r : device.draws()) draw(r);
}

int soft_raster::count(std::uint32_t color, int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = std::max(0, y0); y < std::min(y1, target_.height); ++y)
        for (int x = std::max(0, x0); x < std::min(x1, target_.width); ++x)
            if (target_.pixel(x, y) == color) ++n;
    return n;
}

bool soft_raster::ink_box(int* x0, int* y0, int* x1, int* y1) const {
    *x0 = *y0 = 1 << 30;
    *x1 = *y1 = -1;
    for (int y = 0; y < target_.height; ++y)
        for (int x = 0; x < target_.width; ++x)
            if (target_.pixel(x, y) != clear_) {
                *x0 = std::min(*x0, x);
                *y0 = std::min(*y0, y);
                *x1 = std::max(*x1, x + 1);
                *y1 = std::max(*y1, y + 1);
            }
    return *x1 >= 0;
}

soft_raster::vertex soft_raster::fetch(const draw_record& record, int index) const {
    const std::uint8_t* p = record.vertices.data() + static_cast<std::size_t>(index) * record.stride;
    float pos[3];
    std::memcpy(pos, p, sizeof pos);
    std::uint32_t color = 0xFFFFFFFFu;
    int offset = 12;
    if (record.fvf & FVF_DIFFUSE) {
        std::memcpy(&color, p + offset, 4);
        offset += 4;
    }
    float uv[2] = {0, 0};
    if ((record.fvf & FVF_TEXCOUNT_MASK) != 0) std::memcpy(uv, p + offset, sizeof uv);

    const device_state& s = record.state;
    const mat4 m = s.world[0] * s.view * s.projection;
    const float x = pos[0], y = pos[1], z = pos[2];
    float clip[4];
    for (int c = 0; c < 4; ++c) clip[c] = x * m.m[0][c] + y * m.m[1][c] + z * m.m[2][c] + m.m[3][c];
    const float w = clip[3] != 0 ? clip[3] : 1;
    const gfx_viewport& vp = s.viewport;
    vertex v;
    v.x = vp.x + (clip[0] / w + 1) * 0.5f * vp.width;
    v.y = vp.y + (1 - clip[1] / w) * 0.5f * vp.height;
    v.a = static_cast<float>(color >> 24);
    v.r = static_cast<float>((color >> 16) & 0xFF);
    v.g = static_cast<float>((color >> 8) & 0xFF);
    v.b = static_cast<float>(color & 0xFF);
    v.u = uv[0];
    v.v = uv[1];
    return v;
}

void soft_raster::draw(const draw_record& record) {
    const int n = primitive_vertex_count(record.type, record.primitive_count);
    auto at = [&](int i) { return fetch(record, i); };
    switch (record.type) {
        case PT_TRIANGLELIST:
            for (int i = 0; i + 2 < n; i += 3) triangle(record, at(i), at(i + 1), at(i + 2));
            break;
        case PT_TRIANGLESTRIP:
            for (int i = 0; i + 2 < n; ++i) triangle(record, at(i), at(i + 1), at(i + 2));
            break;
        case PT_LINELIST:
            for (int i = 0; i + 1 < n; i += 2) line(record, at(i), at(i + 1));
            break;
        case PT_LINESTRIP:
            for (int i = 0; i + 1 < n; ++i) line(record, at(i), at(i + 1));
            break;
        default:
            break;
    }
}

void soft_raster::triangle(const draw_record& record, const vertex& a, const vertex& b,
                           const vertex& c) {
    const float area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    if (area == 0) return;
    const int x0 = std::max(0, static_cast<int>(std::floor(std::min({a.x, b.x, c.x}))));
    const int x1 = std::min(target_.width, static_cast<int>(std::ceil(std::max({a.x, b.x, c.x}))));
    const int y0 = std::max(0, static_cast<int>(std::floor(std::min({a.y, b.y, c.y}))));
    const int y1 = std::min(target_.height, static_cast<int>(std::ceil(std::max({a.y, b.y, c.y}))));
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const float px = x + 0.5f, py = y + 0.5f;
            const float wa = ((b.x - px) * (c.y - py) - (b.y - py) * (c.x - px)) / area;
            const float wb = ((c.x - px) * (a.y - py) - (c.y - py) * (a.x - px)) / area;
            const float wc = 1 - wa - wb;
            if (wa < 0 || wb < 0 || wc < 0) continue;
            vertex v;
            v.x = px;
            v.y = py;
            v.r = wa * a.r + wb * b.r + wc * c.r;
            v.g = wa * a.g + wb * b.g + wc * c.g;
            v.b = wa * a.b + wb * b.b + wc * c.b;
            v.a = wa * a.a + wb * b.a + wc * c.a;
            v.u = wa * a.u + wb * b.u + wc * c.u;
            v.v = wa * a.v + wb * b.v + wc * c.v;
            shade(record, x, y, v);
        }
    }
}

void soft_raster::line(const draw_record& record, const vertex& a, const vertex& b) {
    const float dx = b.x - a.x, dy = b.y - a.y;
    const bool major_x = std::fabs(dx) >= std::fabs(dy);
    const float from = major_x ? std::min(a.x, b.x) : std::min(a.y, b.y);
    const float to = major_x ? std::max(a.x, b.x) : std::max(a.y, b.y);
    const float length = major_x ? dx : dy;
    if (length == 0) return;
    // Pixel centres from the start up to, not including, the end.
    for (int i = static_cast<int>(std::ceil(from - 0.5f)); i + 0.5f < to; ++i) {
        const float t = ((i + 0.5f) - (major_x ? a.x : a.y)) / length;
        if (t < 0 || t > 1) continue;
        vertex v = a;
        v.r = a.r + t * (b.r - a.r);
        v.g = a.g + t * (b.g - a.g);
        v.b = a.b + t * (b.b - a.b);
        v.a = a.a + t * (b.a - a.a);
        const float other = (major_x ? a.y + t * dy : a.x + t * dx);
        const int x = major_x ? i : static_cast<int>(std::floor(other));
        const int y = major_x ? static_cast<int>(std::floor(other)) : i;
        shade(record, x, y, v);
    }
}

namespace {

std::uint32_t sample(gfx_texture* texture, float u, float v, std::uint32_t address_u,
                     std::uint32_t address_v) {
    const int w = texture->width(), h = texture->height();
    auto coord = [](float t, int size, std::uint32_t mode) {
        int i = static_cast<int>(std::floor(t * size));
        if (mode == TADDRESS_CLAMP) return std::clamp(i, 0, size - 1);
        i %= size;
        return i < 0 ? i + size : i;
    };
    const int x = coord(u, w, address_u), y = coord(v, h, address_v);
    image one;
    image_allocate(&one, 1, 1);
    const int bpp = format_bytes_per_pixel(texture->format());
    const std::uint8_t* row = texture->level_bits(0) + static_cast<std::size_t>(y) * texture->level_pitch(0);
    image_unpack(row + static_cast<std::size_t>(x) * bpp, bpp,
                 static_cast<image_format>(texture->format()), &one);
    return one.pixel(0, 0);
}

float channel(std::uint32_t c, int shift) { return static_cast<float>((c >> shift) & 0xFF); }

}  // namespace

void soft_raster::shade(const draw_record& record, int x, int y, const vertex& v) {
    if (x < 0 || y < 0 || x >= target_.width || y >= target_.height) return;
    const device_state& s = record.state;
    float tr = 255, tg = 255, tb = 255, ta = 255;  // a stage without a texture: opaque white
    if (gfx_texture* t = record.textures[0]) {
        const std::uint32_t texel = sample(t, v.u, v.v, s.sampler[0][SAMP_ADDRESSU],
                                           s.sampler[0][SAMP_ADDRESSV]);
        ta = channel(texel, 24);
        tr = channel(texel, 16);
        tg = channel(texel, 8);
        tb = channel(texel, 0);
    }
    auto combine = [&](std::uint32_t op, std::uint32_t arg1, std::uint32_t arg2, float tex,
                       float diffuse) {
        auto arg = [&](std::uint32_t a) { return (a & TA_SELECTMASK) == TA_TEXTURE ? tex : diffuse; };
        switch (op) {
            case TOP_SELECTARG1: return arg(arg1);
            case TOP_SELECTARG2: return arg(arg2);
            case TOP_MODULATE: return arg(arg1) * arg(arg2) / 255.0f;
            default: return diffuse;
        }
    };
    const std::uint32_t* st = s.stage[0];
    const float r = combine(st[TSS_COLOROP], st[TSS_COLORARG1], st[TSS_COLORARG2], tr, v.r);
    const float g = combine(st[TSS_COLOROP], st[TSS_COLORARG1], st[TSS_COLORARG2], tg, v.g);
    const float b = combine(st[TSS_COLOROP], st[TSS_COLORARG1], st[TSS_COLORARG2], tb, v.b);
    const float a = combine(st[TSS_ALPHAOP], st[TSS_ALPHAARG1], st[TSS_ALPHAARG2], ta, v.a);
    float out[3] = {r, g, b};
    if (s.render[RS_ALPHABLENDENABLE]) {
        const std::uint32_t dst = target_.pixel(x, y);
        const float k = a / 255.0f;
        out[0] = r * k + channel(dst, 16) * (1 - k);
        out[1] = g * k + channel(dst, 8) * (1 - k);
        out[2] = b * k + channel(dst, 0) * (1 - k);
    }
    auto byte = [](float f) { return static_cast<std::uint32_t>(std::clamp(std::lround(f), 0L, 255L)); };
    target_.set_pixel(x, y, 0xFF000000u | (byte(out[0]) << 16) | (byte(out[1]) << 8) | byte(out[2]));
}
