// Small nodes for test scenes.

#include "support/TestNodes.h"

#include <Inventor/elements/SoCoordinateElement.h>
#include <Inventor/misc/SoState.h>

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

SO_NODE_SOURCE(LineSource);

void LineSource::initClass(void)
{
    SO_NODE_INIT_CLASS(LineSource, SoNode, "Node");
}

LineSource::LineSource(void)
{
    SO_NODE_CONSTRUCTOR(LineSource);
    SO_NODE_ADD_FIELD(points, (SbVec3f(0, 0, 0)));
    SO_NODE_ADD_FIELD(indices, (0));
    SO_NODE_ADD_FIELD(parameters, (0.0f));
    SO_NODE_ADD_FIELD(textureCoordinates, (0.0f));
    SO_NODE_ADD_FIELD(thicknesses, (0.0f));
    SO_NODE_ADD_FIELD(directions, (SbVec2f(0, 0)));
    SO_NODE_ADD_FIELD(setWhenEmpty, (0));
    SO_NODE_DEFINE_ENUM_VALUE(Element, COORDINATES);
    SO_NODE_DEFINE_ENUM_VALUE(Element, INDICES);
    SO_NODE_DEFINE_ENUM_VALUE(Element, PARAMETERS);
    SO_NODE_DEFINE_ENUM_VALUE(Element, TEXTURE_COORDINATES);
    SO_NODE_DEFINE_ENUM_VALUE(Element, THICKNESSES);
    SO_NODE_DEFINE_ENUM_VALUE(Element, DIRECTIONS);
    SO_NODE_DEFINE_ENUM_VALUE(Element, ALL);
    SO_NODE_SET_SF_ENUM_TYPE(setWhenEmpty, Element);
    points.setNum(0);
    indices.setNum(0);
    parameters.setNum(0);
    textureCoordinates.setNum(0);
    thicknesses.setNum(0);
    directions.setNum(0);
}

void LineSource::doAction(SoAction* action)
{
    setElements(action->getState(), this, points, indices, parameters, textureCoordinates, thicknesses, directions,
                setWhenEmpty.getValue());
}

void LineSource::setElements(SoState* state, SoNode* node, const SoMFVec3f& points, const SoMFInt32& indices,
                             const SoMFFloat& parameters, const SoMFFloat& textureCoordinates,
                             const SoMFFloat& thicknesses, const SoMFVec2f& directions, int setWhenEmpty)
{
    // Not every action enables every line element; those it leaves out are
    // skipped.
    auto wanted = [state, setWhenEmpty](const SoMField& field, int element, int stackIndex) {
        return (field.getNum() > 0 || (setWhenEmpty & element) != 0) && state->isElementEnabled(stackIndex);
    };
    if (wanted(points, COORDINATES, SoCoordinateElement::getClassStackIndex()))
        SoCoordinateElement::set3(state, node, points.getNum(), points.getValues(0));
    if (wanted(indices, INDICES, SoLineCoordinateIndexElement::getClassStackIndex()))
        SoLineCoordinateIndexElement::set(state, node, indices.getNum(), indices.getValues(0));
    if (wanted(parameters, PARAMETERS, SoLineParameterizationElement::getClassStackIndex()))
        SoLineParameterizationElement::set(state, node, parameters.getNum(), parameters.getValues(0));
    if (wanted(textureCoordinates, TEXTURE_COORDINATES, SoLineTextureCoordinateElement::getClassStackIndex()))
        SoLineTextureCoordinateElement::set(state, node, textureCoordinates.getNum(), textureCoordinates.getValues(0));
    if (wanted(thicknesses, THICKNESSES, SoLineThicknessElement::getClassStackIndex()))
        SoLineThicknessElement::set(state, node, thicknesses.getNum(), thicknesses.getValues(0));
    if (wanted(directions, DIRECTIONS, SoOrientedCoordinateElement::getClassStackIndex()))
        SoOrientedCoordinateElement::set(state, node, directions.getNum(), directions.getValues(0));
}

namespace {

// A copy of an element's list; empty when it holds no array or the action
// does not enable the element.
template <class Element>
std::vector<typename Element::ValueType> readElement(SoState* state)
{
    if (!state->isElementEnabled(Element::getClassStackIndex()))
        return std::vector<typename Element::ValueType>();
    int32_t count = 0;
    const typename Element::ValueType* values = Element::get(state, count);
    return values != nullptr ? std::vector<typename Element::ValueType>(values, values + count)
                             : std::vector<typename Element::ValueType>();
}

} // namespace

SO_NODE_SOURCE(LineRecorder);

void LineRecorder::initClass(void)
{
    SO_NODE_INIT_CLASS(LineRecorder, SoNode, "Node");
}

LineRecorder::LineRecorder(void)
{
    SO_NODE_CONSTRUCTOR(LineRecorder);
}

void LineRecorder::doAction(SoAction* action)
{
    ++visits;
    SoState* state = action->getState();
    points.clear();
    pointArray = nullptr;
    if (state->isElementEnabled(SoCoordinateElement::getClassStackIndex())) {
        const SoCoordinateElement* coordinates = SoCoordinateElement::getInstance(state);
        for (int i = 0; i < coordinates->getNum(); ++i)
            points.push_back(coordinates->get3(i));
        pointArray = coordinates->getArrayPtr3();
    }
    int32_t count = 0;
    indexArray = nullptr;
    nullIndices = true;
    if (state->isElementEnabled(SoLineCoordinateIndexElement::getClassStackIndex())) {
        indexArray = SoLineCoordinateIndexElement::get(state, count);
        nullIndices = SoLineCoordinateIndexElement::getInstance(state)->values == nullptr;
    }
    parameterArray = nullptr;
    if (state->isElementEnabled(SoLineParameterizationElement::getClassStackIndex()))
        parameterArray = SoLineParameterizationElement::get(state, count);
    indices = readElement<SoLineCoordinateIndexElement>(state);
    parameters = readElement<SoLineParameterizationElement>(state);
    textureCoordinates = readElement<SoLineTextureCoordinateElement>(state);
    thicknesses = readElement<SoLineThicknessElement>(state);
    directions = readElement<SoOrientedCoordinateElement>(state);
}

void registerTestNodes(void)
{
    if (ListSource::getClassTypeId() == SoType::badType()) {
        ListSource::initClass();
        LineSource::initClass();
        LineRecorder::initClass();
    }
}
