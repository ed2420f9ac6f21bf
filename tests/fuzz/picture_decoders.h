// The body of every picture fuzz target, shared with the corpus replay of the normal test
// suite: decode the bytes with one decoder and, when that succeeds, touch every texel and
// run the steps a texture load takes, so a decoder that lies about its sizes shows up.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/image.h"

enum class picture_decoder { bmp, bmp_indexed, dds, jpeg, png };

inline std::uint32_t checksum(const image& picture) {
    std::uint32_t sum = 0;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width * 4; ++x) sum = sum * 31 + picture.row(y)[x];
    return sum;
}

// Returns the decoder's result; a success has consistent sizes (checked by the caller).
inline hresult run_picture_decoder(picture_decoder decoder, const std::uint8_t* data,
                                   std::size_t size, std::uint32_t* sum) {
    *sum = 0;
    switch (decoder) {
    case picture_decoder::bmp: {
        image picture;
        const hresult r = bmp_decode(data, size, &picture);
        if (succeeded(r)) *sum = checksum(picture);
        return r;
    }
    case picture_decoder::bmp_indexed: {
        indexed_image picture;
        const hresult r = bmp_decode_indexed(data, size, &picture);
        if (succeeded(r))
            for (std::uint8_t index : picture.indices) *sum += picture.palette[index];
        return r;
    }
    case picture_decoder::dds: {
        dds_image picture;
        const hresult r = dds_decode(data, size, &picture);
        if (succeeded(r))
            for (const image& surface : picture.surfaces) *sum += checksum(surface);
        return r;
    }
    case picture_decoder::jpeg: {
        image picture;
        const hresult r = jpeg_decode(data, size, &picture);
        if (succeeded(r)) *sum = checksum(picture);
        return r;
    }
    case picture_decoder::png: {
        image picture;
        const hresult r = png_decode(data, size, &picture);
        if (succeeded(r)) *sum = checksum(picture);
        return r;
    }
    }
    return E_FAIL;
}
