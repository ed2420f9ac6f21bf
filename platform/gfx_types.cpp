#include "platform/gfx_types.h"

#include <cstring>

int fvf_stride(std::uint32_t fvf) {
    int bytes = 0;
    if (fvf & FVF_XYZ) bytes += 12;
    if (fvf & FVF_XYZRHW) bytes += 16;
    if (fvf & FVF_NORMAL) bytes += 12;
    if (fvf & FVF_PSIZE) bytes += 4;
    if (fvf & FVF_DIFFUSE) bytes += 4;
    if (fvf & FVF_SPECULAR) bytes += 4;
    const int sets = static_cast<int>((fvf & FVF_TEXCOUNT_MASK) >> FVF_TEXCOUNT_SHIFT);
    for (int i = 0; i < sets; ++i) {
        const std::uint32_t code = (fvf >> (i * 2 + 16)) & 3u;
        static const int floats[4] = {2, 3, 4, 1};
        bytes += 4 * floats[code];
    }
    return bytes;
}

int format_bytes_per_pixel(std::uint32_t format) {
    switch (format) {
    case FMT_A8R8G8B8:
    case FMT_X8R8G8B8:
    case FMT_D24S8:
    case FMT_D24X8:
    case FMT_D24X4S4:
        return 4;
    case FMT_R8G8B8:
        return 3;
    case FMT_R5G6B5:
    case FMT_X1R5G5B5:
    case FMT_A1R5G5B5:
    case FMT_A4R4G4B4:
    case FMT_A8L8:
    case FMT_V8U8:
    case FMT_D16:
        return 2;
    case FMT_A8:
    case FMT_L8:
        return 1;
    default:
        return 0;
    }
}

bool format_is_compressed(std::uint32_t format) {
    return format == FMT_DXT1 || format == FMT_DXT3 || format == FMT_DXT5;
}

bool format_is_depth(std::uint32_t format) {
    return format == FMT_D16 || format == FMT_D24S8 || format == FMT_D24X8 ||
           format == FMT_D24X4S4;
}

int format_pitch(std::uint32_t format, int width) {
    if (format_is_compressed(format)) {
        const int blocks = (width + 3) / 4;
        return blocks * (format == FMT_DXT1 ? 8 : 16);
    }
    return width * format_bytes_per_pixel(format);
}

int format_rows(std::uint32_t format, int height) {
    return format_is_compressed(format) ? (height + 3) / 4 : height;
}

int primitive_vertex_count(std::uint32_t type, int count) {
    switch (type) {
    case PT_POINTLIST: return count;
    case PT_LINELIST: return count * 2;
    case PT_LINESTRIP: return count > 0 ? count + 1 : 0;
    case PT_TRIANGLELIST: return count * 3;
    case PT_TRIANGLESTRIP:
    case PT_TRIANGLEFAN: return count > 0 ? count + 2 : 0;
    default: return 0;
    }
}

std::uint32_t float_bits(float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

float bits_float(std::uint32_t u) {
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}
