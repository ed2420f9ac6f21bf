// libFuzzer target: the BMP decoder on arbitrary bytes.
#include "tests/fuzz/picture_decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint32_t sum = 0;
    run_picture_decoder(picture_decoder::bmp, data, size, &sum);
    run_picture_decoder(picture_decoder::bmp_indexed, data, size, &sum);
    return 0;
}
