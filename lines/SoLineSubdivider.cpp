// The line node that cuts segments into pieces of a screen length.

#include "lines/SoLineSubdivider.h"

#include <Inventor/actions/SoAction.h>
#include <Inventor/elements/SoCoordinateElement.h>
#include <Inventor/errors/SoDebugError.h>

#include <cmath>

#include "lines/LineResampling.h"
#include "lines/LineStateCopy.h"
#include "lines/SoLineCoordinateIndexElement.h"
#include "lines/SoLineParameterizationElement.h"

SO_NODE_SOURCE(SoLineSubdivider);

void SoLineSubdivider::initClass(void)
{
    if (SoLineModifier::getClassTypeId() == SoType::badType())
        SoLineModifier::initClass();
    SO_NODE_INIT_CLASS(SoLineSubdivider, SoLineModifier, "Node");
    enableLineStateElements(true);
}

SoLineSubdivider::SoLineSubdivider(void)
{
    SO_NODE_CONSTRUCTOR(SoLineSubdivider);
    // Screen length (two units per pixel) of a piece; positive. Only
    // modifyMethod PIXEL_BASED cuts; the other methods hand on the lines of
    // the last PIXEL_BASED run (none before the first). Default 5.
    SO_NODE_ADD_FIELD(subdivideLength, (5.0f));
    // Kept for scene files that set it; the cutting does not read it. Default 1.
    SO_NODE_ADD_FIELD(numSubdivides, (1));
    // Kept for scene files that set it; the pieces are always equal.
    // Default REGULAR.
    SO_NODE_ADD_FIELD(subdivideMethod, (REGULAR));
    SO_NODE_DEFINE_ENUM_VALUE(SubdivideMethod, REGULAR);
    SO_NODE_DEFINE_ENUM_VALUE(SubdivideMethod, RANDOM);
    SO_NODE_SET_SF_ENUM_TYPE(subdivideMethod, SubdivideMethod);
}

SoLineSubdivider::~SoLineSubdivider()
{
}

void SoLineSubdivider::doAction(SoAction* action)
{
    static const char* const where = "SoLineSubdivider::doAction";
    SoState* state = action->getState();
    const LineStateCopy in(state);
    if (in.lines().pointCount < 2)
        return;
    if (modifyMethod.getValue() != PIXEL_BASED) {
        SoCoordinateElement::set3(state, this, coordinatesOutput.getNum(), coordinatesOutput.getValues(0));
        SoLineCoordinateIndexElement::set(state, this, indicesOutput.getNum(), indicesOutput.getValues(0));
        // Parameters of other lines than the ones handed on must not stay.
        if (parametersWritten || in.parameterized())
            SoLineParameterizationElement::set(state, this, parametersOutput.getNum(),
                                               parametersOutput.getValues(0));
        return;
    }
    const double length = subdivideLength.getValue();
    if (!(length > 0.0) || !std::isfinite(length)) {
        SoDebugError::post(where, "subdivideLength %g is not a positive number; the lines pass unchanged", length);
        return;
    }

    ResampledLines out;
    const ResamplingReport report = subdivideLines(in.lines(), screenProjection(state), length, out);
    in.report(where, report);
    parametersWritten = out.parameterized;
    publishResampledLines(state, this, out, in.parameterized(), coordinatesOutput, indicesOutput, parametersOutput);
}
