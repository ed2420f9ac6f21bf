#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/frame.h"
#include "core/scene_services.h"
#include "tests/support/temp_folder.h"

namespace {

// A frame that counts its updates and deletions.
class probe_frame : public frame {
public:
    explicit probe_frame(int* deaths = nullptr) : deaths_(deaths) {}
    ~probe_frame() override {
        if (deaths_ != nullptr) ++*deaths_;
    }
    void update() override {
        ++updates;
        frame::update();
    }
    int updates = 0;

private:
    int* deaths_;
};

// A leaf that reports a ray hit at its own position, as a mesh would.
class target_frame : public frame {
public:
    bool hit_test_ray(const vec3& direction, const vec3& origin, frame** hit, float* result) override {
        if (length(cross(direction, world_position() - origin)) > radius) return false;
        *hit = this;
        *result = length(world_position() - origin);
        return true;
    }
};

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        state_ = std::make_unique<app_state>();
        g_state = state_.get();
    }
    void TearDown() override {
        g_state = nullptr;
        install_scene_services(nullptr);
    }
    std::unique_ptr<app_state> state_;
};

void expect_vec(const vec3& v, float x, float y, float z, float tol = 1e-4f) {
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

}  // namespace

TEST_F(FrameTest, OwnedChildrenAreDeletedSharedOnesOnlyCounted) {
    int deaths = 0;
    auto owner = std::make_unique<frame>();
    auto* owned = new probe_frame(&deaths);
    owned->owned = 1;
    owner->add_child(owned);
    probe_frame loose(&deaths);  // a child that is not owned is never deleted by the parent
    owner->add_child(&loose);

    frame keeper;
    auto* shared = new probe_frame(&deaths);
    shared->owned = 1;
    keeper.add_child(shared);
    owner->add_child(shared, true);
    EXPECT_EQ(shared->share_count, 1);
    EXPECT_EQ(shared->parent, &keeper);  // sharing leaves the real parent alone
    EXPECT_EQ(owner->count, 3);

    owner->clear_children();
    EXPECT_EQ(deaths, 1);  // only the owned child
    EXPECT_EQ(owner->count, 0);
    EXPECT_EQ(shared->share_count, 0);
    EXPECT_EQ(shared->parent, &keeper);
    EXPECT_EQ(loose.parent, nullptr);  // no longer points at the cleared owner
    owner.reset();
    EXPECT_EQ(deaths, 1);
    keeper.clear_children();
    EXPECT_EQ(deaths, 2);
}

TEST_F(FrameTest, ChildArrayGrowsAndKeepsOrder) {
    frame parent;
    std::vector<frame*> made(257);
    for (auto& m : made) ASSERT_TRUE(create_frame(&parent, &m, "child"));
    EXPECT_EQ(parent.count, 257);
    for (int i = 0; i < 257; ++i) EXPECT_EQ(parent.child(i), made[i]);
    EXPECT_TRUE(made[0]->owned);
    EXPECT_EQ(made[0]->parent, &parent);
}

TEST_F(FrameTest, ReparentingMovesAndDestroyFrameDetachesAndClearsTheVariable) {
    frame root, other;
    frame* f = nullptr;
    ASSERT_TRUE(create_frame(&other, &f, "f"));
    root.add_child(f);
    EXPECT_EQ(other.count, 0);
    EXPECT_EQ(f->parent, &root);
    root.add_child(nullptr);  // nothing
    EXPECT_EQ(root.count, 1);
    frame* grandchild = nullptr;
    ASSERT_TRUE(create_frame(f, &grandchild, "g"));
    EXPECT_TRUE(destroy_frame(&f));
    EXPECT_EQ(f, nullptr);
    EXPECT_EQ(root.count, 0);
    EXPECT_FALSE(destroy_frame(&f));
}

TEST_F(FrameTest, NamesMatchByContainmentAfterTheLastBackslash) {
    frame root;
    root.set_name("scene");
    frame *a = nullptr, *b = nullptr, *c = nullptr;
    create_frame(&root, &a, "launchers\\amraam\\launcher.x");
    create_frame(a, &b, "turret_base");
    create_frame(a, &c, "barrel");
    EXPECT_EQ(root.find_by_name("turret"), b);
    EXPECT_EQ(root.find_by_name("rel"), c);  // contained, not equal
    EXPECT_EQ(root.find_by_name("launcher"), a);
    EXPECT_EQ(root.find_by_name("amraam"), nullptr);  // only before the last backslash
    EXPECT_EQ(root.find_by_name("a", "launcher"), b);  // the first match after the excluded one
    EXPECT_EQ(root.find_by_name("missing"), nullptr);
    EXPECT_EQ(c->root(), &root);

    const std::string long_name(127, 'n');
    frame named;
    named.set_name(long_name.c_str());
    EXPECT_EQ(std::string(named.name), long_name);
    named.set_name((long_name + "overflow").c_str());  // cut, never overrun
    EXPECT_EQ(std::strlen(named.name), 127u);
}

TEST_F(FrameTest, WorldMatricesThroughThreeLevels) {
    frame a;
    frame *b = nullptr, *c = nullptr;
    create_frame(&a, &b, "b");
    create_frame(b, &c, "c");
    a.set_position(100, 0, 0);
    a.set_rotation(k_pi / 2, 0, 0);  // +yaw turns north toward east: local z becomes world +x
    b->set_position(0, 0, 10);         // 10 m ahead of a: 10 m east of it
    b->set_rotation(k_pi / 2, 0, 0);   // a further quarter turn: b faces south
    c->set_position(0, 5, 3);          // 5 m up and 3 m ahead of b: 3 m south of it
    expect_vec(a.world_position(), 100, 0, 0);
    expect_vec(b->world_position(), 110, 0, 0);
    expect_vec(c->world_position(), 110, 5, -3);
    expect_vec(get_axis_z(c->world), 0, 0, -1);
    expect_vec(get_axis_x(c->world), -1, 0, 0);
    // Back to local coordinates through the lazy inverse.
    expect_vec(c->world_to_local({110, 6, -3}), 0, 1, 0);
    expect_vec(a.local_position_of(c), 3, 5, 10);

    // Position-only parenting ignores the parent's rotation.
    c->position_only = 1;
    c->set_position(0, 0, 1);
    expect_vec(c->world_position(), 110, 0, -1);
    expect_vec(get_axis_z(c->world), 0, 0, 1);
}

TEST_F(FrameTest, TransformOperations) {
    frame f;
    f.set_position(1, 2, 3);
    f.move_by(1, 1, 1);
    expect_vec(f.local_position(), 2, 3, 4);
    f.set_rotation(k_pi / 2, 0, 0);
    f.translate_in_local_axes(0, 0, 5);  // forward is east now
    expect_vec(f.local_position(), 7, 3, 4);
    f.scale(1, 1, 1);
    EXPECT_FALSE(f.has_scale);
    f.scale(2, 2, 2);
    EXPECT_TRUE(f.has_scale);
    f.set_rotation(0, 0, 0);  // rows keep their lengths
    EXPECT_NEAR(length(get_axis_x(f.local)), 2.0f, 1e-5f);
    expect_vec(f.local_position(), 7, 3, 4);
    f.set_scale(1, 3, 1);
    EXPECT_NEAR(length(get_axis_y(f.local)), 3.0f, 1e-5f);
    f.reset_transform();
    EXPECT_TRUE(is_identity(f.local));
    EXPECT_FALSE(f.has_scale);
}

TEST_F(FrameTest, HomeKeepsAbsolutePosition) {
    frame f;
    f.set_position(10, 0, 0);
    state_->origin_offset = {1000, 0, 0};
    f.save_home();
    state_->origin_offset = {2000, 0, 0};  // the world moved on by a cell
    f.restore_home();
    expect_vec(f.local_position(), -990, 0, 0);
}

TEST_F(FrameTest, LookAtTurnsTowardTargetAndStraightUpOrAtItselfKeepsUsableAxes) {
    frame eye, above;
    above.set_position(10, 0, 10);
    eye.look_at(&above);
    expect_vec(get_axis_z(eye.world), std::sqrt(0.5f), 0, std::sqrt(0.5f));
    expect_vec(get_axis_y(eye.world), 0, 1, 0);
    eye.set_rotation(k_pi / 2, 0, 0);  // facing east
    above.set_position(0, 50, 0);
    eye.look_at(&above);
    const vec3 x = get_axis_x(eye.world), y = get_axis_y(eye.world), z = get_axis_z(eye.world);
    expect_vec(z, 0, 1, 0);
    EXPECT_NEAR(length(x), 1.0f, 1e-5f);
    EXPECT_NEAR(length(y), 1.0f, 1e-5f);
    EXPECT_NEAR(dot(x, z), 0.0f, 1e-5f);
    expect_vec(x, 0, 0, -1);  // the previous x axis (south when facing east) is kept
    EXPECT_FALSE(std::isnan(eye.world.m[0][0]));

    // Looking at its own position changes nothing.
    const mat4 before = eye.local;
    frame twin;
    eye.look_at(&twin);  // twin stands at the origin as eye does
    EXPECT_EQ(std::memcmp(&before, &eye.local, sizeof before), 0);
}

TEST_F(FrameTest, LookAtUnderAMovedAndTurnedParentKeepsItsPlaceAndFacesTheTarget) {
    frame root;
    frame* parent = nullptr;
    frame* eye = nullptr;
    frame* target = nullptr;
    ASSERT_TRUE(create_frame(&root, &parent, "parent"));
    parent->set_position(100, 20, -50);
    parent->set_rotation(k_pi / 2, 0, 0);  // the parent faces east; its x axis points south
    ASSERT_TRUE(create_frame(parent, &eye, "eye"));
    eye->set_position(0, 0, 10);  // 10 m ahead of the parent: world (110, 20, -50)
    ASSERT_TRUE(create_frame(&root, &target, "target"));
    target->set_position(110, 70, 0);  // 50 m north of the eye and 50 m above it
    eye->look_at(target);
    const float h = std::sqrt(0.5f);
    expect_vec(eye->world_position(), 110, 20, -50);
    expect_vec(get_axis_z(eye->world), 0, h, h);
    expect_vec(get_axis_x(eye->world), 1, 0, 0);
    expect_vec(get_axis_y(eye->world), 0, h, -h);
    // In the parent's axes (x south, y up, z east) the view points north and up.
    expect_vec(get_axis_z(eye->local), -h, h, 0);
    expect_vec(get_translation(eye->local), 0, 0, 10);
    // The parent's next move carries the turned eye along.
    parent->move_by(0, 5, 0);
    expect_vec(eye->world_position(), 110, 25, -50);
    expect_vec(get_axis_z(eye->world), 0, h, h);
}

TEST_F(FrameTest, SortByLayerDrawsLayer7First) {
    frame root;
    frame* f[4] = {};
    const int layers[4] = {0, 7, 4, 7};
    for (int i = 0; i < 4; ++i) {
        create_frame(&root, &f[i], "f");
        f[i]->layer = layers[i];
    }
    root.sort_children_by_layer();
    EXPECT_EQ(root.child(0), f[1]);
    EXPECT_EQ(root.child(1), f[3]);
    EXPECT_EQ(root.child(2), f[2]);
    EXPECT_EQ(root.child(3), f[0]);
    root.move_child_to_front(f[0]);
    EXPECT_EQ(root.child(0), f[0]);
    root.move_child_to_end(f[0]);
    EXPECT_EQ(root.child(3), f[0]);
    EXPECT_EQ(root.count, 4);
}

TEST_F(FrameTest, UpdateRemovesFinishedChildWithoutSkippingTheNext) {
    int deaths = 0;
    frame root;
    probe_frame* kids[3];
    for (auto& k : kids) {
        k = new probe_frame(&deaths);
        k->owned = 1;
        root.add_child(k);
    }
    kids[1]->remove_me = 1;
    root.update();
    EXPECT_EQ(deaths, 1);
    ASSERT_EQ(root.count, 2);
    EXPECT_EQ(root.child(0), kids[0]);
    EXPECT_EQ(root.child(1), kids[2]);
    EXPECT_EQ(kids[0]->updates, 1);
    EXPECT_EQ(kids[2]->updates, 1);
}

TEST_F(FrameTest, SharedTwiceIsNotUpdated) {
    frame root;
    probe_frame child;
    root.add_child(&child);
    auto* grand = new probe_frame();
    grand->owned = 1;
    child.add_child(grand);
    child.share_count = 2;
    root.update();
    EXPECT_EQ(child.updates, 1);  // its own slot runs, but returns at once
    EXPECT_EQ(grand->updates, 0);
    child.share_count = 1;
    root.update();
    EXPECT_EQ(grand->updates, 1);
    child.share_count = 0;
    root.remove_child(&child);
}

TEST_F(FrameTest, MotionBehaviours) {
    state_->dt = 0.5f;
    frame f;
    f.set_velocity(0, 0, 10);
    EXPECT_TRUE(f.move);
    f.update();
    expect_vec(f.world_position(), 0, 0, 5);
    f.set_velocity(0, 0, 0);
    EXPECT_FALSE(f.move);

    frame s;
    s.set_spin(0, 1, 0, k_pi);  // half a turn a second
    s.update();
    expect_vec(get_axis_z(s.world), 1, 0, 0);

    // Motion tracking: the last tick's motion, but not across an origin shift.
    frame m;
    state_->no_shift = 1;
    m.set_velocity(2, 0, 0);
    m.update();
    m.update();
    expect_vec(m.last_motion, 1, 0, 0);
    state_->no_shift = 0;
    m.move_by(-1000, 0, 0);
    m.update();
    expect_vec(m.last_motion, 1, 0, 0);

    // A night-only frame is active exactly at night.
    frame lamp;
    lamp.night_only = 1;
    lamp.update();
    EXPECT_FALSE(lamp.active);
    state_->night = 1;
    lamp.update();
    EXPECT_TRUE(lamp.active);
}

TEST_F(FrameTest, GroundAlignmentAndFloating) {
    // Ground rising 0.1 m per metre eastward.
    struct slope : scene_services {
        float ground_height(float x, float) override { return 0.1f * x; }
        float sea_height(float, float) override { return 3.0f; }
    } world;
    install_scene_services(&world);
    state_->dt = 1.0f;
    frame car;
    car.ground_align = 1;
    car.set_position(10, 0, 0);
    car.set_velocity(0, 0, 1);
    car.update();
    EXPECT_NEAR(car.world_position().y, 1.0f, 1e-4f);
    const vec3 n = normalize(vec3{-0.5f, 5.0f, 0.0f});
    expect_vec(get_axis_y(car.world), n.x, n.y, n.z);

    frame buoy;
    buoy.on_sea = 1;
    buoy.box = {{-1, -2, -1}, {1, 0, 1}};
    buoy.update();
    EXPECT_NEAR(buoy.world_position().y, 4.0f, 1e-5f);  // 3 - (-2 + 0) / 2
}

namespace {

// A camera at the origin looking north with a 90 degree field of view (P11 = P22 = 1).
struct view_fixture {
    mat4 camera_world = mat_identity();
    mat4 view = mat_identity();
    mat4 projection = mat_perspective_fov_lh(k_pi / 2, 1.0f, 1.0f, 1000.0f);
    void publish(app_state& s) {
        s.camera_world = &camera_world;
        s.view_matrix = &view;
        s.projection_matrix = &projection;
    }
};

}  // namespace

TEST_F(FrameTest, CullingJustInsideAndJustOutsideTheView) {
    view_fixture v;
    v.publish(*state_);
    frame group;
    frame* leaf = nullptr;
    create_frame(&group, &leaf, "leaf");
    leaf->base_radius = 1.0f;
    group.update_bounding_radius();
    ASSERT_NEAR(group.radius, 1.0f, 1e-6f);

    // 100 m ahead: the side plane |x| = z. Centre 100.9 m to the side: the sphere still
    // touches the view; 101.1 m: out.
    group.set_position(100.9f, 0, 100);
    EXPECT_TRUE(group.is_in_view());
    group.set_position(101.1f, 0, 100);
    EXPECT_FALSE(group.is_in_view());

    // Behind the camera but near: a leaf is drawn (distance test only), a group is not.
    group.set_position(0, 0, -50);
    group.render();
    EXPECT_FALSE(group.in_view);
    frame lone;
    lone.set_position(0, 0, -50);
    lone.render();
    EXPECT_TRUE(lone.in_view);

    // Distance: beyond the object distance limit nothing is in view, parent first.
    state_->max_objects_dist = 10000.0f;
    group.set_position(0, 0, 10002);
    group.cull();
    EXPECT_FALSE(group.in_view);
    EXPECT_FALSE(leaf->in_view);  // the parent's verdict carries down
    group.set_position(0, 0, 10000.5f);
    group.cull();
    EXPECT_TRUE(group.in_view);

    // Closer than 1.5 radius: always passes the frustum test.
    group.set_position(0, 0, -1.4f);
    group.camera_distance = 1.4f;
    EXPECT_TRUE(group.in_frustum());

    // An inactive frame is out of view with its subtree, and never hit.
    group.active = 0;
    group.set_position(0, 0, 10);
    group.render();
    EXPECT_FALSE(group.in_view);
    frame* hit = nullptr;
    EXPECT_FALSE(group.hit_test_point(0, 0, 10, &hit));
    group.cull();
    EXPECT_FALSE(group.in_view);
}

TEST_F(FrameTest, ShadowPassUsesTheShadowDistance) {
    view_fixture v;
    v.publish(*state_);
    temp_folder tmp;  // the application object writes its log at destruction
    d3d_app app;
    g_app = &app;
    app.shadow_pass = 1;
    state_->shadow_distance = 100.0f;
    frame f;
    f.radius = 10.0f;
    f.set_position(0, 0, 150);
    f.render();
    EXPECT_FALSE(f.in_view);
    f.set_position(0, 0, 105);
    f.render();
    EXPECT_TRUE(f.in_view);
    g_app = nullptr;
}

TEST_F(FrameTest, PointHitTests) {
    frame leafless;
    leafless.radius = 5;
    frame* hit = nullptr;
    EXPECT_FALSE(leafless.hit_test_point(0, 0, 0, &hit));  // no children: never a hit

    // A child that reports itself.
    struct solid : frame {
        bool hit_test_point(float, float, float, frame** h) override {
            *h = this;
            return true;
        }
        bool hit_test_frame(frame*, frame** h) override {
            *h = this;
            return true;
        }
    };
    frame group;
    auto* s = new solid();
    s->owned = 1;
    group.add_child(s);
    group.radius = 5;
    group.set_position(100, 0, 0);
    EXPECT_TRUE(group.hit_test_point(106.9f, 0, 0, &hit));  // radius + 2 m margin
    EXPECT_EQ(hit, s);
    EXPECT_FALSE(group.hit_test_point(107.1f, 0, 0, &hit));
    frame other;
    other.set_position(100, 6, 0);
    EXPECT_TRUE(group.hit_test_frame(&other, &hit));
    EXPECT_TRUE(group.hit_test_point_any(100, 0, -6, &hit));
}

TEST_F(FrameTest, RayFindsTheLeafInsideABox) {
    frame group;
    auto* t = new target_frame();
    t->owned = 1;
    group.add_child(t);
    group.set_position(0, 0, 50);
    t->set_position(0, 0, 0);
    t->radius = 1.0f;
    group.radius = 2.0f;
    frame* hit = nullptr;
    float distance = 0;
    EXPECT_TRUE(group.hit_test_ray({0, 0, 1}, {0.5f, 0, 0}, &hit, &distance));
    EXPECT_EQ(hit, t);
    EXPECT_NEAR(distance, 50.0f, 0.01f);
    hit = nullptr;
    EXPECT_FALSE(group.hit_test_ray({0, 0, 1}, {3, 0, 0}, &hit, &distance));
    EXPECT_EQ(hit, nullptr);
}

TEST(RayTriangle, DistanceAlongTheRayAndProbeHeightArePositive) {
    // A 2 m square of floor 10 m up, wound to face up (the hit side is the one the normal
    // (p1 - p0) x (p2 - p0) points to).
    const vec3 a{-1, 10, -1}, b{-1, 10, 1}, c{1, 10, 1}, d{1, 10, -1};
    ASSERT_GT(cross(b - a, c - a).y, 0.0f);
    float t = 0;
    // Picking from 30 m above, looking down: 20 m ahead, positive.
    EXPECT_TRUE(intersect_ray_triangle({0.2f, 30, 0.5f}, {0, -1, 0}, a, b, c, &t));
    EXPECT_NEAR(t, 20.0f, 1e-4f);
    EXPECT_TRUE(intersect_ray_triangle({0.5f, 30, 0.2f}, {0, -1, 0}, a, c, d, &t));
    EXPECT_NEAR(t, 20.0f, 1e-4f);
    // A slanted ray: the distance along the ray, not the height difference.
    const vec3 slanted = normalize({0.5f, -20, 0});
    EXPECT_TRUE(intersect_ray_triangle({0, 30, 0.2f}, slanted, a, c, d, &t));
    EXPECT_NEAR(t, 20.0f / -slanted.y, 1e-3f);
    // Seen from below it is a back face: never hit.
    EXPECT_FALSE(intersect_ray_triangle({0.2f, -5, 0.5f}, {0, 1, 0}, a, b, c, &t));
    // Outside the triangle.
    EXPECT_FALSE(intersect_ray_triangle({5, 30, 0}, {0, -1, 0}, a, b, c, &t));
    // The height probe gives +10 for the floor at 10 m, and also for one below 0.
    float h = 0;
    EXPECT_TRUE(probe_height(0.2f, 0.5f, a, b, c, &h));
    EXPECT_NEAR(h, 10.0f, 1e-4f);
    const vec3 down{0, -25, 0};
    EXPECT_TRUE(probe_height(0.2f, 0.5f, a + down, b + down, c + down, &h));
    EXPECT_NEAR(h, -15.0f, 1e-4f);
    // A face turned down is ignored by the probe.
    EXPECT_FALSE(probe_height(0.2f, 0.5f, a, c, b, &h));
}

TEST_F(FrameTest, BoundingBoxAndRadius) {
    frame group;
    frame *a = nullptr, *b = nullptr;
    create_frame(&group, &a, "a");
    create_frame(&group, &b, "b");
    a->base_box = {{-1, -1, -1}, {1, 1, 1}};
    a->base_radius = std::sqrt(3.0f);
    a->set_position(10, 0, 0);
    b->base_box = {{-2, 0, -2}, {2, 4, 2}};
    b->base_radius = 1.0f;
    b->set_position(-10, 0, 0);
    group.update_bounding_box();
    expect_vec(group.box.min, -12, -1, -2);
    expect_vec(group.box.max, 11, 4, 2);
    group.update_bounding_radius();
    EXPECT_NEAR(group.radius, 10 + std::sqrt(3.0f), 1e-5f);

    // A scaled leaf: box and radius scale with the local matrix.
    a->scale(2, 2, 2);
    expect_vec(a->box.min, -2, -2, -2);
    EXPECT_NEAR(a->radius, 2 * std::sqrt(3.0f), 1e-5f);
}

TEST_F(FrameTest, BoxWhoseMinimumCornerIsZeroIsNotEmpty) {
    // A model whose own box starts exactly at its origin, with a child part beside it.
    frame body;
    body.base_box = {{0, 0, 0}, {4, 2, 4}};
    frame* part = nullptr;
    create_frame(&body, &part, "part");
    part->base_box = {{-1, -1, -1}, {1, 1, 1}};
    part->set_position(2, 3, 2);  // spans (1, 2, 1) to (3, 4, 3)
    body.update_bounding_box();
    expect_vec(body.box.min, 0, 0, 0);  // the body's own corner, not the part's
    expect_vec(body.box.max, 4, 4, 4);

    // A frame with no geometry of its own still takes its children's box alone.
    frame group;
    frame* leaf = nullptr;
    create_frame(&group, &leaf, "leaf");
    leaf->base_box = {{-1, -1, -1}, {1, 1, 1}};
    leaf->set_position(100, 0, 0);
    group.update_bounding_box();
    expect_vec(group.box.min, 99, -1, -1);
    expect_vec(group.box.max, 101, 1, 1);
}

TEST_F(FrameTest, SurfaceHeightVisitsEveryChildInRange) {
    struct plate : frame {
        float top = 0;
        void surface_height(float, float, float* h, frame** hit) override {
            if (top > *h) {
                *h = top;
                *hit = this;
            }
        }
    };
    frame group;
    auto* low = new plate();
    auto* high = new plate();
    low->owned = high->owned = 1;
    low->top = 5;
    high->top = 9;
    group.add_child(high);
    group.add_child(low);
    group.radius = 10;
    float h = -100;
    frame* hit = nullptr;
    group.surface_height(3, 3, &h, &hit);
    EXPECT_FLOAT_EQ(h, 9);
    EXPECT_EQ(hit, high);
    h = -100;
    group.surface_height(10, 0, &h, &hit);  // not below the radius: untouched
    EXPECT_FLOAT_EQ(h, -100);
}
