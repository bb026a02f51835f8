// Writes winged-edge meshes as VRML 2.0 or Open Inventor 2.1 text.

#include "wingededge/MeshFileWriter.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>

#include "wingededge/FaceCycle.h"
#include "util/FileReplacement.h"

namespace {

const char* const kProducer = "#Produced by Quillmap (https://quillmap.org)";

// Text built in memory and, when it has a file, handed to the file in large
// pieces. Every number is formatted here, without printf, so that the
// locale cannot change it.
class TextOut {
public:
    explicit TextOut(std::FILE* out)
        : file(out)
    {
    }

    // Room for `n` more characters at the returned position; commit() says
    // how many were used.
    char* room(size_t n)
    {
        if (used + n > capacity)
            grow(n);
        return data.get() + used;
    }
    void commit(char* end) { used = size_t(end - data.get()); }

    void text(const char* s, size_t n)
    {
        std::memcpy(room(n), s, n);
        used += n;
    }
    void text(const char* s) { text(s, std::strlen(s)); }
    void text(const std::string& s) { text(s.data(), s.size()); }
    // What `other` holds; a large piece goes to the file directly.
    void text(const TextOut& other)
    {
        if (file != nullptr && other.used >= kFlushSize) {
            flush();
            ok = ok && std::fwrite(other.data.get(), 1, other.used, file) == other.used;
        } else if (other.used > 0) {
            text(other.data.get(), other.used);
        }
    }
    // Forgets what is held, keeping the memory.
    void clear(void) { used = 0; }

    // `indent` spaces, then s.
    void line(int indent, const char* s)
    {
        char* p = room(size_t(indent));
        std::memset(p, ' ', size_t(indent));
        used += size_t(indent);
        text(s);
    }

    // Hands what is held to the file; false once a write failed.
    bool flush(void)
    {
        if (file != nullptr && used > 0) {
            ok = ok && std::fwrite(data.get(), 1, used, file) == used;
            used = 0;
        }
        return ok;
    }
    // Flushes when enough has gathered for one large write.
    void flushIfFull(void)
    {
        if (file != nullptr && used >= kFlushSize)
            flush();
    }

    static char* putInt(char* p, int32_t value)
    {
        uint32_t n = uint32_t(value);
        if (value < 0) {
            *p++ = '-';
            n = 0u - n;
        }
        return putDigits(p, n);
    }

    // "%f" of a finite float: six decimals, rounded to nearest with ties to
    // even as glibc rounds them. A float times 10^6 is exact in a double (24
    // bits times the 14 odd bits of 10^6), so the rounding sees the true
    // value.
    static char* putFixed(char* p, float value)
    {
        const double v = value;
        if (std::signbit(v))
            *p++ = '-';
        const double scaled = std::fabs(v) * 1e6;
        if (scaled < 1.8e19) {
            const uint64_t n = uint64_t(std::nearbyint(scaled));
            p = putDigits(p, n / 1000000u);
            *p++ = '.';
            uint32_t fraction = uint32_t(n % 1000000u);
            for (int i = 5; i >= 0; --i) {
                p[i] = char('0' + fraction % 10u);
                fraction /= 10u;
            }
            return p + 6;
        }
        // Floats this large are whole numbers; "%.0f" has no decimal point
        // for the locale to change.
        p += std::snprintf(p, 48, "%.0f", std::fabs(v));
        std::memcpy(p, ".000000", 7);
        return p + 7;
    }

    // The longest putFixed writes: sign, 39 digits, point, six decimals.
    static const size_t kMaxFixed = 48;

private:
    static char* putDigits(char* p, uint64_t n)
    {
        char digits[20];
        int count = 0;
        do {
            digits[count++] = char('0' + n % 10u);
            n /= 10u;
        } while (n != 0);
        while (count > 0)
            *p++ = digits[--count];
        return p;
    }

    void grow(size_t n)
    {
        const size_t larger = std::max(2 * capacity, used + n + kFlushSize);
        std::unique_ptr<char[]> moved(new char[larger]);
        if (used > 0)
            std::memcpy(moved.get(), data.get(), used);
        data.swap(moved);
        capacity = larger;
    }

    static const size_t kFlushSize = size_t(1) << 18;
    std::FILE* file;
    std::unique_ptr<char[]> data;
    size_t used = 0;
    size_t capacity = 0;
    bool ok = true;
};

bool finite(const SbVec3f& x)
{
    return std::isfinite(x[0]) && std::isfinite(x[1]) && std::isfinite(x[2]);
}

// The vertex lines of the positions, or of the normals: "x y z" per vertex,
// "," after all but the last, "]" after the last. A normal that is not
// finite is written as (0, 0, 0) and counted in `zeroed`.
void vertexLines(TextOut& out, int indent, const WingedEdgeMesh::VertexList& vertices, bool normals, int& zeroed)
{
    const size_t lineMax = size_t(indent) + 3 * (TextOut::kMaxFixed + 1) + 2;
    const SbVec3f zero(0.0f, 0.0f, 0.0f);
    size_t left = vertices.size();
    for (const WEVertex& v : vertices) {
        char* p = out.room(lineMax);
        std::memset(p, ' ', size_t(indent));
        p += indent;
        const SbVec3f* x = normals ? &v.normal : &v.position;
        if (normals && !finite(*x)) {
            x = &zero;
            ++zeroed;
        }
        p = TextOut::putFixed(p, (*x)[0]);
        *p++ = ' ';
        p = TextOut::putFixed(p, (*x)[1]);
        *p++ = ' ';
        p = TextOut::putFixed(p, (*x)[2]);
        *p++ = --left > 0 ? ',' : ']';
        *p++ = '\n';
        out.commit(p);
        out.flushIfFull();
    }
}

// The face lines, one triangle per face: three vertex ids taken backwards
// around the cycle from the face's first listed edge (x0, x2, x1 for a cycle
// x0, x1, x2: counter-clockwise seen from where the normal points), each as
// "%i, ", then "-1," after all but the last face and "-1]" and an empty line
// after the last. Written into `out` once; the caller repeats it for the
// normal indices.
void faceLines(TextOut& out, int indent, const WingedEdgeMesh& mesh, int& leftOut)
{
    const size_t lineMax = size_t(indent) + 3 * 13 + 4;
    bool first = true;
    for (const WEFace& face : mesh.faces) {
        int32_t id[3];
        const WEEdge* e = face.edges.empty() ? nullptr : face.edges[0];
        int n = 0;
        for (; n < 3 && e != nullptr; ++n) {
            id[n] = startInFace(e, &face)->id;
            e = prevInFace(e, &face);
        }
        if (n < 3) {
            ++leftOut;
            continue;
        }
        char* p = out.room(lineMax + 4);
        if (!first) {
            std::memcpy(p, "-1,\n", 4);
            p += 4;
        }
        first = false;
        std::memset(p, ' ', size_t(indent));
        p += indent;
        for (int k = 0; k < 3; ++k) {
            p = TextOut::putInt(p, id[k]);
            *p++ = ',';
            *p++ = ' ';
        }
        out.commit(p);
    }
    // An index list without any face is still a list.
    if (first)
        out.line(indent, "]\n\n");
    else
        out.text("-1]\n\n");
}

void colourLine(TextOut& out, int indent)
{
    out.line(indent, "diffuseColor ");
    char* p = out.room(3 * (TextOut::kMaxFixed + 1) + 1);
    for (int i = 0; i < 3; ++i) {
        if (i > 0)
            *p++ = ' ';
        p = TextOut::putFixed(p, 1.0f);
    }
    *p++ = '\n';
    out.commit(p);
}

void vrmlBlock(TextOut& out, const WingedEdgeMesh& mesh, const std::string& name, TextOut& faces, int& zeroed)
{
    out.text("DEF ");
    out.text(name);
    out.text(" Group {\n");
    out.line(2, "children [\n");
    out.line(4, "Shape {\n");
    out.line(6, "appearance Appearance {\n");
    out.line(8, "material Material {\n");
    colourLine(out, 10);
    out.line(8, "}\n");
    out.line(6, "}\n\n");
    out.line(6, "geometry DEF ");
    out.text(name);
    out.text("-FACES IndexedFaceSet {\n");
    out.line(8, "ccw TRUE\n");
    out.line(8, "solid TRUE\n\n");
    out.line(8, "coord DEF Box01-COORD Coordinate { point [\n");
    vertexLines(out, 10, mesh.vertices, false, zeroed);
    out.line(8, "}\n\n");
    out.line(8, "normalPerVertex TRUE\n");
    out.line(8, "normal Normal { vector [\n");
    vertexLines(out, 10, mesh.vertices, true, zeroed);
    out.line(8, "}\n\n");
    out.line(8, "coordIndex [\n");
    out.text(faces);
    out.line(8, "normalIndex [\n");
    out.text(faces);
    out.line(6, "}\n");
    out.line(4, "}\n");
    out.line(2, "]\n");
    out.text("}\n");
}

void inventorBlock(TextOut& out, const WingedEdgeMesh& mesh, const std::string& name, TextOut& faces,
                   int& zeroed)
{
    out.line(2, "DEF ");
    out.text(name);
    out.text(" Separator {\n\n");
    out.line(4, "ShapeHints {\n");
    out.line(6, "vertexOrdering COUNTERCLOCKWISE\n");
    out.line(6, "shapeType SOLID\n");
    out.line(6, "faceType CONVEX\n");
    out.line(4, "}\n\n");
    out.line(4, "Material {\n");
    colourLine(out, 6);
    out.line(4, "}\n\n");
    out.line(4, "Coordinate3 {\n");
    out.line(6, "point [\n");
    vertexLines(out, 8, mesh.vertices, false, zeroed);
    out.line(4, "}\n\n");
    out.line(4, "MaterialBinding {\n");
    out.line(6, "value OVERALL\n");
    out.line(4, "}\n\n");
    out.line(4, "Normal {\n");
    out.line(6, "vector [\n");
    vertexLines(out, 8, mesh.vertices, true, zeroed);
    out.line(4, "}\n\n");
    out.line(4, "NormalBinding {\n");
    out.line(6, "value PER_VERTEX_INDEXED\n");
    out.line(4, "}\n\n");
    out.line(4, "IndexedTriangleStripSet {\n");
    out.line(6, "coordIndex [\n");
    out.text(faces);
    out.line(6, "normalIndex [\n");
    out.text(faces);
    out.line(4, "}\n");
    out.line(2, "}\n\n");
}

} // namespace

const char* MeshFileWriter::producerLine(void)
{
    return kProducer;
}

std::string MeshFileWriter::groupName(int32_t objectIndex)
{
    // A minus sign is no identifier character in Inventor files.
    if (objectIndex < 0)
        return "MeshMinus" + std::to_string(-int64_t(objectIndex));
    return "Mesh" + std::to_string(objectIndex);
}

bool MeshFileWriter::write(std::FILE* file, const std::vector<WingedEdgeMesh>& meshes, Format format, Report& report)
{
    report = Report();
    const bool vrml = format == VRML_2_0;
    TextOut out(file);
    out.text(vrml ? "#VRML V2.0 utf8\n" : "#Inventor V2.1 ascii\n");
    out.text(kProducer);
    out.text("\n\n");
    if (!vrml)
        out.text("Separator {\n\n");

    TextOut faces(nullptr);
    for (const WingedEdgeMesh& mesh : meshes) {
        if (mesh.vertices.empty() || mesh.faces.empty()) {
            ++report.meshesLeftOut;
            continue;
        }
        if (!std::all_of(mesh.vertices.begin(), mesh.vertices.end(),
                         [](const WEVertex& v) { return finite(v.position); })) {
            ++report.meshesNotFinite;
            continue;
        }
        faces.clear();
        faceLines(faces, vrml ? 10 : 8, mesh, report.facesLeftOut);
        const std::string name = groupName(mesh.objectIndex);
        if (vrml)
            vrmlBlock(out, mesh, name, faces, report.normalsZeroed);
        else
            inventorBlock(out, mesh, name, faces, report.normalsZeroed);
        ++report.meshesWritten;
        out.flushIfFull();
    }
    if (!vrml)
        out.text("}\n");
    return out.flush() && std::fflush(file) == 0;
}

std::string MeshFileWriter::writeFile(const std::string& path, const std::vector<WingedEdgeMesh>& meshes, Format format,
                                      Report& report)
{
    return replaceFile(path, [&](std::FILE* file) { return write(file, meshes, format, report); });
}
