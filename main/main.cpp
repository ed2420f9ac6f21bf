// The entry function: builds the program's global objects in their order, runs the program
// and takes them down in reverse.
#include <cstdio>
#include <memory>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "platform/resources.h"

int main() {
    register_embedded_resources();
    auto app = std::make_unique<d3d_app>();
    g_app = app.get();
    auto state = std::make_unique<app_state>();
    g_state = state.get();

    app->append_log("%s %s", app->title, app->version);
    std::printf("%s %s\n", app->title, app->version);

    state.reset();
    app.reset();  // writes Logfile.txt
    return 0;
}
