// The missile system: its models, firing, the decision clock, reloads and the missile cap.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "core/hierarchy.h"
#include "core/mesh.h"
#include "simulation/aero_config.h"
#include "simulation/definition_texts.h"
#include "simulation/missile.h"
#include "simulation/rocket_motor.h"
#include "simulation/seeker.h"
#include "simulation/warhead.h"
#include "simulation/missile_system.h"
#include "tests/simulation/weapons_fixture.h"

namespace {

class MissileSystem : public weapons_test {
protected:
    void SetUp() override {
        weapons_test::SetUp();
        system_ = tables_.add_system("New Missile", 0.0f, 0.0f, 0.0f, 0.0f);
        ASSERT_NE(system_, nullptr);
        ASSERT_NE(system_->launch_unit->barrel, nullptr);
    }
    // Rockets hanging still 1.5 km north, inside the launch range and the defended area.
    void hang_rockets(int n) {
        for (int i = 0; i < n; ++i) listed_rocket({10.0f * static_cast<float>(i), 800.0f, 1500.0f}, {});
    }
    // Runs the system alone (its missiles stay where they were fired) for the simulated time.
    void run(float seconds) {
        state_.dt = 0.1f;
        for (float t = 0.0f; t < seconds; t += 0.1f) system_->update();
    }
    missile_system* system_ = nullptr;
};

TEST_F(MissileSystem, ModelsStandAroundThePostAndAnglesAreBounded) {
    EXPECT_EQ(world_.objects_root()->child_count(), 3);
    EXPECT_NE(system_->control->radar_barrel, nullptr);
    EXPECT_GT(length(system_->launch_unit->model->world_position() - system_->position()), 49.0f);
    launcher& l = *system_->launch_unit;
    l.elevation_angle = 95.0f;
    l.rotation_angle = -120.0f;
    l.apply_angles();
    EXPECT_EQ(l.elevation_angle, 90.0f);
    EXPECT_EQ(l.rotation_angle, -90.0f);
    // Slewing turns by at most 0.5 rad/s.
    l.apply_angles();
    EXPECT_TRUE(l.slew(0.0f, 0.0f, 0.1f));
    EXPECT_NEAR(get_axis_z(l.barrel->local).y, -std::sin(1.5707964f - 0.05f), 1e-3f);
    for (int i = 0; i < 100; ++i) l.slew(0.3f, 0.2f, 0.1f);
    EXPECT_FALSE(l.slew(0.3f, 0.2f, 0.1f));
}

namespace {

bool same_box(const frame* a, const frame* b) {
    return a != nullptr && b != nullptr && length(a->box.min - b->box.min) < 1e-4f &&
           length(a->box.max - b->box.max) < 1e-4f;
}

}  // namespace

// A loaded launcher or control unit stands as its file says: the models it names, the barrel
// at its elevation; a file that does not open changes nothing.
TEST_F(MissileSystem, LoadingALauncherOrAControlUnitLoadsTheModelsItNames) {
    launcher amraam;
    amraam.load_mesh("amraam");
    launcher l;
    l.elevation_angle = 50.0f;
    l.load_mesh("Rail");
    ASSERT_NE(amraam.barrel, nullptr);
    ASSERT_FALSE(same_box(l.barrel, amraam.barrel));  // the two models can be told apart
    ASSERT_TRUE(l.load("New Launcher"));
    EXPECT_STREQ(l.model_name, "amraam");
    EXPECT_TRUE(same_box(l.barrel, amraam.barrel));
    EXPECT_NEAR(get_axis_z(l.barrel->local).y, -std::sin(25.0f * 3.14159265f / 180.0f), 1e-4f);
    const frame* barrel = l.barrel;
    EXPECT_FALSE(l.load("Missing"));
    EXPECT_EQ(l.barrel, barrel);

    control_unit parabolic;
    parabolic.load_radar_mesh("Parabolic_Radar");
    parabolic.load_command_mesh("Tent");
    control_unit c;
    c.load_radar_mesh("Phased_Array");
    c.load_command_mesh("Shelter");
    ASSERT_FALSE(same_box(c.command_post, parabolic.command_post));
    ASSERT_TRUE(c.load("Sentinel MR"));
    EXPECT_STREQ(c.radar_name, "Parabolic_Radar");
    EXPECT_TRUE(same_box(c.radar_barrel, parabolic.radar_barrel));
    EXPECT_TRUE(same_box(c.command_post, parabolic.command_post));
}

TEST_F(MissileSystem, FiresOncePerSecondAlongTheBarrelAndReloadsAfterTheMagazine) {
    hang_rockets(24);
    system_->control->num_targets = 30;  // the magazine and the reload limit here, not the targets
    run(8.05f);
    EXPECT_EQ(state_.missiles_fired, 8);
    ASSERT_EQ(system_->missile_count, 8);
    // Each missile leaves along the barrel's -z and takes a rocket of its own.
    const vec3 out = normalize(get_axis_z(system_->missiles[0]->world));
    EXPECT_NEAR(dot(out, -normalize(get_axis_z(system_->launch_unit->barrel->world))), 1.0f, 1e-4f);
    EXPECT_GT(out.z, 0.5f) << "the system faces north";
    EXPECT_NE(system_->missiles[0]->target, system_->missiles[1]->target);
    // The ninth decision starts a 30 s reload, written and spoken once.
    run(1.0f);
    EXPECT_STREQ(state_.message, "System 1 Reloading In 30 Seconds");
    EXPECT_EQ(world_.spoken.size(), 1u);
    run(29.5f);
    EXPECT_EQ(state_.missiles_fired, 8);
    run(1.0f);
    EXPECT_EQ(state_.missiles_fired, 9);
    EXPECT_EQ(world_.spoken.size(), 1u);
}

TEST_F(MissileSystem, WaitsWhileAllTargetsAreEngagedAndNeverListsMoreThan24) {
    hang_rockets(24);
    system_->control->num_targets = 2;
    run(5.05f);
    EXPECT_EQ(state_.missiles_fired, 2);
    EXPECT_STREQ(state_.message, "System 1 Cannot Engage More Targets");
    system_->missiles[0]->dead = 1;  // a dead missile no longer counts as engaging
    run(1.0f);
    EXPECT_EQ(state_.missiles_fired, 3);

    system_->control->num_targets = 100;
    system_->launch_unit->num_missiles = 100;
    run(40.0f);
    EXPECT_EQ(system_->missile_count, missile_system::k_max_missiles);
    EXPECT_EQ(state_.missiles_fired, missile_system::k_max_missiles);
    EXPECT_EQ(system_->fire(), nullptr);
    EXPECT_EQ(system_->add_missile(), nullptr);
    // A finished missile leaves the list and makes room.
    missile* done = system_->missiles[3];
    system_->remove_missile(done);
    EXPECT_TRUE(done->remove_me);
    EXPECT_EQ(system_->missile_count, 23);
    system_->remove_missile(done);
    EXPECT_EQ(system_->missile_count, 23);
}

TEST_F(MissileSystem, AShotThatDidNotHappenRetargetsNoMissile) {
    hang_rockets(3);
    // A full list: every missile keeps its own target when the next decision finds a threat.
    system_->control->num_targets = 100;
    while (system_->missile_count < missile_system::k_max_missiles) system_->add_missile();
    for (int i = 0; i < system_->missile_count; ++i) system_->missiles[i]->dead = 1;
    missile* newest = system_->missiles[system_->missile_count - 1];
    newest->target = nullptr;
    run(3.0f);
    EXPECT_EQ(newest->target, nullptr);
    EXPECT_EQ(state_.missiles_fired, 0);
}

// A launcher model whose barrel is missing: the system stands but never fires.
TEST_F(MissileSystem, ALauncherModelWithoutABarrelNeverFires) {
    std::ifstream in(tmp_.path() + "/launchers/amraam/launcher.x");
    std::stringstream text;
    text << in.rdbuf();
    std::string model = text.str();
    for (std::size_t at = model.find("barrel"); at != std::string::npos; at = model.find("barrel"))
        model.replace(at, 6, "stock_");
    tmp_.write("launchers/amraam/launcher.x", model);
    missile_system* bare = tables_.add_system("New Missile", 5000.0f, 0.0f, 0.0f, 0.0f);
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(bare->launch_unit->barrel, nullptr);
    EXPECT_NE(bare->launch_unit->turret, nullptr);
    missile* old = bare->add_missile();
    rocket* engaged = listed_rocket({5000.0f, 800.0f, 1500.0f}, {});
    old->target = engaged;
    hang_rockets(2);
    listed_rocket({5000.0f, 800.0f, 1000.0f}, {});
    for (int i = 0; i < 30; ++i) bare->update();
    EXPECT_EQ(bare->fire(), nullptr);
    EXPECT_EQ(old->target, engaged);
    EXPECT_EQ(bare->missile_count, 1);
    EXPECT_EQ(state_.missiles_fired, 0);
}

TEST_F(MissileSystem, OutsideAScenarioOrTestTheSystemNeverFires) {
    hang_rockets(3);
    state_.scenario_mode = 0;
    run(5.0f);
    EXPECT_EQ(state_.missiles_fired, 0);
}

}  // namespace

namespace {

// The values each part file gives, and what the missile works out from them.
void expect_same_design(const missile& a, const missile& b) {
    EXPECT_STREQ(a.name, b.name);
    EXPECT_EQ(a.aero->DC, b.aero->DC);
    EXPECT_EQ(a.aero->body_length, b.aero->body_length);
    EXPECT_EQ(a.motor->throat_diameter, b.motor->throat_diameter);
    EXPECT_EQ(a.motor->charge_count, b.motor->charge_count);
    EXPECT_EQ(a.motor->propellant_total, b.motor->propellant_total);
    EXPECT_EQ(a.warhead_part->explosive_mass, b.warhead_part->explosive_mass);
    EXPECT_EQ(a.warhead_part->kill_distance, b.warhead_part->kill_distance);
    EXPECT_EQ(a.seeker_part->detection_range, b.seeker_part->detection_range);
    EXPECT_EQ(a.seeker_part->self_destruct, b.seeker_part->self_destruct);
    EXPECT_EQ(a.launch_mass, b.launch_mass);
    EXPECT_EQ(a.dry_mass, b.dry_mass);
}

}  // namespace

TEST_F(MissileSystem, AWaveReadsTheDesignFilesOnceAndBuildsTheMissilesTheyDescribe) {
    missile first, second, third, direct;
    for (missile* m : {&first, &second, &third, &direct}) m->assemble(nullptr);
    definition_texts wave;
    {
        const definition_texts::use reading(&wave);
        ASSERT_TRUE(first.load("New Missile"));
        EXPECT_EQ(wave.files_read(), 5);  // the missile file and its four parts
        ASSERT_TRUE(second.load("New Missile"));
        EXPECT_EQ(wave.files_read(), 5);
    }
    ASSERT_TRUE(direct.load("New Missile"));
    expect_same_design(first, direct);
    expect_same_design(second, direct);

    // A part saved during the wave is read again, the others are not.
    direct.motor->throat_diameter += 0.5f;
    ASSERT_TRUE(direct.motor->save(direct.motor->name));
    ASSERT_TRUE(direct.load("New Missile"));
    {
        const definition_texts::use reading(&wave);
        ASSERT_TRUE(third.load("New Missile"));
    }
    EXPECT_EQ(wave.files_read(), 6);
    expect_same_design(third, direct);
    EXPECT_NE(third.motor->throat_diameter, first.motor->throat_diameter);

    // The system's shots of one wave are the same missile.
    missile* a = system_->fire();
    missile* b = system_->fire();
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    expect_same_design(*a, direct);
    expect_same_design(*b, direct);
}

