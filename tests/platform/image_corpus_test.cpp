// Replays the fuzz corpus through every picture decoder, with each file cut short and
// damaged at many places: no decoder may read out of bounds (the sanitizers watch), and a
// file cut short of its pixel data must be refused.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/fuzz/picture_decoders.h"

namespace {

namespace fs = std::filesystem;

constexpr picture_decoder k_all[] = {picture_decoder::bmp, picture_decoder::bmp_indexed,
                                     picture_decoder::dds, picture_decoder::jpeg,
                                     picture_decoder::png};

struct corpus_file {
    std::string folder;
    std::string name;
    std::vector<std::uint8_t> bytes;
};

std::vector<corpus_file> load_corpus() {
    std::vector<corpus_file> files;
    const char* source = std::getenv("VENTRASK_SOURCE_DIR");
    const fs::path root = fs::path(source ? source : ".") / "tests" / "fuzz" / "corpus";
    std::error_code ec;
    for (const char* folder : {"bmp", "dds", "jpeg", "png"}) {
        for (const fs::directory_entry& entry : fs::directory_iterator(root / folder, ec)) {
            std::ifstream in(entry.path(), std::ios::binary);
            corpus_file f{folder, entry.path().filename().string(),
                          {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}};
            files.push_back(std::move(f));
        }
    }
    return files;
}

picture_decoder own_decoder(const std::string& folder) {
    if (folder == "bmp") return picture_decoder::bmp;
    if (folder == "dds") return picture_decoder::dds;
    if (folder == "jpeg") return picture_decoder::jpeg;
    return picture_decoder::png;
}

hresult run(picture_decoder decoder, const std::vector<std::uint8_t>& bytes, std::size_t size) {
    std::uint32_t sum = 0;
    // A copy of exactly `size` bytes, so reading past it is caught.
    const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(size));
    return run_picture_decoder(decoder, cut.data(), cut.size(), &sum);
}

}  // namespace

// Files named "refused_..." are inputs that once found a fault: their decoder refuses them.
bool refused_input(const corpus_file& f) { return f.name.rfind("refused_", 0) == 0; }

TEST(PictureCorpus, EveryFileDecodesWithItsOwnDecoder) {
    const std::vector<corpus_file> files = load_corpus();
    ASSERT_GE(files.size(), 12u) << "corpus not found";
    for (const corpus_file& f : files) {
        const hresult r = run(own_decoder(f.folder), f.bytes, f.bytes.size());
        if (refused_input(f)) {
            EXPECT_NE(r, S_OK) << f.name;
        } else {
            EXPECT_EQ(r, S_OK) << f.name;
        }
        for (picture_decoder other : k_all) run(other, f.bytes, f.bytes.size());
    }
}

TEST(PictureCorpus, CutShortFilesAreRefused) {
    for (const corpus_file& f : load_corpus()) {
        for (std::size_t n = 0; n < f.bytes.size(); ++n) {
            for (picture_decoder decoder : k_all) {
                const hresult r = run(decoder, f.bytes, n);
                // A bitmap may lose its last row's padding and a PNG its end chunk; nothing
                // shorter decodes.
                const bool may_pass = (f.folder == "bmp" && n + 3 >= f.bytes.size()) ||
                                      (f.folder == "png" && n + 12 >= f.bytes.size());
                if (decoder == own_decoder(f.folder) && !may_pass) {
                    EXPECT_NE(r, S_OK) << f.name << " cut to " << n;
                }
            }
        }
    }
}

TEST(PictureCorpus, DamagedFilesNeverCrash) {
    std::uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    for (const corpus_file& f : load_corpus()) {
        for (int round = 0; round < 200; ++round) {
            std::vector<std::uint8_t> damaged = f.bytes;
            const int changes = 1 + static_cast<int>(next() % 4);
            for (int c = 0; c < changes; ++c) {
                const std::size_t at = next() % damaged.size();
                switch (next() % 4) {
                case 0: damaged[at] ^= 0xFF; break;
                case 1: damaged[at] = 0; break;
                case 2: damaged[at] = 0xFF; break;
                default: damaged[at] = static_cast<std::uint8_t>(next()); break;
                }
            }
            for (picture_decoder decoder : k_all) run(decoder, damaged, damaged.size());
        }
    }
}
