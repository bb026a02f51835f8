// Measuring and offsetting line vertices on the screen.

#include "lines/ScreenProjection.h"

#include <cmath>

ScreenProjection::ScreenProjection(const SbMatrix& model, const SbMatrix& viewing, const SbMatrix& projection,
                                   const SbVec2s& windowSize, float nearDistance, float depth)
    : modelView(model), width(windowSize[0]), height(windowSize[1]), nearDistance(nearDistance), depth(depth)
{
    modelView.multRight(viewing);
    full = modelView;
    full.multRight(projection);
}

SbVec2f ScreenProjection::project(const SbVec3f& p) const
{
    SbVec3f q;
    full.multVecMatrix(p, q);
    return SbVec2f(width * q[0], height * q[1]);
}

SbVec2f ScreenProjection::difference(const SbVec3f& a, const SbVec3f& b) const
{
    return project(b) - project(a);
}

float ScreenProjection::distance(const SbVec3f& a, const SbVec3f& b) const
{
    return difference(a, b).length();
}

SbVec2f ScreenProjection::normal(const SbVec3f& a, const SbVec3f& b) const
{
    return perpendicular(difference(a, b));
}

float ScreenProjection::eyeDepth(const SbVec3f& p) const
{
    SbVec3f q;
    modelView.multVecMatrix(p, q);
    return -q[2];
}

float ScreenProjection::normalizedDepth(const SbVec3f& p) const
{
    if (depth == 0.0f)
        return 0.0f;
    return (eyeDepth(p) - nearDistance) / depth;
}

SbVec3f ScreenProjection::offset(const SbVec3f& p, float dx, float dy) const
{
    if (invertible < 0) {
        // A singular matrix has determinant 0; its inverse must not be used.
        invertible = std::fabs(full.det4()) > 0.0f ? 1 : 0;
        if (invertible)
            inverse = full.inverse();
    }
    if (!invertible || width == 0.0f || height == 0.0f)
        return p;
    SbVec3f q;
    full.multVecMatrix(p, q);
    q[0] = (width * q[0] + dx) / width;
    q[1] = (height * q[1] + dy) / height;
    SbVec3f result;
    inverse.multVecMatrix(q, result);
    return result;
}

SbVec2f ScreenProjection::perpendicular(const SbVec2f& v)
{
    // A quarter turn about the view axis, as a rotation by the float nearest
    // to pi / 2, so that the result carries the same rounding everywhere.
    static const SbRotation quarterTurn(SbVec3f(0.0f, 0.0f, 1.0f), 1.5707964f);
    SbVec3f turned;
    quarterTurn.multVec(SbVec3f(v[0], v[1], 0.0f), turned);
    return SbVec2f(turned[0], turned[1]);
}
