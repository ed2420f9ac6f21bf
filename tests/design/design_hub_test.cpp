// The missile design screen: the static test's step against hand arithmetic, a motor larger
// than its airframe, saving and loading the system and missile under one name, the assembled
// preview on the recording device, and the hints against the design background.
#include <cmath>
#include <map>

#include "core/device_calls.h"
#include "design/static_test.h"
#include "simulation/aero_config.h"
#include "simulation/rocket_motor.h"
#include "simulation/warhead.h"
#include "platform/files.h"
#include "platform/image.h"
#include "platform/recording_device.h"
#include "platform/resources.h"
#include "tests/design/design_fixture.h"
#include "ui/screens.h"
#include "ui/message_box.h"

using namespace design;

TEST(DesignStaticTest, OneStepByHand) {
    static_test s;
    s.v = 100.0f;
    flight_inputs in;
    in.thrust = 5000.0f;
    in.drag_coefficient = 0.5f;
    in.cn_alpha = 10.0f;
    in.reference_area = 0.01f;
    in.dry_mass = 40.0f;
    in.propellant = 10.0f;
    const flight_sample p = static_test_step(s, in, 0.02f);
    // q S = 0.6 x 0.01 x 100² = 60 N; mass 50 kg.
    EXPECT_NEAR(p.mach, 100.0f / 340.0f, 1e-6f);
    EXPECT_NEAR(p.g, 0.25f * 60.0f * 10.0f / (9.81f * 50.0f), 1e-5f);
    EXPECT_NEAR(s.v, 100.0f + (5000.0f - 30.0f) / 50.0f * 0.02f, 1e-4f);
    EXPECT_NEAR(s.x, s.v * 0.02f, 1e-5f);
    EXPECT_FLOAT_EQ(s.t, 0.02f);
    EXPECT_TRUE(s.flying);
}

TEST(DesignStaticTest, AMotorLargerThanItsAirframeFliesFinite) {
    static_test s;
    flight_inputs in;
    in.thrust = 20000.0f;
    in.drag_coefficient = 0.4f;
    in.cn_alpha = 12.0f;
    in.reference_area = 0.0123f;
    in.dry_mass = -30.0f;  // the propellant outweighs the airframe
    in.propellant = 10.0f;
    for (int i = 0; i < 200; ++i) {
        const flight_sample p = static_test_step(s, in, 0.02f);
        ASSERT_TRUE(std::isfinite(p.g) && std::isfinite(p.v) && std::isfinite(p.x)) << i;
        ASSERT_GE(p.g, 0.0f);
    }
    EXPECT_GT(s.v, 0.0f);
}

class DesignHub : public design_fixture {};

TEST_F(DesignHub, OpensWithTheMissileAndItsParts) {
    open(14);
    EXPECT_NE(find_text("Missile Name - New Missile"), nullptr);
    EXPECT_NE(find_text("Configuration - New Config"), nullptr);
    EXPECT_NE(find_text("Launcher - New Launcher"), nullptr);
    press_and_click("Aerodynamics");
    EXPECT_EQ(pending_command, 16);
    pending_command = 0;
    press_and_click("Resize Shape");
    EXPECT_TRUE(m->fits);
    EXPECT_NE(find_text("Missile Design - New Missile"), nullptr);
}

TEST_F(DesignHub, FireRunsAStaticTestWithoutNaN) {
    open(14);
    m->aero->DC = 3.0f;  // too thin for its motor: no dry mass
    m->layout_parts();
    ASSERT_LT(m->dry_mass, 0.0f);
    press_and_click("Fire");
    EXPECT_TRUE(m->motor->running);
    for (int i = 0; i < 150; ++i) root->send(gui_event::tick);
    EXPECT_FALSE(logged("nan"));
    press_and_click("Explode");
    EXPECT_FALSE(m->motor->running);
    EXPECT_NE(find_text("Fire"), nullptr);
}

TEST_F(DesignHub, SaveWritesSystemAndMissileUnderOneNameAndLoadNeedsBoth) {
    open(14);
    press_and_click("Save");
    answer("T1");
    EXPECT_TRUE(tmp.exists("systems/T1.txt"));
    EXPECT_TRUE(tmp.exists("missiles/T1.txt"));
    EXPECT_STREQ(m->name, "T1");
    EXPECT_STREQ(system->name, "T1");
    EXPECT_NE(find_text("Missile Design - T1"), nullptr);

    // Loading needs both files.
    fs_delete("missiles\\T1.txt");
    m->aero->LC = 50.0f;
    press_and_click("Load");
    EXPECT_EQ(g_message_box.type, message_box_type::file_choice);
    answer("T1");
    EXPECT_STREQ(g_message_box.message, "Could not load missiles\\T1.txt");
    EXPECT_EQ(m->aero->LC, 50.0f);
}

TEST_F(DesignHub, FailedSaveKeepsTheNames) {
    open(14);
    block_folder("missiles");
    press_and_click("Save");
    answer("T2");
    EXPECT_STREQ(m->name, "New Missile");
    EXPECT_STREQ(system->name, "New Missile");
    EXPECT_STREQ(g_message_box.message, "Could not save T2");
}

namespace {

// Where each text was drawn: its box's first corner, font and colour.
struct drawn_text {
    float x = 0, y = 0;
    int font = -1;
    std::uint32_t colour = 0;
};

class placing_painter : public recording_painter {
public:
    void draw_text(int font, float x1, float y1, float x2, float y2, const char* text, std::uint32_t flags,
                   float dx, float dy, float sx, float sy, std::uint32_t colour, bool batched) override {
        texts[text] = {x1, y1, font, colour};
        recording_painter::draw_text(font, x1, y1, x2, y2, text, flags, dx, dy, sx, sy, colour, batched);
    }
    std::map<std::string, drawn_text> texts;
};

// The screen point (GUI units of a 640 x 480 screen) of a draw's local origin, divided by
// the transformed depth as the labels are.
void screen_point(const draw_record& d, float* x, float* y) {
    const mat4 to_screen = d.state.world[0] * d.state.projection;
    const vec3 origin{0, 0, 0};
    const float z = transform_point_z(origin, to_screen);
    *x = transform_point_x(origin, to_screen) / z;
    *y = transform_point_y(origin, to_screen) / z;
}

bool near_matrix(const mat4& a, const mat4& b) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            if (std::fabs(a.m[r][c] - b.m[r][c]) > 1e-3f) return false;
        }
    }
    return true;
}

// Where a draw stands in the airframe's axes.
mat4 relative_to(const draw_record& d, const draw_record& airframe) {
    mat4 inverse;
    EXPECT_TRUE(mat_inverse(airframe.state.world[0], &inverse));
    return d.state.world[0] * inverse;
}

}  // namespace

class DesignHubPreview : public DesignHub {
protected:
    void SetUp() override {
        DesignHub::SetUp();
        present_params params;
        params.back_buffer_width = 640;
        params.back_buffer_height = 480;
        device = std::make_unique<recording_device>(params);
        use_device(device.get());
        set_painter(&texts);
    }
    void TearDown() override {
        set_painter(&painter);
        use_device(nullptr);
        device.reset();
        DesignHub::TearDown();
    }
    // One draw event of the screen; the draws of the preview from the motor's casing on
    // (the first draw of 32-byte vertices), at least the five parts and the airframe.
    std::vector<draw_record> draw() {
        device->clear_records();
        texts.texts.clear();
        root->send(gui_event::draw);
        std::vector<draw_record> out;
        for (const draw_record& d : device->draws()) {
            if (out.empty() && d.stride != 32) continue;
            out.push_back(d);
        }
        EXPECT_GE(out.size(), 7u);
        return out;
    }

    std::unique_ptr<recording_device> device;
    placing_painter texts;
};

TEST_F(DesignHubPreview, PartsInsideASeeThroughAirframeOrLabelledBesideIt) {
    m->fit_airframe();
    ASSERT_TRUE(m->fits);
    open(14);
    const float length = m->aero->body_length;
    const float motor_place = 0.5f * length - 0.5f * m->motor->overall_length;

    // Shown inside: the casing on the airframe's axis, unturned and in centimetres, the four
    // warhead shapes in front of it, the airframe see-through last; no labels.
    std::vector<draw_record> d = draw();
    EXPECT_EQ(d[0].stride, 32);
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(d[i].stride, 28) << i;
    const draw_record& body = d[5];
    EXPECT_FLOAT_EQ(body.state.material.diffuse.a, 0.75f);
    EXPECT_TRUE(near_matrix(relative_to(d[0], body), mat_translation(0, 0, motor_place)));
    float previous = motor_place;
    for (int i = 1; i <= 4; ++i) {
        const mat4 r = relative_to(d[i], body);
        EXPECT_NEAR(r.m[3][1], 0.0f, 1e-3f);
        EXPECT_LT(r.m[3][2], previous) << "part " << i << " lies nearer the nose";
        previous = r.m[3][2];
    }
    EXPECT_EQ(texts.texts.count("Motor"), 0u);
    EXPECT_EQ(texts.texts.count("Components do not fit, resize shape to fit."), 0u);
    // The GUI draws on flat: no lighting, no depth test, the parts' frames drawn as parts.
    EXPECT_EQ(device->render_state(RS_LIGHTING), 0u);
    EXPECT_EQ(device->render_state(RS_ZENABLE), 0u);
    EXPECT_EQ(state->assembled_view, 0);

    // Beside it: an opaque airframe, the parts a fifth of its length below its axis, each
    // named where it was drawn, in its colour.
    gui_rect* check = find_text("Show components inside");
    ASSERT_NE(check, nullptr);
    check->ticked = 0;
    press_and_click("Show components inside");
    d = draw();
    EXPECT_FLOAT_EQ(d[5].state.material.diffuse.a, 1.0f);
    EXPECT_TRUE(near_matrix(relative_to(d[0], d[5]), mat_translation(0, -0.2f * length, motor_place)));
    const struct {
        const char* text;
        std::uint32_t colour;
    } labels[5] = {{"Motor", 0xFFFFFFFFu}, {"Warhead", 0xFFFFCC00u}, {"Guidance", 0xFFFFFFFFu},
                   {"Fuze", 0xFF00FF00u}, {"Seeker", 0xFF00FFFFu}};
    for (int i = 0; i < 5; ++i) {
        const auto found = texts.texts.find(labels[i].text);
        ASSERT_NE(found, texts.texts.end()) << labels[i].text;
        EXPECT_EQ(found->second.colour, labels[i].colour) << labels[i].text;
        float x = 0, y = 0;
        screen_point(d[i], &x, &y);
        EXPECT_NEAR(found->second.x, x, 1e-3f) << labels[i].text;
        EXPECT_NEAR(found->second.y, y, 1e-3f) << labels[i].text;
        EXPECT_LT(std::fabs(x), 1.0f) << labels[i].text << " off the screen";
        EXPECT_LT(std::fabs(y), 1.0f) << labels[i].text << " off the screen";
    }

    // An airframe too small for its parts says so in yellow.
    m->aero->LC = 20.0f;
    m->aero->clamp_dimensions();
    m->layout_parts();
    ASSERT_FALSE(m->fits);
    draw();
    const auto warning = texts.texts.find("Components do not fit, resize shape to fit.");
    ASSERT_NE(warning, texts.texts.end());
    EXPECT_EQ(warning->second.colour, 0xFFFFFF00u);
    EXPECT_EQ(warning->second.font, gui_font::large);
}

TEST_F(DesignHub, HintsReadOnTheDesignBackgroundInEveryScheme) {
    resource_data data;
    ASSERT_TRUE(find_resource("RCDATA", 425, &data));
    image picture;
    ASSERT_EQ(image_decode(data.data, data.size, &picture), S_OK);
    // Relative luminance of the picture under the two hints (the bottom left of the 4:3
    // screen the picture covers).
    const auto linear = [](std::uint32_t c) {
        const double v = c / 255.0;
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    const auto luminance = [&](std::uint32_t argb_colour) {
        return 0.2126 * linear((argb_colour >> 16) & 0xFF) + 0.7152 * linear((argb_colour >> 8) & 0xFF) +
               0.0722 * linear(argb_colour & 0xFF);
    };
    double lightest = 0, darkest = 1;
    for (int y = picture.height * 93 / 100; y < picture.height * 99 / 100; ++y) {
        for (int x = picture.width / 100; x < picture.width * 40 / 100; ++x) {
            const double l = luminance(picture.pixel(x, y));
            lightest = std::max(lightest, l);
            darkest = std::min(darkest, l);
        }
    }
    for (int scheme = 0; scheme <= 6; ++scheme) {
        app->color_scheme = scheme;
        open(14);
        const gui_rect* hint = find_text("To totate rocket click and drag mouse, to zoom use mouse wheel");
        ASSERT_NE(hint, nullptr);
        const double ink = luminance(argb(255, hint->text_colour.r, hint->text_colour.g, hint->text_colour.b));
        // Contrast ratio of the text against the least favourable background pixel.
        const double contrast = ink > lightest ? (ink + 0.05) / (lightest + 0.05) : (darkest + 0.05) / (ink + 0.05);
        EXPECT_GE(contrast, 3.5) << "scheme " << scheme;
    }
}
