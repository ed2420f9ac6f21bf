// The motor and the missile draw through the graphics device: the casing in the scene and in
// the design views, the charges, and the flown path.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/device_calls.h"
#include "core/recording_services.h"
#include "platform/recording_device.h"
#include "simulation/missile.h"
#include "simulation/rocket_motor.h"

namespace {

bool same(const mat4& a, const mat4& b) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            if (std::abs(a.m[r][c] - b.m[r][c]) > 1e-5f) return false;
        }
    }
    return true;
}

class FlightDrawing : public ::testing::Test {
protected:
    void SetUp() override {
        present_params params;
        params.back_buffer_width = 800;
        params.back_buffer_height = 600;
        device_ = std::make_unique<recording_device>(params);
        use_device(device_.get());
        g_app = &app_;
        g_state = &state_;
        install_scene_services(&services_);
    }
    void TearDown() override {
        install_scene_services(nullptr);
        g_state = nullptr;
        g_app = nullptr;
        use_device(nullptr);
    }
    std::unique_ptr<recording_device> device_;
    d3d_app app_;
    app_state state_;
    recording_scene_services services_;
};

// Seven sections of 18 quads: 252 triangles of 32-byte vertices.
constexpr int k_casing_triangles = 7 * 18 * 2;

// An exhaust that notes the world matrix it is drawn at, and how often it is stepped.
class exhaust_probe : public frame {
public:
    void render() override { drawn_at.push_back(world); }
    void update() override { ++updates; }
    std::vector<mat4> drawn_at;
    int updates = 0;
};

// Services whose exhausts are probes, kept by kind.
class probing_services : public recording_scene_services {
public:
    frame* create_exhaust(frame* parent, const exhaust_params& params) override {
        exhaust_probe* p = nullptr;
        if (create_owned(parent, &p) != S_OK) return nullptr;
        p->set_position(params.position.x, params.position.y, params.position.z);
        (params.kind == EXHAUST_SMOKE ? smoke : flame) = p;
        return p;
    }
    exhaust_probe* flame = nullptr;
    exhaust_probe* smoke = nullptr;
};

vec3 place_of(const mat4& m) { return {m.m[3][0], m.m[3][1], m.m[3][2]}; }

}  // namespace

TEST_F(FlightDrawing, CasingInTheScene) {
    rocket_motor m;
    m.set_position(1.0f, 2.0f, 3.0f);
    m.render();
    ASSERT_EQ(device_->draws().size(), 1u);
    const draw_record& draw = device_->draws()[0];
    EXPECT_EQ(draw.type, static_cast<std::uint32_t>(PT_TRIANGLELIST));
    EXPECT_EQ(draw.primitive_count, k_casing_triangles);
    EXPECT_EQ(draw.stride, 32);
    EXPECT_EQ(draw.fvf, static_cast<std::uint32_t>(FVF_XYZ | FVF_NORMAL | FVF_TEX1));
    // Centimetres to metres, turned half round about y, then placed with the frame.
    const mat4 expected = mat_rotation_y(3.1415926f) * mat_scaling(0.01f, 0.01f, 0.01f) * m.world;
    EXPECT_TRUE(same(device_->transform(TS_WORLD), expected));

    device_->clear_records();
    state_.render_pass = 2;  // the second root pass leaves the casing out
    m.render();
    EXPECT_TRUE(device_->draws().empty());
}

TEST_F(FlightDrawing, DesignViewsPutTheTransformsBack) {
    rocket_motor m;
    const mat4 view = mat_translation(5.0f, 6.0f, 7.0f);
    const mat4 projection = mat_scaling(2.0f, 2.0f, 1.0f);
    const mat4 world = mat_rotation_x(0.3f);
    ASSERT_EQ(device_->set_transform(TS_VIEW, view), S_OK);
    ASSERT_EQ(device_->set_transform(TS_PROJECTION, projection), S_OK);
    ASSERT_EQ(device_->set_transform(TS_WORLD, world), S_OK);

    m.draw(0.2f, 0.4f, 0.0f, 0.0f, 3.0f, true);
    ASSERT_EQ(device_->draws().size(), 1u);
    EXPECT_EQ(device_->draws()[0].primitive_count, k_casing_triangles);
    EXPECT_FLOAT_EQ(device_->material().diffuse.a, 0.65f);
    EXPECT_TRUE(device_->light_enabled(0));
    EXPECT_TRUE(same(device_->transform(TS_VIEW), view));
    EXPECT_TRUE(same(device_->transform(TS_PROJECTION), projection));
    EXPECT_TRUE(same(device_->transform(TS_WORLD), world));

    // In the assembled missile the casing is drawn where its frame stands, as in the scene,
    // whatever the view's angles and distance.
    state_.assembled_view = 1;
    m.set_position(0.5f, -0.2f, 4.0f);
    device_->clear_records();
    m.draw(0.2f, 0.4f, 0.0f, 0.0f, 3.0f, false);
    ASSERT_EQ(device_->draws().size(), 1u);
    EXPECT_TRUE(same(device_->draws()[0].state.world[0],
                     mat_rotation_y(3.1415926f) * mat_scaling(0.01f, 0.01f, 0.01f) * m.world));
    EXPECT_TRUE(same(device_->transform(TS_WORLD), world));
    state_.assembled_view = 0;

    // A charge drawn while it still has propellant; none once it has burnt away.
    m.draw_charges(0, 0.0f, 0.0f, 0.0f, 0.0f, 3.0f, true);
    EXPECT_EQ(device_->draws().size(), 2u);
    EXPECT_FLOAT_EQ(device_->material().diffuse.a, 1.0f);
    m.burn_length[0] = 0.0f;
    m.build_charge(0);
    m.draw_charges(0, 0.0f, 0.0f, 0.0f, 0.0f, 3.0f, true);
    m.draw_charges(7, 0.0f, 0.0f, 0.0f, 0.0f, 3.0f, true);
    EXPECT_EQ(device_->draws().size(), 2u);
}

TEST_F(FlightDrawing, PathAsALineStripInAbsoluteCoordinates) {
    missile m;
    for (int i = 0; i < 10; ++i) m.path.sample(static_cast<std::uint32_t>(1 + i * 101), {0.0f, 0.0f, 10.0f * i});
    ASSERT_EQ(m.path.count, 10);
    state_.origin_offset = {1000.0f, 0.0f, 2000.0f};
    m.draw_path();
    ASSERT_EQ(device_->draws().size(), 1u);
    EXPECT_EQ(device_->draws()[0].type, static_cast<std::uint32_t>(PT_LINESTRIP));
    EXPECT_EQ(device_->draws()[0].primitive_count, 9);
    EXPECT_EQ(device_->draws()[0].stride, 12);
    EXPECT_TRUE(same(device_->transform(TS_WORLD), mat_translation(-1000.0f, 0.0f, -2000.0f)));
    EXPECT_EQ(device_->render_state(RS_LIGHTING), 1u);

    device_->clear_records();
    app_.use_path = 0;
    m.draw_path();
    EXPECT_TRUE(device_->draws().empty());
}

// Every triangle of the casing and of the grains winds clockwise seen from the side its normal
// faces, as the device's default culling expects of an outside.
TEST_F(FlightDrawing, TrianglesFaceOutward) {
    rocket_motor m;
    auto check = [](const std::vector<motor_vertex>& v, const char* what) {
        int checked = 0;
        for (std::size_t t = 0; t + 2 < v.size(); t += 3) {
            const vec3 face = cross(v[t + 1].position - v[t].position, v[t + 2].position - v[t].position);
            if (length(face) < 1e-6f) continue;  // the nose tip's collapsed quads
            EXPECT_GT(dot(face, v[t].normal), 0.0f) << what << " triangle " << t / 3;
            ++checked;
        }
        EXPECT_GT(checked, 0) << what;
    };
    check(m.casing_vertices(), "casing");
    check(m.charge_vertices(0), "slotted grain");  // a bore: its inside faces the axis
    check(m.charge_vertices(1), "cigar grain");
}

// On the stand the exhaust is drawn behind the nozzle while it burns (the casing in cm, nozzle
// toward +z; the exhaust in metres, toward -z), not before ignition nor while paused.
TEST_F(FlightDrawing, StaticFiringDrawsTheFlameAndSmokeBehindTheNozzle) {
    probing_services probes;
    install_scene_services(&probes);
    app_.menu_mode = 1;  // the design screens' motor: a smoke column, no trail
    {
        rocket_motor m;
        ASSERT_NE(probes.flame, nullptr);
        ASSERT_NE(probes.smoke, nullptr);
        m.draw(0.0f, 0.0f, 0.0f, 0.0f, 0.0f, false);
        EXPECT_TRUE(probes.flame->drawn_at.empty() && probes.smoke->drawn_at.empty());

        m.ignite();
        m.burn_step(0.01f);
        m.update_exhaust();
        EXPECT_EQ(probes.flame->updates + probes.smoke->updates, 2);
        const mat4 kept = probes.flame->world;
        m.draw(0.0f, 0.0f, 0.0f, 0.0f, 0.0f, false);
        ASSERT_EQ(probes.flame->drawn_at.size(), 1u);
        ASSERT_EQ(probes.smoke->drawn_at.size(), 1u);
        EXPECT_TRUE(same(probes.flame->world, kept));  // its own matrix is put back

        // The flame's head in the nozzle's exit cone (the last 1.5 exit diameters before the
        // tail at +overall_length / 2 cm).
        const float half = m.overall_length / 2.0f;
        const float s = probes.flame->local.m[0][0];  // the flame's width scale (m)
        ASSERT_GT(s, 0.0f);
        const mat4& flame_at = probes.flame->drawn_at[0];
        const vec3 head = place_of(flame_at);
        EXPECT_NEAR(head.x, 0.0f, 1e-3f);
        EXPECT_NEAR(head.y, 0.0f, 1e-3f);
        EXPECT_GT(head.z, half - 1.5f * m.exit_diameter);
        EXPECT_LT(head.z, half);
        // In cm, its tail (mesh z -4, 5 s a unit past the head's offset) away from the casing.
        EXPECT_NEAR(length(get_axis_x(flame_at)), 100.0f * s, 1e-3f);
        const vec3 tip = transform_point(0.0f, 0.0f, -4.0f, flame_at);
        EXPECT_NEAR(tip.z - head.z, 100.0f * 20.0f * s, 1e-2f);
        // The smoke half a size plus five length scales (5 s each) behind the flame's head.
        const vec3 smoke_at = place_of(probes.smoke->drawn_at[0]);
        EXPECT_NEAR(smoke_at.z - head.z, 100.0f * (0.5f + 25.0f) * s, 1e-2f);

        // Turned with the view: the flame stays behind the nozzle.
        m.draw(0.0f, 3.1415926f / 2.0f, 0.0f, 0.0f, 2.0f, false);
        const vec3 turned = place_of(probes.flame->drawn_at.back());
        EXPECT_NEAR(turned.x, head.z, 1e-2f);  // +z turned a quarter round about y is +x
        EXPECT_NEAR(turned.z, 2.0f * m.overall_length, 1e-2f);

        // Paused: no exhaust.
        m.pause();
        const std::size_t drawn = probes.flame->drawn_at.size();
        m.draw(0.0f, 0.0f, 0.0f, 0.0f, 0.0f, false);
        EXPECT_EQ(probes.flame->drawn_at.size(), drawn);
        m.resume();

        // The assembled missile: the flame where the scene draws it.
        state_.assembled_view = 1;
        m.set_position(0.5f, -0.2f, 4.0f);
        m.draw(0.0f, 0.0f, 0.0f, 0.0f, 0.0f, false);
        EXPECT_TRUE(same(probes.flame->drawn_at.back(), probes.flame->local * m.world));
        state_.assembled_view = 0;
    }
    app_.menu_mode = 0;
    install_scene_services(&services_);
}
