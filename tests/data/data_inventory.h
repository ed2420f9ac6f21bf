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
