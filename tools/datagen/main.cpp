// Writes the game's generated data into a run folder: ventrask_datagen <folder>.
// Everything is computed from fixed seeds, so two runs give the same bytes.
#include "models.h"
#include "output.h"
#include "scenery.h"
#include "sounds.h"
#include "textures.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: ventrask_datagen <run folder>\n");
        return 2;
    }
    set_output_root(argv[1]);
    generate_sounds();
    generate_music();
    generate_particle_textures();
    generate_sky_textures();
    generate_sea_textures();
    generate_map_textures();
    generate_star_map();
    generate_models();
    generate_scenery();
    generate_help_pictures();
    return 0;
}
