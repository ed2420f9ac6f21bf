// The texture cache: sharing by name and mode, reference counts, the slot limit, the folder
// rules and the alpha steps, over a loader that decodes real files into memory textures.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/texture_cache.h"
#include "platform/files.h"
#include "platform/image.h"
#include "platform/image_ops.h"
#include "tests/support/temp_folder.h"

namespace {

// A texture of the test loader: the first level as the request made it.
struct memory_texture {
    std::string name;
    texture_request request;
    image first_level;
    int levels = 0;
};

class memory_loader : public texture_loader {
public:
    // With `any_name`, a name without a file still gives a 1 x 1 texture.
    explicit memory_loader(bool any_name = false) : any_name_(any_name) {}

    gfx_texture* load(const char* name, const texture_request& request) override {
        ++loads;
        auto texture = std::make_unique<memory_texture>();
        texture->name = name;
        texture->request = request;
        texture_image levels;
        if (succeeded(texture_image_from_file(name, request, &levels))) {
            texture->first_level = levels.surface(0, 0);
            texture->levels = levels.levels;
        } else if (any_name_) {
            image_allocate(&texture->first_level, 1, 1);
            texture->levels = 1;
        } else {
            return nullptr;
        }
        auto* handle = reinterpret_cast<gfx_texture*>(texture.get());
        live[handle] = std::move(texture);
        return handle;
    }
    bool lock_first_level(gfx_texture* texture, std::uint8_t** bits, int* pitch, int* width,
                          int* height) override {
        memory_texture& t = *live.at(texture);
        if (t.request.format != image_format::a8r8g8b8) return false;
        *bits = t.first_level.texels.data();
        *pitch = t.first_level.pitch;
        *width = t.first_level.width;
        *height = t.first_level.height;
        return true;
    }
    void unlock_first_level(gfx_texture*) override {}
    void release(gfx_texture* texture) override {
        ASSERT_EQ(live.count(texture), 1u) << "released twice or never made";
        live.erase(texture);
    }

    const memory_texture& of(gfx_texture* texture) const { return *live.at(texture); }

    int loads = 0;
    std::map<gfx_texture*, std::unique_ptr<memory_texture>> live;

private:
    bool any_name_;
};

// Writes a 2 x 2 bitmap: opaque black, (30, 60, 90), (200, 200, 200) and white.
void write_texels(const char* name) {
    image p;
    ASSERT_TRUE(image_allocate(&p, 2, 2));
    p.set_pixel(0, 0, 0xFF000000u);
    p.set_pixel(1, 0, 0xFF1E3C5Au);
    p.set_pixel(0, 1, 0xFFC8C8C8u);
    p.set_pixel(1, 1, 0xFFFFFFFFu);
    ASSERT_EQ(image_save_file(name, p), S_OK);
}

struct TextureCache : ::testing::Test {
    temp_folder tmp;
    memory_loader loader;
    texture_cache cache;
    void SetUp() override {
        cache.set_loader(&loader);
        fs_make_folder("graphics");
        write_texels("graphics\\glow.bmp");
    }
};

}  // namespace

TEST_F(TextureCache, SameFileTwiceIsOneTextureWithTwoUsers) {
    gfx_texture* a = nullptr;
    gfx_texture* b = nullptr;
    ASSERT_TRUE(cache.load_texture("graphics\\glow.bmp", &a, 1, true));
    ASSERT_TRUE(cache.load_texture("graphics\\glow.bmp", &b, 1, true));
    EXPECT_EQ(a, b);
    EXPECT_EQ(loader.loads, 1);
    const int index = cache.find_slot(a);
    ASSERT_GE(index, 0);
    EXPECT_EQ(cache.slot_at(index).references, 2);
    EXPECT_STREQ(cache.slot_at(index).name, "graphics\\glow.bmp");

    EXPECT_FALSE(cache.release_texture(&a));  // lives on for the second user
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(loader.live.size(), 1u);
    EXPECT_TRUE(cache.release_texture(&b));
    EXPECT_EQ(b, nullptr);
    EXPECT_TRUE(loader.live.empty());
    EXPECT_EQ(cache.slot_at(index).texture, nullptr);
    EXPECT_STREQ(cache.slot_at(index).name, "");
    EXPECT_TRUE(cache.release_texture(&b));  // none: nothing to do
}

TEST_F(TextureCache, ModesAndLetterCaseMakeSeparateSlots) {
    gfx_texture *one = nullptr, *two = nullptr, *upper = nullptr, *loose = nullptr;
    ASSERT_TRUE(cache.load_texture("graphics\\glow.bmp", &one, 1, true));
    ASSERT_TRUE(cache.load_texture("graphics\\glow.bmp", &two, 2, true));
    ASSERT_TRUE(cache.load_texture("GRAPHICS\\Glow.bmp", &upper, 1, true));
    EXPECT_NE(one, two);
    EXPECT_NE(one, upper);
    EXPECT_NE(cache.find_slot(one), cache.find_slot(two));
    EXPECT_NE(cache.find_slot(one), cache.find_slot(upper));
    EXPECT_EQ(loader.loads, 3);
    // Uncached loads never enter a slot and are never shared.
    ASSERT_TRUE(cache.load_texture("graphics\\glow.bmp", &loose, 1, false));
    EXPECT_NE(loose, one);
    EXPECT_EQ(cache.find_slot(loose), -1);
    EXPECT_TRUE(cache.release_texture(&loose));
    EXPECT_EQ(loader.live.size(), 3u);
}

TEST_F(TextureCache, ModesPickFormatKeyAndAlphaStep) {
    gfx_texture *plain = nullptr, *keyed = nullptr, *glow = nullptr, *lit = nullptr;
    ASSERT_TRUE(cache.load_texture("graphics\\glow.bmp", &plain, 0, true));
    ASSERT_TRUE(cache.load_texture("graphics\\glow.bmp", &keyed, 1, true));
    ASSERT_TRUE(cache.load_texture("graphics\\glow.bmp", &glow, 2, true));
    ASSERT_TRUE(cache.load_texture("graphics\\glow.bmp", &lit, 3, true));

    EXPECT_EQ(loader.of(plain).request.format, image_format::r5g6b5);
    EXPECT_EQ(loader.of(plain).request.color_key, 0u);
    EXPECT_EQ(loader.of(plain).levels, 2);  // [use_mipmaps]: 2 x 2 down to 1 x 1
    EXPECT_EQ(loader.of(plain).first_level.pixel(0, 0), 0xFF000000u);

    EXPECT_EQ(loader.of(keyed).request.format, image_format::a1r5g5b5);
    EXPECT_EQ(loader.of(keyed).first_level.pixel(0, 0), 0x00000000u);  // black keyed out
    EXPECT_EQ(loader.of(keyed).first_level.pixel(1, 1), 0xFFFFFFFFu);

    // Mode 2: white, alpha = (r + g + b) / 3.
    const image& g = loader.of(glow).first_level;
    EXPECT_EQ(loader.of(glow).levels, 1);
    EXPECT_EQ(g.pixel(0, 0), 0x00FFFFFFu);
    EXPECT_EQ(g.pixel(1, 0), 0x3CFFFFFFu);  // (30 + 60 + 90) / 3 = 60
    EXPECT_EQ(g.pixel(0, 1), 0xC8FFFFFFu);
    EXPECT_EQ(g.pixel(1, 1), 0xFFFFFFFFu);
    // Mode 3: colour kept, alpha = min(255, (r + g + b) / 2).
    const image& l = loader.of(lit).first_level;
    EXPECT_EQ(l.pixel(0, 0), 0x00000000u);
    EXPECT_EQ(l.pixel(1, 0), 0x5A1E3C5Au);  // 180 / 2 = 90
    EXPECT_EQ(l.pixel(0, 1), 0xFFC8C8C8u);  // 300 / 2 capped at 255

    // Without [use_mipmaps] every mode has one level.
    cache.use_mipmaps = false;
    gfx_texture* single = nullptr;
    ASSERT_TRUE(cache.load_texture("graphics\\glow.bmp", &single, 0, false));
    EXPECT_EQ(loader.of(single).levels, 1);
    cache.release_texture(&single);
}

TEST_F(TextureCache, DdsNamesSkipKeyAndAlphaStep) {
    image p;
    ASSERT_TRUE(image_allocate(&p, 2, 2));
    p.set_pixel(0, 0, 0xFF000000u);
    p.set_pixel(1, 0, 0x801E3C5Au);
    ASSERT_EQ(image_save_file("graphics\\smoke.dds", p), S_OK);
    gfx_texture* t = nullptr;
    ASSERT_TRUE(cache.load_texture("graphics\\smoke.dds", &t, 2, true));
    EXPECT_EQ(loader.of(t).request.format, image_format::a8r8g8b8);
    EXPECT_EQ(loader.of(t).first_level.pixel(0, 0), 0xFF000000u);
    EXPECT_EQ(loader.of(t).first_level.pixel(1, 0), 0x801E3C5Au);
    EXPECT_EQ(cache.slot_at(cache.find_slot(t)).mode, 2);  // still told apart by mode
}

TEST_F(TextureCache, TheTextureBeyondTheLastSlotIsReturnedUncached) {
    memory_loader any(true);
    cache.set_loader(&any);
    gfx_texture* t = nullptr;
    for (int i = 0; i < texture_cache::k_slots; ++i) {
        const std::string name = "graphics\\t" + std::to_string(i) + ".jpg";
        ASSERT_TRUE(cache.load_texture(name.c_str(), &t, 0, true));
        ASSERT_EQ(cache.find_slot(t), i);
    }
    gfx_texture* extra = nullptr;
    ASSERT_TRUE(cache.load_texture("graphics\\extra.jpg", &extra, 0, true));
    EXPECT_EQ(cache.find_slot(extra), -1);
    EXPECT_EQ(cache.loose_count(), 1);
    EXPECT_EQ(any.live.size(), 1025u);
    EXPECT_TRUE(cache.release_texture(&extra));
    EXPECT_EQ(extra, nullptr);
    EXPECT_EQ(any.live.size(), 1024u);
    EXPECT_EQ(cache.loose_count(), 0);
    // Asking again for a cached one still shares it.
    gfx_texture* again = nullptr;
    ASSERT_TRUE(cache.load_texture("graphics\\t5.jpg", &again, 0, true));
    EXPECT_EQ(cache.slot_at(5).references, 2);
    cache.release_all();
    EXPECT_TRUE(any.live.empty());
}

TEST_F(TextureCache, AFailedCachedLoadHoldsItsSlotUntilReused) {
    gfx_texture* t = reinterpret_cast<gfx_texture*>(&loader);  // overwritten with none
    EXPECT_FALSE(cache.load_texture("graphics\\missing.jpg", &t, 0, true));
    EXPECT_EQ(t, nullptr);
    EXPECT_EQ(loader.loads, 1);
    EXPECT_STREQ(cache.slot_at(0).name, "graphics\\missing.jpg");
    EXPECT_EQ(cache.slot_at(0).references, 1);
    // The same request answers none at once, without trying the file again.
    EXPECT_FALSE(cache.load_texture("graphics\\missing.jpg", &t, 0, true));
    EXPECT_EQ(loader.loads, 1);
    // The slot counts as free: the next texture takes it.
    ASSERT_TRUE(cache.load_texture("graphics\\glow.bmp", &t, 0, true));
    EXPECT_EQ(cache.find_slot(t), 0);
    EXPECT_EQ(cache.slot_at(0).references, 1);
    EXPECT_FALSE(cache.load_texture("graphics\\missing.jpg", &t, 0, true));
    EXPECT_EQ(loader.loads, 3);
}

TEST_F(TextureCache, FolderLoadsFollowTheNameRulesAndFallbacks) {
    fs_make_folder("effects");
    write_texels("effects\\fire#_hot.jpg");
    write_texels("effects\\spark=.bmp");
    write_texels("effects\\tree_a.jpg");
    write_texels("effects\\rock.dds");
    gfx_texture* t = nullptr;
    // "#" wins over "_"; the folder and name are lower-cased.
    EXPECT_EQ(cache.load_texture_from_folder("Effects", "FIRE#_HOT.JPG", &t, true), 3);
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(cache.slot_at(cache.find_slot(t)).name, "effects\\fire#_hot.jpg");
    EXPECT_EQ(cache.load_texture_from_folder("effects", "spark=.bmp", &t, true), 2);
    ASSERT_NE(t, nullptr);
    // A missing ".bmp" falls back to ".jpg", then to ".dds".
    EXPECT_EQ(cache.load_texture_from_folder("effects", "tree_a.bmp", &t, true), 1);
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(cache.slot_at(cache.find_slot(t)).name, "effects\\tree_a.jpg");
    EXPECT_EQ(cache.load_texture_from_folder("effects", "rock.bmp", &t, true), 0);
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(cache.slot_at(cache.find_slot(t)).name, "effects\\rock.dds");
    // Nothing found: mode 0 and none, whatever the name asked for.
    t = reinterpret_cast<gfx_texture*>(&loader);
    EXPECT_EQ(cache.load_texture_from_folder("effects", "gone#.bmp", &t, true), 0);
    EXPECT_EQ(t, nullptr);
    // and the log names the file as it was asked for.
    d3d_app app;
    g_app = &app;
    EXPECT_EQ(cache.load_texture_from_folder("Launchers", "Launcher.dds", &t, true), 0);
    EXPECT_NE(std::string(app.log_text()).find("Could not find launchers\\launcher.dds\r\n"), std::string::npos);
    g_app = nullptr;
}

TEST_F(TextureCache, NamesTooLongForASlotAreNotCached) {
    memory_loader any(true);
    cache.set_loader(&any);
    // 130 characters: a slot holds 127. Cut short, the name could never match again, and
    // every load would take one more slot; such textures are handed out uncached instead.
    const std::string name = "graphics\\" + std::string(120, 'x') + ".jpg";
    gfx_texture *a = nullptr, *b = nullptr;
    ASSERT_TRUE(cache.load_texture(name.c_str(), &a, 0, true));
    ASSERT_TRUE(cache.load_texture(name.c_str(), &b, 0, true));
    EXPECT_NE(a, b);
    EXPECT_EQ(cache.find_slot(a), -1);
    EXPECT_EQ(cache.loose_count(), 2);
    EXPECT_STREQ(cache.slot_at(0).name, "");
    EXPECT_TRUE(cache.release_texture(&a));
    EXPECT_TRUE(cache.release_texture(&b));
    EXPECT_TRUE(any.live.empty());
}

TEST(TextureCacheRules, EverythingIsFreedWithTheCache) {
    memory_loader any(true);
    {
        texture_cache cache;
        cache.set_loader(&any);
        gfx_texture *a = nullptr, *b = nullptr;
        cache.load_texture("one.jpg", &a, 0, true);
        cache.load_texture("one.jpg", &a, 0, true);
        cache.load_texture("two.jpg", &b, 0, false);
        EXPECT_EQ(any.live.size(), 2u);
    }
    // Everything, whatever its count, is freed when the cache goes.
    EXPECT_TRUE(any.live.empty());
}

// The status line's tape strips: loaded for their own, outside the slots, as white texels
// whose alpha is the picture's brightness; a missing strip stays none.
TEST_F(TextureCache, TapeStripsLoadUncachedAsBrightnessAlpha) {
    image strip;  // black on the left, white on the right (whole 8 x 8 blocks survive JPEG)
    ASSERT_TRUE(image_allocate(&strip, 16, 8));
    for (int i = 0; i < 16 * 8; ++i) strip.set_pixel(i % 16, i / 16, i % 16 < 8 ? 0xFF000000u : 0xFFFFFFFFu);
    ASSERT_EQ(image_save_file("graphics\\compass.jpg", strip), S_OK);
    d3d_app app;
    app.textures.set_loader(&loader);
    g_app = &app;
    app_state state;
    state.load_tape_textures();
    ASSERT_NE(state.compass_texture, nullptr);
    EXPECT_EQ(state.elevation_texture, nullptr);
    EXPECT_EQ(app.textures.loose_count(), 1);
    const image& texels = loader.of(state.compass_texture).first_level;
    EXPECT_LE(texels.pixel(2, 4), 0x03FFFFFFu);
    EXPECT_GE(texels.pixel(12, 4), 0xFCFFFFFFu);
    state.release_tape_textures();
    EXPECT_EQ(state.compass_texture, nullptr);
    EXPECT_TRUE(loader.live.empty());
    g_app = nullptr;
}
