// ventrask_engage <data folder> [options]: runs an engagement headless and prints each event
// line, then "rockets=N missiles=N intercepts=N hits=N debris=N".
//   --system NAME X Z HEADING   a missile system (m, degrees); repeatable
//   --launcher X Z COUNT INTERVAL ELEVATION [SPREAD]
//                               a rocket launcher (m, s, degrees, m) aimed at the first system
//   --dt S  --time S            the time step and the longest run (s)
//   --coast X                   the sea lies east of x = X (m)
//   --timing                    also prints "timing: set-up S s, run S s, simulated S s,
//                               ratio R": wall times and simulated seconds per wall second
// Every design file of the systems given is read before the run: when any cannot be read
// whole, each such file is named on stderr and the run does not start (exit status 1). One
// found damaged during the run is named after it (its part keeps the values it had), status 1,
// as for a system file that does not open. The run's log goes to "Engagelog.txt" in the current
// folder; the game's "Logfile.txt" there is left alone.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/engage/engagement_run.h"

namespace {

constexpr float k_degrees = 57.29578f;  // degrees per radian

float number(const char* text) { return std::strtof(text, nullptr); }
double seconds(const char* text) { return std::strtod(text, nullptr); }

void usage() {
    std::fprintf(stderr,
                 "usage: ventrask_engage <data folder> [--system NAME X Z HEADING]... "
                 "[--launcher X Z COUNT INTERVAL ELEVATION [SPREAD]]... [--dt S] [--time S] [--coast X] "
                 "[--timing]\n");
}

// Names the damaged design files and a system file that did not open on stderr; true when
// there was neither.
bool report_files(const engagement_run& run, bool placed) {
    for (const definition_faults::fault& f : run.faults.list()) {
        std::fprintf(stderr, "%s cannot be read whole: %s\n", f.file.c_str(), f.why.c_str());
    }
    if (!placed) std::fprintf(stderr, "a system file did not open; the default design stood in\n");
    return placed && run.faults.empty();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        usage();
        return 2;
    }
    engagement_setup setup;
    setup.data_folder = argv[1];
    bool timing = false;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        const int left = argc - i - 1;
        if (a == "--system" && left >= 4) {
            system_site s;
            s.name = argv[i + 1];
            s.x = number(argv[i + 2]);
            s.z = number(argv[i + 3]);
            s.heading = number(argv[i + 4]) / k_degrees;
            setup.systems.push_back(s);
            i += 4;
        } else if (a == "--launcher" && left >= 5) {
            launcher_site l;
            l.x = number(argv[i + 1]);
            l.z = number(argv[i + 2]);
            l.count = std::atoi(argv[i + 3]);
            l.interval = std::atoi(argv[i + 4]);
            l.elevation = number(argv[i + 5]) / k_degrees;
            i += 5;
            if (i + 1 < argc && argv[i + 1][0] != '-') l.spread = number(argv[++i]);
            setup.launchers.push_back(l);
        } else if (a == "--dt" && left >= 1) {
            setup.dt = seconds(argv[++i]);
        } else if (a == "--time" && left >= 1) {
            setup.max_time = seconds(argv[++i]);
        } else if (a == "--coast" && left >= 1) {
            setup.coast_x = number(argv[++i]);
        } else if (a == "--timing") {
            timing = true;
        } else {
            usage();
            return 2;
        }
    }
    if (!(setup.dt > 0.0) || !(setup.max_time > 0.0)) {
        std::fprintf(stderr, "the time step and the run time must be positive\n");
        return 2;
    }
    using wall_clock = std::chrono::steady_clock;
    const wall_clock::time_point start = wall_clock::now();
    engagement_run run(setup);
    const bool placed = run.place();
    // A damaged design is not run: its parts would fly with values the files do not hold.
    if (!run.faults.empty()) {
        report_files(run, placed);
        return 1;
    }
    const wall_clock::time_point placed_at = wall_clock::now();
    const std::string counters = run.run();
    const wall_clock::time_point end = wall_clock::now();
    for (const std::string& e : run.events) std::printf("%s\n", e.c_str());
    std::printf("%s\n", counters.c_str());
    if (timing) {
        const double set_up = std::chrono::duration<double>(placed_at - start).count();
        const double flown = std::chrono::duration<double>(end - placed_at).count();
        const double wall = set_up + flown;
        std::printf("timing: set-up %.4f s, run %.4f s, simulated %.2f s, ratio %.0f\n", set_up, flown,
                    run.time, wall > 0.0 ? run.time / wall : 0.0);
    }
    return report_files(run, placed) ? 0 : 1;
}
