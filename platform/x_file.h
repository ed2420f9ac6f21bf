// The reader of DirectX .x model files in their text form ("xof 0302txt 0032" and the like):
// the file becomes a tree of data objects, each with its template name, its own name, the
// numbers and strings of its data in file order, and its child objects and references to
// other objects ({ name }) in file order. Template declarations are skipped; the meaning of each template
// is left to the model loader (x_loader.h).
//
// The file is untrusted. Names longer than k_max_name, nesting deeper than k_max_depth, a
// broken header, unbalanced braces, an unterminated string or a stray character end the
// read with a message naming the line; nothing is read past the end of the bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct x_object {
    std::string type;   // the template name: "Frame", "Mesh", "Material", ...; "" for a reference
    std::string name;   // empty when the object is unnamed; a reference's target
    std::vector<double> numbers;
    std::vector<std::string> strings;
    std::vector<x_object> children;       // objects and references, in file order
    bool reference = false;               // "{ name }" (or a GUID) standing for an object
    int line = 0;                         // where the object starts, for messages
};

struct x_file {
    std::vector<x_object> objects;  // the top-level data objects, in file order
};

constexpr std::size_t k_x_max_name = 255;
constexpr int k_x_max_depth = 64;

// Parses the bytes. False with a one-line reason in *error (and *out emptied) when the file
// is not a text .x file or is malformed.
bool parse_x_file(const std::uint8_t* data, std::size_t size, x_file* out, std::string* error);

// Pre-order search of the whole file for a data object of the type with this name (the
// target of a reference); none when there is none.
const x_object* find_x_object(const x_file& file, const std::string& type,
                              const std::string& name);
