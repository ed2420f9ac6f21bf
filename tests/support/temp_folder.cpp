#include "tests/support/temp_folder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/files.h"

temp_folder::temp_folder() {
    std::string tmpl = fs_temp_folder() + "ventrask-test-XXXXXX";
    if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
    previous_root_ = fs_root();
    fs_set_root(path_);
}

temp_folder::~temp_folder() {
    fs_set_root(previous_root_);
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void temp_folder::write(const std::string& relative, const std::string& content) const {
    const std::filesystem::path p = std::filesystem::path(path_) / relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream f(p, std::ios::binary);
    f << content;
}

std::string temp_folder::read(const std::string& relative) const {
    std::ifstream f(std::filesystem::path(path_) / relative, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

bool temp_folder::exists(const std::string& relative) const {
    return std::filesystem::exists(std::filesystem::path(path_) / relative);
}
