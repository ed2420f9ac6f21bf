// The object labels: projected beside each object in one batch of the 10-point font, none
// behind the camera, nothing at all with [use_labels] off.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/gui_services.h"
#include "core/scene_services.h"

namespace {

class fixed_labels : public scene_services {
public:
    std::vector<object_label> labels;
    int collect_labels(object_label* out, int capacity) override {
        int n = 0;
        for (const object_label& l : labels) {
            if (n < capacity) out[n++] = l;
        }
        return n;
    }
};

class noting_text : public gui_services {
public:
    std::vector<std::string> calls;
    float x = 0.0f, y = 0.0f;              // the last label's place
    float shadow_x = 0.0f, shadow_y = 0.0f;  // the last black one's
    void begin_label_text(int font) override { calls.push_back("begin " + std::to_string(font)); }
    void draw_label_text(float lx, float ly, const char* text, std::uint32_t colour, int font) override {
        if (colour == 0xFF000000u) {
            shadow_x = lx;
            shadow_y = ly;
        } else {
            x = lx;
            y = ly;
        }
        calls.push_back(std::string(text) + (colour == 0xFFFF0000u ? " red" : colour == 0xFF000000u ? " black" : " green") + " " + std::to_string(font));
    }
    void end_label_text(int font) override { calls.push_back("end " + std::to_string(font)); }
    vec2 gui_scale() const override { return {1.6f, 1.25f}; }
};

class Labels : public ::testing::Test {
protected:
    void SetUp() override {
        g_app = &app;
        g_state = &state;
        install_scene_services(&scene);
        install_gui_services(&text);
        state.view_matrix = &view;
        state.projection_matrix = &projection;
        projection = mat_perspective_fov_lh(0.785f, 1.333f, 1.0f, 10000.0f);
    }
    void TearDown() override {
        install_gui_services(nullptr);
        install_scene_services(nullptr);
        g_state = nullptr;
        g_app = nullptr;
    }
    d3d_app app;
    app_state state;
    fixed_labels scene;
    noting_text text;
    mat4 view = mat_identity();
    mat4 projection = mat_identity();
};

}  // namespace

TEST_F(Labels, EachObjectInFrontIsNamedInOneBatchOfFont5) {
    scene.labels = {{{0.0f, 0.0f, 100.0f}, "Sentinel MR", 0xFF00FF00u},
                    {{10.0f, 5.0f, -50.0f}, "Rocket", 0xFFFF0000u},   // behind the camera
                    {{0.0f, 0.0f, 1.5f}, "Missile", 0xFF00FF00u},     // within the near distance
                    {{20.0f, 10.0f, 200.0f}, "Rocket", 0xFFFF0000u}};
    state.draw_selection_and_labels();
    EXPECT_EQ(text.calls, std::vector<std::string>({"begin 5", "Sentinel MR green 5", "Rocket red 5", "end 5"}));
    // The last one: projected, divided by the transformed z, scaled and moved by 0.1.
    const vec3 p{20.0f, 10.0f, 200.0f};
    const float z = transform_point_z(p, projection);
    EXPECT_NEAR(text.x, transform_point_x(p, projection) * 1.6f / z - 0.1f, 1e-5f);
    EXPECT_NEAR(text.y, transform_point_y(p, projection) * 1.25f / z - 0.1f, 1e-5f);
    EXPECT_GT(text.x, -0.1f);
}

TEST_F(Labels, UnderNightVisionEachLabelHasABlackShadowOnePixelRightAndDown) {
    scene.labels = {{{0.0f, 0.0f, 100.0f}, "Missile", 0xFF00FF00u}};
    state.draw_selection_and_labels();
    const float x = text.x, y = text.y;
    text.calls.clear();
    app.night_vision = 1;
    state.draw_selection_and_labels();
    // The shadow first, so the label's own colour lies over it.
    EXPECT_EQ(text.calls, std::vector<std::string>({"begin 5", "Missile black 5", "Missile green 5", "end 5"}));
    EXPECT_NEAR(text.x, x, 1e-6f);
    EXPECT_NEAR(text.y, y, 1e-6f);
    EXPECT_NEAR(text.shadow_x - x, 1.0f / 320.0f, 1e-6f);
    EXPECT_NEAR(text.shadow_y - y, -1.0f / 240.0f, 1e-6f);
}

TEST_F(Labels, WithLabelsOffNothingIsDrawnAndNoBatchBegun) {
    scene.labels = {{{0.0f, 0.0f, 100.0f}, "Sentinel MR", 0xFF00FF00u}};
    app.use_labels = 0;
    state.draw_selection_and_labels();
    EXPECT_TRUE(text.calls.empty());
    // Without the camera's matrices there is nothing to project either.
    app.use_labels = 1;
    state.view_matrix = nullptr;
    state.draw_selection_and_labels();
    EXPECT_TRUE(text.calls.empty());
}
