// Picture decoding and the texture preparation that start-up and scenery loads repeat for
// every texture: a 512 x 512 JPEG decoded, then resized, keyed, mip-mapped and rounded.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "platform/image.h"
#include "platform/image_ops.h"
#include "platform/texture_image.h"

namespace {

std::vector<std::uint8_t> jpeg_file(int side) {
    image p;
    image_allocate(&p, side, side);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            p.set_pixel(x, y, 0xFF000000u |
                                  static_cast<std::uint32_t>(127 + 120 * std::sin(x * 0.05)) << 16 |
                                  static_cast<std::uint32_t>(127 + 120 * std::cos(y * 0.03)) << 8 |
                                  static_cast<std::uint32_t>((x ^ y) & 0xFF));
    std::vector<std::uint8_t> file;
    jpeg_encode(p, 90, &file);
    return file;
}

}  // namespace

static void BM_JpegDecode512(benchmark::State& state) {
    const std::vector<std::uint8_t> file = jpeg_file(512);
    for (auto _ : state) {
        image p;
        benchmark::DoNotOptimize(jpeg_decode(file.data(), file.size(), &p));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 512 * 512 * 4);
}
BENCHMARK(BM_JpegDecode512);

static void BM_TextureFromJpeg640To1024WithChain(benchmark::State& state) {
    const std::vector<std::uint8_t> file = jpeg_file(640);
    texture_request request;
    request.levels = k_texture_levels_full;
    request.format = image_format::a1r5g5b5;
    request.color_key = 0xFF000000u;
    for (auto _ : state) {
        texture_image t;
        benchmark::DoNotOptimize(texture_image_from_memory(file.data(), file.size(), request, &t));
    }
}
BENCHMARK(BM_TextureFromJpeg640To1024WithChain);
