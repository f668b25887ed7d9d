#pragma once
// Pure geometry for a shape moving in a straight line past a still one: how
// far apart they are, and when and across which face the moving one first
// touches the other. Both shapes are convex: up to four corners rounded by a
// radius (a circle is one corner and its radius, a box four corners and none).
// The moving shape touches the still one where its offset enters their
// configuration shape: the still shape grown by the moving one turned about,
// which is again a convex polygon, rounded by the sum of the radii.
#include <vector>

#include "core/Vec2.h"
#include "world/ContactTolerances.h"

namespace Orv {

class Collider;

struct ConvexShape {
  Vec2 corners[4];
  unsigned count = 0;
  double radius = 0;
};

// The convex hull of points, counter-clockwise, without points on an edge
// between two corners.
std::vector<Vec2> ConvexHull(std::vector<Vec2> points);

// A collider as it stands (box corners as last made), or none for a line.
ConvexShape ShapeOf(const Collider& collider);
// The same shape moved by offset.
ConvexShape Moved(const ConvexShape& shape, const Vec2& offset);

// The offsets at which mover overlaps still: a convex polygon,
// counter-clockwise, rounded by radius. Offsets are measured from where
// mover stands.
struct Configuration {
  std::vector<Vec2> corners;
  // The outward unit normal of the edge from corner k to k + 1.
  std::vector<Vec2> normals;
  double radius = 0;
};

Configuration ConfigurationOf(const ConvexShape& still, const ConvexShape& mover);

// The signed distance from mover moved by offset to still (negative when
// they overlap: the depth), and the unit direction in which the mover leaves
// it soonest. Inside the polygon that is the edge reached least deep, as a
// separating-axis test answers.
struct Separation {
  double distance = 0;
  Vec2 normal;
  // The edge it was measured across, or -1 at a corner or a round part.
  int edge = -1;
};

Separation SeparationAt(const Configuration& shape, const Vec2& offset);

// The first share t of motion in [0, 1] at which mover, moved by from and
// clear of still there, touches it on its way from there, and the normal
// there out of still. No impact when the path passes by, ends short, or
// starts touching or inside.
struct Impact {
  bool meets = false;
  double time = 0;
  Vec2 normal;
  int edge = -1;
};

Impact FirstImpact(const Configuration& shape, const Vec2& from, const Vec2& motion);

// The face by which mover, moved by from and going on by motion, enters
// still: when it starts touching (kTouchingGap) or inside, the face it rests
// on or lies least deep behind, at once; else the face its path first meets
// (FirstImpact), or none when its path passes by. Height is from's distance
// over that face's plane: how far the face was, or how deep it lay.
struct EnteredFace {
  bool meets = false;
  // It started touching or inside.
  bool resting = false;
  double time = 0;
  Vec2 normal;
  double height = 0;
};

EnteredFace FaceEntered(const Configuration& shape, const Vec2& from, const Vec2& motion);

// The same for an axis-aligned box that ends a motion inside another and was
// clear of it along both axes by gaps (negative: overlapping by so much):
// whether it entered across an x face, the one it reached last. A tie goes
// to y.
bool EnteredAcrossX(const Vec2& gaps, const Vec2& motion);

}  // namespace Orv
