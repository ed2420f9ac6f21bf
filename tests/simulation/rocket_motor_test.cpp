#include <gtest/gtest.h>

#include <cmath>

#include "core/app_state.h"
#include "core/recording_services.h"
#include "simulation/rocket_motor.h"
#include "tests/shell/audio_test_support.h"
#include "tests/simulation/parts_fixture.h"

namespace {

// The supersonic Mach number of an area ratio, from the area-Mach relation, by bisection.
double mach_of_area_ratio(double ratio, double g) {
    auto area = [g](double m) {
        return std::pow(2.0 / (g + 1.0) * (1.0 + 0.5 * (g - 1.0) * m * m), (g + 1.0) / (2.0 * (g - 1.0))) / m;
    };
    double lo = 1.0, hi = 20.0;
    for (int i = 0; i < 200; ++i) {
        const double m = 0.5 * (lo + hi);
        (area(m) < ratio ? lo : hi) = m;
    }
    return 0.5 * (lo + hi);
}

struct burn_record {
    double burn_out_time = 0.0;  // s from ignition to burn-out
    double impulse = 0.0;        // N s
    bool finite = true;
};

// Fires the motor on the stand in ticks of dt until it burns out.
burn_record fire(rocket_motor& m, float dt) {
    burn_record r;
    m.ignite();
    for (int tick = 0; m.running && tick < 1000000; ++tick) {
        m.burn_step(dt);
        // The thrust held over the tick; at burn-out the tick's thrust is gone.
        r.impulse += static_cast<double>(m.thrust) * dt;
        r.burn_out_time += dt;
        r.finite = r.finite && std::isfinite(m.thrust) && std::isfinite(m.chamber_pressure);
    }
    return r;
}

}  // namespace

class RocketMotor : public parts_test {
protected:
    void SetUp() override {
        parts_test::SetUp();
        fs_make_folder("motors");
        g_state = &state_;
        install_scene_services(&services_);
    }
    void TearDown() override {
        install_scene_services(nullptr);
        g_state = nullptr;
        parts_test::TearDown();
    }
    app_state state_;
    recording_scene_services services_;
};

TEST_F(RocketMotor, NozzleFollowsTheIsentropicExpansion) {
    for (double ratio : {2.0, 4.0, 6.25, 10.0, 20.0}) {
        rocket_motor m;
        m.gamma = 1.4f;
        m.throat_diameter = 2.0f;
        m.exit_diameter = static_cast<float>(2.0 * std::sqrt(ratio));
        m.build_casing();
        const double mach = mach_of_area_ratio(ratio, 1.4);
        const double p = std::pow(1.0 + 0.2 * mach * mach, -3.5);
        EXPECT_NEAR(m.pressure_ratio, p, 3e-5) << "area ratio " << ratio;
        const double gf = std::sqrt(1.4) * std::pow(2.0 / 2.4, 2.4 / 0.8);
        const double cf = gf * std::sqrt(2.0 * 1.4 / 0.4 * (1.0 - std::pow(p, 0.4 / 1.4)));
        EXPECT_NEAR(m.ideal_thrust_coefficient, cf, 1e-3 * cf) << "area ratio " << ratio;
        EXPECT_NEAR(m.gamma_function, gf, 1e-5);
    }
}

// The default motor: a slotted grain of 10 x 3 x 40 cm and a cigar of 10 x 40 cm, 1.72 g/cm³.
TEST_F(RocketMotor, DefaultMotorMassBudget) {
    rocket_motor m;
    const double pi = 3.14159265358979;
    const double slotted = ((100.0 - 9.0) / 4.0 + 10.0 * 40.0 / 2.0) * pi * 1.72 * (10.0 - 3.0) / 2.0;
    const double cigar = pi / 4.0 * 100.0 * 40.0 * 1.72;
    EXPECT_NEAR(m.charge_mass[0], slotted, 0.5);
    EXPECT_NEAR(m.charge_mass[1], cigar, 0.5);
    EXPECT_NEAR(m.propellant_total, (slotted + cigar) / 1000.0, 1e-3);

    // The first step counts all the propellant still in the motor; after burn-out none is left.
    m.ignite();
    m.burn_step(1e-6f);
    EXPECT_NEAR(m.propellant_remaining, m.propellant_total * 1000.0f, 1.0f);
    fire(m, 0.04f);
    EXPECT_EQ(m.propellant_remaining, 0.0f);
    EXPECT_TRUE(m.burnt_out);
}

TEST_F(RocketMotor, UnusedChargesAreNoPropellant) {
    rocket_motor m;
    m.charge_count = 1;
    m.reset();
    EXPECT_NEAR(m.propellant_total, m.charge_mass[0] / 1000.0f, 1e-5);
    EXPECT_EQ(m.charge_mass[1], 0.0f);
    m.ignite();
    m.burn_step(1e-6f);
    EXPECT_NEAR(m.propellant_remaining, m.propellant_total * 1000.0f, 1.0f);
}

// Reference run recorded from this model at 25 ticks per second: burn-out after 9.16 s and a
// total impulse of 22,524 N s. It must agree with the propellant's specific impulse: 9.616 kg
// at 235 s give 22,170 N s; the nozzle's thrust coefficient at chamber pressure lies a little
// above the one the specific impulse assumes, so the run delivers about 1.6 % more.
TEST_F(RocketMotor, DefaultMotorBurnAgainstReference) {
    rocket_motor m;
    const burn_record r = fire(m, 0.04f);
    EXPECT_NEAR(r.burn_out_time, 9.16, 0.05);
    EXPECT_NEAR(r.impulse, 22523.6, 0.005 * 22523.6);
    const double ideal = m.propellant_total * 235.0 * 9.81;
    EXPECT_NEAR(r.impulse, ideal, 0.03 * ideal);
    // The same burn at 100 ticks per second.
    rocket_motor fine;
    EXPECT_NEAR(fire(fine, 0.01f).impulse, r.impulse, 0.01 * r.impulse);
}

TEST_F(RocketMotor, LongTicksStayFiniteAndBurnAsLong) {
    // Ticks of the highest simulation rates: 64 and 1024 times a 0.1 s frame.
    for (float dt : {0.1f * 64.0f, 0.1f * 1024.0f}) {
        rocket_motor m;
        m.ignite();
        m.burn_step(dt);
        EXPECT_TRUE(std::isfinite(m.chamber_pressure));
        EXPECT_TRUE(std::isfinite(m.thrust));
        EXPECT_GE(m.chamber_pressure, 0.0f);
    }
    rocket_motor whole;
    whole.ignite();
    whole.burn_step(102.4f);
    EXPECT_TRUE(whole.burnt_out);
    // Ticks of 1 s are ten steps each: the burn lasts as long as with short ticks.
    rocket_motor m;
    const burn_record r = fire(m, 1.0f);
    EXPECT_TRUE(r.finite);
    EXPECT_NEAR(r.burn_out_time, 9.5, 1.01);
}

TEST_F(RocketMotor, GuardsKeepAbsurdDesignsFinite) {
    rocket_motor m;
    m.gamma = 1.0f;
    m.charge_isp[0] = 0.0f;
    m.charge_density[1] = 0.0f;
    m.charge_exponent[0] = 3.0f;
    m.charge_coefficient[1] = 1e9f;
    m.charge_count = 9;
    m.build_casing();
    EXPECT_EQ(m.charge_count, motor_max_charges);
    EXPECT_TRUE(std::isfinite(m.gamma_function));
    EXPECT_TRUE(std::isfinite(m.pressure_ratio));
    const burn_record r = fire(m, 0.04f);
    EXPECT_TRUE(r.finite);
    // A sensible design is left as it is.
    rocket_motor plain;
    plain.build_casing();
    EXPECT_FLOAT_EQ(plain.gamma, 1.26f);
    EXPECT_FLOAT_EQ(plain.charge_coefficient[1], 30.0f);
    EXPECT_EQ(plain.charge_count, 2);
}

TEST_F(RocketMotor, IgnitionGroups) {
    rocket_motor one_by_one;
    one_by_one.ignite();
    one_by_one.burn_step(0.04f);
    // Only the slotted grain burns first; the cigar keeps its length.
    EXPECT_LT(one_by_one.burn_inner[0], 3.0f + 1e-6f + 1.0f);
    EXPECT_GT(one_by_one.burn_inner[0], 3.0f);
    EXPECT_FLOAT_EQ(one_by_one.burn_length[1], 40.0f);
    int steps = 0;
    while (one_by_one.ignition_index == 0 && steps < 100000) {
        one_by_one.burn_step(0.04f);
        ++steps;
    }
    EXPECT_FLOAT_EQ(one_by_one.burn_length[1], 40.0f);  // lights on the next step
    one_by_one.burn_step(0.04f);
    EXPECT_LT(one_by_one.burn_length[1], 40.0f);
    // A cigar burns along its length only.
    EXPECT_FLOAT_EQ(one_by_one.burn_outer[1], 10.0f);
    EXPECT_FLOAT_EQ(one_by_one.burn_inner[1], 0.0f);

    rocket_motor together;
    together.ignition_type = 0;
    together.reset();
    together.ignite();
    together.burn_step(0.04f);
    EXPECT_GT(together.burn_inner[0], 3.0f);
    EXPECT_LT(together.burn_length[1], 40.0f);
}

TEST_F(RocketMotor, GrainWithoutWebNeverBurns) {
    rocket_motor m;
    m.charge_inner[0] = 10.0f;  // as wide as the grain
    m.reset();
    EXPECT_EQ(m.charge_mass[0], 0.0f);
    m.ignite();
    m.burn_step(0.04f);
    EXPECT_EQ(m.ignition_index, 1);

    // A grain type the file format does not know holds no propellant and burns with no area.
    rocket_motor odd;
    odd.charge_type[0] = 9;
    odd.build_casing();
    EXPECT_EQ(odd.charge_type[0], 9);
    EXPECT_EQ(odd.charge_mass[0], 0.0f);
    odd.ignite();
    odd.burn_step(0.04f);
    EXPECT_FLOAT_EQ(odd.burn_length[0], 40.0f);
}

TEST_F(RocketMotor, ClampDimensions) {
    rocket_motor m;
    m.throat_diameter = 50.0f;
    m.exit_diameter = 400.0f;
    m.ignition_pressure = 500.0f;
    m.charge_outer[0] = 12.0f;
    m.clamp_dimensions();
    EXPECT_FLOAT_EQ(m.chamber_diameter, 12.1f);
    EXPECT_FLOAT_EQ(m.throat_diameter, m.chamber_diameter);
    EXPECT_LE(m.exit_diameter, 5.0f * m.throat_diameter);
    EXPECT_FLOAT_EQ(m.ignition_pressure, 200.0f);
    EXPECT_GE(m.chamber_length, 80.5f);
}

TEST_F(RocketMotor, FileRoundTripAndBadCounts) {
    rocket_motor m;
    m.charge_count = 3;
    m.charge_type[2] = 5;
    m.charge_length[2] = 12.5f;
    m.charge_coefficient[2] = 9.0f;
    m.gamma = 1.2f;
    m.ignition_type = 0;
    ASSERT_TRUE(m.save("Booster"));
    rocket_motor back;
    ASSERT_TRUE(back.load("Booster"));
    EXPECT_STREQ(back.name, "Booster");
    EXPECT_EQ(back.charge_count, 3);
    EXPECT_EQ(back.charge_type[2], 5);
    EXPECT_FLOAT_EQ(back.charge_length[2], 12.5f);
    EXPECT_FLOAT_EQ(back.charge_coefficient[2], 9.0f);
    EXPECT_FLOAT_EQ(back.gamma, 1.2f);
    EXPECT_EQ(back.ignition_type, 0);
    EXPECT_FALSE(back.load("Missing"));

    // Six charge records and a count of 6: the record holds four.
    FILE* f = fs_open("motors\\Six.txt", "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("Rocket Motor Definition File\r\n\r\n6\t[NS]\r\n", f);
    for (int i = 0; i < 6; ++i) std::fprintf(f, "%d\t[TYP]\r\n20\t[LENC]\r\n%d\t[AC]\r\n", 1 + i % 6, 10 + i);
    std::fclose(f);
    rocket_motor six;
    ASSERT_TRUE(six.load("Six"));
    EXPECT_EQ(six.charge_count, motor_max_charges);
    EXPECT_FLOAT_EQ(six.charge_coefficient[3], 13.0f);
    EXPECT_TRUE(logged("[NS] 6 bounded to 4"));
    EXPECT_TRUE(logged("charges beyond 4 ignored"));
}

TEST_F(RocketMotor, ExhaustAndSoundsFollowTheBurn) {
    rocket_motor m;
    ASSERT_NE(m.flame, nullptr);
    m.ignite();
    EXPECT_EQ(m.sound_starts(MOTOR_SOUND_IGNITION), 1);
    EXPECT_TRUE(m.sound_looping(MOTOR_SOUND_BURNING));
    state_.dt = 0.04f;
    m.update();
    const float scale = length(get_axis_x(m.flame->local));
    EXPECT_GT(scale, 0.005f * m.exit_diameter);  // grows with the chamber pressure
    EXPECT_FLOAT_EQ(services_.exhausts[m.flame].colour, 0.5f);
    m.pause();
    EXPECT_FALSE(m.sound_playing(MOTOR_SOUND_BURNING));
    const float pressure = m.chamber_pressure;
    m.update();
    EXPECT_EQ(m.chamber_pressure, pressure);  // a paused motor does not burn
    m.resume();
    EXPECT_TRUE(m.sound_playing(MOTOR_SOUND_BURNING));
    m.burn_out();
    m.update();
    EXPECT_EQ(length(get_axis_x(m.flame->local)), 0.0f);
    EXPECT_FLOAT_EQ(services_.exhausts[m.flame].colour, 1.5f);
    EXPECT_FALSE(m.sound_playing(MOTOR_SOUND_BURNING));
}

// In a run with 3-D smoke the motor puffs a plume; on the design screens it makes a smoke
// column instead, and its static firing sizes the flame and the smoke by the chamber pressure.
TEST_F(RocketMotor, ExhaustChildrenByMode) {
    app_.use_3d_smoke = 1;
    rocket_motor flying;
    ASSERT_NE(flying.plume, nullptr);
    EXPECT_EQ(flying.smoke, nullptr);
    EXPECT_EQ(flying.plume->parent, &flying);
    EXPECT_FLOAT_EQ(flying.plume->local_position().z, -0.01f * flying.overall_length);
    flying.ignite();
    state_.dt = 0.04f;
    flying.update();
    EXPECT_TRUE(services_.exhausts[flying.plume].emitting);
    flying.burn_out();
    flying.update();
    EXPECT_FALSE(services_.exhausts[flying.plume].emitting);

    app_.menu_mode = 1;
    rocket_motor stand;
    ASSERT_NE(stand.smoke, nullptr);
    EXPECT_EQ(stand.plume, nullptr);
    stand.ignite();
    stand.burn_step(0.04f);
    // 100 atm and more: the flame grows by half the square root of the pressure in atm.
    const float f = std::min(5.0f, std::max(1.0f, 0.5f * std::sqrt(stand.chamber_pressure / 100000.0f)));
    const float s = f * 0.005f * stand.exit_diameter;
    EXPECT_NEAR(length(get_axis_x(stand.flame->local)), s, 1e-5f);
    EXPECT_NEAR(services_.exhausts[stand.smoke].size_a, 100.0f * s, 1e-3f);
    EXPECT_NEAR(services_.exhausts[stand.smoke].size_b, 2500.0f * s, 1e-2f);
    app_.menu_mode = 0;
}

// With a sound device the motor's four sounds play through it: the burning sound loops while
// the motor burns, pauses with it and stops at burn-out; the flight sound loops in flight.
TEST_F(RocketMotor, SoundsPlayThroughTheSoundService) {
    sound_system output;
    g_sound = &output;
    output.init_with(open_loopback_audio_device(k_test_rate));
    ASSERT_EQ(output.available, 1);
    fs_make_folder("sounds");
    for (const char* file : {"rocket1", "shot", "flight1"}) {
        tmp_.write(std::string("sounds/") + file + ".wav", make_tone(0.5));
    }
    mat4 camera = mat_translation(0.0f, 0.0f, -100.0f);
    state_.camera_world = &camera;
    {
        rocket_motor m;
        ASSERT_NE(m.sound_object(MOTOR_SOUND_BURNING), nullptr);
        EXPECT_EQ(m.sound_object(MOTOR_SOUND_EXPLOSION), nullptr);  // its file is missing
        EXPECT_TRUE(logged("Failed to load sounds\\explode.wav"));
        m.ignite();
        EXPECT_TRUE(m.sound_object(MOTOR_SOUND_BURNING)->playing());
        EXPECT_TRUE(m.sound_object(MOTOR_SOUND_IGNITION)->playing());
        m.pause();
        EXPECT_FALSE(m.sound_object(MOTOR_SOUND_BURNING)->playing());
        m.resume();
        EXPECT_TRUE(m.sound_object(MOTOR_SOUND_BURNING)->playing());
        m.start_flight_sound();
        EXPECT_TRUE(m.sound_object(MOTOR_SOUND_FLIGHT)->playing());
        state_.dt = 0.04f;
        m.update();  // the sounds follow the motor, 100 m ahead of the camera
        EXPECT_GT(rms(render(output, 0.1).left), 0.0);
        m.burn_out();
        EXPECT_FALSE(m.sound_object(MOTOR_SOUND_BURNING)->playing());
        m.play_explosion();  // silent: no buffer, and nothing fails
        m.stop_sounds();
        EXPECT_FALSE(m.sound_object(MOTOR_SOUND_FLIGHT)->playing());
    }
    state_.camera_world = nullptr;
    output.release();
    g_sound = nullptr;
}
