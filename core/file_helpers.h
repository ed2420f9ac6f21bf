// How the program finds its data files: the search path of a file named inside a scenery,
// fallback extensions of models and textures, the "_n" variant of a texture, picking a file
// out of a folder in rotation or at random (music, tips), the byte-wise scrambling of ".xx"
// models, the clipboard and two text utilities. Names are relative to the run folder with
// backslashes. Functions that rewrite a name take its buffer and capacity and never write
// past it; a result that does not fit is a failure and leaves the name as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The data search path: "scenery\<current scenery>\<name>", then "common\<name>", then
// "graphics\<name>". At the first that exists out receives it, spelt with the matched file
// name (a wildcard name resolves to its first match), and the result is true; otherwise out
// receives the bare name and the result is false.
bool find_data_file(char* out, std::size_t cap, const char* name);

// True when the file exists as named; otherwise tries the name with its extension (from the
// last '.') replaced by first, then by second. The name keeps the last replacement tried.
bool resolve_file_extension(char* name, std::size_t cap, const char* first, const char* second);
// The same for a file the game needs (a model, a texture): a miss gets one log line naming the
// file as it was asked for, once however often it is asked for.
bool resolve_needed_file(char* name, std::size_t cap, const char* first, const char* second);

// Replaces the file-name part of the pattern by the first match; false when none.
bool resolve_first_match(char* pattern, std::size_t cap);

// Lower-cases the name and looks for its "_n" variant ("tree.dds" -> "tree_n.dds").
bool find_n_variant_file(char* name, std::size_t cap);

// Replaces the pattern by the bare name of the next file of a program-wide rotation that
// starts at a random place (the tick count). False when nothing matches.
bool pick_file_in_rotation(char* pattern, std::size_t cap);
// The bare name of a file chosen by the tick count among the matches whose names do not
// contain the exclusion. False when none is left.
bool pick_random_file_except(char* pattern, std::size_t cap, const char* exclusion);

bool copy_to_clipboard(const char* text);

// The length of the longest line among the first n characters; a line cut off by n does not
// count; 0 for no text or n below 1.
int longest_line_length(const char* text, int n);

// Copies a file byte by byte, byte i written as (byte - i) mod 256 (unscramble) or
// (byte + i) mod 256 (scramble). False when the source cannot be read or the copy not written.
bool unscramble_copy(const char* source, const char* destination);
bool scramble_copy(const char* source, const char* destination);
// Unscrambles in place in memory (the inverse of scramble_bytes).
void unscramble_bytes(std::vector<std::uint8_t>* bytes);
void scramble_bytes(std::vector<std::uint8_t>* bytes);
// Reads a model file into memory, unscrambling it when its name ends in ".xx". Models are
// never unscrambled through a shared temporary file.
bool read_model_file(const char* name, std::vector<std::uint8_t>* out);

// Reads a text file into a zeroed buffer of at most size - 2 characters, expanding each tab
// with spaces to the next column that is a multiple of 16 (a tab at such a column adds none).
bool read_text_file(const char* path, char* buffer, std::size_t size);
bool is_folder(const char* path);
// Clears a read-only attribute and deletes the file.
bool delete_file(const char* path);
// Replaces the name by "<first>\<name>" or "<second>\<name>", whichever holds it first.
bool find_in_two_folders(char* name, std::size_t cap, const char* first, const char* second);
// A word read from a file as a log line shows it, in quotes: control bytes (a binary file's)
// become '?', and a long word (a damaged file can hold one of thousands of bytes) is cut to
// its first 24 characters, followed by its length.
std::string word_for_log(const std::string& word);

template <std::size_t N>
bool find_data_file(char (&out)[N], const char* name) {
    return find_data_file(out, N, name);
}
template <std::size_t N>
bool resolve_file_extension(char (&name)[N], const char* first, const char* second) {
    return resolve_file_extension(name, N, first, second);
}
template <std::size_t N>
bool resolve_needed_file(char (&name)[N], const char* first, const char* second) {
    return resolve_needed_file(name, N, first, second);
}
