// Particle bursts, tracer shots and exhaust plumes: the fire colours against the intensity,
// the fade and removal on time (out of view too), gravity on spray, the plume's spacing behind
// a fast frame, its bounds and its refusal of a zero size, the tracer stream's length and its
// impacts, and what a burst hands the device.
#include <cmath>

#include "tests/world/effects_fixture.h"
#include "world/sprinkle.h"

namespace {

sprinkle* make(frame* parent, int kind, int count, float speed, float size) {
    sprinkle* s = nullptr;
    EXPECT_EQ(create_sprinkle(parent, &s), S_OK);
    s->count = count;
    s->speed = speed;
    s->size = size;
    EXPECT_TRUE(s->init("graphics\\smoke.dds", kind));
    return s;
}

TEST_F(EffectsTest, SprinkleBurstFadesOnTimeAndFreezesOutOfView) {
    frame root;
    sprinkle* s = make(&root, sprinkle::k_smoke, 300, 5.0f, 1.0f);
    s->emit_sphere_burst();
    EXPECT_FLOAT_EQ(s->intensity, 768.0f);
    // Every particle leaves at between one and two times the speed.
    for (int i = 0; i < sprinkle::k_burst_particles; ++i) {
        const float v = length(s->particle_velocity[static_cast<std::size_t>(i)]);
        EXPECT_GE(v, 5.0f * 0.999f);
        EXPECT_LE(v, 10.0f * 1.001f);
    }
    s->in_view = 0;
    const vec3 before = s->particle_position[7];
    // 768 x 0.98^n falls below 1 at n = 329.
    for (int tick = 1; tick <= 328; ++tick) root.update();
    ASSERT_EQ(root.child_count(), 1);
    EXPECT_FALSE(s->remove_me);
    EXPECT_EQ(s->count, 300);  // not cut while it is not drawn
    EXPECT_FLOAT_EQ(s->particle_position[7].x, before.x);
    root.update();
    EXPECT_TRUE(s->remove_me);
    root.update();
    EXPECT_EQ(root.child_count(), 0);
}

TEST_F(EffectsTest, SprinkleSprayFallsAndCountIsCutTo256) {
    frame root;
    sprinkle* s = make(&root, sprinkle::k_spray, 1000, 10.0f, 0.5f);
    s->emit_plume_burst();
    const float v0 = s->particle_velocity[3].y;
    EXPECT_GT(v0, 0.0f);  // plume bursts go upward
    s->update();
    EXPECT_EQ(s->count, 256);
    // The first tick gives every particle one of the four colours in turn.
    EXPECT_EQ(s->particle_colour[0] >> 24, 255u);
}

TEST_F(EffectsTest, SprinklePlumeSpreadsPuffsBehindAFastFrame) {
    frame carrier;
    sprinkle* s = make(&carrier, sprinkle::k_plume, 0, 1.0f, 2.0f);
    s->emit_speed = -30.0f;
    s->emitting = 1;
    // The frame flew 300 m/s over the last simulation step.
    s->last_motion = {0.0f, 0.0f, 300.0f * 0.02f};
    s->update();
    ASSERT_GT(s->count, 1);
    // e = -300: the puffs cover twice the distance flown, backward along z.
    EXPECT_NEAR(s->particle_velocity[0].z, -300.0f, 300.0f * 0.051f);
    // An origin shift moves the puffs with the world.
    const vec3 p = s->particle_position[0];
    state_->last_shift = {1000.0f, 0.0f, -1000.0f};
    s->shift_origin();
    EXPECT_FLOAT_EQ(s->particle_position[0].x, p.x - 1000.0f);
    EXPECT_FLOAT_EQ(s->particle_position[0].z, p.z + 1000.0f);
}

TEST_F(EffectsTest, SprinklePlumeStaysBoundedAndRefusesANoSizePlume) {
    frame carrier;
    sprinkle* s = make(&carrier, sprinkle::k_plume, 0, 1.0f, 0.0f);
    s->emitting = 1;
    s->last_motion = {0.0f, 0.0f, 10.0f};
    s->update();
    EXPECT_EQ(s->count, 0);  // a zero size would need endless puffs
    s->size = 1e-30f;
    s->update();
    EXPECT_EQ(s->count, sprinkle::k_max_particles);
    s->size = 1.0f;
    for (int i = 0; i < 50; ++i) s->update();
    EXPECT_LE(s->count, sprinkle::k_max_particles);
    for (int i = 0; i < s->count; ++i) {
        ASSERT_TRUE(std::isfinite(s->particle_position[static_cast<std::size_t>(i)].z));
    }
    // Without emission the faded puffs fall away from the end, out of view too (a spent
    // missile far from the camera waits for them), without moving there.
    s->emitting = 0;
    s->in_view = 0;
    set_steps(0.5f, 0.5f);
    const vec3 frozen = s->particle_position[3];
    s->update();
    EXPECT_FLOAT_EQ(s->particle_position[3].z, frozen.z);
    for (int i = 0; i < 40 && s->count > 0; ++i) s->update();
    EXPECT_EQ(s->count, 0);
    EXPECT_TRUE(s->settled());
}

TEST_F(EffectsTest, SprinkleTracerStreamKeeps63ShotsAndAnimatesImpacts) {
    frame gun;
    gun.set_position(0.0f, 10.0f, 0.0f);
    sprinkle* s = make(&gun, sprinkle::k_tracer, 0, 1.0f, 0.5f);
    s->emitting = 1;
    s->emit_speed = 100.0f;
    s->emit_interval = 100;
    set_steps(0.05f, 0.05f);
    for (int tick = 0; tick < 80; ++tick) {
        state_->now += 150;
        s->update();
    }
    EXPECT_EQ(s->count, sprinkle::k_max_shots);
    // Fired level from 10 m up, the older shots have dropped onto the ground and blast.
    EXPECT_EQ(s->state[0], 0);
    EXPECT_GE(s->state[static_cast<std::size_t>(s->count - 1)], 3);
    // A shot falling into the sea splashes instead.
    world_.sea = 5.0f;
    sprinkle* t = make(&gun, sprinkle::k_tracer, 0, 1.0f, 0.5f);
    t->emitting = 1;
    t->emit_speed = 100.0f;
    for (int tick = 0; tick < 30; ++tick) {
        state_->now += 150;
        t->update();
    }
    EXPECT_EQ(t->state[static_cast<std::size_t>(t->count - 1)], 1);
    // The animation runs 16 frames at 24 a second, then the shot is no longer drawn.
    device_->clear_records();
    s->render();
    const std::size_t with_old = device_->draws().size();
    EXPECT_GE(with_old, 1u);
    EXPECT_LT(with_old, static_cast<std::size_t>(s->count));  // spent impacts draw nothing
}

TEST_F(EffectsTest, SprinkleFireBurstDrawsAdditiveQuadsAndRestoresStates) {
    frame root;
    sprinkle* s = make(&root, sprinkle::k_fire, 255, 10.0f, 2.0f);
    s->emit_sphere_burst();
    s->update();
    device_->clear_records();
    s->render();
    ASSERT_EQ(device_->draws().size(), 1u);
    EXPECT_EQ(device_->state().render[RS_DESTBLEND], BLEND_INVSRCALPHA);
    EXPECT_EQ(device_->state().render[RS_LIGHTING], 1u);
    EXPECT_EQ(device_->state().render[RS_ZWRITEENABLE], 1u);
    // The shadow-map pass draws no particles.
    app_.shadow_pass = 1;
    device_->clear_records();
    s->render();
    EXPECT_TRUE(device_->draws().empty());
}

}  // namespace
