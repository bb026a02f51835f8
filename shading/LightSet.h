#ifndef QUILLMAP_SHADING_LIGHTSET_H
#define QUILLMAP_SHADING_LIGHTSET_H

// The lights a diffuse illumination sums over, in the object coordinates of
// the shape they light.

#include <Inventor/SbVec3f.h>

#include <vector>

struct LightSet {
    // The direction each directional light travels in (towards the surface).
    std::vector<SbVec3f> directions;
    // The position of each point light.
    std::vector<SbVec3f> positions;

    bool empty() const { return directions.empty() && positions.empty(); }
};

#endif // QUILLMAP_SHADING_LIGHTSET_H
