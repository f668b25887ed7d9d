// The tile pass: each collider is tested against the solid cells of every
// tile map where its body will be after this step, each overlapping
// cell is told to the object's script, and the collider is pushed so that
// the step ends it outside them.
#include <algorithm>
#include <cmath>

#include "NumberConversion.h"
#include "core/GameObject.h"
#include "core/ObjectFunc.h"
#include "core/Report.h"
#include "resources/Tilemap.h"
#include "script/ScriptComponent.h"
#include "world/CollisionComponent.h"
#include "world/CollisionEngine.h"
#include "world/ContactTolerances.h"
#include "world/RigidBodyComponent.h"
#include "world/SweptShapes.h"
#include "world/TileMapComponent.h"
#include "world/TilePush.h"

namespace Orv {

namespace {

// Cells one collider may visit in one map per frame: a collider larger than
// this many cells is a content error, not a reason to stall the frame.
constexpr long long kMaxCellsPerMap = 1LL << 16;

// The cell index of a coordinate, or false when it lies beyond any map.
bool CellIndex(double coordinate, int half, int size, long long& cell) {
  const double index = std::floor((coordinate + half) / size);
  if (!std::isfinite(index) || std::fabs(index) > 2147483647.0) return false;
  cell = static_cast<long long>(index);
  return true;
}

// A cell's box, in single precision as the map's cells are placed: its
// centre, and its edges on the negative and positive side of each axis.
struct TileBox {
  float tx, ty, left, right, bottom, top;
  // From one cell's centre to the next.
  double width, height;
};

// The pushes that take the box min..max out of the tile to the given side,
// leaving kLeftOverlap of it.
double PushX(const TileBox& t, double side, const Vec2& min, const Vec2& max) {
  return side > 0 ? t.right - min.x - kLeftOverlap : t.left - max.x + kLeftOverlap;
}
double PushY(const TileBox& t, double side, const Vec2& min, const Vec2& max) {
  return side > 0 ? t.top - min.y - kLeftOverlap : t.bottom - max.y + kLeftOverlap;
}

// The candidate of a collider inside the cell: on each axis towards the side
// of the tile's centre line its centre lies on, none on the line itself.
TileCandidate FromCentre(const TileBox& t, const Vec2& centre, const Vec2& min, const Vec2& max) {
  TileCandidate c{0, 0, 0, 0};
  if (centre.x > t.tx) {
    c.nx = 1;
  } else if (t.tx > centre.x) {
    c.nx = -1;
  }
  if (centre.y > t.ty) {
    c.ny = 1;
  } else if (t.ty > centre.y) {
    c.ny = -1;
  }
  if (c.nx != 0) c.dx = PushX(t, c.nx, min, max);
  if (c.ny != 0) c.dy = PushY(t, c.ny, min, max);
  return c;
}

// Where the collider was before this step's motion, and the motion.
struct Motion {
  Vec2 fromMin, fromMax;
  Vec2 step;
};

// How deep the spans lo..hi and from..to overlap; negative for a gap.
double Overlap(double lo, double hi, double from, double to) { return std::min(hi, to) - std::max(lo, from); }

// How far the span lo..hi reaches into from..to through its nearer end: 0 for
// spans that only touch, negative for a gap; a span without length inside
// is as deep as its way out.
double Penetration(double lo, double hi, double from, double to) { return std::min(hi - from, to - lo); }

// The candidate of a cell that the collider, at min..max after the step,
// overlaps. A collider that came in from outside during the step goes back
// across the face it crossed, whatever its speed, up to one cell a step: the
// centre's side would send one that reached past the cell's middle out the far
// side. It cannot have crossed a face into a solid neighbour it already
// overlapped along that axis, as a body walking along a floor or sliding down a
// wall does; a cell the collider was already inside, or reached only that
// way, gets the centre's rules. A collider that was outside the cell along both
// axes with solid neighbours across both faces stands in the corner they make
// with it (on a floor against a wall): it goes back across both faces, as the
// neighbours push it, and nowhere else.
template <typename SolidAt>
TileCandidate CellCandidate(const TileBox& t, long long x, long long y, const Vec2& centre, const Vec2& min,
                            const Vec2& max, const Motion& m, SolidAt solidAt) {
  const TileCandidate inside = FromCentre(t, centre, min, max);
  const double overlapX = Overlap(m.fromMin.x, m.fromMax.x, t.left, t.right);
  const double overlapY = Overlap(m.fromMin.y, m.fromMax.y, t.bottom, t.top);
  const bool outsideX = overlapX <= kRestingWallOverlap, outsideY = overlapY <= kRestingWallOverlap;
  if (!outsideX && !outsideY) return inside;
  const double sideX = m.fromMax.x - t.left <= t.right - m.fromMin.x ? -1 : 1;
  const double sideY = m.fromMax.y - t.bottom <= t.top - m.fromMin.y ? -1 : 1;
  const double shiftX = sideX * t.width, shiftY = sideY * t.height;
  bool acrossX =
      outsideX && (!solidAt(x + static_cast<long long>(sideX), y) ||
                   Overlap(m.fromMin.x, m.fromMax.x, t.left + shiftX, t.right + shiftX) <= kRestingWallOverlap);
  bool acrossY =
      outsideY && (!solidAt(x, y + static_cast<long long>(sideY)) ||
                   Overlap(m.fromMin.y, m.fromMax.y, t.bottom + shiftY, t.top + shiftY) <= kRestingWallOverlap);
  if (acrossX && acrossY) {
    // Over a corner: across the face it reached last, as a shape's path
    // enters another; a tie goes to y.
    if (EnteredAcrossX({-overlapX, -overlapY}, m.step)) {
      acrossY = false;
    } else {
      acrossX = false;
    }
  }
  if (!acrossX && !acrossY) {
    if (!outsideX || !outsideY) return inside;
    acrossX = acrossY = true;
  }
  TileCandidate entered{0, 0, 0, 0, true};
  if (acrossX) {
    entered.nx = sideX;
    entered.dx = PushX(t, sideX, min, max);
  }
  if (acrossY) {
    entered.ny = sideY;
    entered.dy = PushY(t, sideY, min, max);
  }
  return entered;
}

// The candidates of one map's solid cells that the collider overlaps, each
// told to the object's script as it is found, when tells says it is the
// first time this frame. False when the collider covers too many cells to
// visit.
template <typename Tells>
bool CollideWithMap(GameObject& object, CollisionComponent& collision, const std::shared_ptr<GameObject>& mapObject,
                    const Motion& motion, std::vector<TileCandidate>& candidates, Tells tells) {
  auto tiles = mapObject->LockComponent<TileMapComponent>();
  if (!tiles || !tiles->GetTilemap() || collision.GetCollider() == nullptr) return true;
  const int width = std::max(tiles->tileWidth, 1);
  const int height = std::max(tiles->tileHeight, 1);
  const int hw = width / 2, hh = height / 2;
  const Collider* collider = collision.GetCollider();
  const Vec2 min = collider->GetMin(), max = collider->GetMax(), centre = collider->GetPosition();
  long long x0, y0, x1, y1;
  if (!CellIndex(min.x, hw, width, x0) || !CellIndex(min.y, hh, height, y0) || !CellIndex(max.x, hw, width, x1) ||
      !CellIndex(max.y, hh, height, y1)) {
    return true;
  }
  if (x1 >= x0 && y1 >= y0 && (x1 - x0 + 1) * (y1 - y0 + 1) > kMaxCellsPerMap) return false;
  std::shared_ptr<Tilemap> map = tiles->GetTilemap();
  // Cells left of and above the map are outside it, as are those beyond its
  // size: all of them solid.
  const auto solidAt = [&map](long long x, long long y) {
    const bool inside = x >= 0 && y >= 0 && x < map->GetWidth() && y < map->GetHeight();
    return !inside || map->GetCell(1, static_cast<unsigned>(x), static_cast<unsigned>(y)) != 0;
  };
  for (long long x = x0; x <= x1; ++x) {
    for (long long y = y0; y <= y1; ++y) {
      if (!solidAt(x, y)) continue;
      TileBox tile;
      tile.width = width, tile.height = height;
      tile.tx = static_cast<float>(static_cast<double>(width) * static_cast<double>(x));
      tile.ty = static_cast<float>(static_cast<double>(height) * static_cast<double>(y));
      tile.left = tile.tx - static_cast<float>(hw), tile.right = tile.tx + static_cast<float>(hw);
      tile.bottom = tile.ty - static_cast<float>(hh), tile.top = tile.ty + static_cast<float>(hh);
      const Vec2 nowMin = collision.GetCollider()->GetMin(), nowMax = collision.GetCollider()->GetMax();
      const double depthX = Penetration(nowMin.x, nowMax.x, tile.left, tile.right);
      const double depthY = Penetration(nowMin.y, nowMax.y, tile.bottom, tile.top);
      // Touching is not overlapping: a collider along a cell's edge is beside it.
      if (!(depthX > 0 && depthY > 0)) continue;
      // Resting against it along an axis, no deeper than a push leaves a body
      // and no deeper than when the step began: it is told of the cell, which
      // holds it where it is and needs no push. A circle falling past a
      // wall's top beside it must not land on its corner. One that arrives
      // this step is met, however shallow, so that it stops or bounces.
      const auto resting = [](double depth, double lo, double hi, double from, double to) {
        return depth <= kRestingWallOverlap && depth <= Penetration(lo, hi, from, to);
      };
      if (!resting(depthX, motion.fromMin.x, motion.fromMax.x, tile.left, tile.right) &&
          !resting(depthY, motion.fromMin.y, motion.fromMax.y, tile.bottom, tile.top)) {
        candidates.push_back(CellCandidate(tile, x, y, centre, nowMin, nowMax, motion, solidAt));
      }
      auto script = object.LockComponent<ScriptComponent>();
      if (!script || !tells(x, y)) continue;
      OrvLua::LuaObject cell = script->NewTable();
      cell.SetInteger("x", OrvLua::SaturateTo<int>(static_cast<double>(x)));
      cell.SetInteger("y", OrvLua::SaturateTo<int>(static_cast<double>(y)));
      script->CallGlobalFunction("OnTileCollide", cell);
      // The script may have replaced the map or ended its owner.
      map = tiles->GetTilemap();
      if (!map || !Lives(mapObject) || collision.GetCollider() == nullptr) return true;
    }
  }
  return true;
}

}  // namespace

void CollisionEngine::CollideWithTilemap(const std::shared_ptr<GameObject>& object, double seconds) {
  // Without a map the look-ahead's move and its return are work for nothing.
  if (tilemapObjects_.empty()) return;
  auto collision = object->LockComponent<CollisionComponent>();
  if (!collision || collision->GetCollider() == nullptr) return;
  Collider& collider = *collision->GetCollider();
  // The look-ahead tests the tiles where the body will be after the physics
  // step, so it looks as far ahead as that step goes; exactly this offset is
  // taken back afterwards, whatever a script did meanwhile.
  Motion motion{collider.GetMin(), collider.GetMax(), {}};
  if (auto rigid = object->LockComponent<RigidBodyComponent>()) {
    const Vec2 step = rigid->body.velocity * seconds;
    const Vec2 ahead = collider.GetPosition() + step;
    if (step.IsFinite() && ahead.IsFinite()) {
      motion.step = step;
      collider.SetPosition(ahead);
      collider.UpdateBounds();
    }
  }
  std::vector<TileCandidate> candidates;
  for (std::size_t t = 0; t < tilemapObjects_.size(); ++t) {
    auto mapObject = tilemapObjects_[t].Lock();
    const auto tells = [&](long long x, long long y) { return FirstTellOfCell(*object, *mapObject, x, y); };
    if (Lives(mapObject) && !CollideWithMap(*object, *collision, mapObject, motion, candidates, tells)) {
      ReportTooManyCells(*object);
    }
  }
  if (motion.step != Vec2{}) {
    collision->GetCollider()->SetPosition(collision->GetCollider()->GetPosition() - motion.step);
    collision->GetCollider()->UpdateBounds();
  }
  if (candidates.empty() || collision->avoidTileTrigger) return;
  const TilePush chosen = ChoosePush(candidates);
  auto rigid = object->LockComponent<RigidBodyComponent>();
  // A body that does not bounce off tiles stops against them: one resting on
  // tiles under a script's gravity would otherwise gather speed into them
  // until one frame's step carried it through. The part of this step that
  // its velocity (as the tiles' scripts left it) will no longer take is
  // taken here, so it ends where the step would have ended it. Tile faces
  // lie along the axes: out of a corner, the motion into each face stops on
  // its own axis; stopped along the diagonal between them, part of a fall
  // into the floor would turn into a rise.
  const bool stops = rigid && !rigid->body.resolveTileMap;
  const Vec2 step = stops ? rigid->body.velocity * seconds : Vec2{};
  const bool stopsX = stops && step.x * chosen.normal.x < 0;
  const bool stopsY = stops && step.y * chosen.normal.y < 0;
  Vec2 pushed = collision->GetCollider()->GetPosition() + chosen.push;
  if (stopsX) pushed.x += step.x;
  if (stopsY) pushed.y += step.y;
  if (!collision->AcceptFinite("position", pushed.x) || !collision->AcceptFinite("position", pushed.y)) return;
  collision->GetCollider()->SetPosition(pushed);
  collision->GetCollider()->UpdateBounds();
  if (stopsX || stopsY) {
    if (stopsX) rigid->body.StopTowards({-chosen.normal.x, 0});
    if (stopsY) rigid->body.StopTowards({0, -chosen.normal.y});
    rigid->ReportRefusal();
  } else if (rigid && rigid->body.resolveTileMap) {
    rigid->Reflect(chosen.normal.x, chosen.normal.y);
  }
}

void CollisionEngine::ReportTooManyCells(const GameObject& object) {
  if (cellCapReported_) return;
  cellCapReported_ = true;
  PrintErrorLine("Collision of object " + std::to_string(object.GetID()) + " (unique id " +
                 std::to_string(object.GetUniqueId()) + "): its collider covers more than " +
                 std::to_string(kMaxCellsPerMap) + " tiles of a map; it is not tested against that map");
}

}  // namespace Orv
