// The near scenery grid: rebuilding the column of anchors the camera moved into scans the
// whole placement table once per moved anchor; reading an object list merges equal entries
// by searching the index.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/scene_services.h"
#include "platform/files.h"
#include "platform/text.h"
#include "shell/scene.h"

namespace {

// Counts the placements built instead of building them.
class counting_scene : public scene {
public:
    long long built = 0;
    using scene::update_anchors;
    void build_object(frame*, int, float, float) override { ++built; }
};

void bm_anchor_column_rebuild(benchmark::State& state) {
    auto app = std::make_unique<d3d_app>();
    auto st = std::make_unique<app_state>();
    g_app = app.get();
    g_state = st.get();
    {
        counting_scene world;
        world.make_roots(true);
        world.objects_table.entries.push_back(object_entry{});
        const int n = static_cast<int>(state.range(0));
        for (int i = 0; i < n; ++i) {
            // Spread over 30 km square.
            const float x = static_cast<float>((static_cast<long long>(i) * 7919) % 30000) - 15000.0f;
            const float z = static_cast<float>((static_cast<long long>(i) * 104729) % 30000) - 15000.0f;
            world.objects_table.placements.push_back({x, z, 0});
        }
        world.update_anchors(true);
        float east = 0.0f;
        for (auto _ : state) {
            // One column of ten anchors moves each time.
            east += 2000.0f;
            world.viewer.set_position(east, 0.0f, 0.0f);
            world.update_anchors(false);
        }
        benchmark::DoNotOptimize(world.built);
        world.clear(false);
    }
    install_scene_services(nullptr);
    g_state = nullptr;
    g_app = nullptr;
}
BENCHMARK(bm_anchor_column_rebuild)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void bm_read_object_list(benchmark::State& state) {
    auto app = std::make_unique<d3d_app>();
    auto st = std::make_unique<app_state>();
    g_app = app.get();
    g_state = st.get();
    const std::string folder = fs_temp_folder() + "ventrask_bench_objects";
    std::filesystem::create_directories(folder);
    const std::string previous_root = fs_root();
    fs_set_root(folder);
    fs_make_folder("scenery");
    fs_make_folder("scenery\\Bench");
    copy_text(st->scenery_name, "Bench");
    // 4096 lines of distinct lights: every line searches the whole index before it.
    std::string text;
    for (int i = 0; i < 4096; ++i) text += format_string("[Light]\t0.01\t0.01\t%d\t10\t1\t1\t1\n", i);
    fs_write("scenery\\Bench\\objects.txt", text.data(), text.size());
    {
        scene world;
        for (auto _ : state) {
            world.objects_table.entries.clear();
            world.objects_table.placements.clear();
            world.read_object_list("objects.txt", false);
        }
        state.counters["entries"] = static_cast<double>(world.objects_table.entries.size());
    }
    fs_set_root(previous_root);
    std::filesystem::remove_all(folder);
    install_scene_services(nullptr);
    g_state = nullptr;
    g_app = nullptr;
}
BENCHMARK(bm_read_object_list)->Unit(benchmark::kMillisecond);

}  // namespace
