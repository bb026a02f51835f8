#ifndef QUILLMAP_UTIL_VEC_H
#define QUILLMAP_UTIL_VEC_H

// Small double-precision vectors for the geometry that runs in double on
// single-precision positions: screen directions of the line code, the patch
// fit of the curvature estimate, the generated sample models. Header only and
// free of Coin, so that the tools can use it as well; Vec2d::of and Vec3d::of
// widen anything indexable (SbVec2f, SbVec3f, a float array) to double.

#include <cmath>

struct Vec2d {
    double x = 0.0;
    double y = 0.0;

    template <class V>
    static Vec2d of(const V& v)
    {
        return { double(v[0]), double(v[1]) };
    }
};

struct Vec3d {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    template <class V>
    static Vec3d of(const V& v)
    {
        return { double(v[0]), double(v[1]), double(v[2]) };
    }
};

inline Vec2d operator+(const Vec2d& a, const Vec2d& b) { return { a.x + b.x, a.y + b.y }; }
inline Vec2d operator-(const Vec2d& a, const Vec2d& b) { return { a.x - b.x, a.y - b.y }; }
inline Vec2d operator-(const Vec2d& a) { return { -a.x, -a.y }; }
inline Vec2d operator*(double s, const Vec2d& a) { return { s * a.x, s * a.y }; }
inline double dot(const Vec2d& a, const Vec2d& b) { return a.x * b.x + a.y * b.y; }

inline Vec3d operator+(const Vec3d& a, const Vec3d& b) { return { a.x + b.x, a.y + b.y, a.z + b.z }; }
inline Vec3d operator-(const Vec3d& a, const Vec3d& b) { return { a.x - b.x, a.y - b.y, a.z - b.z }; }
inline Vec3d operator-(const Vec3d& a) { return { -a.x, -a.y, -a.z }; }
inline Vec3d operator*(double s, const Vec3d& a) { return { s * a.x, s * a.y, s * a.z }; }
inline double dot(const Vec3d& a, const Vec3d& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

inline Vec3d cross(const Vec3d& a, const Vec3d& b)
{
    return { a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x };
}

inline double length(const Vec2d& a) { return std::sqrt(dot(a, a)); }
inline double length(const Vec3d& a) { return std::sqrt(dot(a, a)); }

inline bool isFinite(const Vec2d& a) { return std::isfinite(a.x) && std::isfinite(a.y); }
inline bool isFinite(const Vec3d& a) { return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z); }

// The unit vector along `a`, or the zero vector when `a` has no direction
// (zero length, or a length that overflowed or is NaN). Callers rely on the
// zero vector: an angle next to it has cosine 0, a sum of directions simply
// leaves it out.
inline Vec2d unitOrZero(const Vec2d& a)
{
    const double l = length(a);
    if (!(l > 0.0) || !std::isfinite(l))
        return {};
    return { a.x / l, a.y / l };
}

inline Vec3d unitOrZero(const Vec3d& a)
{
    const double l = length(a);
    if (!(l > 0.0) || !std::isfinite(l))
        return {};
    return { a.x / l, a.y / l, a.z / l };
}

#endif // QUILLMAP_UTIL_VEC_H
