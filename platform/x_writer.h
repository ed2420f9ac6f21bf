// Writes a mesh with its materials as a text .x file that the reader takes back unchanged:
// one Mesh with its normals, texture coordinates and material list, numbers written so
// that they read back to the same floats.
#pragma once

#include <string>
#include <vector>

#include "platform/x_loader.h"
#include "platform/x_mesh.h"

std::string format_x_mesh(const x_mesh& mesh, const std::vector<x_material>& materials);
