// Screen measures of the line vertices in the traversal state.

#include "lines/LineVertexMeasure.h"

#include <Inventor/errors/SoDebugError.h>

#include "lines/SoLineModifier.h"

LineVertexMeasure::LineVertexMeasure(SoState* state)
    : coordinates(SoCoordinateElement::getInstance(state)),
      count(coordinates->getNum()),
      projection(SoLineModifier::screenProjection(state))
{
}

bool LineVertexMeasure::valid(int32_t index) const
{
    if (index >= 0 && index < count)
        return true;
    if (badIndices++ == 0)
        firstBadIndex = index;
    return false;
}

float LineVertexMeasure::distance(int32_t from, int32_t to) const
{
    // Both are checked so that each bad index is counted.
    const bool fromValid = valid(from);
    const bool toValid = valid(to);
    if (!fromValid || !toValid)
        return 0.0f;
    return projection.distance(coordinates->get3(from), coordinates->get3(to));
}

float LineVertexMeasure::eyeDepth(int32_t index) const
{
    return valid(index) ? projection.eyeDepth(coordinates->get3(index)) : 0.0f;
}

float LineVertexMeasure::normalizedDepth(int32_t index) const
{
    return valid(index) ? projection.normalizedDepth(coordinates->get3(index)) : 0.0f;
}

void LineVertexMeasure::reportBadIndices(const char* where) const
{
    if (badIndices == 0)
        return;
    SoDebugError::post(where,
                       "%d line index reads refer to no coordinate (the first is index %d, there are %d "
                       "coordinates); they were measured as 0",
                       int(badIndices), int(firstBadIndex), int(count));
}
