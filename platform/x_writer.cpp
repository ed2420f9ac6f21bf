#include "platform/x_writer.h"

#include <cstring>

#include "platform/text.h"

namespace {

// Nine significant digits bring every float back exactly.
std::string num(float v) { return format_string("%.9g", static_cast<double>(v)); }

std::string triple(const float* v) { return num(v[0]) + ";" + num(v[1]) + ";" + num(v[2]) + ";"; }

// The reader takes a file name up to its closing quote on one line.
std::string quoted_name(const std::string& name) {
    std::string s;
    for (char c : name) {
        if (c != '"' && c != '\n' && c != '\r') s += c;
    }
    return "\"" + s + "\"";
}

void write_faces(const x_mesh& mesh, std::string* out) {
    *out += format_string(" %d;\n", mesh.face_count());
    const std::uint16_t* idx = mesh.index_data();
    for (int f = 0; f < mesh.face_count(); ++f) {
        *out += format_string("  3;%u,%u,%u;%s", idx[3 * f], idx[3 * f + 1], idx[3 * f + 2],
                              f + 1 < mesh.face_count() ? ",\n" : ";\n");
    }
}

void write_vectors(const x_mesh& mesh, int offset, int floats, std::string* out) {
    for (int v = 0; v < mesh.vertex_count(); ++v) {
        float p[3] = {0, 0, 0};
        std::memcpy(p, mesh.vertex_bytes() + static_cast<std::size_t>(v) * static_cast<std::size_t>(mesh.stride()) + offset,
                    sizeof(float) * static_cast<std::size_t>(floats));
        *out += "  " + (floats == 3 ? triple(p) : num(p[0]) + ";" + num(p[1]) + ";");
        *out += v + 1 < mesh.vertex_count() ? ",\n" : ";\n";
    }
}

}  // namespace

std::string format_x_mesh(const x_mesh& mesh, const std::vector<x_material>& materials) {
    std::string out = "xof 0303txt 0032\n\nMesh {\n";
    out += format_string(" %d;\n", mesh.vertex_count());
    write_vectors(mesh, 0, 3, &out);
    write_faces(mesh, &out);
    if (mesh.normal_offset() >= 0) {
        out += " MeshNormals {\n " + std::to_string(mesh.vertex_count()) + ";\n";
        write_vectors(mesh, mesh.normal_offset(), 3, &out);
        write_faces(mesh, &out);
        out += " }\n";
    }
    if (mesh.texcoord_offset() >= 0) {
        out += " MeshTextureCoords {\n " + std::to_string(mesh.vertex_count()) + ";\n";
        write_vectors(mesh, mesh.texcoord_offset(), 2, &out);
        out += " }\n";
    }
    if (!materials.empty()) {
        out += " MeshMaterialList {\n  " + std::to_string(materials.size()) + ";\n  " +
               std::to_string(mesh.face_count()) + ";\n";
        for (int f = 0; f < mesh.face_count(); ++f) {
            out += "  " + std::to_string(mesh.attribute_data()[f]) + (f + 1 < mesh.face_count() ? ",\n" : ";\n");
        }
        for (const x_material& m : materials) {
            const gfx_material& g = m.material;
            out += "  Material {\n   " + num(g.diffuse.r) + ";" + num(g.diffuse.g) + ";" + num(g.diffuse.b) + ";" +
                   num(g.diffuse.a) + ";;\n   " + num(g.power) + ";\n   " + num(g.specular.r) + ";" +
                   num(g.specular.g) + ";" + num(g.specular.b) + ";;\n   " + num(g.emissive.r) + ";" +
                   num(g.emissive.g) + ";" + num(g.emissive.b) + ";;\n";
            if (!m.texture.empty()) out += "   TextureFilename { " + quoted_name(m.texture) + "; }\n";
            out += "  }\n";
        }
        out += " }\n";
    }
    return out + "}\n";
}
