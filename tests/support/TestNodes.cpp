// Small nodes for test scenes.

#include "support/TestNodes.h"

#include <Inventor/elements/SoCoordinateElement.h>

#include "lines/SoLineCoordinateIndexElement.h"
#include "lines/SoLineParameterizationElement.h"
#include "lines/SoLineTextureCoordinateElement.h"
#include "lines/SoLineThicknessElement.h"
#include "lines/SoOrientedCoordinateElement.h"
#include "wingededge/SoWingedEdgeElement.h"

SO_NODE_SOURCE(ListSource);

void ListSource::initClass(void)
{
    SO_NODE_INIT_CLASS(ListSource, SoNode, "Node");
}

ListSource::ListSource(void)
{
    SO_NODE_CONSTRUCTOR(ListSource);
}

void ListSource::doAction(SoAction* action)
{
    if (list != nullptr)
        SoWingedEdgeElement::set(action->getState(), this, list);
}

SO_NODE_SOURCE(IncomingLines);

void IncomingLines::initClass(void)
{
    SO_NODE_INIT_CLASS(IncomingLines, SoNode, "Node");
}

IncomingLines::IncomingLines(void)
{
    SO_NODE_CONSTRUCTOR(IncomingLines);
    SO_NODE_ADD_FIELD(points, (SbVec3f(0, 0, 0)));
    SO_NODE_ADD_FIELD(indices, (0));
}

void IncomingLines::GLRender(SoGLRenderAction* action)
{
    SoCoordinateElement::set3(action->getState(), this, points.getNum(), points.getValues(0));
    SoLineCoordinateIndexElement::set(action->getState(), this, indices.getNum(), indices.getValues(0));
}

SO_NODE_SOURCE(LineAttributes);

void LineAttributes::initClass(void)
{
    SO_NODE_INIT_CLASS(LineAttributes, SoNode, "Node");
}

LineAttributes::LineAttributes(void)
{
    SO_NODE_CONSTRUCTOR(LineAttributes);
    SO_NODE_ADD_FIELD(thicknesses, (0.0f));
    SO_NODE_ADD_FIELD(directions, (SbVec2f(0, 0)));
    SO_NODE_ADD_FIELD(textureCoordinates, (0.0f));
    SO_NODE_ADD_FIELD(parameters, (0.0f));
    thicknesses.setNum(0);
    directions.setNum(0);
    textureCoordinates.setNum(0);
    parameters.setNum(0);
}

void LineAttributes::GLRender(SoGLRenderAction* action)
{
    SoState* state = action->getState();
    if (thicknesses.getNum() > 0)
        SoLineThicknessElement::set(state, this, thicknesses.getNum(), thicknesses.getValues(0));
    if (directions.getNum() > 0)
        SoOrientedCoordinateElement::set(state, this, directions.getNum(), directions.getValues(0));
    if (textureCoordinates.getNum() > 0)
        SoLineTextureCoordinateElement::set(state, this, textureCoordinates.getNum(),
                                            textureCoordinates.getValues(0));
    if (parameters.getNum() > 0)
        SoLineParameterizationElement::set(state, this, parameters.getNum(), parameters.getValues(0));
}

SO_NODE_SOURCE(LineRecorder);

void LineRecorder::initClass(void)
{
    SO_NODE_INIT_CLASS(LineRecorder, SoNode, "Node");
}

LineRecorder::LineRecorder(void)
{
    SO_NODE_CONSTRUCTOR(LineRecorder);
}

void LineRecorder::GLRender(SoGLRenderAction* action)
{
    ++renders;
    const SoCoordinateElement* coordinates = SoCoordinateElement::getInstance(action->getState());
    points.clear();
    for (int i = 0; i < coordinates->getNum(); ++i)
        points.push_back(coordinates->get3(i));
    int32_t count = 0;
    const int32_t* values = SoLineCoordinateIndexElement::get(action->getState(), count);
    indices.assign(values, values + (values != nullptr ? count : 0));
    const float* entries = SoLineParameterizationElement::get(action->getState(), count);
    parameters.assign(entries, entries + (entries != nullptr ? count : 0));
}

void registerTestNodes(void)
{
    if (ListSource::getClassTypeId() == SoType::badType()) {
        ListSource::initClass();
        IncomingLines::initClass();
        LineAttributes::initClass();
        LineRecorder::initClass();
    }
}
