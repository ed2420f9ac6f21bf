#include <gtest/gtest.h>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/sound.h"
#include "tests/shell/audio_test_support.h"
#include "tests/support/temp_folder.h"

namespace {

class SoundFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_app = &app;
        g_state = &state;
        g_sound = &output;
        output.init_with(open_loopback_audio_device(k_test_rate));
        ASSERT_EQ(output.available, 1);
        tmp.write("sounds/water.wav", make_tone(1.0));
        state.camera_world = &camera;
    }
    void TearDown() override {
        frame* r = &root;
        r->clear_children();
        output.release();
        g_sound = nullptr;
        g_state = nullptr;
        g_app = nullptr;
    }
    sound* make(float x, float z, float radius = 1.0f) {
        sound* s = nullptr;
        EXPECT_EQ(create_sound(&root, &s), S_OK);
        EXPECT_TRUE(s->load("sounds\\water.wav"));
        s->radius = radius;
        s->set_position(x, 0.0f, z);
        return s;
    }

    temp_folder tmp;
    d3d_app app;
    app_state state;
    sound_system output;
    frame root;
    mat4 camera = mat_identity();
};

TEST_F(SoundFrameTest, PlaysWithinFifteenRadiiAndStopsBeyond) {
    sound* s = make(0.0f, 10.0f, 2.0f);
    s->camera_distance = 29.9f;
    s->update();
    EXPECT_TRUE(s->buffer_object()->playing());
    s->camera_distance = 30.0f;
    s->update();
    EXPECT_FALSE(s->buffer_object()->playing());
}

TEST_F(SoundFrameTest, FollowsTheFrameRelativeToTheCamera) {
    sound* s = make(8.0f, 0.0f, 4.0f);  // 8 m east of a camera looking north: on its right
    s->camera_distance = 8.0f;
    s->update();
    output.commit_listener();
    rendered r = render(output, 0.2);
    EXPECT_GT(rms(r.right, 0.1), 1.5 * rms(r.left, 0.1));

    // The camera turns round to look south: now the sound is on its left.
    camera = mat_identity();
    camera.m[0][0] = -1.0f;
    camera.m[2][2] = -1.0f;
    s->update();
    output.commit_listener();
    r = render(output, 0.2);
    EXPECT_GT(rms(r.left, 0.1), 1.5 * rms(r.right, 0.1));
}

TEST_F(SoundFrameTest, ChildrenAreNotUpdated) {
    sound* s = make(0.0f, 0.0f);
    frame* child = nullptr;
    ASSERT_TRUE(create_frame(s, &child, "child"));
    child->set_velocity(1.0f, 0.0f, 0.0f);
    child->move = 1;
    const vec3 before = child->local_position();
    s->update();
    EXPECT_FLOAT_EQ(child->local_position().x, before.x);
}

TEST_F(SoundFrameTest, PickingReportsTheCentreDistance) {
    sound* s = make(0.0f, 50.0f, 2.0f);
    s->update_matrices();
    frame* hit = nullptr;
    float value = 0.0f;
    state.nearest_hit = 1000000.0f;
    s->hit_test_ray(vec3{0.0f, 0.0f, 1.0f}, vec3{0.0f, 1.0f, 0.0f}, &hit, &value);
    EXPECT_EQ(hit, s);
    EXPECT_NEAR(value, std::sqrt(2501.0f), 1e-3f);  // the centre, not the sphere's surface
    EXPECT_NEAR(state.nearest_hit, value, 1e-3f);

    // A ray passing 3 m away misses a sphere of radius 2.
    hit = nullptr;
    state.nearest_hit = 1000000.0f;
    EXPECT_FALSE(s->hit_test_ray(vec3{0.0f, 0.0f, 1.0f}, vec3{3.0f, 0.0f, 0.0f}, &hit, &value));
    EXPECT_EQ(hit, nullptr);

    // A caller that wants neither the hit nor the distance may leave them out.
    EXPECT_FALSE(s->hit_test_ray(vec3{0.0f, 0.0f, 1.0f}, vec3{3.0f, 0.0f, 0.0f}, nullptr, nullptr));
    s->hit_test_ray(vec3{0.0f, 0.0f, 1.0f}, vec3{0.0f, 1.0f, 0.0f}, nullptr, nullptr);
    EXPECT_NEAR(state.nearest_hit, std::sqrt(2501.0f), 1e-3f);
}

TEST_F(SoundFrameTest, VolumeAndStopReachLoadedSoundsAndSkipFailedOnes) {
    sound* good = make(0.0f, 0.0f);
    sound* failed_load = nullptr;
    ASSERT_EQ(create_sound(&root, &failed_load), S_OK);
    EXPECT_FALSE(failed_load->load("sounds\\missing.wav"));
    EXPECT_NE(std::string(app.log_text()).find("Failed to load sounds\\missing.wav"),
              std::string::npos);
    good->camera_distance = 0.0f;
    good->update();
    failed_load->update();
    output.commit_listener();
    const double full = rms(render(output, 0.1).left, 0.05);
    output.volume_sounds = -2000;
    root.apply_volume();
    EXPECT_NEAR(rms(render(output, 0.1).left, 0.05) / full, 0.1, 0.005);
    root.stop_sounds();
    EXPECT_FALSE(good->buffer_object()->playing());
}

TEST(SoundFrameWithoutSound, StaysSilent) {
    temp_folder tmp;
    sound_system none;
    g_sound = &none;
    tmp.write("sounds/water.wav", make_tone(0.1));
    sound* s = nullptr;
    ASSERT_EQ(create_detached_sound(&s), S_OK);
    EXPECT_FALSE(s->load("sounds\\water.wav"));
    s->update();
    s->apply_volume();
    s->stop_sounds();
    EXPECT_EQ(destroy_sound(&s), S_OK);
    EXPECT_EQ(s, nullptr);
    g_sound = nullptr;
}

}  // namespace
