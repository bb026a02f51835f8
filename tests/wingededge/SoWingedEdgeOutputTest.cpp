// The mesh writer node (one file per request, the default name, failures
// reported with the old file kept, no list) and the store and select nodes
// that keep several meshes lists apart in one traversal.

#include <gtest/gtest.h>

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/nodes/SoSeparator.h>

#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "modify/SoModifyWingedEdge.h"
#include "support/DebugErrorCollector.h"
#include "support/MeshBuilders.h"
#include "support/TestNodes.h"
#include "wingededge/WrittenFiles.h"
#include "wingededge/SoSelectWingedEdge.h"
#include "wingededge/SoStoreWingedEdge.h"
#include "wingededge/SoWingedEdgeOutput.h"

namespace fs = std::filesystem;

namespace {

int countLines(const std::string& text, const std::string& prefix)
{
    int n = 0;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        n += line.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
    return n;
}

// The largest vertex index on the face lines (those ending in "-1," or
// "-1]").
int largestIndex(const std::string& text)
{
    int largest = -1;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.size() < 3 || line.compare(line.size() - 2, 1, "1") != 0 || line[line.size() - 3] != '-')
            continue;
        std::istringstream values(line);
        for (int value; values >> value; values.ignore(1))
            largest = std::max(largest, value);
    }
    return largest;
}

// A list source followed by the writer, under one root.
struct WriterScene {
    WriterScene(WingedEdgeList* list)
    {
        registerTestNodes();
        root = new SoSeparator;
        root->ref();
        source = new ListSource;
        source->list = list;
        root->addChild(source);
        writer = new SoWingedEdgeOutput;
        root->addChild(writer);
    }
    ~WriterScene() { root->unref(); }
    void traverse(void) { SoCallbackAction().apply(root); }

    SoSeparator* root;
    ListSource* source;
    SoWingedEdgeOutput* writer;
};

} // namespace

// Nothing is written without a request, once per request, in the format
// asked for; the face lines name the vertices by their place in the list
// even when the ids say otherwise; an empty name writes "output.wrl".
TEST(SoWingedEdgeOutput, WritesOncePerRequest)
{
    ScratchDirectory scratch;
    WingedEdgeList list;
    WingedEdgeMesh::buildFromStrips(list, 0, makeTetrahedron());
    WingedEdgeMesh::buildFromStrips(list, 1, makeCube());
    for (WEVertex& v : list.meshes[1].vertices)
        v.id = 2 * v.id + 5;
    WriterScene scene(&list);
    const std::string path = scratch.path("meshes.wrl");
    scene.writer->filename = path.c_str();

    scene.traverse();
    EXPECT_FALSE(fs::exists(path)) << "written without a request";

    scene.writer->requestVRMLOutput();
    scene.traverse();
    std::string text = fileContents(path);
    EXPECT_EQ(text.compare(0, 16, "#VRML V2.0 utf8\n"), 0) << text.substr(0, 40);
    EXPECT_EQ(countLines(text, "DEF "), 2) << "one block per mesh";
    EXPECT_EQ(countLines(text, "DEF Mesh0 Group {"), 1);
    EXPECT_EQ(countLines(text, "DEF Mesh1 Group {"), 1);
    EXPECT_EQ(tovrmlx3dComplaints(path), "");

    fs::remove(path);
    scene.traverse();
    EXPECT_FALSE(fs::exists(path)) << "written a second time for one request";

    const std::string ivPath = scratch.path("meshes.iv");
    scene.writer->filename = ivPath.c_str();
    scene.writer->requestInventorOutput();
    scene.traverse();
    text = fileContents(ivPath);
    EXPECT_EQ(text.compare(0, 21, "#Inventor V2.1 ascii\n"), 0) << text.substr(0, 40);
    EXPECT_EQ(countLines(text, "  DEF Mesh"), 2);
    EXPECT_EQ(largestIndex(text), 7) << "the cube's eight vertices are 0 to 7 on the face lines";

    // The working directory gets "output.wrl" when no name is given.
    const fs::path before = fs::current_path();
    fs::current_path(scratch.dir);
    scene.writer->filename = "";
    scene.writer->requestVRMLOutput();
    scene.traverse();
    fs::current_path(before);
    EXPECT_EQ(countLines(fileContents(scratch.path("output.wrl")), "DEF Mesh"), 2);
    EXPECT_EQ(tovrmlx3dComplaints(scratch.path("output.wrl")), "");
}

// A file that cannot be written is reported once, and an older file of that
// name keeps what it held; a traversal without a list writes a file without
// meshes and says why.
TEST(SoWingedEdgeOutput, FailuresAreReportedAndLoseNothing)
{
    ScratchDirectory scratch;
    WingedEdgeList list;
    WingedEdgeMesh::buildFromStrips(list, 0, makeSphere(40, 40));
    WriterScene scene(&list);

    const std::string missing = scratch.path("no/such/folder/mesh.wrl");
    scene.writer->filename = missing.c_str();
    {
        DebugErrorCollector messages;
        scene.writer->requestVRMLOutput();
        scene.traverse();
        scene.traverse();
        ASSERT_EQ(messages.messages.size(), 1u) << "one report per request";
        EXPECT_NE(messages.messages[0].find(missing), std::string::npos) << messages.messages[0];
        EXPECT_NE(messages.messages[0].find("No such file or directory"), std::string::npos) << messages.messages[0];
    }

    // The write breaks off after a few kilobytes: the file size limit.
    const std::string kept = scratch.path("kept.iv");
    std::ofstream(kept) << "#Inventor V2.1 ascii\n\nSeparator { }\n";
    const std::string old = fileContents(kept);
    scene.writer->filename = kept.c_str();
    rlimit limit;
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit saved = limit;
    limit.rlim_cur = 4096;
    void (*previous)(int) = signal(SIGXFSZ, SIG_IGN);
    {
        DebugErrorCollector messages;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
        scene.writer->requestInventorOutput();
        scene.traverse();
        setrlimit(RLIMIT_FSIZE, &saved);
        signal(SIGXFSZ, previous);
        ASSERT_EQ(messages.messages.size(), 1u);
        EXPECT_NE(messages.messages[0].find("could not be written"), std::string::npos) << messages.messages[0];
    }
    EXPECT_EQ(fileContents(kept), old) << "the older file was changed";
    int leftovers = 0;
    for (const auto& entry : fs::directory_iterator(scratch.dir))
        leftovers += entry.path().filename().string().rfind("kept.iv.", 0) == 0 ? 1 : 0;
    EXPECT_EQ(leftovers, 0) << "the broken file was left beside the old one";

    // No list in force: a valid file without meshes, and a warning.
    scene.source->list = nullptr;
    const std::string empty = scratch.path("empty.iv");
    scene.writer->filename = empty.c_str();
    DebugErrorCollector messages;
    scene.writer->requestInventorOutput();
    scene.traverse();
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].find("holds no mesh"), std::string::npos) << messages.messages[0];
    SoInput in;
    ASSERT_TRUE(in.openFile(empty.c_str()));
    SoSeparator* read = SoDB::readAll(&in);
    ASSERT_NE(read, nullptr) << fileContents(empty);
    read->ref();
    read->unref();
}

// Two generators, each followed by a store; a select node after the second
// brings the first one's list back, also when the first generator and its
// store sat in a separator that has ended. A select without a store, or with
// one not traversed yet, leaves no list, and the node after it does nothing.
TEST(SoStoreAndSelect, SelectRestoresAStoredList)
{
    const char* const scene = "#Inventor V2.1 ascii\n"
                              "Separator {\n"
                              "  Separator {\n"
                              "    SoGenerateWingedEdge {\n"
                              "      Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0, 1 1 0, 2 0 0 ] }\n"
                              "      IndexedTriangleStripSet { coordIndex [ 0, 1, 2, 3, 4, -1 ] }\n"
                              "    }\n"
                              "    DEF first SoStoreWingedEdge { }\n"
                              "  }\n"
                              "  SoGenerateWingedEdge {\n"
                              "    Coordinate3 { point [ 0 0 1, 1 0 1, 0 1 1 ] }\n"
                              "    IndexedTriangleStripSet { coordIndex [ 0, 1, 2, -1 ] }\n"
                              "  }\n"
                              "  DEF second SoStoreWingedEdge { }\n"
                              "  DEF afterSecond SoModifyWingedEdge { }\n"
                              "  SoSelectWingedEdge { PointerOfStoreWEField USE first }\n"
                              "  DEF afterFirst SoModifyWingedEdge { }\n"
                              "  DEF nullSelect SoSelectWingedEdge { }\n"
                              "  DEF afterNull SoModifyWingedEdge { }\n"
                              "  DEF laterSelect SoSelectWingedEdge { }\n"
                              "  DEF afterLater SoModifyWingedEdge { }\n"
                              "  DEF later SoStoreWingedEdge { }\n"
                              "}\n";
    SoInput in;
    in.setBuffer(scene, std::strlen(scene));
    SoSeparator* root = SoDB::readAll(&in);
    ASSERT_NE(root, nullptr);
    root->ref();
    static_cast<SoSelectWingedEdge*>(SoNode::getByName("laterSelect"))->PointerOfStoreWEField =
        SoNode::getByName("later");
    SoStoreWingedEdge* first = static_cast<SoStoreWingedEdge*>(SoNode::getByName("first"));
    EXPECT_EQ(first->PointerOfMeField.getValue(), first) << "a store names itself";

    SoCallbackAction().apply(root);
    auto faces = [](const char* probe) {
        return static_cast<SoModifyWingedEdge*>(SoNode::getByName(probe))->getNumFaces();
    };
    auto objects = [](const char* probe) {
        return static_cast<SoModifyWingedEdge*>(SoNode::getByName(probe))->getNumObjects();
    };
    EXPECT_EQ(faces("afterSecond"), 1) << "the second generator's triangle";
    EXPECT_EQ(faces("afterFirst"), 3) << "the first generator's strip, selected again";
    EXPECT_EQ(objects("afterNull"), 0) << "a select without a store leaves no list";
    EXPECT_EQ(objects("afterLater"), 0) << "a store not traversed yet has no list";
    root->unref();
}
