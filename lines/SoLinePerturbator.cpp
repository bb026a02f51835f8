// The line node that displaces line vertices by a wave or at random.

#include "lines/SoLinePerturbator.h"

#include <Inventor/actions/SoAction.h>
#include <Inventor/elements/SoCoordinateElement.h>
#include <Inventor/errors/SoDebugError.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "lines/LinePerturbation.h"
#include "lines/LineStateCopy.h"
#include "lines/SoLineCoordinateIndexElement.h"

SO_NODE_SOURCE(SoLinePerturbator);

void SoLinePerturbator::initClass(void)
{
    if (SoLineModifier::getClassTypeId() == SoType::badType())
        SoLineModifier::initClass();
    SO_NODE_INIT_CLASS(SoLinePerturbator, SoLineModifier, "Node");
    enableLineStateElements(false);
}

SoLinePerturbator::SoLinePerturbator(void)
{
    SO_NODE_CONSTRUCTOR(SoLinePerturbator);
    // RANDOM keeps coordinate 0 and the last coordinate in place. Default TRUE.
    SO_NODE_ADD_FIELD(fixedEndPoints, (TRUE));
    // Screen length (two units per pixel) of one wave of SINUS and COSINUS;
    // not 0. Default 1.
    SO_NODE_ADD_FIELD(numCycles, (1.0f));
    // Largest displacement: screen units, except for RANDOM with a
    // modifyMethod other than PIXEL_BASED, which moves vertices by up to this
    // much along each object axis. Default 1.
    SO_NODE_ADD_FIELD(amplitude, (1.0f));
    // SINUS: a sine wave along each strip, across the screen image of the
    // object's y axis, the strip's ends kept; COSINUS: the same with a
    // cosine; RANDOM: independent offsets, on the screen with PIXEL_BASED.
    // Default RANDOM.
    SO_NODE_ADD_FIELD(perturbateMethod, (RANDOM));
    SO_NODE_DEFINE_ENUM_VALUE(PerturbateMethod, SINUS);
    SO_NODE_DEFINE_ENUM_VALUE(PerturbateMethod, COSINUS);
    SO_NODE_DEFINE_ENUM_VALUE(PerturbateMethod, RANDOM);
    SO_NODE_SET_SF_ENUM_TYPE(perturbateMethod, PerturbateMethod);
}

SoLinePerturbator::~SoLinePerturbator()
{
}

void SoLinePerturbator::doAction(SoAction* action)
{
    static const char* const where = "SoLinePerturbator::doAction";
    SoState* state = action->getState();
    const LineStateCopy in(state);
    if (in.lines().pointCount < 2 || in.lines().indexCount < 3)
        return;

    PerturbationSettings settings;
    settings.amplitude = amplitude.getValue();
    settings.waveLength = numCycles.getValue();
    settings.fixedEndPoints = fixedEndPoints.getValue();
    settings.inScreen = modifyMethod.getValue() == PIXEL_BASED;
    if (!std::isfinite(settings.amplitude)) {
        SoDebugError::post(where, "amplitude %g is not a finite number; the lines pass unchanged", settings.amplitude);
        return;
    }
    switch (perturbateMethod.getValue()) {
    case SINUS:
        settings.method = PerturbationMethod::Sine;
        break;
    case COSINUS:
        settings.method = PerturbationMethod::Cosine;
        break;
    case RANDOM:
        settings.method = PerturbationMethod::Random;
        break;
    default:
        SoDebugError::post(where, "perturbateMethod %d names no method; the lines pass unchanged",
                           perturbateMethod.getValue());
        return;
    }
    if (settings.method != PerturbationMethod::Random &&
        (settings.waveLength == 0.0 || !std::isfinite(settings.waveLength))) {
        SoDebugError::post(where, "numCycles %g gives no wave length; the lines pass unchanged", settings.waveLength);
        return;
    }

    std::vector<SbVec3f> out;
    const StripWalkReport report =
        perturbLines(in.lines(), screenProjection(state), settings, [] { return std::rand(); }, out);
    in.report(where, report);
    coordinatesOutput.setNum(int(out.size()));
    coordinatesOutput.setValues(0, int(out.size()), out.data());
    SoCoordinateElement::set3(state, this, coordinatesOutput.getNum(), coordinatesOutput.getValues(0));
}
