#include <gtest/gtest.h>

#include <cmath>

#include "core/app_state.h"
#include "core/recording_services.h"
#include "platform/program_rand.h"
#include "platform/text.h"
#include "simulation/aero_config.h"
#include "simulation/missile.h"
#include "simulation/missile_owner.h"
#include "simulation/rocket_motor.h"
#include "simulation/seeker.h"
#include "simulation/warhead.h"
#include "tests/simulation/parts_fixture.h"

namespace {

// A system as far as its missiles see it: a barrel to steer in and a list to leave.
struct test_owner : missile_owner {
    frame barrel;
    int removals = 0;
    void remove_missile(missile*) override { ++removals; }
    frame* launcher_barrel() override { return &barrel; }
};

// A target flying a straight line at constant speed, its nose along its velocity.
void set_target(frame& t, const vec3& position, const vec3& velocity) {
    t.set_position(position.x, position.y, position.z);
    t.set_rotation(std::atan2(velocity.x, velocity.z),
                   -std::atan2(velocity.y, std::sqrt(velocity.x * velocity.x + velocity.z * velocity.z)), 0.0f);
    t.set_velocity(0.0f, 0.0f, length(velocity));  // the linear motion runs in its own axes
}

bool finite(const vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

struct geometry {
    vec3 position;
    vec3 velocity;
};

// Targets that come toward the launch site: head-on, oblique, low and descending.
const geometry k_targets[] = {
    {{0, 2000, 5000}, {0, 0, -215}},
    {{1000, 1500, 4000}, {-100, -20, -200}},
    {{500, 1000, 3000}, {-50, 0, -215}},
    {{0, 3000, 4000}, {0, -50, -250}},
};

}  // namespace

class Missile : public parts_test {
protected:
    void SetUp() override {
        parts_test::SetUp();
        fs_make_folder("motors");
        g_state = &state_;
        install_scene_services(&services_);
        program_srand(1);
        app_.use_verbose = 1;
    }
    void TearDown() override {
        install_scene_services(nullptr);
        g_state = nullptr;
        parts_test::TearDown();
    }

    // Assembles the default missile at the launch site (10 m up), pointing at the target.
    void prepare(missile& m, frame& target, missile_owner* owner) {
        m.assemble(owner);
        m.set_position(0.0f, 10.0f, 0.0f);
        m.look_at(&target);
        m.target = &target;
    }

    // Ticks of dt until the missile is dead (or the tick limit); the target moves first, as
    // the scene's root updates it before the missile.
    int fly(missile& m, frame& target, float dt, int limit = 100000) {
        state_.dt = dt;
        int ticks = 0;
        while (!m.dead && ticks < limit) {
            state_.now += static_cast<std::uint32_t>(dt * 1000.0f);
            target.update();
            m.update();
            ++ticks;
        }
        return ticks;
    }

    void set_law(missile& m, int law) {
        seeker& s = *m.seeker_part;
        s.terminal_phase = (law == LAW_DOG_CHASE || law == LAW_PROPORTIONAL) ? 1 : 0;
        s.terminal_type = law - 1;
        s.detection_range = 100000.0f;
        s.midcourse_phase = (law == LAW_INTERCEPT_POINT || law == LAW_LINE_OF_SIGHT) ? 1 : 0;
        s.midcourse_type = law - 3;
    }

    // The default missile launched under a law from a barrel 10 m up at a target climbing
    // obliquely towards it from 4.4 km.
    void launch_at_oblique_target(missile& m, frame& target, test_owner& owner, int law) {
        set_target(target, {1000, 1500, 4000}, {-100, -20, -200});
        owner.barrel.set_position(0.0f, 10.0f, 0.0f);
        owner.barrel.look_at(&target);
        prepare(m, target, &owner);
        set_law(m, law);
        m.launch();
    }

    app_state state_;
    recording_scene_services services_;
};

TEST_F(Missile, LayoutAndMassBudget) {
    missile m;
    m.assemble(nullptr);
    ASSERT_NE(m.aero, nullptr);
    ASSERT_NE(m.motor, nullptr);
    EXPECT_EQ(m.aero->parent, &m);
    EXPECT_EQ(m.motor->parent, &m);
    // The airframe filled at 2 g/cm³: 12.5 cm across, 180 cm long.
    const double launch = 2.0 * 3.14159265 / 4.0 * 12.5 * 12.5 * 180.0 / 1000.0;
    EXPECT_NEAR(m.launch_mass, launch, 1e-3);
    EXPECT_NEAR(m.dry_mass, launch - m.motor->propellant_total, 1e-3);
    EXPECT_NEAR(m.required_diameter, 12.0f + 0.5f, 1e-4);  // the warhead is the widest part
    // 25 cm of warhead, 101 cm of motor and 40 cm of seeker fit the 180 cm airframe.
    EXPECT_NEAR(m.required_length, 25.0f + 101.0f + 40.0f, 1e-3);
    EXPECT_TRUE(m.fits);
    // The motor sits at the tail: its end is the airframe's end.
    EXPECT_NEAR(m.motor->local_position().z, -(1.80f - 1.01f) / 2.0f, 1e-5);

    m.motor->chamber_length = 120.0f;
    m.motor->build_casing();
    m.layout_parts();
    EXPECT_FALSE(m.fits);
    m.fit_airframe();
    EXPECT_TRUE(m.fits);
    EXPECT_NEAR(m.aero->body_length, m.required_length, 0.01f * m.required_length);
    EXPECT_NEAR(m.dry_mass, m.launch_mass - m.motor->propellant_total, 1e-3);
}

TEST_F(Missile, MassAtLaunchAndBurnOut) {
    frame target;
    set_target(target, {0, 20000, 20000}, {0, 0, 0});
    missile m;
    prepare(m, target, nullptr);
    m.target = nullptr;
    m.launch();
    state_.dt = 0.001f;
    m.update();
    EXPECT_NEAR(m.mass, m.launch_mass, 1e-3f * m.launch_mass);
    fly(m, target, 0.02f);
    EXPECT_TRUE(m.motor->burnt_out);
    EXPECT_NEAR(m.mass, m.dry_mass, 1e-4f);
}

TEST_F(Missile, HomingAndInterceptPointLawsIntercept) {
    for (int law : {LAW_PROPORTIONAL, LAW_INTERCEPT_POINT}) {
        for (const geometry& g : k_targets) {
            state_.intercepts = 0;
            frame target;
            set_target(target, g.position, g.velocity);
            missile m;
            prepare(m, target, nullptr);
            set_law(m, law);
            m.launch();
            fly(m, target, 0.025f);
            EXPECT_TRUE(m.dead);
            EXPECT_LT(m.min_miss, 1.0f) << "law " << law << " target at z " << g.position.z;
            EXPECT_EQ(state_.intercepts, 1) << "law " << law << " target at z " << g.position.z;
            EXPECT_STREQ(state_.message, "Intercept Successful");
            EXPECT_LT(length(m.world_position() - target.world_position()), 100.0f);
        }
    }
}

// The command law rides the sight line from the launcher: it brings the missile to the target
// within the fuse's 100 m, but the ride, steered by the missile's distance from the line alone,
// swings about it by some tens of metres, more than the warhead's kill distance.
TEST_F(Missile, LineOfSightLawRidesTheSightLine) {
    for (const geometry& g : k_targets) {
        frame target;
        set_target(target, g.position, g.velocity);
        test_owner owner;
        owner.barrel.set_position(0.0f, 10.0f, 0.0f);
        owner.barrel.look_at(&target);
        missile m;
        prepare(m, target, &owner);
        set_law(m, LAW_LINE_OF_SIGHT);
        m.seeker_part->seeker_error = 0.0f;
        m.launch();
        fly(m, target, 0.016f);
        EXPECT_LT(m.min_miss, 60.0f) << "target at z " << g.position.z;

        // Without an owner there is no barrel to steer in: the missile flies its launch line.
        frame again;
        set_target(again, g.position, g.velocity);
        missile lost;
        prepare(lost, again, nullptr);
        set_law(lost, LAW_LINE_OF_SIGHT);
        lost.launch();
        fly(lost, again, 0.016f);
        EXPECT_GT(lost.min_miss, 100.0f);
    }
}

// The dog chase turns the velocity with the sight line, once over (N = 1).
TEST_F(Missile, DogChaseTurnsWithTheSightLine) {
    frame target;
    set_target(target, {0, 1000, 3000}, {-300, 0, 0});
    missile m;
    prepare(m, target, nullptr);
    set_law(m, LAW_DOG_CHASE);
    m.seeker_part->seeker_error = 0.0f;
    m.seeker_part->boost_phase = 0;
    m.launch();
    state_.dt = 0.02f;
    for (int i = 0; i < 50; ++i) m.update();  // 1 s: past 10 m of flight
    const vec3 before = normalize(m.velocity);
    const vec3 r = target.world_position() - m.world_position();
    const vec3 rate = cross(r, vec3{-300, 0, 0} - m.velocity) / length_sq(r);
    m.update();
    const float turned = std::acos(std::min(1.0f, dot(before, normalize(m.velocity))));
    // The turn of one step is the sight line's turn; gravity adds its share of the step.
    EXPECT_NEAR(turned, length(rate) * 0.02f, 0.2f * length(rate) * 0.02f + 9.81f * 0.02f / m.speed);
    EXPECT_GT(m.lateral_g, 0.0f);
}

// A missile flying straight and level under a target that passes 20 m over it: the fuse must
// see the 20 m of the vertical, not only the miss in the horizontal plane.
TEST_F(Missile, VerticalPassIsNotAKill) {
    for (float height : {20.0f, 2.0f}) {
        state_.intercepts = 0;
        state_.message[0] = '\0';
        frame target;
        set_target(target, {0.0f, 1000.0f + height, 90.0f}, {0.0f, 0.0f, -200.0f});
        missile m;
        m.assemble(nullptr);
        set_law(m, LAW_NONE);
        m.seeker_part->terminal_phase = 0;
        m.seeker_part->midcourse_phase = 0;
        m.set_position(0.0f, 1000.0f, 0.0f);
        m.launch();
        m.velocity = {0.0f, 0.0f, 400.0f};
        m.flight_time = 5.0f;
        m.target = &target;
        fly(m, target, 0.01f, 100);
        EXPECT_TRUE(m.dead);
        EXPECT_NEAR(m.min_miss, height, 0.5f);
        if (height > m.warhead_part->kill_distance) {
            EXPECT_EQ(state_.intercepts, 0);
            EXPECT_STREQ(state_.message, "");
        } else {
            EXPECT_EQ(state_.intercepts, 1);
        }
    }
}

TEST_F(Missile, EveryPositionStaysFiniteAtHighRates) {
    for (float rate : {64.0f, 1024.0f}) {
        for (int law : {LAW_DOG_CHASE, LAW_PROPORTIONAL, LAW_INTERCEPT_POINT, LAW_LINE_OF_SIGHT}) {
            frame target;
            test_owner owner;
            missile m;
            launch_at_oblique_target(m, target, owner, law);
            state_.dt = 0.1f * rate;
            for (int tick = 0; tick < 40; ++tick) {
                state_.now += 100;
                target.update();
                m.update();
                ASSERT_TRUE(finite(m.world_position())) << "rate " << rate << " law " << law;
                ASSERT_TRUE(finite(m.velocity));
                ASSERT_TRUE(finite(get_axis_z(m.world)));
                ASSERT_TRUE(std::isfinite(m.motor->chamber_pressure));
            }
            EXPECT_TRUE(m.dead);
            // It lies where it met the ground: at most one step of 0.1 s of flight below it.
            EXPECT_GE(m.world_position().y, -0.1f * 1000.0f);
        }
    }
}

TEST_F(Missile, SelfDestructOnTheGroundAndRemovalAfterTheSmoke) {
    frame target;
    set_target(target, {0, 20000, 20000}, {0, 0, 0});
    test_owner owner;
    missile m;
    prepare(m, target, &owner);
    m.target = nullptr;
    m.set_rotation(0.0f, 0.3f, 0.0f);  // nose 17 degrees down: it flies into the ground
    m.launch();
    fly(m, target, 0.02f);
    ASSERT_TRUE(m.dead);
    EXPECT_TRUE(m.motor->burnt_out);
    EXPECT_FALSE(m.motor->flight_sound);
    EXPECT_EQ(m.motor->sound_starts(MOTOR_SOUND_EXPLOSION), 1);
    ASSERT_EQ(services_.forgotten.size(), 1u);
    EXPECT_EQ(services_.forgotten[0], &m);
    // The missile explosion: a smoke and a fire line burst in the world at the missile.
    ASSERT_EQ(services_.bursts.size(), 2u);
    EXPECT_EQ(services_.bursts[0].kind, 1);
    EXPECT_EQ(services_.bursts[1].kind, 0);
    EXPECT_EQ(services_.bursts[0].shape, BURST_LINE);
    EXPECT_FLOAT_EQ(services_.bursts[0].length, m.warhead_part->LN * 0.01f);
    EXPECT_EQ(services_.bursts[0].parent, nullptr);

    // Dead for 3 s of clock, and only once its exhaust has died down, it leaves its owner.
    const std::uint32_t dead_at = state_.now;
    services_.settled = false;
    while (state_.now < dead_at + 4000) {
        state_.now += 20;
        m.update();
    }
    EXPECT_EQ(owner.removals, 0);
    services_.settled = true;
    state_.now = dead_at + 2980;
    m.update();
    EXPECT_EQ(owner.removals, 0);
    state_.now = dead_at + 3000;
    m.update();
    EXPECT_EQ(owner.removals, 1);
    EXPECT_TRUE(finite(m.world_position()));
}

TEST_F(Missile, NoGravityNoSteeringBeforeTenMetres) {
    frame target;
    set_target(target, {300, 1000, 3000}, {-300, 0, 0});
    missile m;
    prepare(m, target, nullptr);
    set_law(m, LAW_PROPORTIONAL);
    m.seeker_part->boost_phase = 0;
    m.launch();
    const vec3 along = normalize(m.velocity);
    state_.dt = 0.01f;
    m.update();
    m.update();
    ASSERT_LT(m.flight_time * m.speed, 10.0f);
    EXPECT_LT(length(cross(normalize(m.velocity), along)), 1e-5f);
    EXPECT_EQ(m.lateral_g, 0.0f);
}

TEST_F(Missile, AirDataFollowsTheStandardAtmosphere) {
    // Standard atmosphere: 5000 m 255.65 K and 0.7364 kg/m³; 15,000 m 216.65 K and 0.1948.
    const struct {
        float altitude, temperature, density;
    } table[] = {{0.0f, 288.15f, 1.225f}, {5000.0f, 255.65f, 0.7364f}, {15000.0f, 216.65f, 0.1948f}};
    for (const auto& row : table) {
        frame target;
        set_target(target, {0, 20000, 20000}, {0, 0, 0});
        missile m;
        m.assemble(nullptr);
        m.set_position(0.0f, row.altitude + 10.0f, 0.0f);
        m.launch();
        state_.dt = 0.001f;
        m.update();
        EXPECT_NEAR(m.temperature, row.temperature, 0.01f * row.temperature);
        EXPECT_NEAR(m.density, row.density, 0.01f * row.density);
    }
    // Under the sea surface the missile is in water.
    services_.sea = 50.0f;
    missile wet;
    wet.assemble(nullptr);
    wet.set_position(0.0f, 20.0f, 0.0f);
    wet.launch();
    wet.update();
    EXPECT_TRUE(wet.dead);
    EXPECT_TRUE(wet.under_water);
}

TEST_F(Missile, TooSmallAnAirframeFliesOnAFlooredMass) {
    frame target;
    set_target(target, {0, 20000, 20000}, {0, 0, 0});
    missile m;
    prepare(m, target, nullptr);
    m.target = nullptr;
    m.aero->DC = 3.0f;
    m.aero->LC = 20.0f;
    m.layout_parts();
    ASSERT_LT(m.dry_mass, 0.0f);
    m.launch();
    fly(m, target, 0.02f, 2000);
    EXPECT_GE(m.mass, missile::k_min_mass);
    EXPECT_TRUE(finite(m.world_position()));
    EXPECT_TRUE(logged("floored at 0.1 kg"));
}

TEST_F(Missile, PathKeepsTheRecentFlight) {
    path_history path;
    for (std::uint32_t i = 1; i <= 825; ++i) path.sample(i * 101, {static_cast<float>(i), 0.0f, 0.0f});
    EXPECT_EQ(path.count, 825);
    path.sample(100000, {826.0f, 0.0f, 0.0f});
    EXPECT_EQ(path.count, 626);
    EXPECT_EQ(path.points[0].x, 201.0f);
    EXPECT_EQ(path.points[625].x, 826.0f);
    // Not before the next sample time.
    path.sample(100090, {0.0f, 0.0f, 0.0f});
    EXPECT_EQ(path.count, 626);

    // In flight: one point per 100 ms of clock, in absolute coordinates.
    frame target;
    set_target(target, {0, 20000, 20000}, {0, 0, 0});
    missile m;
    prepare(m, target, nullptr);
    m.target = nullptr;
    state_.origin_offset = {1000.0f, 0.0f, 0.0f};
    m.launch();
    state_.dt = 0.02f;
    for (int i = 0; i < 50; ++i) {
        state_.now += 20;
        m.update();
    }
    EXPECT_NEAR(m.path.count, 10, 1);
    EXPECT_NEAR(m.path.points[m.path.count - 1].x, 1000.0f + m.world_position().x, 1.0f);
}

TEST_F(Missile, FileRoundTrip) {
    missile m;
    m.assemble(nullptr);
    copy_text(m.motor->name, "Sprint");
    m.motor->charge_count = 1;
    m.motor->build_casing();
    copy_text(m.seeker_part->name, "Eye");
    m.layout_parts();
    m.seeker_part->terminal_type = 0;
    ASSERT_TRUE(m.save("Dart"));
    missile back;
    back.assemble(nullptr);
    ASSERT_TRUE(back.load("Dart"));
    EXPECT_STREQ(back.name, "Dart");
    EXPECT_STREQ(back.motor->name, "Sprint");
    EXPECT_EQ(back.motor->charge_count, 1);
    EXPECT_EQ(back.seeker_part->terminal_type, 0);
    EXPECT_NEAR(back.dry_mass, m.dry_mass, 1e-3);
    EXPECT_FALSE(back.load("Nowhere"));
    EXPECT_STREQ(back.name, "Dart");
}

// Part files with absurd sizes: each is bounded on reading with a line naming its file, and the
// missile laid out from them keeps finite masses and a finite motor position.
TEST_F(Missile, AbsurdPartFilesAreBoundedAndLogged) {
    tmp_.write("missiles/Huge.txt", "Missile system Definition File\n\nBig\t[config_name]\nBig\t[motor_name]\n"
                                    "Big\t[warhead_name]\n");
    tmp_.write("configs/Big.txt", "Aero Config Definition File\n\n1e20\t[DC]\n1e20\t[LC]\n1e20\t[CG]\n@\n");
    tmp_.write("warheads/Big.txt", "Warhead Definition File\n\n1e20\t[DC]\n1e20\t[LN]\n@\n");
    tmp_.write("motors/Big.txt", "Rocket Motor Definition File\n\n1e20\t[LEN]\n@\n");
    missile m;
    m.assemble(nullptr);
    ASSERT_TRUE(m.load("Huge"));
    EXPECT_EQ(m.aero->DC, aero_config::k_max_diameter);
    EXPECT_EQ(m.warhead_part->LN, warhead::k_max_length);
    EXPECT_EQ(m.motor->chamber_length, rocket_motor::k_max_length);
    EXPECT_TRUE(logged("configs\\Big.txt: [DC] 1e+20 bounded to 1000"));
    EXPECT_TRUE(logged("configs\\Big.txt: [LC] 1e+20 bounded to 10000"));
    EXPECT_TRUE(logged("warheads\\Big.txt: [LN] 1e+20 bounded to 10000"));
    EXPECT_TRUE(logged("motors\\Big.txt: [LEN] 1e+20 bounded to 10000"));
    for (float v : {m.launch_mass, m.dry_mass, m.warhead_part->explosive_mass, m.warhead_part->case_mass,
                    m.warhead_part->kill_distance, m.motor->propellant_total, m.motor->local_position().z}) {
        EXPECT_TRUE(std::isfinite(v)) << v;
    }

    // A thin airframe round a fat motor: more propellant than airframe is a design fault.
    EXPECT_FALSE(logged("outweigh"));
    missile slim;
    slim.assemble(nullptr);
    copy_text(slim.name, "Slim");
    slim.aero->DC = 2.0f;
    slim.aero->DS = 1.0f;
    slim.layout_parts();
    EXPECT_LT(slim.dry_mass, 0.0f);
    EXPECT_TRUE(logged("Missile Slim: its 9.61"));
    EXPECT_TRUE(logged("kg of propellant outweigh the 1.03"));
}

// A target dead ahead that flies down the sight line needs no turn: the missile holds its line
// exactly and nothing in the steering divides by the zero it needs.
TEST_F(Missile, TargetOnTheSightLineNeedsNoTurn) {
    for (int law : {LAW_DOG_CHASE, LAW_PROPORTIONAL}) {
        frame target;
        set_target(target, {0.0f, 1000.0f, 3000.0f}, {0.0f, 0.0f, -100.0f});
        missile m;
        m.assemble(nullptr);
        set_law(m, law);
        m.seeker_part->seeker_error = 0.0f;
        m.seeker_part->boost_phase = 0;
        m.set_position(0.0f, 1000.0f, 0.0f);
        m.launch();
        m.target = &target;
        m.velocity = {0.0f, 0.0f, 300.0f};
        m.flight_time = 5.0f;
        state_.dt = 0.02f;
        m.update();
        EXPECT_NEAR(m.velocity.x, 0.0f, 1e-4f);
        EXPECT_TRUE(finite(m.velocity));
        EXPECT_NEAR(m.lateral_g, 0.0f, 1e-5f);
    }
}

namespace {

// Where a flight stands after a number of ticks: position, velocity and nose.
struct flight_record {
    int ticks;
    double p[3], v[3], z[3];
};

// Recorded from the flight code before its steps were made faster, for the four laws in turn:
// after 160 ticks of 25 ms, after one more tick at rate 64, and after the flight ended and the
// missile fell for 40 ticks (with the ticks the flight took to end).
const flight_record k_recorded_flights[] = {
    {160, {177.31498718261719, 186.02481079101562, 776.0501708984375}, {64.333503723144531, 67.947509765625, 306.56173706054688}, {0.20452749729156494, 0.20784416794776917, 0.95654028654098511}},
    {1, {269.37786865234375, 325.51275634765625, 1295.720703125}, {49.268119812011719, 105.79579162597656, 337.89923095703125}, {0.14228762686252594, 0.29001310467720032, 0.94638609886169434}},
    {476, {-733.183349609375, 3406.583984375, 3282.379638671875}, {-69.256179809570312, 133.74798583984375, 68.456886291503906}, {-0.46451416611671448, -0.43954887986183167, -0.76878035068511963}},
    {160, {141.150390625, 241.05160522460938, 766.70831298828125}, {42.157512664794922, 116.4942626953125, 293.87313842773438}, {0.14251969754695892, 0.34646382927894592, 0.9271736741065979}},
    {1, {173.955322265625, 495.08035278320312, 1242.945068359375}, {4.0579390525817871, 185.87190246582031, 300.92208862304688}, {0.016861643642187119, 0.5203137993812561, 0.85380864143371582}},
    {136, {85.094551086425781, 1527.01513671875, 2406.50244140625}, {-11.845026969909668, 154.22305297851562, 157.61724853515625}, {-0.74577480554580688, -0.092203177511692047, -0.6597864031791687}},
    {160, {141.150390625, 241.05160522460938, 766.70831298828125}, {42.157512664794922, 116.4942626953125, 293.87313842773438}, {0.14251969754695892, 0.34646382927894592, 0.9271736741065979}},
    {1, {173.955322265625, 495.08035278320312, 1242.945068359375}, {4.0579390525817871, 185.87190246582031, 300.92208862304688}, {0.016861643642187119, 0.5203137993812561, 0.85380864143371582}},
    {136, {85.094551086425781, 1527.01513671875, 2406.50244140625}, {-11.845026969909668, 154.22305297851562, 157.61724853515625}, {-0.74577480554580688, -0.092203177511692047, -0.6597864031791687}},
    {160, {143.16365051269531, 352.33416748046875, 713.19134521484375}, {33.860336303710938, 143.90632629394531, 278.83209228515625}, {0.12207745015621185, 0.4960319995880127, 0.85967981815338135}},
    {1, {187.25015258789062, 578.514892578125, 1196.396484375}, {87.755569458007812, 151.17971801757812, 305.84561157226562}, {0.22209703922271729, 0.42045220732688904, 0.8797118067741394}},
    {137, {5.9194173812866211, 1477.112548828125, 2440.294921875}, {-41.869327545166016, 132.57568359375, 172.69154357910156}, {0.74201041460037231, -0.66200625896453857, 0.10568161308765411}},
};

void expect_record(const flight_record& want, const missile& m, int ticks, int index) {
    const vec3 p = m.world_position(), v = m.velocity, z = get_axis_z(m.world);
    const double got[3][3] = {{p.x, p.y, p.z}, {v.x, v.y, v.z}, {z.x, z.y, z.z}};
    const double* wanted[3] = {want.p, want.v, want.z};
    EXPECT_EQ(ticks, want.ticks) << "record " << index;
    for (int row = 0; row < 3; ++row) {
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(got[row][k], wanted[row][k]) << "record " << index << " row " << row << " axis " << k;
        }
    }
}

}  // namespace

// The flight's arithmetic is kept to the bit when its code is made faster: each guidance law
// flies an oblique target at 40 ticks a second, then a tick at rate 64 (16 steps) and the fall
// after the flight ends, and position, velocity and nose are compared with the values the
// straightforward code gave, to the bit.
TEST_F(Missile, FlightsRepeatTheRecordedStatesToTheBit) {
    int index = 0;
    for (int law : {LAW_DOG_CHASE, LAW_PROPORTIONAL, LAW_INTERCEPT_POINT, LAW_LINE_OF_SIGHT}) {
        program_srand(7);
        frame target;
        test_owner owner;
        missile m;
        launch_at_oblique_target(m, target, owner, law);
        const int first = fly(m, target, 0.025f, 160);
        expect_record(k_recorded_flights[index], m, first, index);
        ++index;
        state_.dt = 1.6f;
        target.update();
        m.update();
        expect_record(k_recorded_flights[index], m, 1, index);
        ++index;
        const int to_end = fly(m, target, 0.025f);
        for (int i = 0; i < 40; ++i) m.update();  // falling
        expect_record(k_recorded_flights[index], m, to_end, index);
        ++index;
    }
}
