// Scatter arrays, decals and blinkers: the sway rate's clamps and the oscillator's bound over
// a million steps, the item limits and the refusal of a height of 0, land-only scattering over
// water, the drawn share of a complex array, the blink of a light decal, and the blinker's
// pattern, sector colours and bounded definition files.
#include <cmath>

#include "tests/world/effects_fixture.h"
#include "world/array_sp.h"
#include "world/blinker.h"
#include "world/decal.h"
#include "world/floater.h"
#include "world/scatter_sprite_shading.h"

namespace {

// Ground that is under water west of x = 0.
struct half_sea : recording_scene_services {
    float ground_height(float x, float) override { return x < 0.0f ? -5.0f : 5.0f; }
    float sea_height(float, float) override { return 0.0f; }
};

TEST_F(EffectsTest, SwayRateClampsAndTheOscillatorStaysBounded) {
    EXPECT_FLOAT_EQ(sway_rate_for(0.0f), 1.0f);
    EXPECT_FLOAT_EQ(sway_rate_for(-3.0f), 1.0f);
    float s = 0.0f, c = 0.5f;
    for (int i = 0; i < 1000000; ++i) turn_sway(&s, &c, 5.0f * 0.05f);
    EXPECT_LT(std::fabs(s), 0.6f);
    EXPECT_LT(std::fabs(c), 0.6f);
    EXPECT_GT(s * s + c * c, 0.2f);
}

TEST_F(EffectsTest, ArrayScatterBoundsAndLandOnlyOverWater) {
    half_sea coast;
    install_scene_services(&coast);
    array_sp* a = nullptr;
    ASSERT_EQ(create_array_sp_unparented(&a), S_OK);
    a->set_count(1000000);
    EXPECT_EQ(a->item_count, array_sp::k_max_items);
    a->set_count(1000);
    a->item_height = 2.5f;
    a->scatter_on_terrain("graphics\\bush.dds");
    // About half the square lies over water: those items are dropped.
    EXPECT_LT(a->item_count, 700);
    EXPECT_GT(a->item_count, 300);
    for (int i = 0; i < a->item_count; ++i) ASSERT_FLOAT_EQ(a->positions[static_cast<std::size_t>(i)].y, 5.0f);
    EXPECT_FLOAT_EQ(a->sway_rate, 2.0f);
    EXPECT_FLOAT_EQ(a->box.max.y, 7.5f);
    // An item height of 0 would give an endless sway rate: the array is left out.
    array_sp* b = nullptr;
    ASSERT_EQ(create_array_sp_unparented(&b), S_OK);
    b->set_count(100);
    b->item_height = 0.0f;
    b->scatter_on_terrain("graphics\\flat.dds");
    EXPECT_EQ(b->item_count, 0);
    EXPECT_NE(log().find("graphics\\flat.dds"), std::string::npos);
    destroy_array_sp(&a);
    destroy_array_sp(&b);
    install_scene_services(&world_);
}

TEST_F(EffectsTest, ArrayDrawsItsComplexityShareInDrawOrder) {
    array_sp* a = nullptr;
    ASSERT_EQ(create_array_sp_unparented(&a), S_OK);
    a->set_count(1000);
    a->item_height = 4.0f;
    a->scatter_on_terrain("graphics\\bush.dds");
    ASSERT_EQ(a->item_count, 1000);
    state_->array_complexity = 0.5f;
    device_->clear_records();
    a->render();
    ASSERT_EQ(device_->draws().size(), 1u);
    EXPECT_EQ(device_->draws()[0].primitive_count, 500 * 2);
    // The sort orders only the drawn share, far to near: the same 500 items.
    state_->now = 10000;
    a->update();
    std::vector<int> drawn;
    for (int i = 0; i < 500; ++i) drawn.push_back(a->draw_order[static_cast<std::size_t>(i)].item);
    std::sort(drawn.begin(), drawn.end());
    for (int i = 0; i < 500; ++i) ASSERT_EQ(drawn[static_cast<std::size_t>(i)], i);
    for (int i = 1; i < 500; ++i) {
        ASSERT_GE(a->draw_order[static_cast<std::size_t>(i - 1)].depth, a->draw_order[static_cast<std::size_t>(i)].depth);
    }
    destroy_array_sp(&a);
}

TEST_F(EffectsTest, TerrainArrayDrawsThroughTheSpriteProgramsWhenTheDeviceRunsThem) {
    scatter_sprite_programs programs;
    ASSERT_EQ(create_scatter_sprite_programs(device_.get(), &programs), S_OK);
    array_sp* a = nullptr;
    ASSERT_EQ(create_array_sp_unparented(&a), S_OK);
    a->terrain_array = 1;
    a->set_count(10);
    a->item_height = 3.0f;
    a->scatter_on_terrain("graphics\\bush.dds");
    shading().sun.direction[1] = -1.0f;
    shading().sun.diffuse = {0.5f, 0.5f, 0.5f, 1.0f};
    app_.use_shaders = 1;
    app_.can_shaders = 1;
    state_->array_complexity = 1.0f;
    device_->clear_records();
    a->render();
    ASSERT_EQ(device_->draws().size(), 1u);
    const draw_record& r = device_->draws()[0];
    EXPECT_EQ(r.vertex_shader, programs.vertex.get());
    EXPECT_EQ(r.pixel_shader, programs.pixel.get());
    EXPECT_EQ(device_->vertex_shader(), nullptr);  // the programs are unset afterwards
    // Without programs on the device the same sprites go through fixed function.
    app_.use_shaders = 0;
    device_->clear_records();
    a->render();
    ASSERT_EQ(device_->draws().size(), 1u);
    EXPECT_EQ(device_->draws()[0].vertex_shader, nullptr);
    use_scatter_sprite_programs(nullptr, nullptr);
    destroy_array_sp(&a);
}

TEST_F(EffectsTest, LightArrayDrawsItsGlowPassesAndLampPoints) {
    array_sp* a = nullptr;
    ASSERT_EQ(create_array_sp_unparented(&a), S_OK);
    a->lights = 1;
    a->land_only = 0;
    a->set_count(20);
    a->item_height = 1.0f;
    a->scatter_on_terrain("graphics\\light.dds");
    a->second_pass = 1;
    a->glow_alpha = 128;
    state_->array_complexity = 0.1f;  // lights are drawn whatever the complexity
    device_->clear_records();
    a->render();
    ASSERT_EQ(device_->draws().size(), 3u);
    const draw_record& glow = device_->draws()[0];
    EXPECT_EQ(glow.primitive_count, 40);
    // The second pass is half the size about the same centres.
    const auto* big = reinterpret_cast<const effect_vertex*>(glow.vertices.data());
    const auto* small = reinterpret_cast<const effect_vertex*>(device_->draws()[1].vertices.data());
    EXPECT_NEAR(small[1].x - small[0].x, 0.5f * (big[1].x - big[0].x), 1e-4f);
    const draw_record& lamps = device_->draws()[2];
    EXPECT_EQ(lamps.type, PT_POINTLIST);
    EXPECT_EQ(lamps.primitive_count, 20);
    EXPECT_EQ(device_->state().render[RS_DESTBLEND], BLEND_INVSRCALPHA);
    destroy_array_sp(&a);
}

TEST_F(EffectsTest, StrobePathsFlashInTurnAndApproachSlopesTurnRedBelowTheGlideSlope) {
    array_sp a;
    a.item_height = a.item_width = 1.0f;
    a.lay_items(std::vector<vec3>(5), "graphics\\light.dds");
    // Five lamps 60 ms each, then dark until the second is over; 100 lamps take 6 s.
    EXPECT_EQ(a.strobe_lamp(130), 2);
    EXPECT_EQ(a.strobe_lamp(300), -1);
    EXPECT_EQ(a.strobe_lamp(1070), 1);
    a.lay_items(std::vector<vec3>(100), "graphics\\light.dds");
    EXPECT_EQ(a.strobe_lamp(5999), 99);
    // The camera 100 m south: level is below the 3 degree slope, 10 m up (5.7 degrees) above.
    EXPECT_FALSE(a.seen_above_slope());
    place_camera({0.0f, 10.0f, -100.0f});
    EXPECT_TRUE(a.seen_above_slope());
}

TEST_F(EffectsTest, LightDecalBlinksOneSecondOnTwoOff) {
    frame root;
    decal* d = nullptr;
    ASSERT_EQ(create_decal(&root, &d), S_OK);
    d->light = 1;
    d->blinking = 1;
    d->width = d->height = 2.0f;
    d->load_texture("graphics\\light.dds");
    state_->now = 1;
    d->update();
    EXPECT_TRUE(d->lit);
    state_->now = 1001;
    d->update();
    EXPECT_TRUE(d->lit);
    state_->now = 1002;
    d->update();
    EXPECT_FALSE(d->lit);
    device_->clear_records();
    d->render();
    EXPECT_TRUE(device_->draws().empty());  // dark: nothing drawn
    state_->now = 3003;
    d->update();
    EXPECT_TRUE(d->lit);
    d->render();
    ASSERT_EQ(device_->draws().size(), 1u);
    EXPECT_EQ(device_->draws()[0].state.render[RS_DESTBLEND], BLEND_ONE);
}

// Runs the blinker tick by tick and gives the lit and dark spans of its second cycle (s).
void measure_pattern(blinker* b, float dt, float* lit, float* dark) {
    b->current_step = 0;
    b->step_time = 0.0f;
    float t = 0.0f, lit_time = 0.0f, dark_time = 0.0f;
    int cycles = 0;
    int last_step = 0;
    while (cycles < 2 && t < 100.0f) {
        b->update();
        t += dt;
        if (cycles == 1) (b->is_lit() ? lit_time : dark_time) += dt;
        if (b->current_step == 0 && last_step != 0) ++cycles;
        last_step = b->current_step;
    }
    *lit = lit_time;
    *dark = dark_time;
}

TEST_F(EffectsTest, BlinkerPatternsAndSectorColours) {
    blinker b;
    set_steps(0.01f, 0.01f);
    float lit = 0, dark = 0;
    measure_pattern(&b, 0.01f, &lit, &dark);
    EXPECT_NEAR(lit, 1.0f, 0.015f);
    EXPECT_NEAR(dark, 3.0f + 0.01f, 0.015f);  // plus the one dark tick before the restart
    folder_.write("graphics/fast.def", "2 0.5 1 1.0 0\n2\n0 255 0 0\n2.0 0 255 0\n0\n");
    blinker c;
    c.load_def_object("graphics\\fast.def", 1.0f, 1.0f, 1.0f);
    ASSERT_NE(c.glow, nullptr);
    measure_pattern(&c, 0.01f, &lit, &dark);
    EXPECT_NEAR(lit, 0.5f, 0.015f);
    EXPECT_NEAR(dark, 0.5f + 0.01f, 0.015f);
    std::uint32_t colour = 0;
    ASSERT_TRUE(c.sector_colour(1.0f, &colour));
    EXPECT_EQ(colour, 0xFFFF0000u);
    ASSERT_TRUE(c.sector_colour(2.0f, &colour));
    EXPECT_EQ(colour, 0xFF00FF00u);  // the boundary belongs to the later sector
    ASSERT_TRUE(c.sector_colour(6.0f, &colour));
    EXPECT_EQ(colour, 0xFF00FF00u);
    EXPECT_EQ(log().find("fast.def"), std::string::npos);
}

// The model's numbers near the float limit became an infinite glow once the placement's scale
// was applied: they are bounded to 1e6 m with the file's log line, and the light is built.
TEST_F(EffectsTest, BlinkerModelNumbersAreBoundedBeforeTheScale) {
    folder_.write("graphics/vast.def", "2\n1.0 1\n4.0 0\n0\n1 pole\n0 0 0\n1 1 1\n0 3e38 0\n3e38 -3e38 0\n");
    blinker b;
    b.load_def_object("graphics\\vast.def", 1.0f, 2.0f, 0.5f);
    ASSERT_NE(b.glow, nullptr);
    EXPECT_FLOAT_EQ(b.glow->width, 1.0e6f);
    EXPECT_FLOAT_EQ(b.glow->height, -2.0e6f);
    EXPECT_FLOAT_EQ(b.glow->local.m[3][1], 2.0e6f);  // 3e38 bounded, then twice the height
    EXPECT_NE(log().find("Light definition graphics\\vast.def: values out of range were bounded"), std::string::npos)
        << log();
}

TEST_F(EffectsTest, BlinkerDefinitionCountsAreBounded) {
    // No steps and negative sector counts would index before the tables.
    folder_.write("graphics/none.def", "0\n-5\n0\n");
    blinker a;
    a.load_def_object("graphics\\none.def", 1.0f, 1.0f, 1.0f);
    EXPECT_EQ(a.step_count, 2);  // the default pattern
    EXPECT_EQ(a.sector_count, 0);
    for (int i = 0; i < 500; ++i) a.update();
    EXPECT_NE(log().find("none.def"), std::string::npos);
    folder_.write("graphics/huge.def", "-3\n99\n");
    blinker b;
    b.load_def_object("graphics\\huge.def", 1.0f, 1.0f, 1.0f);
    EXPECT_EQ(b.step_count, 2);
    // 30 sectors at most (with the two wrap entries); those the file lacks read as 0.
    EXPECT_EQ(b.sector_count, blinker::k_max_sectors + 2);
    std::uint32_t colour = 1;
    EXPECT_TRUE(b.sector_colour(1.0f, &colour));
    folder_.write("graphics/many.def", "40 1 1\n");
    blinker c;
    c.load_def_object("graphics\\many.def", 1.0f, 1.0f, 1.0f);
    EXPECT_EQ(c.step_count, blinker::k_max_steps);
    for (int i = 0; i < 2000; ++i) c.update();
    // A missing file builds nothing.
    blinker d;
    d.load_def_object("graphics\\missing.def", 1.0f, 1.0f, 1.0f);
    EXPECT_EQ(d.glow, nullptr);
    EXPECT_EQ(d.child_count(), 0);
}

TEST_F(EffectsTest, BlinkerOnAFloatModelFloats) {
    folder_.write("graphics/buoy.def",
                  "2 1 1 2 0\n0\n1 Common\\Float_Buoy 0 0 0 1 0.8 1 0 3 0 2 2 0\n");
    blinker b;
    b.load_def_object("graphics\\buoy.def", 2.0f, 1.5f, 2.0f);
    EXPECT_TRUE(b.floating);
    ASSERT_GE(b.child_count(), 1);
    ASSERT_EQ(b.child(0)->type, FRAME_FLOATER);
    const floater* f = static_cast<const floater*>(b.child(0));
    EXPECT_FLOAT_EQ(f->immersion, 0.8f * 1.5f);
    ASSERT_NE(b.glow, nullptr);
    EXPECT_EQ(b.glow->parent, b.child(0));
    EXPECT_FLOAT_EQ(b.glow->local_position().y, 4.5f);
    EXPECT_FLOAT_EQ(b.glow->width, 4.0f);
    EXPECT_NE(log().find("common\\float_buoy.x"), std::string::npos);  // no model file here
}

}  // namespace
