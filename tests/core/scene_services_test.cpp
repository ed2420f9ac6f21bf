#include <gtest/gtest.h>

#include <cmath>

#include "core/app_state.h"
#include "core/frame.h"
#include "core/recording_services.h"
#include "core/scene_services.h"

namespace {

// A backend whose emitters are real frames, so the application state can keep them.
class emitting_services : public recording_scene_services {
public:
    frame* emit_column(const smoke_column& column) override {
        recording_scene_services::emit_column(column);
        return &emitter;
    }
    frame emitter;
};

class SceneServices : public ::testing::Test {
protected:
    void SetUp() override {
        g_state = &state_;
        install_scene_services(&services_);
    }
    void TearDown() override {
        install_scene_services(nullptr);
        g_state = nullptr;
    }
    app_state state_;
    emitting_services services_;
};

}  // namespace

TEST_F(SceneServices, ExplosionAboveTheSurfaceMakesSmokeAndFire) {
    frame rocket;
    rocket.set_position(10.0f, 100.0f, 20.0f);
    spawn_explosion(&rocket, 2.0f, true);
    ASSERT_EQ(services_.bursts.size(), 2u);
    const particle_burst& smoke = services_.bursts[0];
    EXPECT_EQ(smoke.kind, 1);
    EXPECT_EQ(smoke.shape, BURST_SPHERE);
    EXPECT_EQ(smoke.parent, nullptr);
    EXPECT_FLOAT_EQ(smoke.position.y, 100.0f);
    EXPECT_EQ(services_.bursts[1].kind, 0);  // and fire
}

TEST_F(SceneServices, ExplosionOnTheWaterOrUnderTheGroundMakesSpray) {
    // A rocket lying on the sea: the water level (less the origin's height) is above it.
    state_.water_level = 105.0f;
    state_.origin_offset = {0.0f, 100.0f, 0.0f};
    frame rocket;
    rocket.set_position(0.0f, 4.0f, 0.0f);
    spawn_explosion(&rocket, 1.0f, false);
    ASSERT_EQ(services_.bursts.size(), 2u);
    EXPECT_EQ(services_.bursts[0].kind, 2);
    EXPECT_EQ(services_.bursts[0].shape, BURST_PLUME);
    EXPECT_EQ(services_.bursts[0].parent, &rocket);  // not in the world: a child at its origin
    EXPECT_FLOAT_EQ(services_.bursts[0].position.y, 0.0f);
    EXPECT_EQ(services_.bursts[1].kind, 0);

    services_.bursts.clear();
    state_.water_level = 0.0f;
    services_.ground = 50.0f;
    rocket.set_position(0.0f, 40.0f, 0.0f);
    spawn_explosion(&rocket, 1.0f, true);
    EXPECT_EQ(services_.bursts[0].kind, 2);
}

TEST_F(SceneServices, MissileExplosionLiesAlongTheMissile) {
    frame missile;
    missile.set_rotation(0.5f, -0.25f, 0.0f);  // heading 0.5 rad, nose 0.25 rad up
    missile.set_position(1.0f, 2.0f, 3.0f);
    spawn_missile_explosion(0.3f, 0.1f, &missile, 1.5f, true);
    ASSERT_EQ(services_.bursts.size(), 2u);
    for (const particle_burst& b : services_.bursts) {
        EXPECT_EQ(b.shape, BURST_LINE);
        EXPECT_NEAR(b.heading, 0.5f, 1e-5);
        EXPECT_NEAR(b.pitch, -0.25f, 1e-5);
        EXPECT_NEAR(b.position.z, 3.0f, 1e-5);
    }
    EXPECT_EQ(services_.bursts[0].kind, 1);
    EXPECT_EQ(services_.bursts[1].kind, 0);
}

TEST_F(SceneServices, ImpactEffectsOfTheApplicationState) {
    state_.spawn_impact_smoke(1.0f, 2.0f, 3.0f, nullptr, 4.0f);
    ASSERT_EQ(services_.columns.size(), 1u);
    const smoke_column& c = services_.columns[0];
    EXPECT_EQ(c.fire, 1);
    EXPECT_EQ(c.hit_testable, 0);
    EXPECT_EQ(state_.current_object, &services_.emitter);

    state_.spawn_impact_spray(0.0f, 0.0f, 0.0f, nullptr, 10.0f);
    ASSERT_EQ(services_.bursts.size(), 1u);
    EXPECT_EQ(services_.bursts[0].kind, 2);
    EXPECT_EQ(state_.current_object, nullptr);  // the recording backend makes no emitter

    state_.spawn_white_smoke(0.0f, 0.0f, 0.0f, nullptr, 3.0f);
    EXPECT_EQ(services_.columns[1].fire, 0);
}

TEST_F(SceneServices, ObjectsStandOnTheGround) {
    services_.ground = 12.0f;
    frame* post = nullptr;
    ASSERT_TRUE(create_frame(nullptr, &post, "post"));
    post->box = {{-1.0f, -2.0f, -1.0f}, {1.0f, 3.0f, 1.0f}};
    post->set_position(5.0f, 100.0f, 5.0f);
    add_scene_object(post, true);
    EXPECT_EQ(post->parent, services_.objects_root());
    EXPECT_FLOAT_EQ(post->world_position().y, 14.0f);  // its box starts 2 m below its origin

    frame* spark = nullptr;
    ASSERT_TRUE(create_frame(nullptr, &spark, "spark"));
    spark->set_position(0.0f, 50.0f, 0.0f);
    add_scene_transp(spark, false);
    EXPECT_EQ(spark->parent, services_.transps_root());
    EXPECT_FLOAT_EQ(spark->world_position().y, 50.0f);
}

TEST_F(SceneServices, MarksAndCameraHandOversReachTheBackend) {
    draw_map_symbol(0.1f, 0.2f, 0.05f, 2, 0xFF00FF00u);
    ASSERT_EQ(services_.marks.size(), 1u);
    EXPECT_EQ(services_.marks[0].kind, 2);
    // Only a real change of object reaches the camera.
    frame body, debris;
    camera_replace_object(&body, &debris);
    camera_replace_object(&body, &body);
    camera_replace_object(nullptr, &debris);
    ASSERT_EQ(services_.replaced.size(), 1u);
    EXPECT_EQ(services_.replaced[0].second, &debris);
}

TEST_F(SceneServices, WithoutASceneNothingIsAddedOrMoved) {
    install_scene_services(nullptr);
    frame f;
    f.set_position(0.0f, 7.0f, 0.0f);
    add_scene_object(&f, true);
    EXPECT_EQ(f.parent, nullptr);
    EXPECT_FLOAT_EQ(f.world_position().y, 7.0f);
    vec3 p{1, 1, 1}, v{1, 1, 1};
    camera_relative_motion(nullptr, &p, &v);
    EXPECT_EQ(length(p), 0.0f);
    EXPECT_EQ(length(v), 0.0f);
    forget_camera_target(&f);
    // No land classes: every masked height is refused.
    float h = 0.0f;
    ground_height_masked(0.0f, 0.0f, 0xFFFFFFFFu, &h);
    EXPECT_EQ(h, k_no_masked_ground);
    EXPECT_FALSE(ground_class_near_view(0xFFFFFFFFu, 1.0e6f));
    // The default exhaust is a plain child at its place.
    exhaust_params params;
    params.kind = EXHAUST_PLUME;
    params.position = {0.0f, 0.0f, -0.5f};
    frame* plume = services().create_exhaust(&f, params);
    ASSERT_NE(plume, nullptr);
    EXPECT_EQ(plume->parent, &f);
    EXPECT_STREQ(plume->get_name(), "plume");
    EXPECT_FLOAT_EQ(plume->local_position().z, -0.5f);
    EXPECT_TRUE(services().exhaust_settled(plume));
}
