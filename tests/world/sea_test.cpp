#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <memory>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "platform/program_rand.h"
#include "world/sea.h"

namespace {

class SeaTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_state = state_.get();
        g_app = app_.get();
        state_->wind_direction = 0.3f;
        state_->wind_speed = 8.0f;
        water_ = std::make_unique<sea>();
        water_->wave_height = 1.5f;
        water_->build_spectrum();
        water_->wave_time = 12.5f;
        water_->update_waves();
    }
    void TearDown() override {
        g_state = nullptr;
        g_app = nullptr;
    }
    std::unique_ptr<app_state> state_ = std::make_unique<app_state>();
    std::unique_ptr<d3d_app> app_ = std::make_unique<d3d_app>();
    std::unique_ptr<sea> water_;
};

// The height field the transform must give: the unnormalised inverse DFT of the half
// spectrum put into the transform (input row r, column k = ht[k][r], k = 0..32), with the
// columns k = 1..31 standing for their mirrors, then the (-1)^(r + c) of the centred
// spectrum. Only the real parts of columns 0 and 32 count.
double direct_height(const sea& s, int r, int c) {
    const double two_pi = 2.0 * std::acos(-1.0);
    double sum = 0.0;
    for (int k1 = 0; k1 < sea::N; ++k1) {
        for (int k2 = 0; k2 <= sea::N / 2; ++k2) {
            const std::complex<double> x(s.ht[k2][k1][0], s.ht[k2][k1][1]);
            const double angle = two_pi * (static_cast<double>(k1) * r + static_cast<double>(k2) * c) / sea::N;
            const double weight = k2 == 0 || k2 == sea::N / 2 ? 1.0 : 2.0;
            sum += weight * (x * std::polar(1.0, angle)).real();
        }
    }
    return (r + c) % 2 != 0 ? -sum : sum;
}

}  // namespace

TEST_F(SeaTest, SpectrumBuildLeavesKZeroEmpty) {
    EXPECT_EQ(water_->omega[32][32], 0.0f);
    EXPECT_EQ(water_->h0[32][32][0], 0.0);
    EXPECT_EQ(water_->h0[32][32][1], 0.0);
    // No waves run against the wind: the wind comes from 0.3 rad, so it blows toward 0.3 - pi.
    const float theta = 0.3f - 3.1415927f;
    EXPECT_EQ(water_->wave_spectrum(-std::sin(theta), -std::cos(theta)), 0.0f);
    EXPECT_GT(water_->wave_spectrum(std::sin(theta) * 0.5f, std::cos(theta) * 0.5f), 0.0f);
    // A small wave height still gives a 0.2 m cell; zero gives a flat but valid field.
    water_->wave_height = 0.0f;
    water_->build_spectrum();
    EXPECT_FLOAT_EQ(water_->cell_size, 0.2f);
    water_->update_waves();
    for (int r = 0; r < sea::N; ++r)
        for (int c = 0; c < sea::N; ++c) ASSERT_EQ(water_->height_grid[r][c], 0.0f);
}

TEST_F(SeaTest, TransformMatchesADirectDftOfTheHalfSpectrum) {
    double largest = 0.0;
    for (int r = 0; r < sea::N; ++r) {
        for (int c = 0; c < sea::N; ++c) {
            ASSERT_NEAR(water_->height[r][c], direct_height(*water_, r, c), 1e-9) << r << "," << c;
            largest = std::fmax(largest, std::fabs(water_->height[r][c]));
        }
    }
    EXPECT_GT(largest, 1e-4);  // there are waves to compare
    // The next frame transforms in the same arrays: what the last transform left in the
    // unwritten column must not leak into it.
    water_->wave_time = 13.0f;
    water_->update_waves();
    for (int r = 0; r < sea::N; ++r) {
        const int c = (r * 37) % sea::N;
        ASSERT_NEAR(water_->height[r][c], direct_height(*water_, r, c), 1e-9) << r << "," << c;
    }
}

TEST_F(SeaTest, HeightsAreFiniteAndRepeatEveryPatch) {
    state_->water_level = 3.0f;
    state_->origin_offset = vec3{0.0f, 1.0f, 0.0f};
    water_->pattern_offset_x = 7.0f;
    water_->pattern_offset_z = -2.5f;
    const float patch = water_->patch_size;
    for (float x = -40.0f; x < 40.0f; x += 3.7f) {
        for (float z = -40.0f; z < 40.0f; z += 4.3f) {
            float h = 0.0f;
            water_->surface_height(x, z, &h);
            ASSERT_TRUE(std::isfinite(h));
            for (int m : {-3, -1, 1, 2}) {
                float hm = 0.0f;
                water_->surface_height(x + m * patch, z - m * patch, &hm);
                ASSERT_NEAR(hm, h, 2e-4f) << x << "," << z << " m=" << m;
            }
        }
    }
    // At a grid point the height is the grid value (one cell further on) plus the level.
    float h = 0.0f;
    water_->surface_height(water_->pattern_offset_x, water_->pattern_offset_z, &h);
    EXPECT_NEAR(h, water_->height_grid[1][1] + 2.0f, 1e-5f);
    float nx, ny, nz;
    water_->surface_height_normal(1.0f, 2.0f, &h, &nx, &ny, &nz);
    EXPECT_TRUE(std::isfinite(nx) && std::isfinite(ny) && std::isfinite(nz));
    EXPECT_GT(ny, 0.9f);
}

TEST_F(SeaTest, FlatWaterWhileWavesAreNotShownAndNoDisplacementWithoutChoppiness) {
    state_->water_level = -4.0f;
    state_->origin_offset = vec3{100.0f, 3.0f, -50.0f};
    water_->waves_shown = 0;
    float h = 1.0f, nx = 1.0f, ny = 0.0f, nz = 1.0f;
    water_->surface_height(123.0f, -77.0f, &h);
    EXPECT_EQ(h, -7.0f);
    water_->surface_height_normal(5.0f, 6.0f, &h, &nx, &ny, &nz);
    EXPECT_EQ(h, -7.0f);
    EXPECT_EQ(ny, 1.0f);

    water_->choppiness = 0.0f;
    water_->update_waves();
    for (int r = 0; r < sea::N; ++r) {
        for (int c = 0; c < sea::N; ++c) {
            ASSERT_EQ(water_->disp_x[r][c], 0.0);
            ASSERT_EQ(water_->disp_z[r][c], 0.0);
        }
    }
}

TEST_F(SeaTest, ClockStopsWhilePausedAndOriginShiftKeepsTheRemainder) {
    state_->smoothed_step = 0.25f;
    water_->waves_shown = 0;
    const float before = water_->wave_time;
    water_->update();
    EXPECT_FLOAT_EQ(water_->wave_time, before + 0.25f);
    EXPECT_NEAR(state_->water_motion[0], std::sin(before + 0.25f) * std::cos(0.3f), 1e-5f);
    app_->paused = 1;
    water_->update();
    EXPECT_FLOAT_EQ(water_->wave_time, before + 0.25f);

    water_->pattern_offset_x = 0.0f;
    water_->shift_origin(-1000.0f, 250.0f);  // patch 96 m
    EXPECT_NEAR(water_->pattern_offset_x, std::fmod(-1000.0f, 96.0f), 1e-4f);
    EXPECT_LT(water_->pattern_offset_x, 0.0f);
    EXPECT_NEAR(water_->pattern_offset_z, std::fmod(250.0f, 96.0f), 1e-4f);
}

// Transform column 32 holds the waves running straight along the wind (kx = 0 after the
// centring shift): it is filled, and the field is rougher for it.
TEST_F(SeaTest, DownwindColumnCarriesWaves) {
    double column = 0.0;
    for (int r = 0; r < sea::N; ++r) column += std::fabs(water_->ht[sea::N / 2][r][0]);
    EXPECT_GT(column, 0.0);
    double with = 0.0, without = 0.0;
    const double two_pi = 2.0 * std::acos(-1.0);
    for (int r = 0; r < sea::N; ++r) {
        for (int c = 0; c < sea::N; ++c) {
            const double h = water_->height[r][c];
            // The column's own share of this point, as the direct sum gives it.
            double share = 0.0;
            for (int k1 = 0; k1 < sea::N; ++k1) {
                const std::complex<double> x(water_->ht[sea::N / 2][k1][0], water_->ht[sea::N / 2][k1][1]);
                share += (x * std::polar(1.0, two_pi * (k1 * r + 32.0 * c) / sea::N)).real();
            }
            const double rest = h - ((r + c) % 2 != 0 ? -share : share);
            with += h * h;
            without += rest * rest;
        }
    }
    with = std::sqrt(with / (sea::N * sea::N));
    without = std::sqrt(without / (sea::N * sea::N));
    RecordProperty("rms_with_column", std::to_string(with));
    RecordProperty("rms_without_column", std::to_string(without));
    EXPECT_GT(with, without);
}
