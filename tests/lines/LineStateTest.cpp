// The line state: the five line elements, how a node sets them and how they
// are scoped, captured and counted, and the SoLineModifier base node.
//
// A small line node of the test (LineWriter) sets every element from arrays
// of its own in doAction; a recorder after it (LineRecorder) records what the
// state holds. Both run under SoCallbackAction, which needs no GL, and under
// SoGLRenderAction through the GL fixture, where a render cache shows whether
// reading an element records it.

#include <Inventor/SoDB.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/elements/SoCacheElement.h>
#include <Inventor/fields/SoMFFloat.h>
#include <Inventor/fields/SoMFInt32.h>
#include <Inventor/fields/SoMFVec2f.h>
#include <Inventor/fields/SoMFVec3f.h>
#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoGroup.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoSubNode.h>
#include <gtest/gtest.h>

#include <vector>

#include "lines/LineStrips.h"
#include "lines/SoLineCoordinateIndexElement.h"
#include "lines/SoLineModifier.h"
#include "lines/SoLineParameterizationElement.h"
#include "lines/SoLineTextureCoordinateElement.h"
#include "lines/SoLineThicknessElement.h"
#include "lines/SoOrientedCoordinateElement.h"
#include "support/GLFixture.h"
#include "support/TestNodes.h"

// The test's node classes live outside the anonymous namespace: Coin's
// node macros define static members that must be reachable.

// Sets coordinates and the five line elements as a line node does: from
// multi-value fields of its own, which keep the arrays alive. It derives from
// SoLineModifier, so the base node's traversal reaches its doAction.
class LineWriter : public SoLineModifier {
    typedef SoLineModifier inherited;
    SO_NODE_HEADER(LineWriter);

public:
    SoMFVec3f points;
    SoMFInt32 indices;
    SoMFFloat parameters;
    SoMFFloat textureCoordinates;
    SoMFFloat thicknesses;
    SoMFVec2f directions;
    int runs = 0;

    static void initClass(void) { SO_NODE_INIT_CLASS(LineWriter, SoLineModifier, "SoLineModifier"); }
    LineWriter(void)
    {
        SO_NODE_CONSTRUCTOR(LineWriter);
        SO_NODE_ADD_FIELD(points, (SbVec3f(0, 0, 0)));
        SO_NODE_ADD_FIELD(indices, (0));
        SO_NODE_ADD_FIELD(parameters, (0.0f));
        SO_NODE_ADD_FIELD(textureCoordinates, (0.0f));
        SO_NODE_ADD_FIELD(thicknesses, (0.0f));
        SO_NODE_ADD_FIELD(directions, (SbVec2f(0, 0)));
    }

    void doAction(SoAction* action) override
    {
        ++runs;
        LineSource::setElements(action->getState(), this, points, indices, parameters, textureCoordinates, thicknesses,
                                directions, LineSource::ALL);
    }

protected:
    ~LineWriter() override {}
};
SO_NODE_SOURCE(LineWriter);

namespace {

void registerLineStateNodes(void)
{
    registerTestNodes();
    if (LineWriter::getClassTypeId() == SoType::badType())
        LineWriter::initClass();
}

// Two strips over five coordinates, with attributes for each entry.
LineWriter* twoStrips(void)
{
    LineWriter* writer = new LineWriter;
    writer->points.setValues(0, 5, std::vector<SbVec3f>{ { 0, 0, 0 }, { 1, 0, 0 }, { 2, 0, 0 }, { 0, 1, 0 }, { 1, 1, 0 } }.data());
    const int32_t indices[] = { 0, 1, 2, -1, 3, 4, -1 };
    writer->indices.setValues(0, 7, indices);
    const float parameters[] = { 0.0f, 0.5f, 1.0f, -1.0f, 0.0f, 1.0f, -1.0f };
    writer->parameters.setValues(0, 7, parameters);
    const float texture[] = { 0.0f, 0.5f, 1.0f, 0.0f, 1.0f };
    writer->textureCoordinates.setValues(0, 5, texture);
    const float thickness[] = { 1.0f, 2.0f, 3.0f, 4.0f, 5.0f };
    writer->thicknesses.setValues(0, 5, thickness);
    const SbVec2f directions[] = { { 1, 0 }, { 1, 0 }, { 1, 0 }, { 0, 1 }, { 0, 1 } };
    writer->directions.setValues(0, 5, directions);
    return writer;
}

TEST(LineStateTest, RegistrationAndTheBaseNode)
{
    struct Expect {
        SoType type;
        const char* name;
    };
    const Expect elements[] = {
        { SoLineCoordinateIndexElement::getClassTypeId(), "SoLineCoordinateIndexElement" },
        { SoLineParameterizationElement::getClassTypeId(), "SoLineParameterizationElement" },
        { SoLineTextureCoordinateElement::getClassTypeId(), "SoLineTextureCoordinateElement" },
        { SoLineThicknessElement::getClassTypeId(), "SoLineThicknessElement" },
        { SoOrientedCoordinateElement::getClassTypeId(), "SoOrientedCoordinateElement" },
    };
    std::vector<int> stackIndices;
    for (const Expect& e : elements) {
        ASSERT_NE(e.type, SoType::badType()) << e.name;
        EXPECT_STREQ(e.type.getName().getString(), e.name);
        EXPECT_EQ(e.type.getParent(), SoReplacedElement::getClassTypeId()) << e.name;
    }
    // Each element has a stack slot of its own.
    stackIndices = { SoLineCoordinateIndexElement::getClassStackIndex(), SoLineParameterizationElement::getClassStackIndex(),
                     SoLineTextureCoordinateElement::getClassStackIndex(), SoLineThicknessElement::getClassStackIndex(),
                     SoOrientedCoordinateElement::getClassStackIndex() };
    for (size_t i = 0; i < stackIndices.size(); ++i)
        for (size_t j = i + 1; j < stackIndices.size(); ++j)
            EXPECT_NE(stackIndices[i], stackIndices[j]) << elements[i].name << " and " << elements[j].name;

    const SoType modifier = SoLineModifier::getClassTypeId();
    EXPECT_STREQ(modifier.getName().getString(), "SoLineModifier");
    EXPECT_EQ(modifier.getParent(), SoNode::getClassTypeId());
    EXPECT_EQ(SoType::fromName("SoLineModifier"), modifier);

    SoLineModifier* node = new SoLineModifier;
    node->ref();
    EXPECT_EQ(node->modifyMethod.getValue(), int(SoLineModifier::PIXEL_BASED));
    const struct {
        int value;
        const char* name;
    } values[] = { { 0, "SCREEN_BASED" }, { 1, "PIXEL_BASED" }, { 2, "OBJECT_BASED" } };
    ASSERT_EQ(node->modifyMethod.getNumEnums(), 3);
    for (int i = 0; i < 3; ++i) {
        SbName name;
        const int value = node->modifyMethod.getEnum(i, name);
        EXPECT_STREQ(name.getString(), values[value].name) << "enum " << i;
        EXPECT_EQ(values[value].value, value);
    }
    // The field is read back from a file by its enum name.
    node->modifyMethod.set("OBJECT_BASED");
    EXPECT_EQ(node->modifyMethod.getValue(), int(SoLineModifier::OBJECT_BASED));
    node->unref();
}

TEST(LineStateTest, InitialValuesSettingAndScope)
{
    registerLineStateNodes();
    SoSeparator* root = new SoSeparator;
    root->ref();
    LineRecorder* before = new LineRecorder;
    root->addChild(before);
    SoSeparator* inner = new SoSeparator;
    root->addChild(inner);
    LineWriter* writer = twoStrips();
    inner->addChild(writer);
    LineRecorder* inside = new LineRecorder;
    inner->addChild(inside);
    // The base node processes nothing and so sets nothing.
    inner->addChild(new SoLineModifier);
    LineRecorder* afterBase = new LineRecorder;
    inner->addChild(afterBase);
    LineRecorder* after = new LineRecorder;
    root->addChild(after);

    SoCallbackAction action;
    action.apply(root);

    for (LineRecorder* probe : { before, after }) {
        ASSERT_EQ(probe->visits, 1);
        const LineRecorder& s = *probe;
        EXPECT_TRUE(s.indices.empty());
        EXPECT_TRUE(s.nullIndices);
        EXPECT_TRUE(s.parameters.empty());
        EXPECT_TRUE(s.textureCoordinates.empty());
        EXPECT_TRUE(s.thicknesses.empty());
        // Strokes point up the screen until a node says otherwise.
        ASSERT_EQ(s.directions.size(), 1u);
        EXPECT_EQ(s.directions[0], SbVec2f(0, 1));
    }
    for (LineRecorder* probe : { inside, afterBase }) {
        ASSERT_EQ(probe->visits, 1);
        const LineRecorder& s = *probe;
        EXPECT_EQ(s.indices, (std::vector<int32_t>{ 0, 1, 2, -1, 3, 4, -1 }));
        EXPECT_EQ(s.parameters, (std::vector<float>{ 0.0f, 0.5f, 1.0f, -1.0f, 0.0f, 1.0f, -1.0f }));
        EXPECT_EQ(s.textureCoordinates, (std::vector<float>{ 0.0f, 0.5f, 1.0f, 0.0f, 1.0f }));
        EXPECT_EQ(s.thicknesses, (std::vector<float>{ 1, 2, 3, 4, 5 }));
        ASSERT_EQ(s.directions.size(), 5u);
        EXPECT_EQ(s.directions[3], SbVec2f(0, 1));
    }
    // The elements point at the writer's own arrays, not at copies.
    EXPECT_EQ(writer->runs, 1);
    root->unref();
}

TEST(LineStateTest, CountingStripsAndAttributes)
{
    const int32_t example[] = { 0, 1, 2, -1, 3, 4, -1 };
    EXPECT_EQ(countStrips(example, 7), 2);
    EXPECT_EQ(countVertexEntries(example, 7), 5);
    // A last strip without its -1 still counts; an empty run is a strip.
    const int32_t open[] = { 0, 1, -1, 2, 3 };
    EXPECT_EQ(countStrips(open, 5), 2);
    EXPECT_EQ(countVertexEntries(open, 5), 4);
    const int32_t empty[] = { -1, 0, 1, -1, -1 };
    EXPECT_EQ(countStrips(empty, 5), 3);
    EXPECT_EQ(countStrips(nullptr, 0), 0);
    EXPECT_EQ(countVertexEntries(nullptr, 0), 0);
    // A parameterization of 0 or 1 entries is absent.
    EXPECT_FALSE(hasParameterization(0));
    EXPECT_FALSE(hasParameterization(1));
    EXPECT_TRUE(hasParameterization(2));
    EXPECT_TRUE(hasParameterization(7));
}

} // namespace

// Reads the thickness element while rendering, inside a render cache.
class CachedReader : public SoNode {
    typedef SoNode inherited;
    SO_NODE_HEADER(CachedReader);

public:
    int renders = 0;
    float lastThickness = -1.0f;
    static void initClass(void) { SO_NODE_INIT_CLASS(CachedReader, SoNode, "Node"); }
    CachedReader(void) { SO_NODE_CONSTRUCTOR(CachedReader); }
    void GLRender(SoGLRenderAction* action) override
    {
        ++renders;
        const SoLineThicknessElement* element = SoLineThicknessElement::getInstance(action->getState());
        lastThickness = element->count > 0 ? element->values[0] : 0.0f;
    }

protected:
    ~CachedReader() override {}
};
SO_NODE_SOURCE(CachedReader);

namespace {

// The same chain under a render traversal: the line nodes run in GLRender, and
// a render cache that reads a line element depends on the node that set it.
class LineStateGLTest : public GLFixture {};

TEST_F(LineStateGLTest, RenderTraversalAndCacheCapture)
{
    if (IsSkipped() || HasFatalFailure())
        return;
    registerLineStateNodes();
    if (CachedReader::getClassTypeId() == SoType::badType())
        CachedReader::initClass();

    SoSeparator* root = new SoSeparator;
    root->ref();
    LineWriter* writer = twoStrips();
    root->addChild(writer);
    LineRecorder* probe = new LineRecorder;
    root->addChild(probe);
    SoSeparator* cached = new SoSeparator;
    cached->renderCaching = SoSeparator::ON;
    CachedReader* reader = new CachedReader;
    cached->addChild(reader);
    root->addChild(cached);

    render(root);
    ASSERT_EQ(probe->visits, 1);
    EXPECT_EQ(probe->indices, (std::vector<int32_t>{ 0, 1, 2, -1, 3, 4, -1 }));
    EXPECT_EQ(writer->runs, 1);
    EXPECT_EQ(reader->lastThickness, 1.0f);

    // With nothing changed the cache is used after it has been built.
    render(root);
    render(root);
    const int rendersWhileCached = reader->renders;
    render(root);
    EXPECT_EQ(reader->renders, rendersWhileCached) << "the separator's render cache was not used";

    // A new thickness array from the writer (a new node id) must reach the
    // reader: its cache recorded the element it read.
    const float thicker[] = { 7.0f, 7.0f, 7.0f, 7.0f, 7.0f };
    writer->thicknesses.setValues(0, 5, thicker);
    render(root);
    EXPECT_GT(reader->renders, rendersWhileCached) << "the cache did not depend on the line element";
    EXPECT_EQ(reader->lastThickness, 7.0f);
    root->unref();
}

} // namespace
