// The overlay's virtual screen, scales, clip planes and drawing primitives: the vertices it
// sends (the pixels they cover are checked on the OpenGL device).
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <tuple>

#include "core/gui_services.h"
#include "overlay_fixture.h"
#include "ui/gui.h"

namespace {

const overlay_vertex* verts(const draw_record& d) {
    return reinterpret_cast<const overlay_vertex*>(d.vertices.data());
}

}  // namespace

TEST(Overlay, GuiScaleFontScaleAndTextScale) {
    overlay2d o;
    o.make_splash = nullptr;
    EXPECT_EQ(o.font(6), nullptr);
    EXPECT_EQ(o.font(-1), nullptr);

    overlay_setup s(800, 600);
    EXPECT_FLOAT_EQ(s.overlay->gui_scale[0], 1.25f);
    EXPECT_EQ(s.overlay->font(0)->pixel_height(), 12);  // 10 pixels raised to 12

    overlay_setup big(1280, 960);
    EXPECT_FLOAT_EQ(big.overlay->font(5)->scale(), 1.0f);
    // A world transform that doubles x halves the text scale in x.
    big.device->set_transform(TS_WORLD, mat_scaling(2, 1, 1));
    big.overlay->update_scale();
    EXPECT_FLOAT_EQ(big.overlay->text_scale[0], 1.0f);
    EXPECT_FLOAT_EQ(big.overlay->text_scale[1], 2.0f);
}

TEST(Overlay, BadFontNumbersDrawNothing) {
    overlay_setup s(640, 480);
    s.overlay->draw_text_in_box_font(0, 0, 1, 1, "x", 0xFFFFFFFFu, 1, 1, 6, 0);
    s.overlay->begin_text(7);
    s.overlay->draw_text_font(0, 0, "x", 0xFFFFFFFFu, 1, 1, -1);
    s.overlay->draw_text_font_box(0, 0, 1, 1, "x", 0xFFFFFFFFu, 1, 1, 9, 0);
    s.overlay->end_text(7);
    EXPECT_TRUE(s.device->draws().empty());
    // A good one draws once per batch.
    s.overlay->begin_text(FONT_SMALL);
    s.overlay->draw_text_font(0, 0, "ab", 0xFFFFFFFFu, 1, 1, FONT_SMALL);
    s.overlay->draw_text_font_box(0, 0, 1, 1, "cd", 0xFFFFFFFFu, 1, 1, FONT_SMALL, 0);
    s.overlay->end_text(FONT_SMALL);
    ASSERT_EQ(s.device->draws().size(), 1u);
    EXPECT_EQ(s.device->draws()[0].primitive_count, 8);
    EXPECT_EQ(s.device->draws()[0].textures[0], s.overlay->font(FONT_SMALL)->texture());
}

TEST(Overlay, ClipPlanesKeepTheBoxOfTheWorldTransform) {
    overlay_setup s(640, 480, false);
    const mat4 world = mat_scaling(0.5f, 2.0f, 1.0f) * mat_translation(0.2f, -0.1f, 0);
    s.device->set_transform(TS_WORLD, world);
    s.overlay->set_clip_planes(-0.4f, -0.3f, 0.6f, 0.2f);
    EXPECT_EQ(s.device->render_state(RS_CLIPPLANEENABLE), 15u);
    auto kept = [&](float x, float y) {
        const vec3 p = transform_coord(vec3{x, y, 0}, world);
        for (int i = 0; i < 4; ++i) {
            const float* pl = s.device->clip_plane(i);
            if (pl[0] * p.x + pl[1] * p.y + pl[2] * p.z + pl[3] < -1e-5f) return false;
        }
        return true;
    };
    EXPECT_TRUE(kept(0, 0));
    EXPECT_TRUE(kept(-0.4f, -0.3f));
    EXPECT_TRUE(kept(0.6f, 0.2f));
    EXPECT_FALSE(kept(-0.41f, 0));
    EXPECT_FALSE(kept(0.61f, 0));
    EXPECT_FALSE(kept(0, -0.31f));
    EXPECT_FALSE(kept(0, 0.21f));
    s.overlay->disable_clip_planes();
    EXPECT_EQ(s.device->render_state(RS_CLIPPLANEENABLE), 0u);
}

TEST(Primitives, RectangleOutlineIsTheSameInEitherCornerOrder) {
    overlay_setup s(640, 480, false);
    s.overlay->draw_rect(-0.5f, -0.25f, 0.5f, 0.25f, 0xFFFFFFFFu);
    s.overlay->draw_rect(0.5f, 0.25f, -0.5f, -0.25f, 0xFFFFFFFFu);
    ASSERT_EQ(s.device->draws().size(), 2u);
    auto segments = [](const draw_record& d) {
        std::set<std::tuple<float, float, float, float>> out;
        const overlay_vertex* v = verts(d);
        for (int i = 0; i < 4; ++i) {
            auto a = std::pair{v[i].x, v[i].y}, b = std::pair{v[i + 1].x, v[i + 1].y};
            if (b < a) std::swap(a, b);
            out.insert({a.first, a.second, b.first, b.second});
        }
        return out;
    };
    EXPECT_EQ(s.device->draws()[0].type, static_cast<std::uint32_t>(PT_LINESTRIP));
    EXPECT_EQ(s.device->draws()[0].primitive_count, 4);
    EXPECT_EQ(segments(s.device->draws()[0]), segments(s.device->draws()[1]));
}

TEST(Primitives, ArcsAndCircles) {
    overlay_setup s(640, 480, false);
    // 36 steps, x factor 0.75: a round circle of 240 r pixels.
    const float r = 0.5f;
    s.overlay->draw_arc(0, 0, r, 0xFFFFFFFFu, 36, 0, 0.75f);
    const draw_record& d = s.device->draws()[0];
    EXPECT_EQ(d.type, static_cast<std::uint32_t>(PT_LINESTRIP));
    EXPECT_EQ(d.primitive_count, 71);
    const overlay_vertex* v = verts(d);
    for (int i = 0; i < 72; ++i) {
        const float px = v[i].x * 320, py = v[i].y * 240;
        EXPECT_NEAR(std::hypot(px, py), 240 * r, 0.01f);
    }
    // A fractional step count overshoots to the next whole step.
    s.device->clear_records();
    s.overlay->draw_arc(0, 0, r, 0xFFFFFFFFu, 2.5f, 0, 1);
    EXPECT_EQ(s.device->draws()[0].primitive_count, 5);
    // The scratch store bounds the steps.
    s.device->clear_records();
    s.overlay->draw_arc(0, 0, r, 0xFFFFFFFFu, 1000, 0, 1);
    s.overlay->fill_arc(0, 0, r, 0xFFFFFFFFu, 1000, 0, 1);
    EXPECT_EQ(s.device->draws()[0].primitive_count, 2 * 128 - 1);
    EXPECT_EQ(s.device->draws()[1].primitive_count, 85);
}

TEST(Primitives, MarkersAndGlyphShapes) {
    overlay_setup s(640, 480, false);
    // A triangle with inset stays inside its box.
    s.overlay->fill_triangle_to_x2(-0.5f, -0.5f, 0.5f, 0.5f, 0xFFFFFFFFu, true);
    const overlay_vertex* v = verts(s.device->draws()[0]);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(std::fabs(v[i].x) < 0.5f && std::fabs(v[i].y) < 0.5f) << i;
}

TEST(Primitives, HeadingTapeKeepsToTheScratchStoreAndRefusesBadSpans) {
    overlay_setup s(640, 480);
    // The ticks come last, one line list; a span past 90 degrees is held to 90 (ten ticks at
    // most, the small members' 20 vertices).
    s.overlay->draw_heading_tape(-0.5f, -0.1f, 0.5f, 0.1f, 45.0f, 400.0f, 0xFFFFFFFFu);
    ASSERT_FALSE(s.device->draws().empty());
    EXPECT_EQ(s.device->draws().back().type, static_cast<std::uint32_t>(PT_LINELIST));
    EXPECT_EQ(s.device->draws().back().primitive_count, 10);
    // A heading many turns round reads as its remainder: the same ticks.
    const std::vector<std::uint8_t> ticks = s.device->draws().back().vertices;
    s.device->clear_records();
    s.overlay->draw_heading_tape(-0.5f, -0.1f, 0.5f, 0.1f, 45.0f + 360.0f * 1000.0f, 400.0f, 0xFFFFFFFFu);
    EXPECT_EQ(s.device->draws().back().vertices, ticks);
    s.overlay->draw_heading_tape(-0.5f, -0.1f, 0.5f, 0.1f, 3.0e30f, 60.0f, 0xFFFFFFFFu);  // no fault
    s.device->clear_records();
    // Nothing for an empty or negative span, a heading that is no number, or a flat box.
    s.overlay->draw_heading_tape(-0.5f, -0.1f, 0.5f, 0.1f, 0.0f, 0.0f, 0xFFFFFFFFu);
    s.overlay->draw_heading_tape(-0.5f, -0.1f, 0.5f, 0.1f, 0.0f, -30.0f, 0xFFFFFFFFu);
    s.overlay->draw_heading_tape(-0.5f, -0.1f, 0.5f, 0.1f, std::nanf(""), 60.0f, 0xFFFFFFFFu);
    s.overlay->draw_heading_tape(0.5f, -0.1f, 0.5f, 0.1f, 0.0f, 60.0f, 0xFFFFFFFFu);
    EXPECT_TRUE(s.device->draws().empty());
}

TEST(Primitives, ThreeDimensionalHelpers) {
    overlay_setup s(640, 480, false);
    gfx_texture* bound = nullptr;
    texture_ptr t;
    ASSERT_EQ(s.device->create_texture(4, 4, 1, 0, FMT_A8R8G8B8, POOL_MANAGED, &t), S_OK);
    s.device->set_texture(0, t.get());
    s.overlay->draw_3d_cross(1, 2, 3, 0.5f, 0xFFFFFFFFu);
    const draw_record& c = s.device->draws()[0];
    EXPECT_EQ(c.textures[0], bound);  // the texture is unbound first
    EXPECT_EQ(c.primitive_count, 3);
    EXPECT_FLOAT_EQ(verts(c)[4].z, 2.5f);
    EXPECT_FLOAT_EQ(verts(c)[5].z, 3.5f);

    const mat4 world = mat_translation(10, 20, 30);
    s.device->set_transform(TS_WORLD, world);
    s.overlay->draw_box_3d(-1, -1, -1, 1, 1, 1, 5, 0xFFFFFFFFu);
    ASSERT_EQ(s.device->draws().size(), 3u);
    const draw_record& box = s.device->draws()[1];
    EXPECT_EQ(box.type, static_cast<std::uint32_t>(PT_LINESTRIP));
    EXPECT_EQ(box.primitive_count, 19);
    const draw_record& drop = s.device->draws()[2];
    EXPECT_TRUE(is_identity(drop.state.world[0]));
    EXPECT_FLOAT_EQ(verts(drop)[0].y, 20.0f);
    EXPECT_FLOAT_EQ(verts(drop)[1].y, -5.0f);
    EXPECT_FLOAT_EQ(verts(drop)[1].x, 10.0f);
    EXPECT_FLOAT_EQ(s.device->transform(TS_WORLD).m[3][2], 30.0f);  // restored
}

TEST(Primitives, MapSymbolsAndTheScenesMarks) {
    overlay_setup s(640, 480, false);
    const float x = 0.1f, y = 0.2f, size = 0.05f;
    // Unknown kinds draw nothing; the known ones draw once, in the colour asked.
    for (int kind = -1; kind <= 6; ++kind) {
        s.device->clear_records();
        s.overlay->draw_map_symbol(x, y, size, kind, 0xFF00FF00u);
        ASSERT_EQ(s.device->draws().size(), kind < 0 || kind > 5 ? 0u : 1u) << kind;
        if (kind >= 0 && kind <= 5) EXPECT_EQ(verts(s.device->draws()[0])[0].color, 0xFF00FF00u);
    }

    // The scene's marks arrive through the GUI's services.
    gui root;
    s.device->clear_records();
    gui_link().draw_cross_marker({1.0f, 2.0f, 3.0f}, 0.5f, 0xFFFF0000u);
    gui_link().draw_selection_box({-1.0f, -1.0f, -1.0f}, {1.0f, 1.0f, 1.0f}, 5.0f, 0xFFFFFF00u);
    gui_link().draw_map_symbol(x, y, size, 5, 0xFF00FF00u);
    EXPECT_EQ(s.device->draws().size(), 4u);
    install_gui_services(nullptr);
}

TEST(Primitives, TexturedQuadsMapTheirCorners) {
    overlay_setup s(640, 480, false);
    texture_ptr t;
    ASSERT_EQ(s.device->create_texture(2, 2, 1, 0, FMT_A1R5G5B5, POOL_MANAGED, &t), S_OK);
    // (Upright mapping and keying are checked on the OpenGL device's pixels.)
    // A texture window: the part of a texture over a frame box that falls in the box.
    s.device->clear_records();
    draw_texture_window(-1, -1, 1, 1, 0, 0, 1, 1, 0xFFFFFFFFu, t.get());
    const auto* v = reinterpret_cast<const font_vertex*>(s.device->draws()[0].vertices.data());
    EXPECT_FLOAT_EQ(v[0].u, 0.5f);
    EXPECT_FLOAT_EQ(v[0].v, 0.5f);
    EXPECT_FLOAT_EQ(v[2].u, 1.0f);
    EXPECT_FLOAT_EQ(v[2].v, 0.0f);
    EXPECT_EQ(s.device->draws()[0].state.sampler[0][SAMP_ADDRESSU], static_cast<std::uint32_t>(TADDRESS_CLAMP));
    EXPECT_EQ(s.device->sampler_state(0, SAMP_ADDRESSU), static_cast<std::uint32_t>(TADDRESS_WRAP));

    // A rotated quad keeps its corner mapping: at angle 0 the (+,+) corner has (1, 1).
    s.device->clear_records();
    draw_rotated_textured_quad(0, 0, 0.3f, 0.15f, 0, 0xFFFFFFFFu, t.get());
    v = reinterpret_cast<const font_vertex*>(s.device->draws()[0].vertices.data());
    EXPECT_FLOAT_EQ(v[2].x, 0.3f);
    EXPECT_FLOAT_EQ(v[2].y, 0.2f);
    EXPECT_FLOAT_EQ(v[2].u, 1.0f);
    EXPECT_FLOAT_EQ(v[2].v, 1.0f);
}
