#include "world/sea.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "platform/program_rand.h"

namespace {

constexpr float k_sea_two_pi = 6.2831855f;
constexpr float k_sea_pi = 3.1415927f;
constexpr float k_gravity = 9.81f;

float water_level() { return g_state != nullptr ? g_state->water_level : 0.0f; }
float origin_y() { return g_state != nullptr ? g_state->origin_offset.y : 0.0f; }

// Index into 0..N-1 of a whole cell number that may be negative or large.
int wrap_cell(double cell) {
    double r = std::fmod(cell, static_cast<double>(sea::N));
    if (r < 0.0) r += sea::N;
    int i = static_cast<int>(r);
    return i >= sea::N ? 0 : i;
}

float lerp1(float a, float b, float t) { return a + (b - a) * t; }

}  // namespace

sea::sea() {
    program_srand(1);
    for (int i = 0; i < N; ++i) {
        for (int j = 0; j < N; ++j) {
            const int r1 = program_rand();
            const int r2 = program_rand();
            amplitude[i][j] = 2.0f * r1 / 32767.0f;
            phase[i][j] = r2 / 32767.0f * k_sea_two_pi;
        }
    }
    for (int p = 0; p < k_patches; ++p) {
        const int r1 = program_rand();
        const int r2 = program_rand();
        patch_x[p] = (1.0f - 2.0f * r1 / 32767.0f) * 10.0f;
        patch_z[p] = (1.0f - 2.0f * r2 / 32767.0f) * 10.0f;
    }
}

float sea::random_run(int position) const {
    constexpr int cells = N * N;
    if (position < 0) return 0.0f;
    if (position < cells) return amplitude[position / N][position % N];
    position -= cells;
    if (position < cells) return phase[position / N][position % N];
    return 0.0f;
}

float sea::wave_spectrum(float kx, float kz) const {
    const float l = 10.0f * cell_size;
    const float k2 = kx * kx + kz * kz;
    if (k2 <= 0.0f) return 0.0f;
    const float wind_dir = g_state != nullptr ? g_state->wind_direction : 0.0f;
    const float theta = wind_dir - k_sea_pi;  // the direction the wind blows toward
    const float d = std::sin(theta) * kx + std::cos(theta) * kz;
    if (d < 0.0f) return 0.0f;
    const float swell = static_cast<float>(std::exp(-1.0 / (static_cast<double>(k2) * l * l)));
    const float ripple_cut = static_cast<float>(std::exp(-static_cast<double>(k2) * (l / 5.0f) * (l / 5.0f)));
    return swell * d * d * spectrum_amplitude / (k2 * k2) * ripple_cut;
}

void sea::build_spectrum() {
    std::memset(omega, 0, sizeof omega);
    std::memset(h0, 0, sizeof h0);
    std::memset(ht, 0, sizeof ht);
    std::memset(height, 0, sizeof height);
    std::memset(disp_x, 0, sizeof disp_x);
    std::memset(disp_z, 0, sizeof disp_z);
    std::memset(normals, 0, sizeof normals);

    cell_size = std::fmax(0.2f, wave_height);
    spectrum_amplitude = std::sqrt(std::fmax(0.0f, wave_height)) * 0.0005f;
    row_stride = N + 2;
    wind_per_cell = (g_state != nullptr ? g_state->wind_speed : 0.0f) / cell_size;
    patch_size = N * cell_size;

    const float dk = k_sea_two_pi / patch_size;
    for (int i = 0; i < k_spectrum; ++i) {
        for (int j = 0; j < k_spectrum; ++j) {
            const float kx = (i - 32) * dk;
            const float kz = (j - 32) * dk;
            omega[i][j] = std::sqrt(k_gravity * std::sqrt(kx * kx + kz * kz));
            const float s = (i == 32 && j == 32) ? 0.0f : std::sqrt(wave_spectrum(kx, kz));
            const int p = N * i + j;
            const float a = random_run(p);
            const float phi = random_run(N * N + p);
            h0[i][j][0] = std::sin(phi) * s * a;
            h0[i][j][1] = std::cos(phi) * s * a;
        }
    }
    plan.reset();
    plan = std::make_unique<fft_c2r_64>();
    // The far grid's spacing follows the patch size.
    if (far_vertex_buffer) build_far_grid();
}

void sea::update() {
    const bool paused = g_app != nullptr && g_app->paused != 0;
    if (!paused && g_state != nullptr) {
        wave_time += g_state->smoothed_step;
        const float dir = g_state->wind_direction;
        g_state->water_motion[0] = std::sin(wave_time) * std::cos(dir) + g_state->current[0];
        g_state->water_motion[1] = std::sin(wave_time) * std::sin(dir) + g_state->current[1];
    }
    if (waves_shown) {
        update_waves();
        if (grid_mode != 0) {
            fill_grid_vertices();
        } else {
            refresh_mesh();
        }
    }
    if (g_state != nullptr && g_state->rain) update_wave_projection();
}

void sea::fill_transform_input() {
    const double t = wave_time;
    const int columns = k_fill_kx_zero_column ? N / 2 + 1 : N / 2;
    for (int i = 0; i < columns; ++i) {
        for (int j = 0; j < N; ++j) {
            const double w = omega[i][j];
            const double* h = h0[i][j];
            const double* m = h0[N - i][N - j];
            // cos(-wt) = cos(wt) and sin(-wt) = -sin(wt): one pair of calls serves both terms.
            const double c = static_cast<float>(std::cos(w * t));
            const double s = static_cast<float>(std::sin(w * t));
            const double cm = c;
            const double sm = -s;
            ht[i][j][0] = h[0] * c - h[1] * s + m[0] * cm + m[1] * sm;
            ht[i][j][1] = h[0] * s + h[1] * c + m[0] * sm - m[1] * cm;
        }
    }
    for (int r = 0; r < N; ++r) {
        for (int k = 0; k < columns; ++k) {
            height[r][2 * k] = ht[k][r][0];
            height[r][2 * k + 1] = ht[k][r][1];
        }
    }
}

void sea::update_waves() {
    if (!plan) build_spectrum();
    fill_transform_input();
    plan->run(&height[0][0]);
    // The spectrum is centred on k = 0 at index 32: shifting it by half the grid multiplies
    // the field by (-1)^(r + c).
    for (int r = 0; r < N; ++r) {
        for (int c = 0; c < N; ++c) {
            if ((r + c) % 2 != 0) height[r][c] = -height[r][c];
        }
    }
    update_displacement();
    update_normals();
    update_reach();
}

void sea::update_reach() {
    float up = 0.0f, sideways = 0.0f;
    for (int r = 0; r < N; ++r) {
        for (int c = 0; c < N; ++c) {
            up = std::max(up, std::fabs(static_cast<float>(height[r][c])));
            sideways = std::max(sideways, std::fabs(static_cast<float>(disp_x[r][c])));
            sideways = std::max(sideways, std::fabs(static_cast<float>(disp_z[r][c])));
        }
    }
    height_reach = up;
    sideways_reach = sideways;
}

void sea::update_displacement() {
    if (choppiness <= 0.0f) {
        std::memset(disp_x, 0, sizeof disp_x);
        std::memset(disp_z, 0, sizeof disp_z);
        return;
    }
    for (int k = 0; k < N / 2; ++k) {
        for (int r = 0; r < N; ++r) {
            const float a = static_cast<float>(k - 32);
            const float b = static_cast<float>(r - 32);
            const float len = std::sqrt(a * a + b * b);
            const double* h = ht[k][r];
            disp_x[r][2 * k] = a * h[1] / len;
            disp_x[r][2 * k + 1] = -h[0] * a / len;
            disp_z[r][2 * k] = b * h[1] / len;
            disp_z[r][2 * k + 1] = -h[0] * b / len;
        }
    }
    plan->run(&disp_x[0][0]);
    plan->run(&disp_z[0][0]);
    const double scale = choppiness * 5.0f / std::fmax(1.0f, std::sqrt(std::fmax(0.0f, wave_height)));
    for (int r = 0; r < N; ++r) {
        for (int c = 0; c < N; ++c) {
            const double sign = (r + c) % 2 == 0 ? -1.0 : 1.0;
            disp_x[r][c] *= sign * scale;
            disp_z[r][c] *= sign * scale;
        }
    }
}

void sea::update_normals() {
    for (int r = 0; r < N; ++r) {
        for (int c = 0; c < N; ++c) {
            const double h = height[r][c];
            const float dx = static_cast<float>(h - height[r][(c + 1) % N]);
            const float dz = static_cast<float>(h - height[(r + 1) % N][c]);
            const float inv = 1.0f / std::sqrt(dx * dx + dz * dz + cell_size * cell_size);
            normals[r][c][0] = inv * dx;
            normals[r][c][1] = inv * dz;
            normals[r][c][2] = inv * cell_size;
            height_grid[r][c] = static_cast<float>(h);
            normal_x_grid[r][c] = inv * dx;
            normal_y_grid[r][c] = inv * cell_size;
            normal_z_grid[r][c] = inv * dz;
        }
    }
}

float sea::sample_grid(const float (&grid)[N][N], float x, float z) const {
    const double fx = (static_cast<double>(x) - pattern_offset_x) / cell_size + 1.0;
    const double fz = (static_cast<double>(z) - pattern_offset_z) / cell_size + 1.0;
    const double ixd = std::floor(fx);
    const double izd = std::floor(fz);
    const float u = static_cast<float>(fx - ixd);
    const float v = static_cast<float>(fz - izd);
    const int c0 = wrap_cell(ixd);
    const int r0 = wrap_cell(izd);
    const int c1 = (c0 + 1) % N;
    const int r1 = (r0 + 1) % N;
    if (v < 0.01f) return lerp1(grid[r0][c0], grid[r0][c1], u);
    if (v > 0.99f) return lerp1(grid[r1][c0], grid[r1][c1], u);
    // The cell is split along its diagonal from (c1, r0) to (c0, r1).
    if (v < 1.0f - u) {
        const float left = lerp1(grid[r0][c0], grid[r1][c0], v);
        const float right = lerp1(grid[r0][c1], grid[r1][c0], v);
        return left + (right - left) * u / (1.0f - v);
    }
    const float left = lerp1(grid[r0][c1], grid[r1][c0], v);
    const float right = lerp1(grid[r0][c1], grid[r1][c1], v);
    return left + (right - left) * (u + v - 1.0f) / v;
}

void sea::surface_height(float x, float z, float* out) const {
    const float level = water_level() - origin_y();
    if (!waves_shown || !std::isfinite(x) || !std::isfinite(z)) {
        *out = level;
        return;
    }
    *out = sample_grid(height_grid, x, z) + level;
}

void sea::surface_height_normal(float x, float z, float* out, float* nx, float* ny,
                                float* nz) const {
    const float level = water_level() - origin_y();
    if (!waves_shown || !std::isfinite(x) || !std::isfinite(z)) {
        *out = level;
        *nx = 0.0f;
        *ny = 1.0f;
        *nz = 0.0f;
        return;
    }
    *out = sample_grid(height_grid, x, z) + level;
    *nx = sample_grid(normal_x_grid, x, z);
    *ny = sample_grid(normal_y_grid, x, z);
    *nz = sample_grid(normal_z_grid, x, z);
}

void sea::shift_origin(float dx, float dz) {
    pattern_offset_x = std::fmod(pattern_offset_x + dx, patch_size);
    pattern_offset_z = std::fmod(pattern_offset_z + dz, patch_size);
    refresh_mesh();
}
