// The default scenery "Kestrel Bay": a coast with hills to the west and sea to the east, its
// elevation header and samples, its land and scatter textures, its placed objects
// ("objects.txt") and the runway's texture. Its "scenery.txt" and
// "titles.txt" are authored text files.
#pragma once

// The scenery's geographic box (degrees) and grid, shared with the test of the generated data.
constexpr double k_scenery_west = 38.50;
constexpr double k_scenery_east = 38.75;
constexpr double k_scenery_south = 20.00;
constexpr double k_scenery_north = 20.25;
constexpr int k_scenery_rows = 512;     // multiples of the 32-sample tile
constexpr int k_scenery_columns = 512;

void generate_scenery();
// Pictures of the tips browser, one per tip text ("help\<topic>\<tip>.jpg").
void generate_help_pictures();
