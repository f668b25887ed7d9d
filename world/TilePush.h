#pragma once
// How a collider is pushed out of the solid tiles it overlaps: one candidate
// per overlapping solid cell, and the choice of one push among them. Only
// numbers here: no map, object or component.
#include <vector>

#include "core/Vec2.h"

namespace Orv {

struct TileCandidate {
  // The push that takes the collider out of the cell, leaving kLeftOverlap of
  // overlap, along each axis, and its direction there (0: none on that axis).
  double dx, dy, nx, ny;
  // The collider came into the cell from outside during this step, across
  // one face: the candidate holds only that axis, the side it came from; or
  // into the corner of a floor and a wall, across both faces at once.
  bool entered = false;
};

struct TilePush {
  Vec2 push;
  Vec2 normal;
};

// Candidates of cells all entered from outside push the collider back the way
// it came: on each axis by the largest of their pushes, which clears them all.
// Otherwise the collider was already inside some cell, and the candidates'
// sides and sizes decide.
TilePush ChoosePush(const std::vector<TileCandidate>& candidates);

}  // namespace Orv
