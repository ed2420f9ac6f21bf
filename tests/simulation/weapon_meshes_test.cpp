// The warhead's preview meshes and the airframe and warhead drawn in the scene.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/device_calls.h"
#include "core/recording_services.h"
#include "platform/recording_device.h"
#include "simulation/aero_config.h"
#include "simulation/surface_normals.h"
#include "simulation/warhead.h"

namespace {

void expect_unit_finite(const std::vector<warhead_vertex>& list) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        const vec3& n = list[i].normal;
        ASSERT_TRUE(std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z)) << "vertex " << i;
        ASSERT_NEAR(length(n), 1.0f, 1e-4f) << "vertex " << i;
    }
}

// Every pair compared, in list order: the smoothing as first written.
void smooth_pairwise(std::vector<warhead_vertex>& v, std::size_t first, std::size_t end) {
    for (std::size_t i = first; i < end; ++i) {
        vec3 sum = v[i].normal;
        for (std::size_t j = first; j < end; ++j) {
            const vec3& a = v[i].position;
            const vec3& b = v[j].position;
            if (a.x == b.x && a.y == b.y && a.z == b.z) sum += v[j].normal;
        }
        const float len = length(sum);
        if (len > 1e-12f && std::isfinite(len)) v[i].normal = sum / len;
    }
}

class WeaponDrawing : public ::testing::Test {
protected:
    void SetUp() override {
        present_params params;
        params.back_buffer_width = 800;
        params.back_buffer_height = 600;
        device_ = std::make_unique<recording_device>(params);
        use_device(device_.get());
        g_app = &app_;
        g_state = &state_;
    }
    void TearDown() override {
        g_state = nullptr;
        g_app = nullptr;
        use_device(nullptr);
    }
    std::unique_ptr<recording_device> device_;
    d3d_app app_;
    app_state state_;
};

}  // namespace

TEST(WarheadMeshes, TheDefaultWarheadHasItsBodyAndDraws144FragmentLines) {
    warhead w;
    ASSERT_EQ(w.body_vertices.size(), 8u * 108u);
    expect_unit_finite(w.body_vertices);
    // 144.5 fragments: 6 rings of 24.
    expect_unit_finite(w.guidance_vertices);
    expect_unit_finite(w.seeker_vertices);
    // The front face is explosive and faces forward; the case's box follows the dimensions.
    EXPECT_EQ(w.body_vertices[0].colour, 0xFFFF8000u);
    EXPECT_LT(w.body_vertices[0].normal.z, -0.99f);
    EXPECT_FLOAT_EQ(w.base_box.max.z, w.LN / 2.0f);
    EXPECT_FLOAT_EQ(w.radius, w.LN / 2.0f);
    // The first line of ring 0 leaves the front rim at the first fragment angle.
    const vec3& p = w.fragment_vertices[0].position;
    EXPECT_NEAR(std::atan2(p.y, p.x), std::remainder(w.fragment_angles[0], 2.0f * k_pi), 1e-4f);
    EXPECT_NEAR(std::hypot(p.x, p.y), w.DS / 2.0f, 1e-4f);
}

TEST_F(WeaponDrawing, TheAirframeDrawsBodyCapAndFourTurnsOfEachWingSetOutsidePass2) {
    aero_config c;
    c.build_body(true);
    for (int s = 0; s < c.NW; ++s) c.build_wing_set(s, true);
    c.render();
    ASSERT_EQ(device_->draws().size(), 2u + 4u * static_cast<std::size_t>(c.NW));
    EXPECT_EQ(device_->draws()[0].primitive_count, (972 - 324) / 3);
    EXPECT_EQ(device_->draws()[1].primitive_count, 108);
    EXPECT_EQ(device_->draws()[2].primitive_count, 16);
    EXPECT_EQ(device_->draws()[0].stride, 32);
    EXPECT_FLOAT_EQ(device_->draws()[1].state.material.diffuse.a, 0.6f);
    // The stages and lighting states are put back.
    EXPECT_EQ(device_->texture_stage_state(1, TSS_COLOROP), static_cast<std::uint32_t>(TOP_DISABLE));
    EXPECT_EQ(device_->render_state(RS_SPECULARENABLE), 0u);

    device_->clear_records();
    state_.render_pass = 2;
    c.render();
    EXPECT_TRUE(device_->draws().empty());
}

TEST_F(WeaponDrawing, TheWarheadDrawsItsBodyThenTheCaseAsWireframe) {
    warhead w;
    w.render();
    ASSERT_EQ(device_->draws().size(), 2u);
    EXPECT_EQ(device_->draws()[0].primitive_count, 288);
    EXPECT_EQ(device_->draws()[0].stride, 28);
    EXPECT_EQ(device_->draws()[1].primitive_count, 216);
    EXPECT_EQ(device_->draws()[1].state.render[RS_FILLMODE], static_cast<std::uint32_t>(FILL_WIREFRAME));
    EXPECT_NE(device_->render_state(RS_FILLMODE), static_cast<std::uint32_t>(FILL_WIREFRAME));

    device_->clear_records();
    w.draw(0.0f, 0.0f, 0.0f, 0.0f, 2.0f, true);
    ASSERT_EQ(device_->draws().size(), 2u);
    EXPECT_EQ(device_->draws()[1].type, static_cast<std::uint32_t>(PT_LINELIST));
    EXPECT_EQ(device_->draws()[1].primitive_count, 144);

    // The design views' body, guidance section and seeker head are metal: the environment
    // map on stage 1 by the camera-space reflection vector, as the airframe's; the fragment
    // lines are not, and the stages are put back after each.
    w.draw_guidance_section(0.5f, 0.5f, 0.5f);
    w.draw_seeker_head(0.25f, 0.5f, 0.0f);
    ASSERT_EQ(device_->draws().size(), 4u);
    for (std::size_t i : {0u, 2u, 3u}) {
        const device_state& st = device_->draws()[i].state;
        EXPECT_EQ(st.stage[1][TSS_COLOROP], static_cast<std::uint32_t>(TOP_BLENDFACTORALPHA)) << i;
        EXPECT_EQ(st.stage[1][TSS_TEXCOORDINDEX], static_cast<std::uint32_t>(TCI_CAMERASPACEREFLECTIONVECTOR)) << i;
        EXPECT_EQ(st.render[RS_SPECULARENABLE], 1u) << i;
    }
    EXPECT_EQ(device_->draws()[1].state.stage[1][TSS_COLOROP], static_cast<std::uint32_t>(TOP_DISABLE));
    // Body by vertex colour, the sections in the colour asked for.
    EXPECT_EQ(device_->draws()[0].state.render[RS_DIFFUSEMATERIALSOURCE], static_cast<std::uint32_t>(MCS_COLOR1));
    EXPECT_EQ(device_->draws()[3].state.render[RS_DIFFUSEMATERIALSOURCE], static_cast<std::uint32_t>(MCS_MATERIAL));
    EXPECT_FLOAT_EQ(device_->draws()[3].state.material.diffuse.g, 0.5f);
    EXPECT_EQ(device_->texture_stage_state(1, TSS_COLOROP), static_cast<std::uint32_t>(TOP_DISABLE));
    EXPECT_EQ(device_->render_state(RS_SPECULARENABLE), 0u);
    EXPECT_EQ(device_->texture(1), nullptr);
}

TEST_F(WeaponDrawing, TheBodyPreviewMarksTheCgAloneUntilTheTablesAreComputed) {
    recording_scene_services marks;
    install_scene_services(&marks);
    aero_config c;
    c.build_body(true);
    const mat4 view = mat_translation(1.0f, 2.0f, 3.0f);
    device_->set_transform(TS_VIEW, view);
    c.draw_body(0.1f, 0.2f, 0.0f, 0.0f, 3.0f, true, true);
    ASSERT_EQ(device_->draws().size(), 2u);
    EXPECT_FLOAT_EQ(device_->draws()[0].state.material.diffuse.a, 0.75f);  // see-through body
    EXPECT_FLOAT_EQ(device_->draws()[1].state.material.diffuse.a, 0.8f);
    ASSERT_EQ(marks.marks.size(), 1u);
    EXPECT_EQ(marks.marks[0].colour, 0xFFFF0000u);
    EXPECT_FLOAT_EQ(marks.marks[0].at.z, c.CG - c.body_length / 2.0f);
    // The caller's view comes back.
    EXPECT_FLOAT_EQ(device_->transform(TS_VIEW).m[3][2], 3.0f);
    install_scene_services(nullptr);
}

// Shared positions (a signed zero among them, a NaN that matches nothing, opposite normals)
// smoothed by sorting give the pairwise normals to the bit, outside the range untouched.
TEST(SmoothSharedNormals, SameBitsAsEveryPairCompared) {
    std::vector<warhead_vertex> v(200);
    unsigned seed = 7;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<float>((seed >> 16) % 1000) / 997.0f - 0.5f;
    };
    for (std::size_t i = 0; i < v.size(); ++i) {
        v[i].position = vec3{static_cast<float>(i % 7), static_cast<float>(i % 3), (i % 5 == 0) ? 0.0f : 1.0f};
        v[i].normal = normalize(vec3{next(), next(), next() + 1.0f});
    }
    v[10].position = vec3{0.0f, 0.0f, -0.0f};  // the same point as +0
    v[11].position = vec3{std::numeric_limits<float>::quiet_NaN(), 0.0f, 0.0f};
    v[12].position = vec3{9.0f, 9.0f, 9.0f};
    v[13].position = v[12].position;
    v[12].normal = vec3{0.0f, 1.0f, 0.0f};
    v[13].normal = vec3{0.0f, -1.0f, 0.0f};
    std::vector<warhead_vertex> expected = v;
    smooth_pairwise(expected, 5, 190);
    smooth_shared_normals(v, 5, 190);
    for (std::size_t i = 0; i < v.size(); ++i) {
        ASSERT_EQ(std::memcmp(&v[i].normal, &expected[i].normal, sizeof(vec3)), 0) << "vertex " << i;
    }
}
