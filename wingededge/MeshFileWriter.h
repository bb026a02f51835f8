#ifndef QUILLMAP_MESHFILEWRITER_H
#define QUILLMAP_MESHFILEWRITER_H

// Writes winged-edge meshes as VRML 2.0 or Open Inventor 2.1 text: one named
// group per mesh with its coordinates, vertex normals and one triangle per
// face, streamed to the file in one pass.
//
// Numbers are written the way printf's "%f" and "%i" write them in the C
// locale, whatever locale the program runs in (a Qt program takes the
// user's, whose decimal comma no reader of these formats accepts).

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "wingededge/WingedEdge.h"

class MeshFileWriter {
public:
    enum Format { VRML_2_0 = 1, INVENTOR_2_1 = 2 };

    // What a write left out, so that the caller can say so.
    struct Report {
        int meshesWritten = 0;
        // Meshes without vertices or without faces: the formats need at
        // least one of each, so such a mesh gets no block at all.
        int meshesLeftOut = 0;
        // Meshes with a position that is infinite or not a number, which no
        // reader of either format takes: left out as well.
        int meshesNotFinite = 0;
        // Faces whose cycle breaks off before its third vertex.
        int facesLeftOut = 0;
        // Vertex normals that are infinite or not a number, written as
        // (0, 0, 0): a normal only shades, the position is what counts.
        int normalsZeroed = 0;
    };

    // Streams the meshes to `out` in `format`. Vertex ids must be the
    // vertices' positions in their list, as WingedEdgeMesh::renumber leaves
    // them. Returns false when writing to `out` failed.
    static bool write(std::FILE* out, const std::vector<WingedEdgeMesh>& meshes, Format format, Report& report);

    // Writes the meshes into a new file beside `path` and puts it in place of
    // `path` once complete, so that a failed write leaves an older file as it
    // was and no part of a new one. Returns an empty string, or what went
    // wrong ("cannot be created: ...", "could not be written: ...").
    static std::string writeFile(const std::string& path, const std::vector<WingedEdgeMesh>& meshes, Format format,
                                 Report& report);

    // The name of a mesh's group: a letter prefix and its object index, so
    // that it is an identifier both formats accept.
    static std::string groupName(int32_t objectIndex);

    // The producer comment line, without its line end.
    static const char* producerLine(void);
};

#endif // QUILLMAP_MESHFILEWRITER_H
