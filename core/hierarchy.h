// A model loaded with its frame tree: every frame of the .x file becomes a child `mesh`
// (keeping the file's frame names, lower-cased, and its frame matrices), so that parts of a
// model can be found by name and moved on their own. Launcher and radar models name theirs
// "turret" and "barrel"; scenery "group" objects are loaded this way and stood on the ground
// part by part. The node itself holds no geometry.
#pragma once

#include "core/mesh.h"

class hierarchy : public mesh {
public:
    hierarchy();
    ~hierarchy() override;

    // Deletes the child meshes (the node's own mesh fields hold nothing).
    void clear_children() override;

    // Builds the child meshes from the file's frames (".xx" read unscrambled). A missing
    // file leaves the hierarchy empty; a bad file is logged and leaves it empty too.
    void load_x(const char* path);
    // The first mesh found, child by child, whose name contains the pattern and not the
    // exclusion (both compared lower-cased); none when no child yields a mesh.
    mesh* find_mesh(const char* pattern, const char* exclusion = nullptr);
    // Stands every direct child on the ground below it.
    void drape_children();

    std::uint8_t drape = 1;
    char folder[128] = {};

private:
    void load_frame(const x_file& file, const x_object& object, frame* parent);
};

hresult create_hierarchy(frame* parent, hierarchy** out);
hresult create_detached_hierarchy(hierarchy** out);
hresult destroy_hierarchy(hierarchy** variable);
