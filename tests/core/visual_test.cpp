// Visuals: primitive counts of the three primitive types and the refusal of strips and fans
// too short to make a triangle, bounds under scale, the picking ray on triangle lists only,
// draping, night textures, and the recorded draw with its own projection.
#include <cmath>
#include <cstring>

#include "core/visual.h"
#include "tests/core/model_fixture.h"

namespace {

std::vector<model_vertex> ring(int n, float r) {
    std::vector<model_vertex> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const float a = 2.0f * k_pi * static_cast<float>(i) / static_cast<float>(n);
        v[static_cast<std::size_t>(i)].x = r * std::cos(a);
        v[static_cast<std::size_t>(i)].z = r * std::sin(a);
    }
    return v;
}

// A square 10 m on a side around the origin, on y = 0, as two triangles facing up.
std::vector<model_vertex> square() {
    const float c[6][2] = {{-5, -5}, {-5, 5}, {5, 5}, {-5, -5}, {5, 5}, {5, -5}};
    std::vector<model_vertex> v(6);
    for (int i = 0; i < 6; ++i) {
        v[static_cast<std::size_t>(i)].x = c[i][0];
        v[static_cast<std::size_t>(i)].z = c[i][1];
        v[static_cast<std::size_t>(i)].u = c[i][0] > 0 ? 1.0f : 0.0f;
    }
    return v;
}

TEST_F(ModelTest, VisualPrimitiveCountsAndShortStripsAndFans) {
    visual* v = nullptr;
    ASSERT_EQ(create_detached_visual(&v), S_OK);
    const std::vector<model_vertex> ten = ring(10, 50.0f);
    ASSERT_TRUE(v->create_vertex_buffer(PT_TRIANGLESTRIP, 10, ten.data()));
    EXPECT_EQ(v->primitive_count, 8);
    ASSERT_TRUE(v->create_vertex_buffer(PT_TRIANGLEFAN, 10, ten.data()));
    EXPECT_EQ(v->primitive_count, 9);
    ASSERT_TRUE(v->create_vertex_buffer(PT_TRIANGLELIST, 10, ten.data()));
    EXPECT_EQ(v->primitive_count, 3);
    // Too short to make one triangle: refused, the last good buffer stays.
    EXPECT_FALSE(v->create_vertex_buffer(PT_TRIANGLESTRIP, 2, ten.data()));
    EXPECT_FALSE(v->create_vertex_buffer(PT_TRIANGLELIST, 2, ten.data()));
    EXPECT_FALSE(v->create_vertex_buffer(PT_LINELIST, 10, ten.data()));
    EXPECT_EQ(v->primitive_count, 3);
    EXPECT_EQ(v->vertex_count, 10);
    // A refused buffer from the device is a failure with a log line.
    device_->create_result = E_OUTOFMEMORY;
    EXPECT_FALSE(v->create_vertex_buffer(PT_TRIANGLELIST, 9, ten.data()));
    EXPECT_NE(log().find("E_OUTOFMEMORY"), std::string::npos);
    destroy_visual(&v);
}

TEST_F(ModelTest, VisualBoundsPickingAndDraping) {
    visual* v = nullptr;
    ASSERT_EQ(create_detached_visual(&v), S_OK);
    const std::vector<model_vertex> ten = ring(10, 50.0f);
    v->scale(2.0f, 1.0f, 2.0f);
    ASSERT_TRUE(v->create_vertex_buffer(PT_TRIANGLESTRIP, 10, ten.data()));
    EXPECT_FLOAT_EQ(v->base_radius, 50.0f);
    EXPECT_FLOAT_EQ(v->radius, 100.0f);
    // A strip answers no picking ray, and neither do its children.
    visual* child = nullptr;
    ASSERT_EQ(create_visual(v, &child), S_OK);
    const std::vector<model_vertex> sq = square();
    ASSERT_TRUE(child->create_vertex_buffer(PT_TRIANGLELIST, 6, sq.data()));
    g_state->nearest_hit = 1000000.0f;
    frame* hit = nullptr;
    float value = 0.0f;
    EXPECT_FALSE(v->hit_test_ray({0, -1, 0}, {1, 20, 1}, &hit, &value));
    EXPECT_EQ(hit, nullptr);
    // A list does: straight down from 20 m onto the square at 0.
    child->set_position(0.0f, 0.0f, 0.0f);
    EXPECT_FALSE(child->hit_test_ray({0, -1, 0}, {1, 20, 1}, &hit, &value));
    EXPECT_EQ(hit, child);
    EXPECT_FLOAT_EQ(g_state->nearest_hit, 20.0f);
    EXPECT_FLOAT_EQ(g_state->hit_normal.y, 1.0f);

    // Draping: the ground at 3 + 0.5 x, the visual 1 m up; a zero vertical scale is refused.
    ground_.height = 3.0f;
    ground_.slope = 0.5f;
    child->set_position(0.0f, 1.0f, 0.0f);
    child->local.m[1][1] = 0.0f;
    child->drape_on_ground();
    EXPECT_NE(log().find("vertical scale is 0"), std::string::npos);
    EXPECT_EQ(child->pass1, 1);
    child->local.m[1][1] = 1.0f;
    child->update_matrices();
    child->drape_on_ground();
    EXPECT_EQ(child->pass1, 0);
    void* bits = nullptr;
    ASSERT_EQ(child->vertex_buffer->lock(0, 0, &bits), S_OK);
    const model_vertex* out = static_cast<const model_vertex*>(bits);
    // The parent's scale doubles x in the world.
    for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(out[i].y, 3.0f + 0.5f * (2.0f * out[i].x) - 1.0f);
    child->vertex_buffer->unlock();
    EXPECT_EQ(ground_.marked, 6);
    destroy_visual(&v);
}

TEST_F(ModelTest, VisualNightTextureAndItsDraw) {
    folder_.write("graphics/runway.jpg", "day");
    folder_.write("graphics/runway_n.jpg", "night");
    visual* v = nullptr;
    ASSERT_EQ(create_detached_visual(&v), S_OK);
    v->set_texture("graphics\\runway.jpg", 0);
    EXPECT_EQ(v->night_variant, 1);
    EXPECT_STREQ(v->name, "graphics\\runway_n.jpg");
    ASSERT_EQ(loader_.names.size(), 1u);
    v->set_texture("graphics\\runway_n.jpg", 0);  // the name it has: no reload
    EXPECT_EQ(loader_.names.size(), 1u);
    const std::vector<model_vertex> sq = square();
    ASSERT_TRUE(v->create_vertex_buffer(PT_TRIANGLELIST, 6, sq.data()));
    v->set_colour(0.5f, 0.6f, 0.7f, 1.0f);

    mat4 normal = mat_perspective_fov_lh(1.0f, 1.0f, 1.0f, 1000.0f);
    mat4 offset = mat_perspective_fov_lh(1.0f, 1.0f, 1.25f, 1000.0f);
    g_state->projection_matrix = &normal;
    g_state->offset_projection = &offset;
    g_state->night = 1;
    v->render();
    ASSERT_EQ(device_->draws().size(), 1u);
    const draw_record& d = device_->draws()[0];
    EXPECT_EQ(d.type, static_cast<std::uint32_t>(PT_TRIANGLELIST));
    EXPECT_EQ(d.primitive_count, 2);
    EXPECT_EQ(d.state.render[RS_ZWRITEENABLE], 0u);
    EXPECT_EQ(d.state.render[RS_LIGHTING], 0u);  // the night texture is unlit at night
    EXPECT_EQ(d.state.render[RS_CULLMODE], CULL_NONE);
    EXPECT_EQ(std::memcmp(&d.state.projection, &offset, sizeof offset), 0);
    EXPECT_FLOAT_EQ(d.state.material.ambient.g, 0.6f);
    EXPECT_EQ(d.textures[0], v->texture);
    EXPECT_EQ(std::memcmp(&device_->transform(TS_PROJECTION), &normal, sizeof normal), 0);
    EXPECT_EQ(device_->render_state(RS_ZWRITEENABLE), 1u);
    EXPECT_EQ(device_->render_state(RS_LIGHTING), 1u);
    // Nothing in the shadow-map pass; the shadow-receiving program in the anchors pass.
    device_->clear_records();
    g_app->shadow_pass = 1;
    v->render();
    EXPECT_TRUE(device_->draws().empty());
    model_shader_programs programs;
    create_model_shaders(device_.get(), &programs);
    g_app->shadow_pass = 2;
    v->render();
    ASSERT_EQ(device_->draws().size(), 1u);
    EXPECT_EQ(device_->draws()[0].vertex_shader, shading().visual_receiver_vs);
    EXPECT_EQ(device_->render_state(RS_FOGTABLEMODE), FOG_EXP);
    EXPECT_EQ(device_->vertex_shader(), nullptr);
    g_state->projection_matrix = nullptr;
    g_state->offset_projection = nullptr;
    destroy_visual(&v);
    shading() = model_shading{};
    EXPECT_EQ(loader_.alive, 0);
}

}  // namespace
