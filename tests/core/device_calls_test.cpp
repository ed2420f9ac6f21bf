#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "core/app_state.h"
#include "core/camera.h"
#include "core/device_calls.h"
#include "core/light.h"
#include "core/scene_services.h"
#include "platform/recording_device.h"

namespace {

// Records the selection mark and the device's lighting state at the moment it is drawn.
struct marking_scene : scene_services {
    int boxes = 0;
    std::uint32_t colour = 0;
    vec3 min, max;
    float altitude_offset = 0;
    std::uint32_t lighting_while_drawn = 1;
    float fog = 4600.0f;
    void draw_selection_box(const vec3& a, const vec3& b, float offset, std::uint32_t c) override {
        ++boxes;
        min = a;
        max = b;
        altitude_offset = offset;
        colour = c;
        lighting_while_drawn = current_device()->render_state(RS_LIGHTING);
    }
    float path_fog_distance(float) override { return fog; }
};

class DeviceCallsTest : public ::testing::Test {
protected:
    void SetUp() override {
        present_params params;
        params.back_buffer_width = 800;
        params.back_buffer_height = 600;
        device_ = std::make_unique<recording_device>(params);
        use_device(device_.get());
        state_ = std::make_unique<app_state>();
        g_state = state_.get();
        install_scene_services(&scene_);
        reset_light_pool();
    }
    void TearDown() override {
        install_scene_services(nullptr);
        use_device(nullptr);
        g_state = nullptr;
    }
    std::unique_ptr<recording_device> device_;
    std::unique_ptr<app_state> state_;
    marking_scene scene_;
};

bool same(const mat4& a, const mat4& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

TEST_F(DeviceCallsTest, LightIsEnabledAndUploadedWhenDrawn) {
    frame root;
    light* l = nullptr;
    ASSERT_EQ(create_light(&root, &l), S_OK);
    l->set_position(1, 2, 3);
    root.render();
    EXPECT_TRUE(device_->light_enabled(l->index));
    gfx_light uploaded;
    ASSERT_EQ(device_->get_light(l->index, &uploaded), S_OK);
    EXPECT_FLOAT_EQ(uploaded.position[2], 3.0f);
    EXPECT_FLOAT_EQ(uploaded.range, 1000.0f);
    l->active = 0;
    l->render();
    EXPECT_FALSE(device_->light_enabled(l->index));
    const int index = l->index;
    l->active = 1;
    l->render();
    root.clear_children();  // deleted: its device light goes off
    EXPECT_FALSE(device_->light_enabled(index));
}

TEST_F(DeviceCallsTest, CameraSetsViewAndProjectionFromTheViewport) {
    camera cam;
    cam.set_position(0, 50, 0);
    cam.update(0, 0);
    cam.set_view_projection(true);
    EXPECT_NEAR(cam.aspect, 800.0f / 600.0f, 1e-6f);
    EXPECT_TRUE(same(device_->transform(TS_VIEW), cam.inverse_world));
    EXPECT_TRUE(same(device_->transform(TS_PROJECTION), cam.projection));

    // The mirrored view for reflections: a point 10 m above the water is seen 10 m below.
    state_->above_water = 1;
    cam.set_view_projection(false);
    const vec3 seen = transform_coord({0, 10, 100}, device_->transform(TS_VIEW));
    const vec3 mirrored = transform_coord({0, -10, 100}, cam.inverse_world);
    EXPECT_NEAR(seen.y, mirrored.y, 1e-3f);
    EXPECT_NEAR(seen.z, mirrored.z, 1e-3f);
}

TEST_F(DeviceCallsTest, SelectedFrameDrawsItsMarkWithoutLighting) {
    frame f;
    f.set_position(5, 0, 0);
    f.box = {{-1, -1, -1}, {1, 3, 1}};
    f.yellow_box = 0;
    state_->origin_offset = {0, 120, 0};
    f.select();
    f.render();
    ASSERT_EQ(scene_.boxes, 1);
    EXPECT_EQ(scene_.colour, 0xFFFF0000u);
    EXPECT_FLOAT_EQ(scene_.max.y, 3.0f);
    EXPECT_FLOAT_EQ(scene_.altitude_offset, 120.0f);
    EXPECT_EQ(scene_.lighting_while_drawn, 0u);
    EXPECT_EQ(device_->render_state(RS_LIGHTING), 1u);  // back on afterwards
    EXPECT_TRUE(same(device_->transform(TS_WORLD), f.world));
    // Fog from the visibility along the sight line: 2.3 / 4600 m.
    EXPECT_NEAR(device_->render_state_f(RS_FOGDENSITY), 0.0005f, 1e-9f);

    // A mesh marks its base box, in yellow when asked.
    f.type = FRAME_MESH;
    f.base_box = {{-2, -2, -2}, {2, 2, 2}};
    f.yellow_box = 1;
    f.render();
    EXPECT_EQ(scene_.colour, 0xFFFFFF00u);
    EXPECT_FLOAT_EQ(scene_.max.y, 2.0f);
}
