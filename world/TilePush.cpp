#include "world/TilePush.h"

#include <algorithm>
#include <cmath>

namespace Orv {

namespace {

// An axis on which the candidates have no direction (a centre on the tiles'
// centre line) or on which they disagree (a collider over the border of two
// cells side by side) is no way out while the other axis has a direction:
// the push is then along that axis alone. When all its candidates point one
// way, the largest push clears every cell; when they disagree there too, the
// smallest is the nearest way out. The rules below would push by 0 on such
// an axis, or sideways off a floor.
bool PushAlongOneAxis(const std::vector<TileCandidate>& candidates, TilePush& result) {
  struct Directions {
    bool negative = false, positive = false;
    bool None() const { return !negative && !positive; }
    bool Both() const { return negative && positive; }
  };
  Directions x, y;
  for (const TileCandidate& c : candidates) {
    x.negative = x.negative || c.nx < 0, x.positive = x.positive || c.nx > 0;
    y.negative = y.negative || c.ny < 0, y.positive = y.positive || c.ny > 0;
  }
  bool alongY = false;
  if (x.None() != y.None()) {
    alongY = x.None();
  } else if (!x.None() && x.Both() != y.Both()) {
    alongY = x.Both();
  } else {
    return false;
  }
  const bool oneWay = !(alongY ? y : x).Both();
  const TileCandidate* best = nullptr;
  for (const TileCandidate& c : candidates) {
    if ((alongY ? c.ny : c.nx) == 0) continue;
    const double push = std::fabs(alongY ? c.dy : c.dx);
    const double held = best == nullptr ? 0 : std::fabs(alongY ? best->dy : best->dx);
    if (best == nullptr || (oneWay ? push > held : push < held)) best = &c;
  }
  if (best == nullptr) return false;
  result = alongY ? TilePush{{0, best->dy}, {0, best->ny}} : TilePush{{best->dx, 0}, {best->nx, 0}};
  return true;
}

TilePush ChooseInside(const std::vector<TileCandidate>& candidates) {
  TilePush result;
  // Three or more take the smallest push on each axis, which is already 0 on
  // the axis without direction.
  if (candidates.size() <= 2 && PushAlongOneAxis(candidates, result)) return result;
  if (candidates.size() == 1) {
    const TileCandidate& c = candidates[0];
    if (std::fabs(c.dx) > std::fabs(c.dy)) {
      result = {{0, c.dy}, {0, c.ny}};
    } else if (std::fabs(c.dy) > std::fabs(c.dx)) {
      result = {{c.dx, 0}, {c.nx, 0}};
    } else {
      result = {{c.dx, c.dy}, {c.nx, c.ny}};
    }
    return result;
  }
  double bestX = 1e8, bestY = 1e8;
  if (candidates.size() == 2) {
    double farX = 0, farY = 0;
    for (const TileCandidate& c : candidates) {
      if (std::fabs(c.dx) < std::fabs(bestX)) {
        bestX = c.dx;
        if (std::fabs(bestY) > std::fabs(c.dx)) result.normal = {c.nx, c.ny};
      }
      if (std::fabs(c.dy) < std::fabs(bestY)) {
        bestY = c.dy;
        if (std::fabs(bestX) > std::fabs(c.dy)) result.normal = {c.nx, c.ny};
      }
      if (std::fabs(c.dx) > std::fabs(farX)) farX = c.dx;
      if (std::fabs(c.dy) > std::fabs(farY)) farY = c.dy;
    }
    if (std::fabs(bestX) > std::fabs(bestY)) {
      result.normal.x = 0;
    } else if (std::fabs(bestY) > std::fabs(bestX)) {
      result.normal.y = 0;
    }
    // Two tiles side by side agree on one axis: that axis is the only push.
    // When they agree on both, the smaller push wins, along the normal kept.
    if (bestY == farY && bestX == farX) {
      if (std::fabs(bestX) > std::fabs(bestY)) {
        result.push = {0, bestY};
      } else if (std::fabs(bestY) > std::fabs(bestX)) {
        result.push = {bestX, 0};
      }
    } else {
      result.push = {bestY == farY ? 0 : bestX, bestX == farX ? 0 : bestY};
    }
    return result;
  }
  for (const TileCandidate& c : candidates) {
    if (std::fabs(c.dx) < std::fabs(bestX)) {
      bestX = c.dx;
      if (bestY > bestX) result.normal.x = c.nx;
    }
    if (std::fabs(c.dy) < std::fabs(bestY)) {
      bestY = c.dy;
      if (bestX > bestY) result.normal.y = c.ny;
    }
  }
  if (std::fabs(bestX) > std::fabs(bestY)) {
    result.normal.y = 0;
  } else if (std::fabs(bestY) > std::fabs(bestX)) {
    result.normal.x = 0;
  }
  result.push = {bestX, bestY};
  return result;
}

// Each entered candidate pushes along its one axis, back to the side it came
// from; on each axis the largest push clears all of them.
TilePush ChooseEntered(const std::vector<TileCandidate>& candidates) {
  TilePush result;
  for (const TileCandidate& c : candidates) {
    if (c.nx != 0 && std::fabs(c.dx) >= std::fabs(result.push.x)) {
      result.push.x = c.dx;
      result.normal.x = c.nx;
    }
    if (c.ny != 0 && std::fabs(c.dy) >= std::fabs(result.push.y)) {
      result.push.y = c.dy;
      result.normal.y = c.ny;
    }
  }
  return result;
}

}  // namespace

TilePush ChoosePush(const std::vector<TileCandidate>& candidates) {
  const bool allEntered =
      std::all_of(candidates.begin(), candidates.end(), [](const TileCandidate& c) { return c.entered; });
  return allEntered ? ChooseEntered(candidates) : ChooseInside(candidates);
}

}  // namespace Orv
