// SoGenerateWingedEdge on the real models of the Inventor data set.
//
// Every *.iv file below $QUILLMAP_MODELS (ctest sets it; unset, the
// inventor-data location /usr/share/inventor/data/models) is read with
// SoDB::readAll. Files whose traversal reaches at least one indexed
// triangle-strip set are put under an SoGenerateWingedEdge and traversed with
// an SoCallbackAction. The meshes it publishes are compared with facts taken
// straight from the strip sets by a separate pre-callback on
// SoIndexedTriangleStripSet: the triangles whose three coordinate indices
// differ and lie within the coordinates in effect, the coordinate indices
// they use, the undirected edges they form and the positions of their
// corners.
//
// The whole data set (about a hundred files, half of them with strip sets)
// takes well under a second, and a few seconds under AddressSanitizer, so
// every run checks every file.
//
// Each checked file prints one summary line:
//   [ model    ] <path> stripSets <n> faces <n> edges <n> vertices <n> meshes <n>
// followed by "outOfRange <n>" when triangles leave the coordinates and
// "nonManifold" when construction printed its message.

#include <Inventor/SbMatrix.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/elements/SoCoordinateElement.h>
#include <Inventor/elements/SoModelMatrixElement.h>
#include <Inventor/errors/SoDebugError.h>
#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoIndexedTriangleStripSet.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoVertexProperty.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <list>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "support/DebugErrorCollector.h"
#include "support/RealModels.h"
#include "wingededge/SoGenerateWingedEdge.h"
#include "wingededge/WingedEdge.h"

namespace {

namespace fs = std::filesystem;

const char* const kManifoldMessage = "Error: This is not a 2-manifold!";

// Models with known results; their paths are relative to $QUILLMAP_MODELS.
const std::map<std::string, int> kKnownFaceCounts = {
    { "scenes/chesschairs.iv", 11520 },
    { "chair.iv", 3440 },
    { "sgi/indigo.iv", 10187 },
};
// Models with edges that three or more triangles share, so many that three
// of them stay one-sided after strip sharing.
const std::set<std::string> kKnownNonManifold = { "chair.iv", "vehicles/f16.iv" };
// Models whose edges with three triangles all have two of them next to each
// other in one strip: one two-sided and one one-sided edge, which construction
// accepts without the message.
const std::set<std::string> kKnownStripSharedTriples = { "sgi/indigo.iv" };

bool isKnownModel(const std::string& relative)
{
    return kKnownFaceCounts.count(relative) != 0 || kKnownNonManifold.count(relative) != 0 ||
           kKnownStripSharedTriples.count(relative) != 0;
}

// --- facts taken directly from the strip sets ----------------------------------

// The three corner positions of a triangle, sorted, so that the same
// triangle compares equal whatever its orientation and starting corner.
typedef std::array<float, 9> Corners;

Corners cornersOf(SbVec3f a, SbVec3f b, SbVec3f c)
{
    std::array<std::array<float, 3>, 3> p = { { { a[0], a[1], a[2] }, { b[0], b[1], b[2] }, { c[0], c[1], c[2] } } };
    std::sort(p.begin(), p.end());
    Corners out;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            out[size_t(3 * i + j)] = p[size_t(i)][size_t(j)];
    return out;
}

std::string describe(const Corners& c)
{
    std::ostringstream out;
    for (int i = 0; i < 3; ++i)
        out << (i ? " " : "") << "(" << c[size_t(3 * i)] << ", " << c[size_t(3 * i + 1)] << ", " << c[size_t(3 * i + 2)]
            << ")";
    return out.str();
}

// What one traversal of one strip set holds.
struct StripSetFacts {
    bool noCoordinates = false;   // no coordinate node and no vertex property
    int coordinateCount = 0;
    int triangles = 0;            // distinct corners, all within the coordinates
    int degenerate = 0;           // a repeated coordinate index
    int outOfRange = 0;           // distinct corners, some index outside the coordinates
    int vertices = 0;             // distinct coordinate indices the triangles use
    int undirectedEdges = 0;      // distinct coordinate index pairs the triangles use
    int largestEdgeUse = 0;       // most triangles on one such pair
    // Most one-sided edges on one pair once consecutive triangles of a strip
    // share their common edge; three or more make the surface non-manifold.
    int largestOneSided = 0;
    std::vector<Corners> corners; // one entry per triangle, sorted
};

// Positions a coordinate index stands for, in the coordinate system of the
// node the action was applied to.
std::vector<SbVec3f> coordinatesInEffect(SoState* state, const SoIndexedTriangleStripSet* set, bool& none)
{
    std::vector<SbVec3f> points;
    none = false;
    const SoVertexProperty* property = dynamic_cast<const SoVertexProperty*>(set->vertexProperty.getValue());
    if (property != nullptr && property->vertex.getNum() > 0) {
        const SbVec3f* v = property->vertex.getValues(0);
        points.assign(v, v + property->vertex.getNum());
    } else {
        const SoCoordinateElement* element = SoCoordinateElement::getInstance(state);
        if (element->getNodeId() == 0) {
            none = true;
            return points;
        }
        for (int32_t i = 0; i < element->getNum(); ++i) {
            if (element->is3D()) {
                points.push_back(element->get3(i));
            } else {
                const SbVec4f& h = element->get4(i);
                points.push_back(h[3] != 0.0f ? SbVec3f(h[0] / h[3], h[1] / h[3], h[2] / h[3])
                                               : SbVec3f(h[0], h[1], h[2]));
            }
        }
    }
    const SbMatrix& model = SoModelMatrixElement::get(state);
    if (model != SbMatrix::identity())
        for (SbVec3f& p : points)
            model.multVecMatrix(SbVec3f(p), p);
    return points;
}

SoCallbackAction::Response collectFacts(void* data, SoCallbackAction* action, const SoNode* node)
{
    std::vector<StripSetFacts>& all = *static_cast<std::vector<StripSetFacts>*>(data);
    const SoIndexedTriangleStripSet* set = static_cast<const SoIndexedTriangleStripSet*>(node);
    StripSetFacts facts;
    const std::vector<SbVec3f> points = coordinatesInEffect(action->getState(), set, facts.noCoordinates);
    facts.coordinateCount = int(points.size());

    std::unordered_map<uint64_t, int> edgeUse, stripShared;
    auto key = [](int32_t p, int32_t q) {
        return (uint64_t(uint32_t(std::min(p, q))) << 32) | uint32_t(std::max(p, q));
    };
    std::unordered_set<int32_t> used;
    const int32_t* index = set->coordIndex.getValues(0);
    const int count = set->coordIndex.getNum();
    int begin = 0;
    for (int i = 0; i <= count; ++i) {
        if (i < count && index[i] != -1)
            continue;
        // The strip is index[begin .. i); every window of three is a triangle,
        // and two kept windows in a row share the edge between their middle
        // indices.
        bool previousKept = false;
        for (int j = begin + 2; j < i; ++j) {
            const int32_t c[3] = { index[j - 2], index[j - 1], index[j] };
            if (c[0] == c[1] || c[1] == c[2] || c[0] == c[2]) {
                ++facts.degenerate;
                previousKept = false;
                continue;
            }
            bool inside = true;
            for (int32_t k : c)
                inside = inside && k >= 0 && k < facts.coordinateCount;
            if (!inside) {
                if (!facts.noCoordinates)
                    ++facts.outOfRange;
                previousKept = false;
                continue;
            }
            ++facts.triangles;
            for (int k = 0; k < 3; ++k) {
                used.insert(c[k]);
                const int use = ++edgeUse[key(c[k], c[(k + 1) % 3])];
                facts.largestEdgeUse = std::max(facts.largestEdgeUse, use);
            }
            if (previousKept)
                ++stripShared[key(c[0], c[1])];
            previousKept = true;
            facts.corners.push_back(
                cornersOf(points[size_t(c[0])], points[size_t(c[1])], points[size_t(c[2])]));
        }
        begin = i + 1;
    }
    for (const auto& entry : edgeUse) {
        const auto shared = stripShared.find(entry.first);
        const int oneSided = entry.second - 2 * (shared != stripShared.end() ? shared->second : 0);
        facts.largestOneSided = std::max(facts.largestOneSided, oneSided);
    }
    facts.vertices = int(used.size());
    facts.undirectedEdges = int(edgeUse.size());
    std::sort(facts.corners.begin(), facts.corners.end());
    all.push_back(std::move(facts));
    return SoCallbackAction::CONTINUE;
}

std::vector<StripSetFacts> stripSetFacts(SoNode* root)
{
    std::vector<StripSetFacts> all;
    SoCallbackAction action;
    action.addPreCallback(SoIndexedTriangleStripSet::getClassTypeId(), collectFacts, &all);
    action.apply(root);
    return all;
}

// --- running the generator ---------------------------------------------------------

SoSeparator* readModel(const std::string& path)
{
    SoInput in;
    if (!in.openFile(path.c_str()))
        return nullptr;
    SoSeparator* root = SoDB::readAll(&in);
    in.closeFile();
    return root;
}

bool finite(const SbVec3f& v)
{
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

// At most n lines of text, and how many more there were.
std::string firstLines(const std::string& text, int n)
{
    std::istringstream in(text);
    std::string line, out;
    int lines = 0;
    while (std::getline(in, line))
        if (++lines <= n)
            out += line + "\n";
    if (lines > n)
        out += "... and " + std::to_string(lines - n) + " more\n";
    return out;
}

// Drops a reference when the scope ends, also when an assertion returns early.
struct Reference {
    explicit Reference(SoNode* node) : node(node) { node->ref(); }
    ~Reference() { node->unref(); }
    Reference(const Reference&) = delete;
    Reference& operator=(const Reference&) = delete;
    SoNode* node;
};

template <class List>
std::string denseIdProblem(const List& records)
{
    std::vector<char> seen(records.size(), 0);
    for (const auto& r : records) {
        if (r.id < 0 || size_t(r.id) >= records.size())
            return "id " + std::to_string(r.id) + " outside 0.." + std::to_string(records.size());
        if (seen[size_t(r.id)])
            return "id " + std::to_string(r.id) + " twice";
        seen[size_t(r.id)] = 1;
    }
    return "";
}

// Every check on one mesh, against the facts of the strip set it was built from.
void checkMesh(const std::string& file, size_t m, const WingedEdgeMesh& mesh, const StripSetFacts& facts)
{
    const std::string consistency = mesh.checkConsistency();
    EXPECT_TRUE(consistency.empty()) << "file " << file << " mesh " << m << " checkConsistency():\n"
                                     << firstLines(consistency, 12);

    EXPECT_EQ(mesh.faceCount, facts.triangles) << "file " << file << " mesh " << m << " face count";
    EXPECT_EQ(mesh.vertexCount, facts.vertices)
        << "file " << file << " mesh " << m << " vertex count against the coordinate indices the triangles use";
    EXPECT_GE(mesh.edgeCount, facts.undirectedEdges)
        << "file " << file << " mesh " << m << " fewer edges than distinct index pairs";
    EXPECT_LE(mesh.edgeCount, 3 * facts.triangles) << "file " << file << " mesh " << m << " more edges than 3 per face";
    EXPECT_EQ(int(mesh.vertices.size()), mesh.vertexCount) << "file " << file << " mesh " << m << " vertex list";
    EXPECT_EQ(int(mesh.edges.size()), mesh.edgeCount) << "file " << file << " mesh " << m << " edge list";
    EXPECT_EQ(int(mesh.faces.size()), mesh.faceCount) << "file " << file << " mesh " << m << " face list";
    EXPECT_EQ(denseIdProblem(mesh.vertices), "") << "file " << file << " mesh " << m << " vertex ids";
    EXPECT_EQ(denseIdProblem(mesh.edges), "") << "file " << file << " mesh " << m << " edge ids";
    EXPECT_EQ(denseIdProblem(mesh.faces), "") << "file " << file << " mesh " << m << " face ids";

    int badFlags = 0, badNormals = 0, badObject = 0, sides = 0, faceEdges = 0, notTriangles = 0;
    std::string firstBad;
    auto note = [&](const std::string& what) {
        if (firstBad.empty())
            firstBad = what;
    };
    for (const WEVertex& v : mesh.vertices) {
        if (v.flags != 0) {
            ++badFlags;
            note("vertex " + std::to_string(v.id) + " flags " + std::to_string(v.flags));
        }
        if (!finite(v.normal)) {
            ++badNormals;
            note("vertex " + std::to_string(v.id) + " normal not finite");
        }
        if (v.objectIndex != mesh.objectIndex) {
            ++badObject;
            note("vertex " + std::to_string(v.id) + " object index " + std::to_string(v.objectIndex));
        }
    }
    for (const WEEdge& e : mesh.edges) {
        if (e.flags != 0) {
            ++badFlags;
            note("edge " + std::to_string(e.id) + " flags " + std::to_string(e.flags));
        }
        if (e.objectIndex != mesh.objectIndex) {
            ++badObject;
            note("edge " + std::to_string(e.id) + " object index " + std::to_string(e.objectIndex));
        }
        sides += (e.leftFace != nullptr) + (e.rightFace != nullptr);
    }
    std::unordered_set<const void*> own;
    for (const WEVertex& v : mesh.vertices)
        own.insert(&v);
    for (const WEEdge& e : mesh.edges)
        own.insert(&e);
    std::vector<Corners> built;
    built.reserve(mesh.faces.size());
    for (const WEFace& f : mesh.faces) {
        if (f.flags != 0) {
            ++badFlags;
            note("face " + std::to_string(f.id) + " flags " + std::to_string(f.flags));
        }
        if (!finite(f.normal)) {
            ++badNormals;
            note("face " + std::to_string(f.id) + " normal not finite");
        }
        if (f.objectIndex != mesh.objectIndex) {
            ++badObject;
            note("face " + std::to_string(f.id) + " object index " + std::to_string(f.objectIndex));
        }
        faceEdges += int(f.edges.size());
        // Only records of this mesh are followed; checkConsistency() above
        // reports any other reference.
        std::vector<const WEVertex*> corner;
        for (const WEEdge* e : f.edges) {
            if (own.count(e) == 0)
                continue;
            for (const WEVertex* v : { e->startVertex, e->endVertex })
                if (own.count(v) != 0 && std::find(corner.begin(), corner.end(), v) == corner.end())
                    corner.push_back(v);
        }
        if (f.edges.size() != 3 || corner.size() != 3) {
            ++notTriangles;
            note("face " + std::to_string(f.id) + " has " + std::to_string(f.edges.size()) + " edges and " +
                 std::to_string(corner.size()) + " corners");
            continue;
        }
        built.push_back(cornersOf(corner[0]->position, corner[1]->position, corner[2]->position));
    }
    EXPECT_EQ(badFlags, 0) << "file " << file << " mesh " << m << " records with flags set, first: " << firstBad;
    EXPECT_EQ(badNormals, 0) << "file " << file << " mesh " << m << " non-finite normals, first: " << firstBad;
    EXPECT_EQ(badObject, 0) << "file " << file << " mesh " << m << " records with another object index, first: "
                            << firstBad;
    EXPECT_EQ(notTriangles, 0) << "file " << file << " mesh " << m << " faces that are not triangles, first: "
                               << firstBad;
    // Each triangle has three edge sides, each on one edge.
    EXPECT_EQ(faceEdges, 3 * mesh.faceCount) << "file " << file << " mesh " << m << " face edge lists";
    EXPECT_EQ(sides, 3 * mesh.faceCount) << "file " << file << " mesh " << m << " faces on edges";

    // The faces are the strip set's triangles at the strip set's positions.
    std::sort(built.begin(), built.end());
    if (built != facts.corners) {
        size_t i = 0;
        while (i < built.size() && i < facts.corners.size() && built[i] == facts.corners[i])
            ++i;
        ADD_FAILURE() << "file " << file << " mesh " << m << " faces differ from the strip set's triangles ("
                      << built.size() << " built, " << facts.corners.size() << " expected); first difference at "
                      << i << ": built "
                      << (i < built.size() ? describe(built[i]) : std::string("none")) << ", expected "
                      << (i < facts.corners.size() ? describe(facts.corners[i]) : std::string("none"));
    }
}

// The strip set number and triangle count of a dropped-triangles warning, or
// false for any other message.
bool parseDropped(const std::string& message, int& stripSet, int& dropped)
{
    const size_t at = message.find("triangle strip set ");
    if (at == std::string::npos || message.find("dropped") == std::string::npos)
        return false;
    return std::sscanf(message.c_str() + at, "triangle strip set %d: %d triangles dropped", &stripSet, &dropped) == 2;
}

// The strip set number of a warning about a strip set without coordinates.
bool parseNoCoordinates(const std::string& message, int& stripSet)
{
    const size_t at = message.find("triangle strip set ");
    if (at == std::string::npos || message.find("no coordinates") == std::string::npos)
        return false;
    return std::sscanf(message.c_str() + at, "triangle strip set %d", &stripSet) == 1;
}

// What one SoCallbackAction over the generator printed and warned.
struct GeneratorRun {
    std::string printed;
    std::vector<std::string> warnings; // SoDebugError messages naming the generator
    std::vector<std::string> others;   // the remaining SoDebugError messages
};

GeneratorRun runGenerator(SoGenerateWingedEdge* generator)
{
    GeneratorRun run;
    DebugErrorCollector collector;
    testing::internal::CaptureStdout();
    SoCallbackAction action;
    action.apply(generator);
    std::fflush(stdout);
    run.printed = testing::internal::GetCapturedStdout();
    for (const std::string& message : collector.messages)
        (message.find("SoGenerateWingedEdge") != std::string::npos ? run.warnings : run.others).push_back(message);
    return run;
}

class RealModelTest : public ::testing::TestWithParam<std::string> {};

TEST_P(RealModelTest, GeneratedMeshesMatchTheStripSets)
{
    const std::string relative = GetParam();
    const std::string path = (fs::path(realModelsDirectory()) / relative).string();
    const bool known = isKnownModel(relative);

    SoSeparator* root = readModel(path);
    if (root == nullptr) {
        if (known)
            FAIL() << "file " << path << " cannot be read";
        GTEST_SKIP() << "file " << path << " cannot be read by SoDB::readAll";
    }
    const Reference rootReference(root);
    const std::vector<StripSetFacts> facts = stripSetFacts(root);
    if (facts.empty()) {
        if (known)
            FAIL() << "file " << path << " reaches no indexed triangle-strip set";
        GTEST_SKIP() << "file " << path << " reaches no indexed triangle-strip set";
    }

    SoGenerateWingedEdge* generator = new SoGenerateWingedEdge;
    const Reference generatorReference(generator);
    generator->addChild(root);
    const GeneratorRun run = runGenerator(generator);
    const std::string& printed = run.printed;
    const WingedEdgeList& list = generator->getOutputList();

    int expectedFaces = 0, expectedMeshes = 0, largestEdgeUse = 0, largestOneSided = 0, expectedDropped = 0;
    for (const StripSetFacts& f : facts) {
        expectedFaces += f.triangles;
        expectedMeshes += f.noCoordinates ? 0 : 1;
        largestEdgeUse = std::max(largestEdgeUse, f.largestEdgeUse);
        largestOneSided = std::max(largestOneSided, f.largestOneSided);
        expectedDropped += f.outOfRange;
    }
    const bool saysNonManifold = printed.find(kManifoldMessage) != std::string::npos;

    std::ostringstream summary;
    summary << relative << " stripSets " << facts.size() << " faces " << list.totalFaceCount() << " edges "
            << list.totalEdgeCount() << " vertices " << list.totalVertexCount() << " meshes " << list.meshes.size();
    if (expectedDropped > 0)
        summary << " outOfRange " << expectedDropped;
    if (saysNonManifold)
        summary << " nonManifold";
    std::cout << "[ model    ] " << summary.str() << std::endl;
    RecordProperty("summary", summary.str());

    // One mesh per strip set traversal, under its traversal number.
    ASSERT_EQ(list.meshes.size(), size_t(expectedMeshes)) << "file " << path << " meshes";
    std::vector<char> seen(facts.size(), 0);
    for (size_t m = 0; m < list.meshes.size(); ++m) {
        const WingedEdgeMesh& mesh = list.meshes[m];
        const int k = mesh.objectIndex;
        if (k < 0 || size_t(k) >= facts.size() || seen[size_t(k)]) {
            ADD_FAILURE() << "file " << path << " mesh " << m << " has object index " << k << " of "
                          << facts.size() << " strip sets, or one already taken";
            continue;
        }
        seen[size_t(k)] = 1;
        EXPECT_FALSE(facts[size_t(k)].noCoordinates)
            << "file " << path << " mesh " << m << " built from strip set " << k << " that has no coordinates";
        checkMesh(path, m, mesh, facts[size_t(k)]);
    }

    EXPECT_EQ(list.totalFaceCount(), expectedFaces) << "file " << path << " total faces";
    const auto knownFaces = kKnownFaceCounts.find(relative);
    if (knownFaces != kKnownFaceCounts.end()) {
        EXPECT_EQ(expectedFaces, knownFaces->second) << "file " << path << " triangles counted in the strip sets";
        EXPECT_EQ(list.totalFaceCount(), knownFaces->second) << "file " << path << " total faces";
    }

    // The message comes exactly when some index pair keeps three or more
    // one-sided edges after strip sharing; that needs three triangles on it.
    EXPECT_EQ(saysNonManifold, largestOneSided >= 3)
        << "file " << path << " most one-sided edges on one index pair " << largestOneSided << ", stdout: \""
        << printed << "\"";
    if (largestEdgeUse < 3) {
        EXPECT_FALSE(saysNonManifold) << "file " << path << " no index pair has three triangles, yet stdout: \""
                                      << printed << "\"";
    }
    if (kKnownNonManifold.count(relative) != 0) {
        EXPECT_GE(largestOneSided, 3) << "file " << path << " most one-sided edges on one index pair";
        EXPECT_TRUE(saysNonManifold) << "file " << path << " stdout: \"" << printed << "\"";
    }
    if (kKnownStripSharedTriples.count(relative) != 0) {
        EXPECT_GE(largestEdgeUse, 3) << "file " << path << " most triangles on one index pair";
        EXPECT_LT(largestOneSided, 3) << "file " << path << " most one-sided edges on one index pair";
        EXPECT_FALSE(saysNonManifold) << "file " << path << " stdout: \"" << printed << "\"";
    }

    // Warnings only for triangles whose coordinate indices leave the
    // coordinates, with their count, and for strip sets without coordinates.
    std::map<int, int> droppedBySet;
    std::set<int> reportedWithoutCoordinates;
    std::string other;
    for (const std::string& message : run.warnings) {
        int k = 0, n = 0;
        if (parseDropped(message, k, n))
            droppedBySet[k] += n;
        else if (parseNoCoordinates(message, k))
            reportedWithoutCoordinates.insert(k);
        else
            other += message + "\n";
    }
    EXPECT_EQ(other, "") << "file " << path << " unexpected warnings from the generator";
    for (size_t k = 0; k < facts.size(); ++k) {
        const auto reported = droppedBySet.find(int(k));
        EXPECT_EQ(reported != droppedBySet.end() ? reported->second : 0, facts[k].outOfRange)
            << "file " << path << " strip set " << k << " triangles reported dropped";
        EXPECT_EQ(reportedWithoutCoordinates.count(int(k)) != 0, facts[k].noCoordinates)
            << "file " << path << " strip set " << k << " reported as having no coordinates";
    }
    for (const auto& entry : droppedBySet)
        EXPECT_LT(size_t(entry.first), facts.size())
            << "file " << path << " warning names strip set " << entry.first << " of " << facts.size();
    for (const std::string& message : run.others)
        std::cout << "[ model    ] " << relative << " Coin: " << message << std::endl;
}

std::string testName(const ::testing::TestParamInfo<std::string>& info)
{
    std::string name;
    for (char c : info.param)
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    // Distinct paths can map to the same name; the index keeps them apart.
    return name + "_" + std::to_string(info.index);
}

// Without the data set there is nothing to instantiate; the test below then
// skips.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(RealModelTest);
INSTANTIATE_TEST_SUITE_P(InventorData, RealModelTest, ::testing::ValuesIn(discoverRealModels()), testName);

// The known models must be found by the discovery above and must reach strip
// sets; otherwise the checks of their known results would never run.
TEST(RealModelsDiscovery, FindsTheModelsWithKnownResults)
{
    const std::string dir = realModelsDirectory();
    std::error_code error;
    if (dir.empty() || !fs::is_directory(dir, error))
        GTEST_SKIP() << "QUILLMAP_MODELS (\"" << dir << "\") is not a directory";
    const std::vector<std::string> found = discoverRealModels();
    std::set<std::string> known(kKnownNonManifold);
    known.insert(kKnownStripSharedTriples.begin(), kKnownStripSharedTriples.end());
    for (const auto& entry : kKnownFaceCounts)
        known.insert(entry.first);
    for (const std::string& relative : known) {
        const std::string path = (fs::path(dir) / relative).string();
        EXPECT_NE(std::find(found.begin(), found.end(), relative), found.end())
            << "file " << path << " missing from the " << found.size() << " discovered models";
        SoSeparator* root = readModel(path);
        if (root == nullptr) {
            ADD_FAILURE() << "file " << path << " cannot be read";
            continue;
        }
        const Reference rootReference(root);
        EXPECT_FALSE(stripSetFacts(root).empty()) << "file " << path << " reaches no indexed triangle-strip set";
    }
}

// The instruments the model test relies on, on scenes whose outcome is
// known: a silent run over the data set only means something if a warning, a
// printed message and the one-sided edge count are seen when they occur.
TEST(RealModelsInstruments, SeeWarningsMessagesAndOneSidedEdges)
{
    struct Case {
        const char* name;
        std::vector<int32_t> coordIndex;
        int triangles, outOfRange, largestEdgeUse, largestOneSided;
        bool nonManifold;
    };
    const std::vector<Case> cases = {
        // (0 1 2) is kept, (1 2 7) leaves the five coordinates.
        { "one index outside", { 0, 1, 2, 7, -1 }, 1, 1, 1, 1, false },
        // Three strips on the pair 0-1: three one-sided edges.
        { "three strips on one pair", { 0, 1, 2, -1, 1, 0, 3, -1, 0, 1, 4 }, 3, 0, 3, 3, true },
        // (2 0 1) and (0 1 3) share 0-1 inside their strip; (0 1 4) adds the
        // only one-sided edge.
        { "strip-shared pair and one more", { 2, 0, 1, 3, -1, 0, 1, 4 }, 3, 0, 3, 1, false },
    };
    for (const Case& c : cases) {
        SoSeparator* root = new SoSeparator;
        const Reference rootReference(root);
        SoCoordinate3* coordinates = new SoCoordinate3;
        const SbVec3f points[5] = { SbVec3f(0, 0, 0), SbVec3f(1, 0, 0), SbVec3f(0, 1, 0), SbVec3f(1, -1, 0),
                                    SbVec3f(0.5f, 0, 1) };
        coordinates->point.setValues(0, 5, points);
        root->addChild(coordinates);
        SoIndexedTriangleStripSet* set = new SoIndexedTriangleStripSet;
        set->coordIndex.setValues(0, int(c.coordIndex.size()), c.coordIndex.data());
        root->addChild(set);

        const std::vector<StripSetFacts> facts = stripSetFacts(root);
        ASSERT_EQ(facts.size(), 1u) << "case " << c.name;
        EXPECT_EQ(facts[0].triangles, c.triangles) << "case " << c.name << " triangles";
        EXPECT_EQ(facts[0].outOfRange, c.outOfRange) << "case " << c.name << " out of range";
        EXPECT_EQ(facts[0].largestEdgeUse, c.largestEdgeUse) << "case " << c.name << " most triangles on a pair";
        EXPECT_EQ(facts[0].largestOneSided, c.largestOneSided) << "case " << c.name << " most one-sided edges";

        SoGenerateWingedEdge* generator = new SoGenerateWingedEdge;
        const Reference generatorReference(generator);
        generator->addChild(root);
        const GeneratorRun run = runGenerator(generator);
        EXPECT_EQ(run.printed.find(kManifoldMessage) != std::string::npos, c.nonManifold)
            << "case " << c.name << " stdout: \"" << run.printed << "\"";
        int reported = 0;
        for (const std::string& message : run.warnings) {
            int k = -1, n = 0;
            EXPECT_TRUE(parseDropped(message, k, n)) << "case " << c.name << " warning: " << message;
            EXPECT_EQ(k, 0) << "case " << c.name << " warning: " << message;
            reported += n;
        }
        EXPECT_EQ(reported, c.outOfRange) << "case " << c.name << " triangles reported dropped";
        ASSERT_EQ(generator->getOutputList().meshes.size(), 1u) << "case " << c.name;
        EXPECT_EQ(generator->getOutputList().meshes[0].faceCount, c.triangles) << "case " << c.name << " faces";
    }
}

} // namespace
