// New line strips behind the lines of the traversal state.

#include "lines/AppendLines.h"

#include <Inventor/elements/SoCoordinateElement.h>
#include <Inventor/fields/SoMFInt32.h>
#include <Inventor/fields/SoMFVec3f.h>

#include <algorithm>

#include "lines/SoLineCoordinateIndexElement.h"

void appendLines(SoState* state, SoNode* node, const std::vector<SbVec3f>& points, const std::vector<int32_t>& strips,
                 SoMFVec3f& coordinates, SoMFInt32& indices)
{
    const SoCoordinateElement* incoming = SoCoordinateElement::getInstance(state);
    const int32_t n = incoming->getNum();
    int32_t m = 0;
    const int32_t* incomingIndices = SoLineCoordinateIndexElement::get(state, m);
    if (incomingIndices == nullptr)
        m = 0;

    coordinates.setNum(n + int32_t(points.size()));
    SbVec3f* out = coordinates.startEditing();
    for (int32_t i = 0; i < n; ++i)
        out[i] = incoming->get3(i);
    std::copy(points.begin(), points.end(), out + n);
    coordinates.finishEditing();

    indices.setNum(m + int32_t(strips.size()));
    int32_t* index = indices.startEditing();
    std::copy(incomingIndices, incomingIndices + m, index);
    for (size_t i = 0; i < strips.size(); ++i)
        index[size_t(m) + i] = strips[i] < 0 ? -1 : strips[i] + n;
    indices.finishEditing();

    SoCoordinateElement::set3(state, node, coordinates.getNum(), coordinates.getValues(0));
    SoLineCoordinateIndexElement::set(state, node, indices.getNum(), indices.getValues(0));
}
