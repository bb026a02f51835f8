// The line node that joins two-point strips into long strips.

#include "lines/SoLineConcatenator.h"

#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/errors/SoDebugError.h>

#include <vector>

#include "lines/LineConcatenation.h"
#include "lines/SoLineCoordinateIndexElement.h"

SO_NODE_SOURCE(SoLineConcatenator);

void SoLineConcatenator::initClass(void)
{
    SO_NODE_INIT_CLASS(SoLineConcatenator, SoLineModifier, "Node");
    SO_ENABLE(SoGLRenderAction, SoLineCoordinateIndexElement);
    SO_ENABLE(SoCallbackAction, SoLineCoordinateIndexElement);
}

SoLineConcatenator::SoLineConcatenator(void)
{
    SO_NODE_CONSTRUCTOR(SoLineConcatenator);
}

SoLineConcatenator::~SoLineConcatenator()
{
}

void SoLineConcatenator::doAction(SoAction* action)
{
    SoState* state = action->getState();
    int32_t count = 0;
    const int32_t* indices = SoLineCoordinateIndexElement::get(state, count);
    // Fewer than three entries cannot hold two strips to join.
    if (indices == nullptr || count < 3)
        return;

    // Built apart from the output field: on a second traversal of this node
    // the incoming list may be that field itself.
    std::vector<int32_t> joined;
    const ConcatenationReport report = concatenateLines(indices, count, joined);
    if (report.oddSeparators > 0)
        SoDebugError::postWarning("SoLineConcatenator::doAction",
                                  "%d negative index entries other than -1 (the first at position %d, value %d) "
                                  "taken as strip ends and written as -1",
                                  report.oddSeparators, report.firstOddSeparator, indices[report.firstOddSeparator]);
    if (report.unterminated)
        SoDebugError::postWarning("SoLineConcatenator::doAction",
                                  "the last strip of the index list (%d entries) lacks its -1; it is closed", count);

    indicesOutput.setNum(int32_t(joined.size()));
    indicesOutput.setValues(0, int32_t(joined.size()), joined.data());
    SoLineCoordinateIndexElement::set(state, this, indicesOutput.getNum(), indicesOutput.getValues(0));
}
