// The line node that empties the line state.

#include "lines/SoLineEraser.h"

#include <Inventor/actions/SoAction.h>
#include <Inventor/elements/SoCoordinateElement.h>

#include <cstdio>

#include "lines/LineStateCopy.h"
#include "lines/LineStrips.h"
#include "lines/SoLineCoordinateIndexElement.h"
#include "lines/SoLineParameterizationElement.h"

SO_NODE_SOURCE(SoLineEraser);

namespace {

void printCounts(const char* prefix, SoState* state)
{
    int32_t indices = 0, parameters = 0;
    SoLineCoordinateIndexElement::get(state, indices);
    SoLineParameterizationElement::get(state, parameters);
    std::printf("%s: Coords %d Indices %d Parameters %d\n", prefix, SoCoordinateElement::getInstance(state)->getNum(),
                int(indices), int(parameters));
}

} // namespace

void SoLineEraser::initClass(void)
{
    if (SoLineModifier::getClassTypeId() == SoType::badType())
        SoLineModifier::initClass();
    SO_NODE_INIT_CLASS(SoLineEraser, SoLineModifier, "Node");
    enableLineStateElements(true);
}

SoLineEraser::SoLineEraser(void)
{
    SO_NODE_CONSTRUCTOR(SoLineEraser);
    // FALSE leaves the lines in force untouched and prints nothing. Default TRUE.
    SO_NODE_ADD_FIELD(active, (TRUE));
}

SoLineEraser::~SoLineEraser()
{
}

void SoLineEraser::doAction(SoAction* action)
{
    if (!active.getValue())
        return;
    SoState* state = action->getState();
    printCounts("In SoLineEraser", state);
    int32_t parameters = 0;
    SoLineParameterizationElement::get(state, parameters);
    SoCoordinateElement::set3(state, this, 0, nullptr);
    SoLineCoordinateIndexElement::set(state, this, 0, nullptr);
    if (hasParameterization(parameters))
        SoLineParameterizationElement::set(state, this, 0, nullptr);
    printCounts("After SoLineEraser", state);
    std::fflush(stdout);
}
