// Saving a user file: the settings file's size (about 900 bytes) written through a temporary
// file that is flushed to the disk, synced and renamed over the old one. The sync is most of
// the cost; it buys a file that is whole after a full disk or a crash.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/files.h"

static void BM_ReplaceSettingsSizedFile(benchmark::State& state) {
    std::string folder = std::filesystem::temp_directory_path().string() + "/ventrask-bench-XXXXXX";
    if (::mkdtemp(folder.data()) == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string previous = fs_root();
    fs_set_root(folder);
    const std::string text(900, 'x');
    for (auto _ : state) {
        if (!fs_write("qvd.ini", text.data(), text.size())) state.SkipWithError("write failed");
    }
    fs_set_root(previous);
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_ReplaceSettingsSizedFile)->Unit(benchmark::kMicrosecond);
