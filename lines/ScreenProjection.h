#ifndef QUILLMAP_SCREENPROJECTION_H
#define QUILLMAP_SCREENPROJECTION_H

// The screen measure of the line nodes: points go through model, viewing and
// projection matrices (Inventor's row-vector convention, with the homogeneous
// divide) to normalized device coordinates, which are then scaled by the
// window size in pixels. One window pixel therefore spans two screen units in
// x and in y; every screen length of the line nodes is in these units.

#include <Inventor/SbLinear.h>

class ScreenProjection {
public:
    // `nearDistance` and `depth` are those of the view volume: the distance
    // of the near plane from the eye and from the near to the far plane.
    ScreenProjection(const SbMatrix& model, const SbMatrix& viewing, const SbMatrix& projection,
                     const SbVec2s& windowSize, float nearDistance, float depth);

    // (W x, H y) of the point's normalized device coordinates.
    SbVec2f project(const SbVec3f& p) const;
    // Screen difference b - a and its length.
    SbVec2f difference(const SbVec3f& a, const SbVec3f& b) const;
    float distance(const SbVec3f& a, const SbVec3f& b) const;
    // The screen difference of a and b turned by +90 degrees.
    SbVec2f normal(const SbVec3f& a, const SbVec3f& b) const;
    // Distance of the point in front of the eye.
    float eyeDepth(const SbVec3f& p) const;
    // 0 at the near plane, 1 at the far plane; 0 for a view volume without depth.
    float normalizedDepth(const SbVec3f& p) const;
    // The point moved by (dx, dy) screen units at its own depth. A window
    // without area or a projection that cannot be inverted leaves it in place.
    SbVec3f offset(const SbVec3f& p, float dx, float dy) const;

    // (x, y) turned by +90 degrees about the view axis: (-y, x).
    static SbVec2f perpendicular(const SbVec2f& v);

    const SbMatrix& fullMatrix(void) const { return full; }

private:
    SbMatrix modelView;
    SbMatrix full;
    // Worked out on the first offset.
    mutable SbMatrix inverse;
    mutable int invertible = -1; // -1 not known yet, 0 singular, 1 invertible
    float width;
    float height;
    float nearDistance;
    float depth;
};

#endif // QUILLMAP_SCREENPROJECTION_H
