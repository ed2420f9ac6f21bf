#include <benchmark/benchmark.h>

#include <string>

#include "core/app_state.h"
#include "core/mesh.h"
#include "platform/x_file.h"
#include "platform/x_loader.h"

namespace {

// A grid of n x n quads with normals, coordinates and two materials: about the size of a
// detailed launcher model at n = 100 (20,000 triangles).
std::string grid_model(int n) {
    std::string s = "xof 0303txt 0032\nMesh {\n" + std::to_string((n + 1) * (n + 1)) + ";\n";
    for (int z = 0; z <= n; ++z)
        for (int x = 0; x <= n; ++x) s += std::to_string(x) + ";0;" + std::to_string(z) + ";,";
    s.back() = ';';
    s += "\n" + std::to_string(n * n) + ";\n";
    for (int z = 0; z < n; ++z)
        for (int x = 0; x < n; ++x) {
            const int a = z * (n + 1) + x;
            s += "4;" + std::to_string(a) + "," + std::to_string(a + n + 1) + "," + std::to_string(a + n + 2) +
                 "," + std::to_string(a + 1) + ";,";
        }
    s.back() = ';';
    s += "\nMeshTextureCoords { " + std::to_string((n + 1) * (n + 1)) + ";";
    for (int i = 0; i < (n + 1) * (n + 1); ++i) s += "0.5;0.5;,";
    s.back() = ';';
    s += " }\nMeshMaterialList { 2; " + std::to_string(n * n) + ";";
    for (int i = 0; i < n * n; ++i) s += (i % 2 ? "1," : "0,");
    s.back() = ';';
    s += " Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } Material { 1;0;0;0.5;; 0; 0;0;0;; 0;0;0;; } }\n}\n";
    return s;
}

}  // namespace

static void BM_ParseXFile(benchmark::State& state) {
    const std::string text = grid_model(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        x_file file;
        std::string error;
        benchmark::DoNotOptimize(parse_x_file(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), &file, &error));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ParseXFile)->Arg(20)->Arg(100);

static void BM_LoadMergedMesh(benchmark::State& state) {
    const std::string text = grid_model(static_cast<int>(state.range(0)));
    x_file file;
    std::string error;
    parse_x_file(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), &file, &error);
    for (auto _ : state) {
        x_mesh_data data;
        benchmark::DoNotOptimize(load_merged_mesh(file, &data, &error));
    }
}
BENCHMARK(BM_LoadMergedMesh)->Arg(20)->Arg(100);

// The height probe over every triangle of a mesh, as a scenery object answers it per query.
static void BM_MeshHeightProbe(benchmark::State& state) {
    const std::string text = grid_model(static_cast<int>(state.range(0)));
    x_file file;
    std::string error;
    parse_x_file(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), &file, &error);
    mesh m;
    m.load_xof(file, file.objects[0], ".");
    for (auto _ : state) {
        float height = -1000.0f;
        frame* hit = nullptr;
        m.surface_height(3.3f, 4.4f, &height, &hit);
        benchmark::DoNotOptimize(height);
    }
}
BENCHMARK(BM_MeshHeightProbe)->Arg(20)->Arg(100);
