#include "simulation/definition_writer.h"

#include "core/d3d_app.h"
#include "platform/text.h"

definition_writer::~definition_writer() { close(); }

bool definition_writer::open(const std::string& file) {
    close();
    path_ = file;
    failed_ = false;
    open_ = file_.open(file.c_str());
    if (!open_) {
        log_line("Could not write %s: %s", file.c_str(), file_.error().c_str());
        failed_ = true;  // close() reports it again, without a second log line
        return false;
    }
    return true;
}

void definition_writer::put(const std::string& line) {
    if (open_) file_.write(line + "\r\n");
}

void definition_writer::text(const char* line) { put(line); }

void definition_writer::blank() { put(""); }

void definition_writer::real(float value, const char* key) {
    put(format_string("%g\t%s", static_cast<double>(value), key));
}

void definition_writer::whole(int value, const char* key) {
    put(format_string("%d\t%s", value, key));
}

void definition_writer::flag(bool value, const char* key) { put(format_string("%d\t%s", value ? 1 : 0, key)); }

void definition_writer::name(const char* value, const char* key) {
    put(format_string("%s\t%s", value, key));
}

bool definition_writer::close() {
    if (!open_) return !failed_ && !path_.empty();
    open_ = false;
    if (!file_.commit()) {
        failed_ = true;
        log_line("Could not write %s: %s", path_.c_str(), file_.error().c_str());
    }
    return !failed_;
}
