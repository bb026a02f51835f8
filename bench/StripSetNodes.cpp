// Generated meshes as Inventor nodes.

#include "StripSetNodes.h"

#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoGroup.h>
#include <Inventor/nodes/SoIndexedTriangleStripSet.h>
#include <Inventor/nodes/SoNormal.h>
#include <Inventor/nodes/SoNormalBinding.h>

#include <vector>

SoIndexedTriangleStripSet* addStripSet(const StripInput& in, SoGroup* parent)
{
    SoCoordinate3* coordinates = new SoCoordinate3;
    coordinates->point.setValues(0, int(in.coordinates.size()), in.coordinates.data());
    parent->addChild(coordinates);
    SoNormal* normals = new SoNormal;
    normals->vector.setValues(0, int(in.normals.size()), in.normals.data());
    parent->addChild(normals);
    SoNormalBinding* binding = new SoNormalBinding;
    binding->value = SoNormalBinding::PER_VERTEX_INDEXED;
    parent->addChild(binding);

    std::vector<int32_t> coordIndex, normalIndex;
    size_t next = 0;
    for (int32_t length : in.stripLengths) {
        for (int32_t i = 0; i < length; ++i, ++next) {
            coordIndex.push_back(in.coordIndex[next]);
            normalIndex.push_back(in.normalIndex[next]);
        }
        coordIndex.push_back(-1);
        normalIndex.push_back(-1);
    }
    SoIndexedTriangleStripSet* set = new SoIndexedTriangleStripSet;
    set->coordIndex.setValues(0, int(coordIndex.size()), coordIndex.data());
    set->normalIndex.setValues(0, int(normalIndex.size()), normalIndex.data());
    parent->addChild(set);
    return set;
}
