// The definition files a load found damaged: each file that could not be read whole, with why.
// Whoever loads a design for the user (a design screen) puts a set in use around the load and
// names the files in its notice; every reader that refuses a damaged file logs it once by name
// and adds it to the set in use, if any. The run and the headless tools have only the log line.
#pragma once

#include <string>
#include <vector>

class definition_faults {
public:
    struct fault {
        std::string file;  // the program's name of the file, "motors\Sentinel MR.txt"
        std::string why;   // "it ends before its "@" line"
    };

    const std::vector<fault>& list() const { return faults_; }
    bool empty() const { return faults_.empty(); }

    // Logs "<file> cannot be read whole: <why>" (once a run for each file and reason) and
    // adds the fault to the set in use, unless it is listed there already.
    static void report(const std::string& file, const std::string& why);

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
