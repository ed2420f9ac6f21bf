#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "simulation/aero_config.h"
#include "tests/simulation/parts_fixture.h"

namespace {

using AeroConfig = parts_test;

constexpr double pi_value = 3.14159265358979323846;

std::vector<const mach_table*> all_tables(const aero_config& c) {
    std::vector<const mach_table*> t = {&c.cd0_body,  &c.cd_base,   &c.cd0_wings,      &c.cn_alpha_nose,
                                        &c.xcp_nose,  &c.cn_alpha_tail, &c.cm_delta,  &c.xcp_total,
                                        &c.cn_alpha_total, &c.cm_alpha, &c.xcp_tail};
    for (int s = 0; s < aero_max_wing_sets; ++s) {
        t.push_back(&c.cn_alpha_wing[s]);
        t.push_back(&c.xcp_wing[s]);
    }
    return t;
}

// Every table slot and derived scalar is a finite number.
::testing::AssertionResult all_finite(const aero_config& c) {
    const std::vector<const mach_table*> tables = all_tables(c);
    for (std::size_t t = 0; t < tables.size(); ++t) {
        for (int k = 0; k <= mach_table_last; ++k) {
            if (!std::isfinite(tables[t]->slot[k])) {
                return ::testing::AssertionFailure() << "table " << t << " slot " << k << " = " << tables[t]->slot[k];
            }
        }
    }
    for (float v : {c.cap_radius, c.ogive_radius, c.body_length, c.reference_area, c.mass_estimate, c.xcp_min,
                    c.xcp_max}) {
        if (!std::isfinite(v)) return ::testing::AssertionFailure() << "scalar " << v;
    }
    for (float mach : {0.0f, 0.05f, 0.65f, 1.0f, 1.15f, 2.5f, 4.0f, 9.0f}) {
        float cd = 0, cn = 0, trim = 0;
        c.get_coefficients(mach, mach > 1.0f, cd, cn, trim);
        if (!std::isfinite(cd) || !std::isfinite(cn) || !std::isfinite(trim)) {
            return ::testing::AssertionFailure() << "coefficients at Mach " << mach;
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult within_bounds(const aero_config& c) {
    auto fail = [](const char* what) { return ::testing::AssertionFailure() << what; };
    if (!(c.DC >= 1.0f)) return fail("DC");
    if (!(c.DS >= 0.1f && c.DS <= c.DC - 0.1f + 1e-4f)) return fail("DS");
    if (!(c.DB >= 0.1f)) return fail("DB");
    if (!(c.LN >= c.DC)) return fail("LN");
    if (!(c.LC >= 0.0f)) return fail("LC");
    if (!(c.LT >= 0.0f && c.LT >= std::fabs(c.DC - c.DB) - 1e-4f)) return fail("LT");
    if (std::fabs(c.body_length - (c.LN + c.LC + c.LT)) > 1e-3f * c.body_length) return fail("body_length");
    if (!(c.CG >= 0.0f && c.CG <= c.body_length)) return fail("CG");
    if (!(c.NW >= 0 && c.NW <= aero_max_wing_sets)) return fail("NW");
    for (int s = 0; s < c.NW; ++s) {
        for (float v : {c.CR[s], c.CT[s], c.HR[s]}) {
            if (!(v >= 0.1f && v <= c.body_length)) return fail("chord");
        }
        if (!(c.B[s] >= c.DC && c.B[s] <= 2.0f * c.body_length)) return fail("B");
        if (!(c.TC[s] >= 0.01f && c.TC[s] <= 0.1f)) return fail("TC");
        if (!(c.XW[s] >= 0.0f && c.XW[s] <= c.body_length)) return fail("XW");
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST_F(AeroConfig, DefaultsRoundTripThroughTheFile) {
    aero_config c;
    ASSERT_TRUE(c.save("Default"));
    const std::string text = tmp_.read("configs/Default.txt");
    EXPECT_EQ(text.find("100\t[XW]"), std::string::npos);  // sets beyond NW are not written

    aero_config changed;
    changed.DS = 5;
    changed.LC = 100;
    changed.CG = 55.5f;
    changed.NW = 3;
    changed.CR[2] = 11.25f;
    changed.FLGW[2] = 1;
    changed.clamp_dimensions();
    ASSERT_TRUE(changed.save("Changed"));
    aero_config back;
    ASSERT_TRUE(back.load("Changed"));
    EXPECT_STREQ(back.name, "Changed");
    EXPECT_FLOAT_EQ(back.DS, 5.0f);
    EXPECT_FLOAT_EQ(back.LC, 100.0f);
    EXPECT_FLOAT_EQ(back.CG, 55.5f);
    EXPECT_EQ(back.NW, 3);
    EXPECT_FLOAT_EQ(back.CR[2], 11.25f);
    EXPECT_EQ(back.FLGW[2], 1);
    EXPECT_FLOAT_EQ(back.XW[1], 12.8f);
    EXPECT_FLOAT_EQ(back.body_length, 25.0f + 100.0f + 13.0f);
}

TEST_F(AeroConfig, KeysAreMatchedWithTheirBracketsAndMissingKeysKeepValues) {
    tmp_.write("configs/Trap.txt",
               "Aero Config Definition File\n\n11\t[DB]\n90\t[LC]\n1\t[NW]\n"
               "30\t[CR]\n0\t[FLGW]\n25\t[CR]\n1\t[FLGW]\n@\n");
    aero_config c;
    c.CG = 61.0f;
    ASSERT_TRUE(c.load("Trap"));
    EXPECT_FLOAT_EQ(c.DB, 11.0f);
    EXPECT_FLOAT_EQ(c.B[0], 37.0f);  // "[B]" is not inside "[DB]"
    EXPECT_FLOAT_EQ(c.CG, 61.0f);    // no "[CG]": kept
    EXPECT_EQ(c.NW, 1);
    EXPECT_FLOAT_EQ(c.CR[0], 30.0f);
    EXPECT_FLOAT_EQ(c.CR[1], 25.0f);  // the second record is read too
    EXPECT_EQ(c.FLGW[1], 1);
    c.compute_coefficients(0.0f);
    EXPECT_EQ(c.cm_delta.slot[5], 0.0f);  // only set 0 (static) takes part
    EXPECT_EQ(c.cn_alpha_wing[1].slot[5], 0.0f);
}

TEST_F(AeroConfig, WingSetCountAndRecordsStayWithinTheEightSets) {
    std::string file = "Aero Config Definition File\n\n12\t[NW]\n";
    for (int s = 0; s < 11; ++s) file += std::to_string(10 + s) + "\t[CR]\n0\t[FLGW]\n";
    tmp_.write("configs/Many.txt", file + "@\n");
    aero_config c;
    ASSERT_TRUE(c.load("Many"));
    EXPECT_EQ(c.NW, 8);
    EXPECT_FLOAT_EQ(c.CR[7], 17.0f);
    EXPECT_TRUE(logged("configs\\Many.txt: [NW] 12 bounded to 8"));
    EXPECT_TRUE(logged("configs\\Many.txt: wing sets beyond 8 ignored"));
    c.compute_coefficients(0.0f);
    EXPECT_TRUE(all_finite(c));

    tmp_.write("configs/Negative.txt", "Aero Config Definition File\n-4\t[NW]\n@\n");
    ASSERT_TRUE(c.load("Negative"));
    EXPECT_EQ(c.NW, 0);
    c.NW = 40;  // a design edit past the record
    c.clamp_dimensions();
    EXPECT_EQ(c.NW, 8);
}

TEST_F(AeroConfig, DefaultTablesAgainstClosedForms) {
    aero_config c;
    c.compute_coefficients(0.0f);
    EXPECT_NEAR(c.reference_area, pi_value * 0.125 * 0.125 / 4.0, 1e-7);
    EXPECT_NEAR(c.mass_estimate, pi_value * 0.125 * 0.125 / 4.0 * 1.8 * 2000.0, 1e-3);
    const double nose = 2.0 * (1.0 - std::exp(-(0.25 + 1.42) / (3.0 * 0.125)));
    const double r2 = 0.64 * 0.64;
    EXPECT_NEAR(c.cn_alpha_nose.slot[3], nose, 1e-5);
    EXPECT_NEAR(c.xcp_nose.slot[3], 0.66 * 0.25, 1e-6);
    EXPECT_NEAR(c.cn_alpha_tail.slot[3], -2.0 * r2 * (1.0 - r2), 1e-6);
    EXPECT_NEAR(c.xcp_tail.slot[3], 0.25 + 1.42 + 0.6 * 0.13, 1e-6);
    // Supersonic tail: -2 (1 - r²)(1 - exp(-LT / (0.7 B'))).
    const double bp = std::sqrt(2.0 * 2.0 - 1.0);
    EXPECT_NEAR(c.cn_alpha_tail.slot[20], -2.0 * (1.0 - r2) * (1.0 - std::exp(-0.13 / (0.7 * bp))), 1e-6);
    // Blunt nose (DS / DC = 0.64 above 0.1): 2.4 - 1.25 DS/DC.
    EXPECT_NEAR(c.cn_alpha_nose.slot[20], 2.4 - 1.25 * 0.64, 1e-6);

    for (const mach_table* t : all_tables(c)) EXPECT_EQ(t->slot[0], 0.0f);
    EXPECT_LE(c.xcp_min, c.xcp_max);
    EXPECT_TRUE(all_finite(c));
}

TEST_F(AeroConfig, ReadingBetweenSlots) {
    aero_config c;
    c.compute_coefficients(0.0f);
    float cd = 0, cn = 0, trim = 0;
    c.get_coefficients(0.05f, false, cd, cn, trim);
    EXPECT_NEAR(cd, 0.5f * (c.cd0_body.slot[1] + c.cd0_wings.slot[1]), 1e-6);
    EXPECT_NEAR(cn, 0.5f * c.cn_alpha_total.slot[1], 1e-6);
    EXPECT_EQ(trim, 0.0f);  // slot 0 has no moments: 0 / 0 reads as 0

    c.get_coefficients(-3.0f, false, cd, cn, trim);  // never before slot 0
    EXPECT_EQ(cd, 0.0f);
    c.get_coefficients(1e30f, false, cd, cn, trim);
    EXPECT_FLOAT_EQ(cn, c.cn_alpha_total.slot[40]);
}

TEST_F(AeroConfig, BodyWithoutWings) {
    aero_config c;
    c.NW = 0;
    c.clamp_dimensions();
    c.compute_coefficients(0.0f);
    for (int k = 1; k <= mach_table_last; ++k) {
        EXPECT_EQ(c.cd0_wings.slot[k], 0.0f);
        EXPECT_EQ(c.cm_delta.slot[k], 0.0f);
        EXPECT_FLOAT_EQ(c.cn_alpha_total.slot[k], c.cn_alpha_nose.slot[k] + c.cn_alpha_tail.slot[k]);
    }
    EXPECT_TRUE(all_finite(c));
}

TEST_F(AeroConfig, BodyWithoutBoatTailHasFiniteSupersonicDrag) {
    aero_config c;
    c.DB = c.DC;
    c.LT = 0.0f;
    c.clamp_dimensions();
    EXPECT_EQ(c.LT, 0.0f);  // the clamp allows it
    c.compute_coefficients(0.0f);
    EXPECT_TRUE(all_finite(c));
    EXPECT_GT(c.cd0_body.slot[20], 0.0f);

    c.LT = -5.0f;  // a negative tail becomes none
    c.LC = -50.0f;  // and a negative cylinder none
    c.clamp_dimensions();
    EXPECT_EQ(c.LT, 0.0f);
    EXPECT_EQ(c.LC, 0.0f);
    EXPECT_FLOAT_EQ(c.body_length, c.LN);
    c.compute_coefficients(0.0f);
    EXPECT_TRUE(all_finite(c));
}

TEST_F(AeroConfig, SweepOfEveryInputKeepsBoundsAndFiniteTables) {
    const float values[] = {-1e4f, -10.0f, -0.5f, 0.0f, 0.01f, 0.1f, 0.5f, 1.0f, 2.0f, 8.0f,
                            12.5f, 13.0f, 40.0f, 150.0f, 500.0f, 1e4f};
    auto body_field = [](aero_config& c, int i) -> float& {
        float* f[] = {&c.DS, &c.DC, &c.DB, &c.LN, &c.LC, &c.LT, &c.CG};
        return *f[i];
    };
    auto wing_field = [](aero_config& c, int i, int s) -> float& {
        float* f[] = {c.CR, c.CT, c.HR, c.B, c.TC, c.XW};
        return f[i][s];
    };
    int cases = 0;
    for (float v : values) {
        for (int i = 0; i < 7; ++i) {
            aero_config c;
            body_field(c, i) = v;
            c.clamp_dimensions();
            ASSERT_TRUE(within_bounds(c)) << "body field " << i << " = " << v;
            c.compute_coefficients(0.0f);
            ASSERT_TRUE(all_finite(c)) << "body field " << i << " = " << v;
            ++cases;
        }
        for (int i = 0; i < 6; ++i) {
            for (int s = 0; s < 2; ++s) {
                aero_config c;
                wing_field(c, i, s) = v;
                c.clamp_dimensions();
                ASSERT_TRUE(within_bounds(c)) << "wing field " << i << " set " << s << " = " << v;
                c.compute_coefficients(0.0f);
                ASSERT_TRUE(all_finite(c)) << "wing field " << i << " set " << s << " = " << v;
                ++cases;
            }
        }
    }
    // Random designs over the whole bounded space, extremes included.
    std::mt19937 rng(20261206);
    std::uniform_real_distribution<float> length(-20.0f, 600.0f), diameter(-2.0f, 60.0f), ratio(-0.05f, 0.2f);
    std::uniform_int_distribution<int> count(-1, 9), flag(0, 1);
    for (int n = 0; n < 1500; ++n) {
        aero_config c;
        c.DS = diameter(rng);
        c.DC = diameter(rng);
        c.DB = n % 5 == 0 ? c.DC : diameter(rng);
        c.LN = length(rng);
        c.LC = length(rng);
        c.LT = n % 5 == 0 ? 0.0f : length(rng);
        c.CG = length(rng);
        c.NW = count(rng);
        for (int s = 0; s < aero_max_wing_sets; ++s) {
            c.CR[s] = length(rng);
            c.CT[s] = length(rng);
            c.HR[s] = n % 7 == 0 ? c.CT[s] : length(rng);
            c.B[s] = length(rng);
            c.TC[s] = ratio(rng);
            c.XW[s] = length(rng);
            c.FLGW[s] = flag(rng);
        }
        c.clamp_dimensions();
        ASSERT_TRUE(within_bounds(c)) << "design " << n;
        c.compute_coefficients(0.0f);
        ASSERT_TRUE(all_finite(c)) << "design " << n;
        ++cases;
    }
    EXPECT_GT(cases, 1500);
}

TEST_F(AeroConfig, NarrowNoseGivesTheOgiveTheWholeNose) {
    aero_config c;
    c.DS = 0.0f;
    c.clamp_dimensions();
    EXPECT_FLOAT_EQ(c.DS, 0.1f);
    EXPECT_GT(c.ogive_radius, c.cap_radius);
    c.DS = c.DC;  // a cap as wide as the body
    c.clamp_dimensions();
    EXPECT_TRUE(std::isfinite(c.cap_radius));
    EXPECT_TRUE(std::isfinite(c.ogive_radius));
}
