#include <gtest/gtest.h>

#include <cmath>

#include "core/app_state.h"
#include "core/recording_services.h"
#include "platform/text.h"
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

// The same lumped chamber burnt independently in double precision in steps of 0.1 ms, much
// shorter than the chamber's settling time: the grains regress at the burn rate, gas comes in
// at c* = Isp g0 / Cf and leaves through the throat at Pc At / c, and the thrust is At Pc Cf.
// Only the grain types of the designs below (cigar and slotted).
double reference_impulse(const rocket_motor& m, double ignition_pa) {
    const double h = 1e-4, pi = 3.14159265358979, g = m.gamma_function;
    const double ratio = m.exit_area / m.throat_area;
    double D[motor_max_charges], d[motor_max_charges], L[motor_max_charges];
    for (int i = 0; i < m.charge_count; ++i) {
        D[i] = m.charge_outer[i];
        d[i] = m.charge_inner[i];
        L[i] = m.charge_length[i];
    }
    double p = ignition_pa, cf = m.ideal_thrust_coefficient, impulse = 0.0;
    int group = 0;
    for (double t = 0.0; group < m.charge_count && t < 200.0;) {
        double gas = 0.0, volume = 0.0, c_sum = 0.0;
        bool active = false;
        for (int i = 0; i < m.charge_count; ++i) {
            const int own_group = m.ignition_type == 1 ? i : 0;
            if (own_group != group || !(D[i] > d[i] && L[i] > 0.0)) continue;
            const double r = 0.1 * m.charge_coefficient[i] * std::pow(std::max(p, 0.0) * 1e-6, m.charge_exponent[i]);
            const double end = (D[i] * D[i] - d[i] * d[i]) / 4.0;
            const double area = m.charge_type[i] == 1 ? pi * end : pi * (end + D[i] * L[i] / 2.0);
            const double q = r * area, rho = m.charge_density[i];
            volume += q * 1e-6 * p;
            gas += q * rho * 1e-3;
            c_sum += m.charge_isp[i] * 9.81 / cf * 1e-3 * q * rho;
            L[i] -= r * h;
            if (m.charge_type[i] == 4) d[i] += 2.0 * r * h;
            active = active || (L[i] > 0.0 && D[i] > d[i]);
        }
        if (!active) {
            ++group;
            continue;
        }
        const double c = c_sum / std::max(0.1, gas);
        p += ((gas - m.throat_area * p / c) * g * g * c * c - volume) / m.chamber_volume * h;
        if (p > 0.0) cf = m.ideal_thrust_coefficient + (p * m.pressure_ratio - m.ambient_pressure) / p * ratio;
        impulse += m.throat_area * p * cf * h;
        t += h;
    }
    return impulse;
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
    // The first step counts all the propellant still in the motor; after burn-out none is left.
    m.ignite();
    m.burn_step(1e-6f);
    EXPECT_NEAR(m.propellant_remaining, m.propellant_total * 1000.0f, 1.0f);
    fire(m, 0.04f);
    EXPECT_EQ(m.propellant_remaining, 0.0f);
    EXPECT_TRUE(m.burnt_out);

    // Only the charges in use are propellant.
    m.charge_count = 1;
    m.reset();
    EXPECT_NEAR(m.propellant_total, m.charge_mass[0] / 1000.0, 1e-3);
    EXPECT_EQ(m.charge_mass[1], 0.0f);
}

// At 60 ticks a second the burn agrees with the fine integration: the default motor; the same
// lit at 2 atm, where the thrust coefficient starts below 0 (the gas still comes in, as c²
// keeps it positive); and wide throats, whose chamber settles in a few ms, far within a tick.
// All stay near what the propellant's specific impulse promises.
TEST_F(RocketMotor, TotalImpulseAgainstAFineIntegration) {
    struct design {
        const char* what;
        float ignition_atm;
        float throat;
    };
    for (const design& c : {design{"default", 100.0f, 2.0f}, design{"lit at 2 atm", 2.0f, 2.0f},
                            design{"8 cm throat", 100.0f, 8.0f}, design{"throat as wide as the chamber", 100.0f, 10.5f}}) {
        rocket_motor m;
        m.ignition_pressure = c.ignition_atm;
        m.throat_diameter = c.throat;
        m.clamp_dimensions();
        m.build_casing();
        const double reference = reference_impulse(m, c.ignition_atm * 100000.0);
        const burn_record r = fire(m, 1.0f / 60.0f);
        EXPECT_TRUE(r.finite) << c.what;
        EXPECT_NEAR(r.impulse, reference, (c.throat > 2.0f ? 0.02 : 0.012) * reference) << c.what;
        const double ideal = m.propellant_total * 235.0 * 9.81;
        EXPECT_NEAR(r.impulse, ideal, 0.06 * ideal) << c.what;
        EXPECT_FALSE(logged("cannot burn")) << c.what;
    }
}

// Grains that make no gas (a burn-rate coefficient of 0, or a grain type the file format does
// not know, which holds no propellant and burns with no area) leave an empty chamber that can
// never light them: the motor burns out at once and says why.
TEST_F(RocketMotor, AMotorThatCannotBurnBurnsOutWithALogLine) {
    rocket_motor m;
    copy_text(m.name, "Dud");
    m.charge_coefficient[0] = 0.0f;
    m.build_casing();
    m.ignite();
    m.burn_step(0.04f);
    EXPECT_TRUE(m.burnt_out);
    EXPECT_EQ(m.thrust, 0.0f);
    EXPECT_TRUE(logged("Motor Dud cannot burn"));

    rocket_motor odd;
    copy_text(odd.name, "Odd");
    odd.charge_type[0] = 9;
    odd.build_casing();
    EXPECT_EQ(odd.charge_type[0], 9);
    EXPECT_EQ(odd.charge_mass[0], 0.0f);
    odd.ignite();
    odd.burn_step(0.04f);
    EXPECT_FLOAT_EQ(odd.burn_length[0], 40.0f);
    EXPECT_TRUE(odd.burnt_out);
    EXPECT_TRUE(logged("Motor Odd cannot burn"));
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
    std::fputs("@\r\n", f);
    std::fclose(f);
    rocket_motor six;
    ASSERT_TRUE(six.load("Six"));
    EXPECT_EQ(six.charge_count, motor_max_charges);
    EXPECT_FLOAT_EQ(six.charge_coefficient[3], 13.0f);
    EXPECT_TRUE(logged("motors\\Six.txt: [NS] 6 bounded to 4"));
    EXPECT_TRUE(logged("charges beyond 4 ignored"));

    // A nozzle without expansion (exit as wide as the throat) widens to throat + 0.1 cm.
    tmp_.write("motors/Flat.txt", "Rocket Motor Definition File\r\n\r\n2\t[DTR]\r\n2\t[DEX]\r\n@\r\n");
    rocket_motor flat;
    ASSERT_TRUE(flat.load("Flat"));
    EXPECT_FLOAT_EQ(flat.exit_diameter, 2.1f);
    EXPECT_TRUE(logged("motors\\Flat.txt: [DEX] 2 bounded to 2.1"));
    EXPECT_GT(flat.exit_area / flat.throat_area, 1.1f);
    EXPECT_LT(flat.pressure_ratio, 0.5f);  // the supersonic branch
}

TEST_F(RocketMotor, ExhaustAndSoundsFollowTheBurn) {
    rocket_motor m;
    ASSERT_NE(m.flame, nullptr);
    m.ignite();
    state_.dt = 0.04f;
    m.update();
    const float scale = length(get_axis_x(m.flame->local));
    EXPECT_GT(scale, 0.005f * m.exit_diameter);  // grows with the chamber pressure
    EXPECT_FLOAT_EQ(services_.exhausts[m.flame].colour, 0.5f);
    m.pause();
    const float pressure = m.chamber_pressure;
    m.update();
    EXPECT_EQ(m.chamber_pressure, pressure);  // a paused motor does not burn
    m.resume();
    m.burn_out();
    m.update();
    EXPECT_EQ(length(get_axis_x(m.flame->local)), 0.0f);
    EXPECT_FLOAT_EQ(services_.exhausts[m.flame].colour, 1.5f);

    // A setting that stays the same is handed on once; services installed anew get it again.
    services_.exhausts.clear();
    m.update();
    EXPECT_TRUE(services_.exhausts.empty());
    recording_scene_services other;
    install_scene_services(&other);
    m.update();
    EXPECT_FLOAT_EQ(other.exhausts[m.flame].colour, 1.5f);
    install_scene_services(&services_);
}

// In a run with 3-D smoke the motor puffs a plume; on the design screens it makes a smoke
// column instead, and its static firing sizes the flame and the smoke by the chamber pressure.
TEST_F(RocketMotor, ExhaustChildrenByMode) {
    app_.use_3d_smoke = 1;
    rocket_motor flying;
    ASSERT_NE(flying.plume, nullptr);
    EXPECT_EQ(flying.smoke, nullptr);
    EXPECT_EQ(flying.plume->parent, &flying);
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
