// Reads the program's definition files (airframes, motors, warheads, guidance, missiles,
// launchers, control units, systems). A file is a title line and then one line per value:
// the value, a TAB and its bracketed key. Lines holding "//" are comments; the first other line
// holding "@" ends the data (a units legend follows it). A key is found anywhere in a line, and
// the line's value is the number at its start (read as "%f" in the C locale) or, for names,
// the text before its first TAB. Lines may be of any length and end in LF or CR LF.
// A file the reader takes no value from (damaged, or not a definition file) gets one log line
// naming it: the design keeps the values it had. The part files (all but the missile and system
// files) are opened only when they can be read whole (open_whole), and one that gives its part
// no value at all counts as damaged (took_values).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "core/d3d_app.h"
#include "simulation/design_name.h"


// Records of a part file that come in the number a count line gives (a motor's charges).
struct definition_records {
    const char* count_key;  // the line giving their number, "[NS]"
    const char* last_key;   // the line that ends each record, "[AC]"
    int most;               // the records the part keeps
    const char* noun;       // "charges"
};

class definition_reader {
public:
    definition_reader() = default;
    ~definition_reader();
    definition_reader(const definition_reader&) = delete;
    definition_reader& operator=(const definition_reader&) = delete;

    // Opens the file (a program name); false when it cannot be opened (logged when the file
    // exists but cannot be read).
    bool open(const std::string& file);
    // open() for a part file, whose data the program always ends with an "@" line (a units
    // legend follows): the file is taken only when it can be read whole, so that a part never
    // takes some of a file's values and keeps its own for the rest. False, with nothing read,
    // when it ends before its "@" line (cut short) or holds fewer records than its count line
    // gives, or when it holds a control character other than TAB, CR and LF anywhere; such a
    // file is reported by name (definition_faults). A file with its "@" line and only some of
    // the keys is whole.
    bool open_whole(const std::string& file, const definition_records* records = nullptr);
    // Moves to the next data line, skipping comments. False at the end of the file or at the
    // line that ends the data, where a file without a single key is reported.
    bool next_line();
    // After a part file's lines were read: whether any of them gave the part a value. A part
    // file that gave none (its lines run together, as with lone CR line ends, or it is no
    // definition file at all) is damaged: reported by name, and its part keeps what it had,
    // since no key changed it.
    bool took_values() const;

    // Whether the current line holds the key (case-sensitive, brackets included).
    bool has(const char* key) const;
    // The line's leading number, or current when the line does not start with a finite number
    // (such a line leaves numeric fields as they were).
    float real(float current) const;
    // The number truncated toward zero; out-of-range numbers stop at the int range.
    int whole(int current) const;
    // Set when the number is above 0.
    std::uint8_t flag(std::uint8_t current) const;
    // The text before the first TAB (the whole line without one), cut to a name field.
    void name(char (&field)[design_name_size]) const;
    // name() for the line that holds the key; true when it did.
    bool name_at(const char* key, char (&field)[design_name_size]) const;

    // Bounds a value read from the file to what the program can use: a value outside
    // [low, high] takes the nearer end and logs "<file>: <key> <value> bounded to <end>".
    void bound(const char* key, float& value, float low, float high) const;
    void bound(const char* key, std::int32_t& value, std::int32_t low, std::int32_t high) const;

    const std::string& line() const { return line_; }
    // Whether any line so far held a key the reader asked about.
    bool found_any_key() const { return any_key_; }
    // The length of the longest line read so far (comments and the title included).
    std::size_t longest_line() const { return longest_; }
    const std::string& path() const { return path_; }
    // Whether the file's last line has no line end (the program ends every line it writes).
    bool ends_mid_line() const { return !text_->empty() && text_->back() != '\n'; }

private:
    bool read_raw_line();
    struct part_fault {
        const char* kind = "";  // definition_faults' words for it
        std::string why;
    };
    // Why the open file cannot be read whole as a part file, an empty why when it can.
    part_fault part_damage(const definition_records* records) const;

    // The file's text: its own copy, or the one a definition_texts set keeps.
    std::string own_;
    const std::string* text_ = &own_;
    std::size_t at_ = 0;  // where the next line starts
    std::size_t longest_ = 0;
    bool open_ = false;
    bool part_file_ = false;  // opened by open_whole
    std::string path_;
    // Whether any line held a key the kind looked for.
    mutable bool any_key_ = false;
    std::string line_;
    bool has_number_ = false;
    double number_ = 0.0;
};

// The missile and system files name their parts on lines of at most this many characters.
constexpr std::size_t k_name_file_line = 119;

// Why a file that names parts (missile, system) could not be read whole, empty when it could:
// a line longer than k_name_file_line, a file that stops in the middle of a line before
// naming all its parts (cut short; a file that simply leaves a name out keeps that part as
// it was), or one that names none at all. A damaged file is logged once by name.
std::string definition_damage(const definition_reader& in, bool named_all);
