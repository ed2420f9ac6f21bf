// The committed seed inputs of one fuzz target (tests/fuzz/corpus/<kind>/), for the corpus
// replays of the normal test suite, and the same inputs cut short: a reader must take any
// prefix of a good file without reading out of bounds (the sanitizers watch).
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

struct corpus_input {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

inline std::vector<corpus_input> load_corpus(const char* kind) {
    namespace fs = std::filesystem;
    const char* source = std::getenv("VENTRASK_SOURCE_DIR");
    const fs::path folder = fs::path(source ? source : ".") / "tests" / "fuzz" / "corpus" / kind;
    std::vector<corpus_input> inputs;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        std::ifstream in(entry.path(), std::ios::binary);
        inputs.push_back({entry.path().filename().string(),
                          {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}});
    }
    return inputs;
}

// Each seed whole, then cut to `cuts` evenly spaced shorter lengths (an exact copy of each
// length, so reading past it is caught).
template <typename Run>
void replay_corpus(const std::vector<corpus_input>& inputs, int cuts, Run run) {
    for (const corpus_input& input : inputs) {
        run(input.name, input.bytes);
        for (int k = 0; k < cuts; ++k) {
            const std::size_t n = input.bytes.size() * static_cast<std::size_t>(k) / static_cast<std::size_t>(cuts);
            run(input.name, std::vector<std::uint8_t>(input.bytes.begin(), input.bytes.begin() + static_cast<long>(n)));
        }
    }
}
