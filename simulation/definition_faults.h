// The definition files a load found damaged: each file that could not be read whole, with why.
// Whoever reads a design for the user (a design screen, the start-up) puts a set in use around
// the read and names the files in its notice; every reader that refuses a damaged file logs it
// once by name and adds it to the set in use, if any. The run and the headless tools have only
// the log line.
#pragma once

#include <string>
#include <vector>

class definition_faults {
public:
    struct fault {
        std::string file;  // the program's name of the file, "motors\Sentinel MR.txt"
        std::string kind;  // a few words for a notice line, "cut short"
        std::string why;   // "it ends before its "@" line"
    };

    // The kinds of damage.
    static constexpr const char* k_cut_short = "cut short";
    static constexpr const char* k_records_missing = "records missing";
    static constexpr const char* k_control_characters = "control characters";
    static constexpr const char* k_long_line = "line too long";
    static constexpr const char* k_no_values = "no values";

    // The lines a notice names at most before "and N more".
    static constexpr int k_notice_lines = 6;

    const std::vector<fault>& list() const { return faults_; }
    bool empty() const { return faults_.empty(); }

    // The notice's text. One file: "Could not load <file>: <why>" (the kind in place of why
    // when the line would not fit a caption). Several: a heading line, then a line
    // "<file>: <kind>" for each of the first k_notice_lines and "and N more: Logfile.txt lists
    // them" for the rest.
    std::string notice() const;

    // Logs "<file> cannot be read whole: <why>" (once a run for each file and reason) and
    // adds the fault to the set in use, unless it is listed there already.
    static void report(const std::string& file, const char* kind, const std::string& why);

    // Puts a set in use while it lives; the previous one comes back after.
    class use {
    public:
        explicit use(definition_faults* faults);
        ~use();
        use(const use&) = delete;
        use& operator=(const use&) = delete;

    private:
        definition_faults* previous_;
    };

private:
    std::vector<fault> faults_;
};
