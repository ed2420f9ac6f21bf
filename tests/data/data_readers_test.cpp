// Every file of data/README.md's inventory, as the program itself reads it: definition files
// through the design loaders (and written back unchanged, so no value lies outside its bounds),
// models through the mesh and hierarchy loaders with their textures, pictures through the
// texture loading, sounds through the sound service and the music decoder, and the scenery
// through the scenery index and the terrain. No reader may log a failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/hierarchy.h"
#include "core/skinned_mesh.h"
#include "core/mesh.h"
#include "core/sound_system.h"
#include "core/texture_cache.h"
#include "core/texture_loading.h"
#include "platform/audio.h"
#include "platform/files.h"
#include "platform/program_rand.h"
#include "platform/recording_device.h"
#include "simulation/aero_config.h"
#include "simulation/control_unit.h"
#include "simulation/launcher.h"
#include "simulation/missile.h"
#include "simulation/missile_file.h"
#include "simulation/rocket_motor.h"
#include "simulation/seeker.h"
#include "simulation/system_file.h"
#include "simulation/warhead.h"
#include "simulation/missile_system.h"
#include "shell/scene.h"
#include "core/scene_services.h"
#include "tests/data/data_inventory.h"
#include "tests/support/temp_folder.h"
#include "platform/text.h"
#include "tests/world/puff_outline_check.h"
#include "world/blinker.h"
#include "world/clouds.h"
#include "world/decal.h"
#include "world/terrain.h"

namespace {

namespace stdfs = std::filesystem;

bool has_suffix(const std::string& s, const char* tail)
{
    const size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

std::string folder_of(const std::string& name) { return name.substr(0, name.find('\\')); }
// "motors\New Motor.txt" -> "New Motor"
std::string design_of(const std::string& name)
{
    const std::string file = name.substr(name.find('\\') + 1);
    return file.substr(0, file.size() - 4);
}

bool is_definition(const std::string& name)
{
    static const char* folders[] = {"configs", "motors", "warheads", "seekers",
                                    "missiles", "launchers", "controls", "systems"};
    if (!has_suffix(name, ".txt") || std::count(name.begin(), name.end(), '\\') != 1) return false;
    for (const char* f : folders) {
        if (folder_of(name) == f) return true;
    }
    return false;
}

// The "W x H" a format cell declares, or 0 x 0.
void declared_size(const std::string& format, int* width, int* height)
{
    *width = *height = 0;
    for (size_t at = format.find(" x "); at != std::string::npos; at = format.find(" x ", at + 1)) {
        size_t begin = at;
        while (begin > 0 && std::isdigit(static_cast<unsigned char>(format[begin - 1]))) --begin;
        if (begin == at) continue;
        *width = std::atoi(format.c_str() + begin);
        *height = std::atoi(format.c_str() + at + 3);
        return;
    }
}

// The data lines of a definition file as (key, value text), in order.
std::vector<std::pair<std::string, std::string>> values_of(const std::string& text)
{
    std::vector<std::pair<std::string, std::string>> out;
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);  // title
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line == "@") break;
        const size_t tab = line.find('\t');
        if (tab != std::string::npos) out.emplace_back(line.substr(tab + 1), line.substr(0, tab));
    }
    return out;
}

bool same_value(const std::string& a, const std::string& b)
{
    char* end_a = nullptr;
    char* end_b = nullptr;
    const double x = std::strtod(a.c_str(), &end_a), y = std::strtod(b.c_str(), &end_b);
    if (end_a == a.c_str() || end_b == b.c_str() || *end_a != '\0' || *end_b != '\0') return a == b;
    return std::fabs(x - y) <= 1e-4 * std::max(1.0, std::fabs(x));
}

class DataReaders : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* run = std::getenv("VENTRASK_RUN_DIR");
        ASSERT_NE(run, nullptr);
        run_ = run;
        fs_set_root(run_);
        g_app = &app_;
        g_state = &state_;
        program_srand(1);
        present_params params;
        params.back_buffer_width = 320;
        params.back_buffer_height = 240;
        device_ = std::make_unique<recording_device>(params);
        loader_ = std::make_unique<device_texture_loader>(device_.get());
        app_.textures.set_loader(loader_.get());
        sound_.init_with(open_loopback_audio_device(44100));
        g_sound = &sound_;
    }
    void TearDown() override
    {
        app_.textures.release_all();
        app_.textures.set_loader(nullptr);
        g_sound = nullptr;
        sound_.release();
        g_state = nullptr;
        g_app = nullptr;
    }

    // No reader may have logged anything (a failure, a bounded value, a missing file).
    void expect_quiet_log(const std::string& what)
    {
        EXPECT_EQ(std::string(app_.log_text(), static_cast<size_t>(app_.log_length())), "") << what;
        app_.clear_log();
    }

    // Loads a definition file with its reader, writes it back into the private folder under
    // the same name and expects every value of the original unchanged.
    void expect_round_trip(const std::string& name, const std::function<bool(const char*)>& load,
                           const std::function<bool(const char*)>& save)
    {
        const std::string design = design_of(name);
        ASSERT_TRUE(load(design.c_str())) << name;
        fs_set_root(tmp_.path());
        tmp_.write(folder_of(name) + "/.keep", "");
        const bool saved = save(design.c_str());
        std::string written;
        const bool read_back = fs_read_text(name.c_str(), &written);
        fs_set_root(run_);
        ASSERT_TRUE(saved && read_back) << name;
        std::string original;
        ASSERT_TRUE(fs_read_text(name.c_str(), &original));
        const auto before = values_of(original);
        const auto after = values_of(written);
        std::map<std::string, int> seen;
        for (const auto& [key, value] : before) {
            // The warhead works these out from its other values on every load (the fuse delay
            // when its smart delay is on), so the file's figures are only placeholders.
            if (key == "[fuse_delay]" || key == "[warhead_delay]" || key == "[fuse_range]") continue;
            int nth = seen[key]++;
            std::string again = "(missing)";
            for (const auto& [k, v] : after) {
                if (k == key && nth-- == 0) {
                    again = v;
                    break;
                }
            }
            EXPECT_TRUE(same_value(value, again)) << name << " " << key << ": " << value << " read as " << again;
        }
        EXPECT_GT(before.size(), 0u) << name;
    }

    std::string run_;
    temp_folder tmp_;
    d3d_app app_;
    app_state state_;
    std::unique_ptr<recording_device> device_;
    std::unique_ptr<device_texture_loader> loader_;
    sound_system sound_;
};

}  // namespace

TEST_F(DataReaders, DefinitionFilesLoadAndWriteBackUnchanged)
{
    int files = 0;
    for (const inventory_row& row : inventory_rows()) {
        const std::string& n = row.name;
        if (!is_definition(n)) continue;
        ++files;
        const std::string folder = folder_of(n);
        if (folder == "configs") {
            aero_config part;
            expect_round_trip(n, [&](const char* d) { return part.load(d); }, [&](const char* d) { return part.save(d); });
        } else if (folder == "motors") {
            rocket_motor part;
            expect_round_trip(n, [&](const char* d) { return part.load(d); }, [&](const char* d) { return part.save(d); });
        } else if (folder == "warheads") {
            warhead part;
            expect_round_trip(n, [&](const char* d) { return part.load(d); }, [&](const char* d) { return part.save(d); });
        } else if (folder == "seekers") {
            seeker part;
            expect_round_trip(n, [&](const char* d) { return part.load(d); }, [&](const char* d) { return part.save(d); });
        } else if (folder == "launchers") {
            launcher part;
            expect_round_trip(n, [&](const char* d) { return part.load(d); }, [&](const char* d) { return part.save(d); });
            // Its model is there.
            EXPECT_TRUE(fs_is_file((std::string("launchers\\") + part.model_name + "\\launcher.x").c_str())) << n;
        } else if (folder == "controls") {
            control_unit part;
            expect_round_trip(n, [&](const char* d) { return part.load(d); }, [&](const char* d) { return part.save(d); });
            EXPECT_TRUE(fs_is_file((std::string("radars\\") + part.radar_name + "\\radar.x").c_str())) << n;
            EXPECT_TRUE(fs_is_file((std::string("commands\\") + part.command_name + "\\command.x").c_str())) << n;
        } else if (folder == "systems") {
            system_file file;
            expect_round_trip(n, [&](const char* d) { return file.read(d); }, [&](const char* d) { return file.write(d); });
            launcher l;
            control_unit c;
            EXPECT_TRUE(l.load(file.launcher_name)) << n;
            EXPECT_TRUE(c.load(file.control_name)) << n;
        } else if (folder == "missiles") {
            missile_file file;
            expect_round_trip(n, [&](const char* d) { return file.read(d); }, [&](const char* d) { return file.write(d); });
            // The missile puts itself together from the four parts the file names, and they fit.
            missile m;
            m.assemble(nullptr);
            ASSERT_TRUE(m.load(design_of(n).c_str())) << n;
            EXPECT_STREQ(m.aero->name, file.config_name) << n;
            EXPECT_STREQ(m.motor->name, file.motor_name) << n;
            EXPECT_STREQ(m.warhead_part->name, file.warhead_name) << n;
            EXPECT_STREQ(m.seeker_part->name, file.seeker_name) << n;
            EXPECT_TRUE(m.fits) << n;
        }
        expect_quiet_log(n);
    }
    EXPECT_EQ(files, 16);
}

TEST_F(DataReaders, ModelsLoadWithTheirTexturesAndMovingParts)
{
    int models = 0;
    for (const inventory_row& row : inventory_rows()) {
        const std::string& n = row.name;
        if (!has_suffix(n, ".x")) continue;
        ++models;
        std::vector<mesh*> meshes;
        hierarchy* tree = nullptr;
        mesh* single = nullptr;
        if (row.reader.find("CSkinnedMesh::load") != std::string::npos) {
            // Bones, skin and animation: the cow plays and its one skinned mesh draws.
            CSkinnedMesh* animal = nullptr;
            ASSERT_EQ(create_detached_skinned_mesh(&animal), S_OK);
            EXPECT_TRUE(animal->load(n.c_str())) << n;
            EXPECT_TRUE(animal->has_animation()) << n;
            for (int i = 0; i < animal->child_count(); ++i) meshes.push_back(static_cast<mesh*>(animal->child(i)));
            EXPECT_EQ(meshes.size(), 1u) << n;
            for (const mesh* m : meshes) EXPECT_TRUE(m->has_geometry()) << n;
            expect_quiet_log(n);
            destroy_skinned_mesh(&animal);
            continue;
        }
        if (row.reader.find("hierarchy::load_x") != std::string::npos) {
            ASSERT_EQ(create_detached_hierarchy(&tree), S_OK);
            tree->load_x(n.c_str());
            // The turret turns and the barrel inside it pitches.
            mesh* turret = tree->find_mesh("turret");
            mesh* barrel = tree->find_mesh("barrel");
            ASSERT_NE(turret, nullptr) << n;
            ASSERT_NE(barrel, nullptr) << n;
            EXPECT_EQ(barrel->parent, turret) << n;
            // A missile leaves from the barrel's box centre with its x offset mirrored.
            EXPECT_NEAR(barrel->base_box.min.x, -barrel->base_box.max.x, 1e-3f) << n;
            // It reaches forward along its firing axis, -z.
            EXPECT_GT(-barrel->base_box.min.z, 2.0f * barrel->base_box.max.z) << n;
            // Every frame of the file is a mesh child.
            std::function<void(const frame*)> collect = [&](const frame* f) {
                for (int i = 0; i < f->child_count(); ++i) {
                    meshes.push_back(static_cast<mesh*>(f->child(i)));
                    collect(f->child(i));
                }
            };
            collect(tree);
        } else {
            ASSERT_EQ(create_detached_mesh(&single), S_OK);
            EXPECT_TRUE(single->load_x(n.c_str())) << n;
            meshes.push_back(single);
        }
        for (const mesh* m : meshes) {
            EXPECT_TRUE(m->has_geometry()) << n << " " << m->name;
            for (uint32_t i = 0; i < m->material_count; ++i) {
                const std::string& texture = m->material_buffer[i].texture;
                if (texture.empty()) continue;
                // A mode character in the name would key out black; each texture gets a mip chain.
                EXPECT_EQ(texture_mode_for_name(texture.c_str()), 0) << n << ": " << texture;
                ASSERT_NE(m->textures[i], nullptr) << n << ": " << texture;
                EXPECT_GT(m->textures[i]->level_count(), 1) << n << ": " << texture;
            }
        }
        expect_quiet_log(n);
        if (tree != nullptr) destroy_hierarchy(&tree);
        if (single != nullptr) destroy_mesh(&single);
    }
    EXPECT_EQ(models, 10);
}

TEST_F(DataReaders, LightDefinitionsBuildTheirGlowAndModel)
{
    int lights = 0;
    for (const inventory_row& row : inventory_rows()) {
        const std::string& n = row.name;
        if (!has_suffix(n, ".def")) continue;
        ++lights;
        blinker b;
        b.load_def_object(n.c_str(), 1.0f, 1.0f, 1.0f);
        ASSERT_NE(b.glow, nullptr) << n;
        EXPECT_NE(b.glow->texture, nullptr) << n;
        EXPECT_GE(b.step_count, 2) << n;
        if (b.floating) {
            // The buoy rides on a floater with its model under it and the glow above.
            ASSERT_EQ(b.child(0)->type, FRAME_FLOATER) << n;
            const auto* body = static_cast<const mesh*>(b.child(0)->child(0));
            EXPECT_TRUE(body->has_geometry()) << n;
            EXPECT_GT(b.glow->local_position().y, body->base_box.max.y - 0.5f) << n;
        } else {
            EXPECT_GT(b.sector_count, 2) << n;
        }
        expect_quiet_log(n);
    }
    EXPECT_EQ(lights, 2);
}

TEST_F(DataReaders, KestrelBayObjectsAreFoundAndBuildEveryKindTheyName)
{
    copy_text(state_.scenery_name, "Kestrel Bay");
    auto world = std::make_unique<scene>();
    world->make_roots(true);
    ASSERT_TRUE(world->read_object_list("objects.txt", false));
    frame* anchor = nullptr;
    ASSERT_TRUE(create_frame(world->anchors, &anchor, "anchor"));
    for (const object_placement& p : world->objects_table.placements) world->build_object(anchor, p.entry, 0, 0);
    expect_quiet_log("Kestrel Bay objects");
    // The runway's strip and edge lights, its approach path, a fire and a smoke column, the
    // harbour light and the buoy light, and the bare floating buoy.
    std::vector<int> kinds;
    for (int i = 0; i < anchor->child_count(); ++i) kinds.push_back(anchor->child(i)->type);
    EXPECT_EQ(kinds, (std::vector<int>{FRAME_VISUAL, FRAME_ARRAY_SP, FRAME_ARRAY_SP, FRAME_SMOKE, FRAME_SMOKE,
                                       FRAME_BLINKER, FRAME_BLINKER, FRAME_FLOATER}));
    world.reset();
}

TEST_F(DataReaders, PicturesLoadAsTexturesOfTheirDeclaredSize)
{
    int pictures = 0;
    for (const inventory_row& row : inventory_rows()) {
        const std::string& n = row.name;
        if (!has_suffix(n, ".dds") && !has_suffix(n, ".jpg")) continue;
        ++pictures;
        // As the texture cache loads it, in the mode its reader uses ("mode 2": brightness is alpha).
        const size_t mode_at = row.reader.find("(mode ");
        const int mode = mode_at == std::string::npos ? 0 : row.reader[mode_at + 6] - '0';
        gfx_texture* texture = nullptr;
        EXPECT_TRUE(app_.load_texture(n.c_str(), &texture, mode, false)) << n;
        EXPECT_NE(texture, nullptr) << n;
        app_.release_texture(&texture);
        // The picture itself is of the size and kind the inventory declares.
        texture_request exact;
        exact.width = exact.height = k_texture_size_file;
        texture_image picture;
        ASSERT_EQ(texture_image_from_file(n.c_str(), exact, &picture), S_OK) << n;
        int width = 0, height = 0;
        declared_size(row.format, &width, &height);
        EXPECT_GT(width, 0) << n << ": no size in " << row.format;
        EXPECT_EQ(picture.width(), width) << n;
        EXPECT_EQ(picture.height(), height) << n;
        EXPECT_EQ(picture.cube, row.format.find("cube") != std::string::npos) << n;
        expect_quiet_log(n);
    }
    EXPECT_GT(pictures, 90);
}

// The cloud puffs are drawn as the outline of each picture's visible part: the outline holds
// every texel of the shipped pictures with alpha above 0 (as the atlas tile holds it) and
// leaves out a good share of the square.
TEST_F(DataReaders, PuffPicturesGiveOutlinesHoldingEveryVisibleTexel)
{
    const float inset = 0.5f;  // the billboards sample each tile half a texel in from its edges
    for (int i = 0; i < clouds::k_textures; ++i) {
        const std::string name = "graphics\\cloud" + std::to_string(i) + ".dds";
        image picture;
        ASSERT_EQ(image_load_file(name.c_str(), &picture), S_OK) << name;
        const image tile = clouds::tile_picture(&picture);
        const puff_outline o = puff_outline::fit(tile, inset);
        EXPECT_EQ(o.corners, puff_outline::k_max_corners) << name;
        EXPECT_EQ(outline_misses(tile, o, inset), "") << name;
        EXPECT_LT(o.area(), 0.86f) << name;
    }
}

// The flame's skin is wrapped round the flame and scrolled along it: it tiles both ways and no
// texel is nearly clear, so the flame shows whole, not as a spot.
TEST_F(DataReaders, FlameSkinRepeatsBothWaysAndCoversTheFlame)
{
    image picture;
    ASSERT_EQ(image_load_file("graphics\\thrust.dds", &picture), S_OK);
    ASSERT_GT(picture.width, 8);
    ASSERT_GT(picture.height, 8);
    const auto alpha = [&](int x, int y) { return static_cast<int>(picture.pixel(x, y) >> 24); };
    const auto grey = [&](int x, int y) { return static_cast<int>((picture.pixel(x, y) >> 8) & 0xFF); };
    const int w = picture.width, h = picture.height;
    long long sum = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            ASSERT_GT(alpha(x, y), 100) << x << "," << y;
            sum += alpha(x, y);
        }
    }
    EXPECT_GT(sum / (w * h), 180);
    // Neighbours across the seams differ no more than neighbours inside do.
    int inside = 0, seam = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x + 1 < w; ++x) inside = std::max(inside, std::abs(grey(x, y) - grey(x + 1, y)));
        seam = std::max(seam, std::abs(grey(w - 1, y) - grey(0, y)));
    }
    for (int x = 0; x < w; ++x) {
        for (int y = 0; y + 1 < h; ++y) inside = std::max(inside, std::abs(grey(x, y) - grey(x, y + 1)));
        seam = std::max(seam, std::abs(grey(x, h - 1) - grey(x, 0)));
    }
    EXPECT_LE(seam, inside + 2);
}

TEST_F(DataReaders, SoundsAndMusicPlay)
{
    ASSERT_EQ(sound_.available, 1);
    std::vector<float> mix(2 * 1024);
    auto peak_of = [&](const std::function<void()>& step, int blocks) {
        float peak = 0.0f;
        for (int i = 0; i < blocks; ++i) {
            step();
            EXPECT_TRUE(sound_.device()->render(mix.data(), 1024));
            for (float s : mix) peak = std::max(peak, std::fabs(s));
        }
        return peak;
    };
    int sounds = 0;
    for (const inventory_row& row : inventory_rows()) {
        const std::string& n = row.name;
        if (has_suffix(n, ".wav")) {
            ++sounds;
            std::vector<std::uint8_t> bytes;
            wave_format format;
            std::vector<std::uint8_t> pcm;
            ASSERT_TRUE(fs_read(n.c_str(), &bytes) && parse_wave(bytes, &format, &pcm)) << n;
            EXPECT_EQ(format.channels, 1) << n;
            EXPECT_EQ(format.bits_per_sample, 16) << n;
            EXPECT_EQ(format.samples_per_sec, 22050u) << n;
            std::unique_ptr<sound_buffer> buffer;
            ASSERT_TRUE(sound_.load_wave(n.c_str(), &buffer)) << n;
            sound_.play_once(buffer.get());
            EXPECT_GT(peak_of([] {}, 8), 0.01f) << n << " plays silence";
            sound_.stop(buffer.get());
        } else if (has_suffix(n, ".mp3")) {
            ++sounds;
            std::unique_ptr<music_stream> music;
            ASSERT_EQ(sound_.device()->open_music(n.c_str(), &music), S_OK) << n;
            ASSERT_EQ(music->play(), S_OK) << n;
            music->set_gain(1.0f);
            EXPECT_GT(peak_of([&] { music->pump(); }, 40), 0.01f) << n << " plays silence";
            music->stop();
        } else {
            continue;
        }
        expect_quiet_log(n);
    }
    EXPECT_EQ(sounds, 16);
}

TEST_F(DataReaders, SceneryLoadsThroughTheIndexAndTheTerrain)
{
    // A copy, so the derived files the terrain writes stay out of the shared run folder.
    std::error_code error;
    stdfs::copy(stdfs::path(run_) / "scenery", stdfs::path(tmp_.path()) / "scenery", stdfs::copy_options::recursive,
                error);
    ASSERT_FALSE(error) << error.message();
    fs_set_root(tmp_.path());
    state_.load_scenery_index();
    ASSERT_EQ(state_.sceneries.count, 1);
    const scenery_index_entry& entry = state_.sceneries.entries[0];
    EXPECT_STREQ(entry.folder, "Kestrel Bay");
    // The bounds data/README.md gives.
    EXPECT_FLOAT_EQ(entry.left_map_x, 38.5f);
    EXPECT_FLOAT_EQ(entry.right_map_x, 38.75f);
    EXPECT_FLOAT_EQ(entry.lower_map_y, 20.0f);
    EXPECT_FLOAT_EQ(entry.upper_map_y, 20.25f);

    auto ground = std::make_unique<terrain>();
    ASSERT_TRUE(ground->load_scenery("Kestrel Bay"));
    expect_quiet_log("Kestrel Bay");
    ASSERT_EQ(ground->rows, 512);
    ASSERT_EQ(ground->columns, 512);
    EXPECT_TRUE(tmp_.exists("scenery/Kestrel Bay/txt.bmp"));

    // The centre column is not stretched: where land surrounds it far enough that the shore
    // shaping does not reach, the loaded heights are the file's samples. Open sea anywhere
    // (columns move by up to 17 east-west with the stretch) lies at the fill depth, raised by
    // at most 1 m by each of the three smoothing passes, whose averages round toward zero.
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(fs_read("scenery\\Kestrel Bay\\kestrel.bin", &bytes));
    auto sample = [&](int r, int c) {
        const size_t at = 2 * (static_cast<size_t>(r) * 512 + c);
        return static_cast<int>(static_cast<std::int16_t>(bytes[at] | (bytes[at + 1] << 8)));
    };
    auto all = [&](int r, int c, int dc, bool land) {
        for (int i = r - 5; i <= r + 5; ++i)
            for (int j = c - dc; j <= c + dc; ++j)
                if ((sample(i, j) >= 1) != land) return false;
        return true;
    };
    int land = 0, sea = 0;
    for (int r = 5; r < 507; ++r) {
        if (all(r, 256, 7, true)) {
            EXPECT_EQ(ground->elevation(r, 256), sample(r, 256)) << "row " << r;
            ++land;
        }
        for (int c = 24; r % 8 == 0 && c < 488; c += 8) {
            if (!all(r, c, 24, false)) continue;
            const int deep = static_cast<int>(state_.fill_height);
            EXPECT_GE(ground->elevation(r, c), deep) << r << ", " << c;
            EXPECT_LE(ground->elevation(r, c), deep + 3) << r << ", " << c;
            ++sea;
        }
    }
    EXPECT_GT(land, 20);
    EXPECT_GT(sea, 20);
    ground.reset();
    fs_set_root(run_);
}

// Kestrel Bay's land classes have no object files, so no index is written; an empty one left
// by an earlier load is built again once a class has its file, the objects on its ground.
TEST_F(DataReaders, AnEmptyObjectIndexIsBuiltAgainOnceTheLandClassesHaveObjects)
{
    std::error_code error;
    stdfs::copy(stdfs::path(run_) / "scenery", stdfs::path(tmp_.path()) / "scenery", stdfs::copy_options::recursive,
                error);
    ASSERT_FALSE(error) << error.message();
    fs_set_root(tmp_.path());
    copy_text(state_.scenery_name, "Kestrel Bay");
    auto world = std::make_unique<scene>();
    world->make_roots(true);
    world->load_scenery_objects("Kestrel Bay");
    EXPECT_FALSE(tmp_.exists("scenery/Kestrel Bay/tile_objects.txt"));
    const size_t listed = world->objects_table.entries.size();  // the entries of "objects.txt"
    const size_t listed_placements = world->objects_table.placements.size();
    expect_quiet_log("Kestrel Bay without class objects");

    // As such a load used to leave it.
    const std::string empty_index = "\n[object_index]\n\n\n\n\n[object_list]\n";
    tmp_.write("scenery/Kestrel Bay/tile_objects.txt", empty_index);
    world->load_scenery_objects("Kestrel Bay");
    EXPECT_EQ(tmp_.read("scenery/Kestrel Bay/tile_objects.txt"), empty_index);  // nothing to build it from
    expect_quiet_log("an empty index without class objects");

    // A light in the middle of every grass tile.
    tmp_.write("scenery/Kestrel Bay/grass.txt", "; grass objects\n[Light]\t0.5\t0.5\t2\t40\t1\t1\t1\n");
    world->load_scenery_objects("Kestrel Bay");
    const std::string index = tmp_.read("scenery/Kestrel Bay/tile_objects.txt");
    EXPECT_NE(index.find("[Light]\t2.000000\t40.000000"), std::string::npos) << index.substr(0, 200);
    // The index's entry first, then those of the list.
    ASSERT_EQ(world->objects_table.entries.size(), listed + 1);
    EXPECT_STREQ(world->objects_table.entries[0].name, "[Light]");
    ASSERT_GT(world->objects_table.placements.size(), listed_placements);
    const terrain& g = world->ground;
    for (const object_placement& p : world->objects_table.placements) {
        if (p.entry != 0) continue;
        const int x = static_cast<int>(p.east / g.cell_size), z = static_cast<int>(p.north / g.cell_size);
        ASSERT_TRUE(x >= 0 && x < g.columns && z >= 0 && z < g.rows) << p.east << ", " << p.north;
        EXPECT_EQ(g.class_map[static_cast<size_t>(z) * g.columns + x], 1) << p.east << ", " << p.north;
    }
    EXPECT_NE(std::string(app_.log_text()).find("tile_objects.txt holds no objects: built again"), std::string::npos);
    app_.clear_log();
    // The index built is kept: the next load reads it as it is.
    world->load_scenery_objects("Kestrel Bay");
    EXPECT_EQ(tmp_.read("scenery/Kestrel Bay/tile_objects.txt"), index);
    expect_quiet_log("the built index read again");
    world.reset();
    fs_set_root(run_);
}

namespace {
// A scene that reads situations without loading their scenery (the terrain's derived files
// would land in the shared run folder).
class situation_reader : public scene {
protected:
    void load_scenery(int) override {}
};
}  // namespace

TEST_F(DataReaders, SituationsReadWithEveryValueInBounds)
{
    for (const inventory_row& row : inventory_rows()) {
        if (row.name.rfind("situations\\", 0) != 0 || !has_suffix(row.name, ".txt")) continue;
        auto world = std::make_unique<situation_reader>();
        install_scene_services(&world->proxie);
        auto* design = new missile_system();
        world->design_system = design;
        ASSERT_TRUE(design->load("New Missile"));
        world->read_situation(row.name.c_str());
        EXPECT_GT(world->tables.system_count, 0) << row.name;
        world.reset();
        install_scene_services(nullptr);
        state_.test_mode = state_.scenario_mode = 0;
        expect_quiet_log(row.name);
    }
}
