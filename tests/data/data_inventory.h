// The inventory table of data/README.md: one row per file the run folder must hold, with the
// code that reads it and its format.
#pragma once

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

struct inventory_row {
    std::string name;    // program name, backslash separated
    std::string reader;  // the "read by" cell
    std::string format;  // the "format" cell
};

inline std::string read_host_text(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// The rows under "## Inventory": "| `name` | made | read by | format |".
inline std::vector<inventory_row> inventory_rows()
{
    const char* source = std::getenv("VENTRASK_SOURCE_DIR");
    std::istringstream in(read_host_text(std::string(source ? source : "") + "/data/README.md"));
    std::vector<inventory_row> rows;
    std::string line;
    bool inside = false;
    while (std::getline(in, line)) {
        if (line.rfind("## ", 0) == 0) inside = line == "## Inventory";
        if (!inside || line.rfind("| `", 0) != 0) continue;
        std::vector<std::string> cells;
        std::istringstream row(line.substr(1));
        std::string cell;
        while (std::getline(row, cell, '|')) cells.push_back(cell);
        const size_t end = line.find('`', 3);
        if (cells.size() < 4 || end == std::string::npos) continue;
        rows.push_back({line.substr(3, end - 3), cells[2], cells[3]});
    }
    return rows;
}

inline std::vector<std::string> inventory()
{
    std::vector<std::string> names;
    for (const inventory_row& row : inventory_rows()) names.push_back(row.name);
    return names;
}

// One resource of the table under "## Compiled into the program": type, number and the
// picture size its format cell gives (0 x 0 for texts).
struct compiled_resource {
    std::string type;
    int id = 0;
    int width = 0, height = 0;
};

// Its rows name resources as `TYPE\N`, several with ", " and runs with " .. " between the
// first and the last ("`RCDATA\417` .. `RCDATA\423`"); a format "BMP 128 x 96, 24-bit" gives the size.
inline std::vector<compiled_resource> compiled_resources()
{
    const char* source = std::getenv("VENTRASK_SOURCE_DIR");
    std::istringstream in(read_host_text(std::string(source ? source : "") + "/data/README.md"));
    std::vector<compiled_resource> out;
    std::string line;
    bool inside = false;
    while (std::getline(in, line)) {
        if (line.rfind("## ", 0) == 0) inside = line == "## Compiled into the program";
        if (!inside || line.rfind("| `", 0) != 0) continue;
        std::vector<std::string> cells;
        std::istringstream row(line.substr(1));
        std::string cell;
        while (std::getline(row, cell, '|')) cells.push_back(cell);
        if (cells.size() < 4) continue;
        int width = 0, height = 0;
        const size_t by = cells[3].find(" x ");
        if (by != std::string::npos) {
            const size_t start = cells[3].find_last_of(' ', by - 1);
            width = std::atoi(cells[3].c_str() + start + 1);
            height = std::atoi(cells[3].c_str() + by + 3);
        }
        const std::string& names = cells[0];
        int run_from = -1;
        for (size_t at = names.find('`'); at != std::string::npos; at = names.find('`', at + 1)) {
            const size_t end = names.find('`', at + 1);
            if (end == std::string::npos) break;
            const std::string name = names.substr(at + 1, end - at - 1);
            const size_t slash = name.find('\\');
            const bool run = names.compare(at >= 4 ? at - 4 : 0, 4, " .. ") == 0;
            at = end;
            if (slash == std::string::npos) continue;
            const std::string type = name.substr(0, slash);
            const int id = std::atoi(name.c_str() + slash + 1);
            for (int n = run && run_from >= 0 ? run_from + 1 : id; n <= id; ++n) out.push_back({type, n, width, height});
            run_from = id;
        }
    }
    return out;
}
