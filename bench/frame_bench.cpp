#include <benchmark/benchmark.h>

#include "core/app_state.h"
#include "core/frame.h"

namespace {

// A root with n groups of 8 leaves spread over a 10 km square, as the objects root of a
// scenery holds them.
void build_tree(frame* root, int groups) {
    for (int g = 0; g < groups; ++g) {
        frame* group = nullptr;
        create_frame(root, &group, "group");
        group->set_position(static_cast<float>((g * 37) % 10000) - 5000.0f, 0.0f,
                            static_cast<float>((g * 91) % 10000) - 5000.0f);
        for (int i = 0; i < 8; ++i) {
            frame* leaf = nullptr;
            create_frame(group, &leaf, "leaf");
            leaf->set_position(static_cast<float>(i), 0.0f, 0.0f);
            leaf->base_radius = 2.0f;
        }
    }
    root->update_bounding_radius();
}

}  // namespace

static void BM_FrameUpdateTree(benchmark::State& state) {
    app_state s;
    g_state = &s;
    frame root;
    build_tree(&root, static_cast<int>(state.range(0)));
    for (auto _ : state) root.update();
    state.SetItemsProcessed(state.iterations() * state.range(0) * 9);
    g_state = nullptr;
}
BENCHMARK(BM_FrameUpdateTree)->Arg(100)->Arg(1000);

static void BM_FrameRenderTraversal(benchmark::State& state) {
    app_state s;
    g_state = &s;
    mat4 camera_world = mat_identity();
    mat4 view = mat_identity();
    mat4 projection = mat_perspective_fov_lh(0.785f, 1.333f, 1.0f, 150000.0f);
    s.camera_world = &camera_world;
    s.view_matrix = &view;
    s.projection_matrix = &projection;
    frame root;
    build_tree(&root, static_cast<int>(state.range(0)));
    for (auto _ : state) root.render();
    state.SetItemsProcessed(state.iterations() * state.range(0) * 9);
    g_state = nullptr;
}
BENCHMARK(BM_FrameRenderTraversal)->Arg(100)->Arg(1000);
