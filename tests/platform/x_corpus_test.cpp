// Replays the .x fuzz corpus through the reader and loaders, with each file cut short and
// damaged at many places: nothing may read out of bounds (the sanitizers watch), and every
// seed must read whole.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/fuzz/x_reader.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::vector<std::uint8_t>> load_seeds() {
    std::vector<std::vector<std::uint8_t>> files;
    const char* source = std::getenv("VENTRASK_SOURCE_DIR");
    const fs::path root = fs::path(source ? source : ".") / "tests" / "fuzz" / "corpus" / "x";
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(root, ec)) {
        std::ifstream in(entry.path(), std::ios::binary);
        files.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return files;
}

bool run(const std::vector<std::uint8_t>& bytes, std::size_t size) {
    std::uint32_t sum = 0;
    const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(size));
    return run_x_reader(cut.data(), cut.size(), &sum);
}

TEST(XCorpus, SeedsReadWhole) {
    const auto seeds = load_seeds();
    ASSERT_GE(seeds.size(), 3u);
    for (const auto& s : seeds) EXPECT_TRUE(run(s, s.size()));
}

TEST(XCorpus, CutAndDamagedSeedsNeverReadOutOfBounds) {
    for (const auto& seed : load_seeds()) {
        for (std::size_t size = 0; size < seed.size(); size += 7) run(seed, size);
        for (std::size_t at = 16; at < seed.size(); at += 5) {
            for (std::uint8_t b : {std::uint8_t('9'), std::uint8_t('}'), std::uint8_t('{'), std::uint8_t('-'),
                                   std::uint8_t('"'), std::uint8_t(0)}) {
                std::vector<std::uint8_t> damaged = seed;
                damaged[at] = b;
                run(damaged, damaged.size());
            }
        }
    }
}

}  // namespace
