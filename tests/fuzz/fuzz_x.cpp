// libFuzzer target: the .x model reader and loaders on arbitrary bytes.
#include "tests/fuzz/x_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint32_t sum = 0;
    run_x_reader(data, size, &sum);
    return 0;
}
