#include <gtest/gtest.h>

#include <memory>

#include "core/app_state.h"
#include "core/frame.h"

namespace {

class EditorSelectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        state_ = std::make_unique<app_state>();
        g_state = state_.get();
        // Looking north from the origin, 90 degrees wide: x / z and y / z are the screen.
        state_->selection.view_projection = mat_perspective_fov_lh(k_pi / 2, 1.0f, 1.0f, 1000.0f);
        state_->selection.min_x = -0.5f;
        state_->selection.max_x = 0.5f;
        state_->selection.min_y = -0.5f;
        state_->selection.max_y = 0.5f;
    }
    void TearDown() override { g_state = nullptr; }
    std::unique_ptr<app_state> state_;
};

}  // namespace

TEST_F(EditorSelectionTest, LeavesInsideTheRectangleSelectTheirOwners) {
    frame objects;
    frame *system = nullptr, *barrel = nullptr, *outside = nullptr, *behind = nullptr;
    create_frame(&objects, &system, "system");
    create_frame(system, &barrel, "barrel");
    create_frame(&objects, &outside, "outside");
    create_frame(&objects, &behind, "behind");
    system->set_position(0, 0, 100);
    barrel->set_position(10, 0, 0);
    barrel->selection_owner = system;  // picking the barrel takes the whole system
    outside->set_position(80, 0, 100);
    behind->set_position(0, 0, -100);

    for (int i = 0; i < objects.child_count(); ++i) objects.child(i)->add_leaves_to_selection();
    ASSERT_EQ(state_->selection.size(), 1);
    EXPECT_EQ(state_->selection.at(0), system);
    EXPECT_TRUE(system->selected);
    EXPECT_FALSE(outside->selected);
    EXPECT_FALSE(behind->selected);

    // Not hit-testable: skipped with its subtree.
    state_->selection.clear();
    EXPECT_FALSE(system->selected);
    system->hit_testable = 0;
    system->add_leaves_to_selection();
    EXPECT_EQ(state_->selection.size(), 0);
}

TEST_F(EditorSelectionTest, DestroyedFrameLeavesTheSelection) {
    frame* f = nullptr;
    create_frame(nullptr, &f, "f");
    f->set_position(0, 0, 50);
    state_->select_if_in_rectangle(f);
    ASSERT_EQ(state_->selection.size(), 1);
    destroy_frame(&f);
    EXPECT_EQ(state_->selection.size(), 0);
    state_->selection.clear();  // nothing dangling to deselect
}

TEST_F(EditorSelectionTest, DragRectangleSelectsAndReportsTheCount) {
    frame objects;
    frame *a = nullptr, *b = nullptr;
    create_frame(&objects, &a, "a");
    create_frame(&objects, &b, "b");
    a->set_position(0, 0, 100);
    b->set_position(-20, 10, 100);
    mat4 view = mat_identity();
    mat4 projection = mat_perspective_fov_lh(k_pi / 2, 1.0f, 1.0f, 1000.0f);
    state_->view_matrix = &view;
    state_->projection_matrix = &projection;
    state_->selection.objects_root = &objects;
    state_->select_in_drag_rectangle();
    EXPECT_EQ(state_->selection.size(), 2);
    EXPECT_STREQ(state_->message, "2 Objects Selected");
}

TEST_F(EditorSelectionTest, PickAtCursorSelectsTheTopAncestor) {
    struct solid : frame {
        bool hit_test_ray(const vec3&, const vec3&, frame** hit, float*) override {
            *hit = this;
            return false;
        }
    };
    frame objects;
    frame* system = nullptr;
    create_frame(&objects, &system, "system");
    auto* part = new solid();
    part->owned = 1;
    system->add_child(part);
    system->set_position(0, 0, 100);
    system->radius = 5;
    objects.radius = 1000;
    mat4 camera_world = mat_identity();
    mat4 projection = mat_perspective_fov_lh(k_pi / 2, 1.0f, 1.0f, 1000.0f);
    state_->camera_world = &camera_world;
    state_->projection_matrix = &projection;
    state_->selection.objects_root = &objects;
    state_->pick_at_cursor(320, 240);  // the centre of the 640 x 480 screen
    ASSERT_EQ(state_->selection.size(), 1);
    EXPECT_EQ(state_->selection.at(0), system);
}
