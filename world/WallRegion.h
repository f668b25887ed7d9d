#pragma once
// A wall as the leaving rules see it: its own frame (a box's sides, or a
// circle's towards where the body began) and the region of centres at which
// a body overlaps it, for every wall shape.
#include <vector>

#include "core/Vec2.h"
#include "world/SweptShapes.h"

namespace Orv {

class Collider;

inline double Along(const Vec2& v, int axis) { return axis == 0 ? v.x : v.y; }

inline Vec2 OnAxis(int axis, double value) { return axis == 0 ? Vec2{value, 0} : Vec2{0, value}; }

// A wall seen from its own middle along its own axes (a box's sides; for a
// circle, u points at where the body began), with its half extent and the
// body's along each.
struct WallFrame {
  Vec2 middle, u{1, 0}, v{0, 1};
  Vec2 half, bodyHalf;
  Vec2 Local(const Vec2& p) const { return {(p - middle).Dot(u), (p - middle).Dot(v)}; }
  Vec2 World(const Vec2& local) const { return u * local.x + v * local.y; }
};

// The centres at which the body overlaps a wall: a convex polygon,
// counter-clockwise (a box wall grown by the body's box; another wall by the
// body's own shape, its rounding taken as flat faces around it).
struct Region {
  std::vector<Vec2> corners;
  std::vector<Vec2> normals;
  WallFrame frame;
  // The wall itself, met by a point.
  Configuration solid;
  bool Inside(const Vec2& p, double margin) const {
    if (corners.size() < 3) return false;
    for (std::size_t k = 0; k < corners.size(); ++k) {
      if (normals[k].Dot(p - corners[k]) >= -margin) return false;
    }
    return true;
  }
};

// Half the shape's extent along direction, its rounding included.
double ExtentAlong(const ConvexShape& shape, const Vec2& direction);

// The wall's frame, for a body that began its pass centred at from.
WallFrame FrameOf(const Collider& wall, const Collider& body, const Vec2& from);

// The face of the wall that a body centred at from began on, in the wall's
// frame: the axis (0 u, 1 v) and the side (-1 the low face, 1 the high one);
// over a corner, the face its box was farther from. False when from lies
// inside the wall.
bool StartFace(const WallFrame& frame, const Vec2& from, int& axis, double& side);

// Whether a body that began at from, outside the wall, is now at centre
// behind it: past its middle across the face it began on.
bool Behind(const WallFrame& frame, const Vec2& from, const Vec2& centre);

// The region of centres at which the body overlaps the wall.
Region RegionOf(const Collider& wall, const Collider& body, const Vec2& from);

// Whether the body moved by move lies in the wall deeper than resting on it.
bool InsideWall(const Collider& wall, const Collider& body, const Vec2& move);

}  // namespace Orv
