// The model pictures of the menus: the file picker's thumbnail and the design preview, drawn on
// the recording device.
#include "core/mesh.h"
#include "platform/gfx_resources.h"
#include "tests/core/model_fixture.h"

namespace {

// A square 4 m on a side around the origin, facing -z.
std::string square_model() {
    return k_x_header + "Mesh sq { 4; -2;-2;0;, 2;-2;0;, 2;2;0;, -2;2;0;; 2; 3;0,1,2;, 3;0,2,3;;\n"
                        " MeshMaterialList { 1; 2; 0,0;; " + x_material_text(1, 1, 1, 1) + " } }\n";
}

}  // namespace

TEST_F(ModelTest, AThumbnailFitsTheModelIntoItsOwnPictureAndLeavesTheDeviceAsItWas) {
    folder_.write("m/sq.x", square_model());
    device_->set_transform(TS_VIEW, mat_translation(1.0f, 2.0f, 3.0f));
    std::unique_ptr<gfx_texture> picture;
    ASSERT_TRUE(state_->render_model_thumbnail("m\\sq.x", &picture));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->width(), 256);
    ASSERT_EQ(device_->draws().size(), 1u);
    const draw_record& draw = device_->draws()[0];
    EXPECT_EQ(draw.target, picture->surface_level(0));
    // The largest extent (4 m) becomes half the unit square; the centre stands 2 m ahead.
    const vec3 centre = transform_point(0.0f, 0.0f, 0.0f, draw.state.world[0]);
    EXPECT_NEAR(centre.z, 2.0f, 1e-5f);
    const vec3 corner = transform_point(2.0f, 0.0f, 0.0f, draw.state.world[0]);
    EXPECT_NEAR(length(corner - centre), 0.25f, 1e-5f);
    EXPECT_EQ(device_->back_buffer(), device_->render_target());
    EXPECT_FALSE(app_.show_all);

    EXPECT_FALSE(state_->render_model_thumbnail("m\\none.x", &picture));
    EXPECT_EQ(picture, nullptr);
}

TEST_F(ModelTest, TheDesignPreviewDrawsBothPassesAndRestoresTheTransforms) {
    folder_.write("m/sq.x", square_model());
    mesh* m = nullptr;
    ASSERT_EQ(create_detached_mesh(&m), S_OK);
    ASSERT_TRUE(m->load_x("m\\sq.x"));
    const mat4 view = mat_translation(1.0f, 2.0f, 3.0f);
    device_->set_transform(TS_VIEW, view);
    render_design_preview(m, 0.0f, 0.0f, 5.0f, 0.0f, 0.0f);
    // The opaque square is drawn in the first pass only, in front of the eye.
    ASSERT_EQ(device_->draws().size(), 1u);
    EXPECT_NEAR(device_->draws()[0].state.world[0].m[3][2], 5.0f * m->radius, 1e-4f);
    EXPECT_EQ(device_->transform(TS_VIEW).m[3][1], view.m[3][1]);
    EXPECT_EQ(state_->render_pass, 0);
    EXPECT_FALSE(app_.show_all);
    destroy_mesh(&m);
}
