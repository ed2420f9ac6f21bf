// The airframe's meshes: their sizes, normals that are finite, unit and outward even where a
// surface of revolution starts on its axis, the two scalings, and meshes that follow the
// dimensions from construction and from every load.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/math3d.h"
#include "simulation/aero_config.h"
#include "tests/simulation/parts_fixture.h"

namespace {

void expect_unit_finite(const std::vector<aero_vertex>& list) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        const vec3& n = list[i].normal;
        ASSERT_TRUE(std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z)) << "vertex " << i;
        ASSERT_NEAR(length(n), 1.0f, 1e-4f) << "vertex " << i;
    }
}

}  // namespace

TEST(AeroGeometry, TheBodyHas972VerticesWithUnitOutwardNormals) {
    aero_config c;
    c.build_body(true);
    ASSERT_EQ(c.body_vertices.size(), 972u);
    expect_unit_finite(c.body_vertices);
    // The nose tip is the first vertex; the base ring lies on the body's back end.
    EXPECT_NEAR(c.body_vertices[0].position.z, -c.body_length / 2.0f, 1e-3f);
    EXPECT_NEAR(c.body_vertices[971].position.z, c.body_length / 2.0f, 1e-2f);
    // Along the cylinder the normals point straight out from the axis.
    for (std::size_t i = 6 * 108; i < 7 * 108; ++i) {
        const aero_vertex& v = c.body_vertices[i];
        const vec3 radial = normalize(vec3{v.position.x, v.position.y, 0.0f});
        EXPECT_GT(dot(v.normal, radial), 0.98f) << i;  // within half a 20-degree facet
    }
    // The tip's normal points forward.
    EXPECT_LT(c.body_vertices[0].normal.z, -0.9f);
}

TEST(AeroGeometry, AtTheSmallestNoseCapEveryNormalIsStillDefined) {
    aero_config c;
    c.DS = 0.1f;
    c.nozzle_exit_diameter = c.DB;  // a base ring without area
    c.build_body(true);
    ASSERT_EQ(c.body_vertices.size(), 972u);
    EXPECT_FLOAT_EQ(c.DS, 0.1f);
    expect_unit_finite(c.body_vertices);
}

TEST(AeroGeometry, AWingSetHas48VerticesWithFaceNormals) {
    aero_config c;
    c.build_body(true);
    for (int s = 0; s < c.NW; ++s) {
        c.build_wing_set(s, true);
        ASSERT_EQ(c.wing_vertices[s].size(), 48u) << s;
        expect_unit_finite(c.wing_vertices[s]);
    }
    // The upper faces of the middle chord third look straight up, the lower ones down.
    const std::vector<aero_vertex>& w = c.wing_vertices[0];
    EXPECT_NEAR(w[12].normal.y, 1.0f, 1e-2f);
    EXPECT_NEAR(w[18].normal.y, -1.0f, 1e-2f);
    // The tip closure faces outward.
    EXPECT_GT(w[36].normal.x, 0.99f);
    c.build_wing_set(8, true);  // beyond the sets: nothing
    c.build_wing_set(-1, true);
}

TEST(AeroGeometry, ScalingByAlmostOneChangesNothingAndByTwoDoublesTheLengths) {
    // A slender nose cap, so that a doubled nose length stays within the nose's bounds.
    aero_config c;
    c.DS = 2.0f;
    c.build_body(true);
    aero_config before;
    before.DS = 2.0f;
    before.build_body(true);
    c.scale_lengths(1.0005f);
    c.scale_diameters(0.9995f);
    EXPECT_FLOAT_EQ(c.LN, before.LN);
    EXPECT_FLOAT_EQ(c.DC, before.DC);

    c.scale_lengths(2.0f);
    EXPECT_FLOAT_EQ(c.LN, 2.0f * before.LN);
    EXPECT_FLOAT_EQ(c.LC, 2.0f * before.LC);
    EXPECT_FLOAT_EQ(c.LT, 2.0f * before.LT);
    EXPECT_FLOAT_EQ(c.CG, 2.0f * before.CG);
    EXPECT_FLOAT_EQ(c.body_length, 2.0f * before.body_length);
    for (int s = 0; s < c.NW; ++s) {
        EXPECT_FLOAT_EQ(c.CR[s], 2.0f * before.CR[s]);
        EXPECT_FLOAT_EQ(c.XW[s], 2.0f * before.XW[s]);
        EXPECT_FLOAT_EQ(c.TC[s], before.TC[s]);  // thickness ratios stay
        EXPECT_EQ(c.wing_vertices[s].size(), 48u);
    }
    EXPECT_NEAR(c.body_vertices[0].position.z, -before.body_length, 1e-3f);

    aero_config d;
    d.build_body(true);
    d.scale_diameters(2.0f);
    EXPECT_FLOAT_EQ(d.DC, 2.0f * before.DC);
    EXPECT_FLOAT_EQ(d.DB, 2.0f * before.DB);
    EXPECT_FLOAT_EQ(d.B[0], 2.0f * before.B[0]);
    // The cylinder's radius doubled with it.
    const vec3& p = d.body_vertices[6 * 108 + 2].position;
    EXPECT_NEAR(std::hypot(p.x, p.y), d.DC / 2.0f, 1e-3f);
}

namespace {

// Where the body's sections start along the axis (cm from the middle): the nose tip, the
// cylinder and the boat tail (the first vertex of profile segments 0, 6 and 7, 108 each).
struct body_stations {
    float nose, cylinder, tail;
};
body_stations stations(const aero_config& c) {
    return {c.body_vertices[0].position.z, c.body_vertices[6 * 108].position.z, c.body_vertices[7 * 108].position.z};
}
// A wing set's root leading edge: its first vertex.
float wing_root(const aero_config& c, int set) { return c.wing_vertices[set][0].position.z; }

}  // namespace

using AeroGeometryFromFile = parts_test;

TEST_F(AeroGeometryFromFile, BuiltAtConstructionAndRebuiltWholeByALoad) {
    // The defaults: nose 25, cylinder 142, tail 13 cm, 180 cm in all about the middle.
    aero_config c;
    ASSERT_EQ(c.body_vertices.size(), 972u);
    for (int s = 0; s < aero_max_wing_sets; ++s) ASSERT_EQ(c.wing_vertices[s].size(), 48u) << s;
    body_stations at = stations(c);
    EXPECT_NEAR(at.nose, -90.0f, 1e-3f);
    EXPECT_NEAR(at.cylinder, -65.0f, 1e-3f);
    EXPECT_NEAR(at.tail, 77.0f, 1e-3f);
    EXPECT_NEAR(wing_root(c, 0), 140.0f - 90.0f, 1e-3f);
    EXPECT_NEAR(wing_root(c, 1), 12.8f - 90.0f, 1e-3f);
    EXPECT_NEAR(wing_root(c, 7), -90.0f, 1e-3f);  // an unused set is built too

    // The cylinder cut to 60 cm and the tail fins moved to 70 cm: 98 cm in all. Every set
    // moves with the shorter body, the ones the file does not hold as well.
    tmp_.write("configs/Short.txt",
               "Aero Config Definition File\n\n60\t[LC]\n2\t[NW]\n"
               "20\t[CR]\n9\t[CT]\n20\t[HR]\n37\t[B]\n0.1\t[TC]\n70\t[XW]\n0\t[FLGW]\n@\n");
    ASSERT_TRUE(c.load("Short"));
    ASSERT_EQ(c.body_vertices.size(), 972u);
    at = stations(c);
    EXPECT_NEAR(at.nose, -49.0f, 1e-3f);
    EXPECT_NEAR(at.cylinder, -24.0f, 1e-3f);
    EXPECT_NEAR(at.tail, 36.0f, 1e-3f);
    EXPECT_NEAR(c.body_vertices.back().position.z, 49.0f, 1e-3f);
    EXPECT_NEAR(wing_root(c, 0), 70.0f - 49.0f, 1e-3f);
    EXPECT_NEAR(wing_root(c, 1), 12.8f - 49.0f, 1e-3f);
    EXPECT_NEAR(wing_root(c, 5), 40.0f - 49.0f, 1e-3f);

    // A file that does not open leaves the meshes with the values.
    EXPECT_FALSE(c.load("Missing"));
    EXPECT_NEAR(stations(c).tail, 36.0f, 1e-3f);
}
