// The shared textures of the "graphics" folder: particles, sky, sea, bump and detail maps,
// the world map and the earth globe, and the star table.
#pragma once

void generate_particle_textures();
void generate_sky_textures();
void generate_sea_textures();
void generate_map_textures();
void generate_star_map();
