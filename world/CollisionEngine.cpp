#include "world/CollisionEngine.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "NumberConversion.h"
#include "core/GameObject.h"
#include "core/Report.h"
#include "core/TransformComponent.h"
#include "resources/Tilemap.h"
#include "script/ScriptComponent.h"
#include "world/CollisionComponent.h"
#include "world/RigidBodyComponent.h"
#include "world/TileMapComponent.h"

namespace Orv {

namespace {

// Cells one collider may visit in one map per frame: a collider larger than
// this many cells is a content error, not a reason to stall the frame.
constexpr long long kMaxCellsPerMap = 1LL << 16;

// Transforms hold floats: a position beyond their range stands at its edge.
float ToFloat(double value) {
  if (std::isnan(value)) return 0.0f;
  return static_cast<float>(std::clamp(value, -double{FLT_MAX}, double{FLT_MAX}));
}

bool Lives(const std::shared_ptr<GameObject>& object) { return object && object->IsAlive(); }

// The collider of a live object, or null; not to be kept across a script.
Collider* ColliderOf(const GameObject& object) {
  auto* collision = object.FindComponent<CollisionComponent>();
  return collision != nullptr ? collision->GetCollider() : nullptr;
}

struct TileCandidate {
  double dx, dy, nx, ny;
};

struct TilePush {
  Vec2 push;
  Vec2 normal;
};

// A centre on the tiles' centre line gives them no direction on that axis:
// the push is then along the other alone, the smallest that axis offers;
// the rules below would push by 0 there and let a body sink through.
bool PushAlongOneAxis(const std::vector<TileCandidate>& candidates, TilePush& result) {
  const bool noX = std::all_of(candidates.begin(), candidates.end(), [](const TileCandidate& c) { return c.nx == 0; });
  const bool noY = std::all_of(candidates.begin(), candidates.end(), [](const TileCandidate& c) { return c.ny == 0; });
  if (noX == noY) return false;
  const TileCandidate* best = nullptr;
  for (const TileCandidate& c : candidates) {
    const double push = noX ? c.dy : c.dx;
    if ((noX ? c.ny : c.nx) == 0) continue;
    if (best == nullptr || std::fabs(push) < std::fabs(noX ? best->dy : best->dx)) best = &c;
  }
  if (best == nullptr) return false;
  result = noX ? TilePush{{0, best->dy}, {0, best->ny}} : TilePush{{best->dx, 0}, {best->nx, 0}};
  return true;
}

TilePush ChoosePush(const std::vector<TileCandidate>& candidates) {
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

// The cell index of a coordinate, or false when it lies beyond any map.
bool CellIndex(double coordinate, int half, int size, long long& cell) {
  const double index = std::floor((coordinate + half) / size);
  if (!std::isfinite(index) || std::fabs(index) > 2147483647.0) return false;
  cell = static_cast<long long>(index);
  return true;
}

// The pass asks after every move: the common shapes answer inline.
GridBox BoundsOf(const Collider& collider) {
  Vec2 min, max;
  if (collider.GetType() == Collider::TypeCircle2D) {
    const auto& circle = static_cast<const Circle2D&>(collider);
    min = circle.Circle2D::GetMin(), max = circle.Circle2D::GetMax();
  } else if (collider.GetType() == Collider::TypeAABB) {
    const auto& box = static_cast<const AABB&>(collider);
    min = box.AABB::GetMin(), max = box.AABB::GetMax();
  } else {
    min = collider.GetMin(), max = collider.GetMax();
  }
  return {min.x, min.y, max.x, max.y};
}

}  // namespace

CollisionEngine::~CollisionEngine() { manifolds_.ClearManifolds(); }

void CollisionEngine::Resume() {
  if (!pausedByScript_) paused_ = false;
}

void CollisionEngine::PauseCollisions() {
  pausedByScript_ = true;
  Pause();
}

void CollisionEngine::ResumeCollisions() {
  pausedByScript_ = false;
  Resume();
}

void CollisionEngine::OnGameObjectAdded(ObjectLockPtr<GameObject> handle) {
  auto object = handle.Lock();
  if (!Lives(object)) return;
  const bool collides = static_cast<bool>(object->LockComponent<CollisionComponent>());
  if (collides) collisionObjects_.push_back(handle);
  if (object->LockComponent<TileMapComponent>()) tilemapObjects_.push_back(handle);
}

void CollisionEngine::CollidePairs(float dt) {
  if (paused_) return;
  // Phase 1 may run scripts (OnTileCollide): objects are addressed by
  // position and the list's size is read again at every step.
  // A script that pauses collisions there ends the pass at once.
  for (std::size_t i = 0; i < collisionObjects_.size() && !paused_; ++i) {
    auto object = collisionObjects_[i].Lock();
    if (!Lives(object)) continue;
    Collider* collider = ColliderOf(*object);
    if (collider == nullptr) continue;
    // Corners are stale after any change of position or extent, the shape's
    // first data included: both passes below read them.
    collider->UpdateBounds();
    PlaceFollowers(*object, *collider);
    CollideWithTilemap(object, dt);
  }
  if (!paused_) CollideObjectPairs(dt);
}

void CollisionEngine::PlaceFollowers(GameObject& parent, const Collider& collider) {
  const Vec2 centre = collider.GetPosition();
  for (const ObjectLockPtr<GameObject>& handle : parent.GetChildren()) {
    auto child = handle.Lock();
    if (!Lives(child)) continue;
    auto transform = child->LockComponent<TransformComponent>();
    if (!transform || !transform->followParent) continue;
    if (Collider* childCollider = ColliderOf(*child)) {
      childCollider->SetPosition(centre);
      childCollider->UpdateBounds();
    }
  }
}

void CollisionEngine::CollideObjectPairs(float dt) {
  std::vector<PairObject>& objects = pairObjects_;
  std::vector<GridBox>& boxes = pairBoxes_;
  std::vector<PairLayer>& layers = pairLayers_;
  std::vector<std::uint8_t>& bodies = pairBodies_;
  objects.clear();
  boxes.clear();
  layers.clear();
  bodies.clear();
  for (const ObjectLockPtr<GameObject>& handle : collisionObjects_) {
    PairObject held;
    held.object = handle.Lock();
    if (!Lives(held.object)) continue;
    // Held objects keep their components, and no script runs in the pass.
    auto* collision = held.object->FindComponent<CollisionComponent>();
    if (collision == nullptr || collision->GetCollider() == nullptr || collision->empty) continue;
    held.collision = collision;
    held.collider = collision->GetCollider();
    held.rigid = held.object->FindComponent<RigidBodyComponent>();
    held.transform = held.object->FindComponent<TransformComponent>();
    held.id = static_cast<std::int32_t>(held.object->GetID());
    held.uniqueId = static_cast<std::int32_t>(held.object->GetUniqueId());
    held.collisionId = collision->collisionId;
    held.avoidsSome = !collision->avoidIds.empty();
    held.trigger = collision->avoidTrigger;
    boxes.push_back(BoundsOf(*held.collider));
    layers.push_back({held.collider->GetZ()});
    bodies.push_back(held.rigid != nullptr ? 1 : 0);
    objects.push_back(std::move(held));
  }
  // Frames shorter than a sixtieth are answered as if they were one.
  const float step = static_cast<float>(StepTime(dt));
  const std::size_t count = boxes.size();
  grid_.Build(boxes, bodies);
  // The pairs of the all-pairs loop, in its order: for each i, the j above
  // it that share a cell, one of the two with a body, ascending. Only the
  // pair's own colliders move, so the list stays complete unless i leaves
  // its cells; then it is asked again.
  std::vector<std::uint32_t>& candidates = candidates_;
  manifolds_.BeginPass();
  for (std::size_t i = 0; i < count; ++i) {
    grid_.Candidates(i, i, candidates);
    for (std::size_t k = 0; k < candidates.size(); ++k) {
      const std::size_t j = candidates[k];
      const GridBox& a = boxes[i];
      const GridBox& b = boxes[j];
      if (b.minX > a.maxX || a.minX > b.maxX || b.minY > a.maxY || a.minY > b.maxY) continue;
      if (!(layers[i].z == layers[j].z)) continue;
      PairObject& objectA = objects[i];
      PairObject& objectB = objects[j];
      if (objectA.collider == objectB.collider) continue;
      CollisionComponent& collisionA = *objectA.collision;
      CollisionComponent& collisionB = *objectB.collision;
      if ((objectA.avoidsSome && collisionA.AvoidsId(objectB.collisionId)) ||
          (objectB.avoidsSome && collisionB.AvoidsId(objectA.collisionId))) {
        continue;
      }
      Manifold working(&collisionA, objectA.uniqueId, &collisionB, objectB.uniqueId);
      if (!objectA.collider->Collide(*objectB.collider, working)) continue;
      if (!manifolds_.RefreshManifold(working)) manifolds_.AddManifold(working);
      if (objectA.trigger || objectB.trigger) {
        RecordPairContact(objectA, objectB, working);
        continue;
      }
      RigidBodyComponent* rigidA = objectA.rigid;
      RigidBodyComponent* rigidB = objectB.rigid;
      // Only the pair's own colliders can move, and only those answered.
      bool movedA = true, movedB = true;
      if (rigidA == nullptr) {
        working.PushOutB();
        movedA = false;
      } else if (rigidB == nullptr) {
        working.PushOutA();
        movedB = false;
      } else if (rigidA->body.objectReflect && rigidB->body.objectReflect) {
        movedA = movedB = false;
      } else {
        RigidBody& bodyA = rigidA->body;
        RigidBody& bodyB = rigidB->body;
        if (bodyA.objectReflect != bodyB.objectReflect) working.ReflectVelocities(bodyA, bodyB);
        working.ResolveManifold(bodyA, bodyB, step);
        working.CorrectPositions(bodyA, bodyB);
        bodyA.SetInertia(bodyA.velocity.Length() * bodyA.mass * step);
        bodyB.SetInertia(bodyB.velocity.Length() * bodyB.mass * step);
        if (bodyA.FirstRefusal() != nullptr) rigidA->ReportRefusal();
        if (bodyB.FirstRefusal() != nullptr) rigidB->ReportRefusal();
      }
      if (movedB) {
        boxes[j] = BoundsOf(*objectB.collider);
        grid_.Move(j, boxes[j]);
      }
      if (movedA) {
        boxes[i] = BoundsOf(*objectA.collider);
        if (grid_.Move(i, boxes[i])) {
          grid_.Candidates(i, j, candidates);
          k = static_cast<std::size_t>(-1);
        }
      }
      RecordPairContact(objectA, objectB, working);
    }
  }
  manifolds_.EndPass();
  // The pass holds no object past its end.
  objects.clear();
}

void CollisionEngine::AddRecord(CollisionComponent& to, const Manifold& manifold, std::int32_t otherId,
                                std::int32_t otherUniqueId, const TransformComponent* otherTransform,
                                const CollisionComponent& otherCollision) {
  ContactRecord& record = to.AddContact();
  record.collisionStart = manifold.state == ManifoldNew;
  record.collisionStay = manifold.state == ManifoldRefreshed;
  record.collisionEnd = manifold.state == ManifoldStale;
  record.contactX = manifold.contacts[0].x;
  record.contactY = manifold.contacts[0].y;
  record.contactID = otherId;
  record.contactUID = otherUniqueId;
  if (otherTransform != nullptr) {
    record.worldX = otherTransform->worldX;
    record.worldY = otherTransform->worldY;
  }
  // Most objects carry no contact info: an empty map is not copied.
  const auto& info = otherCollision.GetContactInfo();
  if (!info.empty()) record.contactInfo = to.KeepContactInfo(info);
}

void CollisionEngine::RecordContact(const ContactParty& a, const ContactParty& b, const Manifold& manifold) {
  if (a.collision == nullptr || b.collision == nullptr || a.object == nullptr || b.object == nullptr) return;
  // A's record is complete before B's is made, as both lists may be one.
  AddRecord(*a.collision, manifold, static_cast<std::int32_t>(b.object->GetID()),
            static_cast<std::int32_t>(b.object->GetUniqueId()), b.transform, *b.collision);
  AddRecord(*b.collision, manifold, static_cast<std::int32_t>(a.object->GetID()),
            static_cast<std::int32_t>(a.object->GetUniqueId()), a.transform, *a.collision);
}

void CollisionEngine::RecordPairContact(const PairObject& a, const PairObject& b, const Manifold& manifold) {
  AddRecord(*a.collision, manifold, b.id, b.uniqueId, b.transform, *b.collision);
  AddRecord(*b.collision, manifold, a.id, a.uniqueId, a.transform, *a.collision);
}

void CollisionEngine::CollideWithTilemap(const std::shared_ptr<GameObject>& object, float dt) {
  auto collision = object->LockComponent<CollisionComponent>();
  if (!collision || collision->GetCollider() == nullptr) return;
  // The look-ahead tests the tiles where the body is about to be; exactly
  // this offset is taken back afterwards, whatever a script did meanwhile.
  Vec2 lookAhead;
  bool lookedAhead = false;
  if (auto rigid = object->LockComponent<RigidBodyComponent>()) {
    lookAhead = rigid->body.velocity * static_cast<double>(dt);
    const Vec2 ahead = collision->GetCollider()->GetPosition() + lookAhead;
    if (lookAhead.IsFinite() && ahead.IsFinite()) {
      collision->GetCollider()->SetPosition(ahead);
      collision->GetCollider()->UpdateBounds();
      lookedAhead = true;
    }
  }
  std::vector<TileCandidate> candidates;
  for (std::size_t t = 0; t < tilemapObjects_.size(); ++t) {
    auto mapObject = tilemapObjects_[t].Lock();
    if (!Lives(mapObject)) continue;
    auto tiles = mapObject->LockComponent<TileMapComponent>();
    if (!tiles || !tiles->GetTilemap()) continue;
    const int width = std::max(tiles->tileWidth, 1);
    const int height = std::max(tiles->tileHeight, 1);
    const int hw = width / 2, hh = height / 2;
    const Collider* collider = collision->GetCollider();
    const Vec2 min = collider->GetMin(), max = collider->GetMax(), centre = collider->GetPosition();
    long long x0, y0, x1, y1;
    if (!CellIndex(min.x, hw, width, x0) || !CellIndex(min.y, hh, height, y0) || !CellIndex(max.x, hw, width, x1) ||
        !CellIndex(max.y, hh, height, y1)) {
      continue;
    }
    if (x1 >= x0 && y1 >= y0 && (x1 - x0 + 1) * (y1 - y0 + 1) > kMaxCellsPerMap) {
      ReportTooManyCells(*object);
      continue;
    }
    std::shared_ptr<Tilemap> map = tiles->GetTilemap();
    bool mapGone = false;
    for (long long x = x0; x <= x1 && !mapGone; ++x) {
      for (long long y = y0; y <= y1 && !mapGone; ++y) {
        // Cells left of and above the map are outside it, as are those
        // beyond its size: all of them solid.
        const bool inside = x >= 0 && y >= 0 && x < map->GetWidth() && y < map->GetHeight();
        const signed char value =
            inside ? map->GetCell(1, static_cast<unsigned>(x), static_cast<unsigned>(y)) : static_cast<signed char>(-1);
        if (value == 0) continue;
        const float tx = static_cast<float>(static_cast<double>(width) * static_cast<double>(x));
        const float ty = static_cast<float>(static_cast<double>(height) * static_cast<double>(y));
        const float left = tx - static_cast<float>(hw), right = tx + static_cast<float>(hw);
        const float bottom = ty - static_cast<float>(hh), top = ty + static_cast<float>(hh);
        const Vec2 nowMin = collision->GetCollider()->GetMin(), nowMax = collision->GetCollider()->GetMax();
        if (nowMin.x > right || left > nowMax.x || nowMin.y > top || bottom > nowMax.y) continue;
        TileCandidate candidate{0, 0, 0, 0};
        if (centre.x > tx) {
          candidate.nx = 1;
          candidate.dx = right - nowMin.x - 0.01;
        } else if (tx > centre.x) {
          candidate.nx = -1;
          candidate.dx = left - nowMax.x + 0.01;
        }
        if (centre.y > ty) {
          candidate.ny = 1;
          candidate.dy = top - nowMin.y - 0.01;
        } else if (ty > centre.y) {
          candidate.ny = -1;
          candidate.dy = bottom - nowMax.y + 0.01;
        }
        candidates.push_back(candidate);
        auto script = object->LockComponent<ScriptComponent>();
        if (!script) continue;
        OrvLua::LuaObject cell = script->NewTable();
        cell.SetInteger("x", OrvLua::SaturateTo<int>(static_cast<double>(x)));
        cell.SetInteger("y", OrvLua::SaturateTo<int>(static_cast<double>(y)));
        script->CallGlobalFunction("OnTileCollide", cell);
        // The script may have replaced the map or ended its owner.
        map = tiles->GetTilemap();
        mapGone = !map || !mapObject->IsAlive();
      }
    }
  }
  if (lookedAhead) {
    collision->GetCollider()->SetPosition(collision->GetCollider()->GetPosition() - lookAhead);
    collision->GetCollider()->UpdateBounds();
  }
  if (candidates.empty() || collision->avoidTileTrigger) return;
  const TilePush chosen = ChoosePush(candidates);
  const Vec2 pushed = collision->GetCollider()->GetPosition() + chosen.push;
  if (!collision->AcceptFinite("position", pushed.x) || !collision->AcceptFinite("position", pushed.y)) return;
  collision->GetCollider()->SetPosition(pushed);
  collision->GetCollider()->UpdateBounds();
  auto rigid = object->LockComponent<RigidBodyComponent>();
  if (rigid && rigid->body.resolveTileMap) rigid->Reflect(chosen.normal.x, chosen.normal.y);
}

void CollisionEngine::ReportTooManyCells(const GameObject& object) {
  if (cellCapReported_) return;
  cellCapReported_ = true;
  PrintErrorLine("Collision of object " + std::to_string(object.GetID()) + " (unique id " +
                 std::to_string(object.GetUniqueId()) + "): its collider covers more than " +
                 std::to_string(kMaxCellsPerMap) + " tiles of a map; it is not tested against that map");
}

void CollisionEngine::SweepManifolds() {
  if (paused_) return;
  // Only the unique ids that stale manifolds name are looked up, each to its
  // first live collision object; the lists are kept for their storage.
  std::vector<std::int32_t>& ids = sweepIds_;
  ids.clear();
  for (std::size_t i = 0; i < manifolds_.Count(); ++i) {
    const Manifold& stored = manifolds_.At(i);
    if (stored.state != ManifoldStale) continue;
    ids.push_back(stored.uniqueIdA);
    ids.push_back(stored.uniqueIdB);
  }
  if (ids.empty()) return;
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  std::vector<std::shared_ptr<GameObject>>& found = sweepObjects_;
  found.assign(ids.size(), nullptr);
  const auto place = [&ids](std::int32_t id) {
    const auto at = std::lower_bound(ids.begin(), ids.end(), id);
    return at != ids.end() && *at == id ? static_cast<std::size_t>(at - ids.begin()) : ids.size();
  };
  for (const ObjectLockPtr<GameObject>& handle : collisionObjects_) {
    auto object = handle.Lock();
    if (!Lives(object)) continue;
    const std::size_t k = place(static_cast<std::int32_t>(object->GetUniqueId()));
    if (k < ids.size() && !found[k]) found[k] = std::move(object);
  }
  const auto party = [](const std::shared_ptr<GameObject>& object) {
    return ContactParty{object.get(), object->LockComponent<CollisionComponent>().get(),
                        object->LockComponent<TransformComponent>().get()};
  };
  for (std::size_t i = 0; i < manifolds_.Count(); ++i) {
    const Manifold& stored = manifolds_.At(i);
    if (stored.state != ManifoldStale) continue;
    const std::shared_ptr<GameObject>& a = found[place(stored.uniqueIdA)];
    const std::shared_ptr<GameObject>& b = found[place(stored.uniqueIdB)];
    if (!a || !b) continue;
    RecordContact(party(a), party(b), stored);
  }
  // The sweep holds no object past its end.
  found.clear();
}

void CollisionEngine::LateUpdate(float) {
  if (paused_) return;
  manifolds_.AgeManifolds();
  std::size_t kept = 0;
  for (std::size_t i = 0; i < collisionObjects_.size(); ++i) {
    auto object = collisionObjects_[i].Lock();
    if (!Lives(object)) continue;
    collisionObjects_[kept++] = collisionObjects_[i];
    auto* collision = object->FindComponent<CollisionComponent>();
    if (collision == nullptr) continue;
    collision->ClearFrameManifolds();
    // Nobody reads the contacts of an object without a script.
    if (object->FindComponent<ScriptComponent>() == nullptr) collision->ClearContacts();
    Collider* collider = collision->GetCollider();
    if (collider == nullptr) continue;
    collider->UpdateBounds();
    if (auto* transform = object->FindComponent<TransformComponent>()) {
      transform->worldX = ToFloat(collider->GetPosition().x);
      transform->worldY = ToFloat(collider->GetPosition().y);
    }
  }
  collisionObjects_.resize(kept);
  tilemapObjects_.erase(std::remove_if(tilemapObjects_.begin(), tilemapObjects_.end(),
                                       [](const ObjectLockPtr<GameObject>& handle) { return !Lives(handle.Lock()); }),
                        tilemapObjects_.end());
}

ObjectLockPtr<GameObject> CollisionEngine::FindColliderByUniqueId(std::int32_t uniqueId) const {
  for (const ObjectLockPtr<GameObject>& handle : collisionObjects_) {
    auto object = handle.Lock();
    if (Lives(object) && static_cast<std::int32_t>(object->GetUniqueId()) == uniqueId) return handle;
  }
  return {};
}

bool CollisionEngine::LineOfSight(const ObjectLockPtr<GameObject>& a, const ObjectLockPtr<GameObject>& b) const {
  auto collisionA = GetHandleComponent<CollisionComponent>(a).Lock();
  auto collisionB = GetHandleComponent<CollisionComponent>(b).Lock();
  if (!collisionA || !collisionB) return false;
  const Collider* colliderA = collisionA->GetCollider();
  const Collider* colliderB = collisionB->GetCollider();
  if (colliderA == nullptr || colliderB == nullptr) return false;
  const Vec2 start = colliderA->GetPosition();
  const Vec2 d = colliderB->GetPosition() - start;
  const Vec2 middle = start + d * 0.5;
  for (const ObjectLockPtr<GameObject>& handle : collisionObjects_) {
    auto object = handle.Lock();
    if (!Lives(object)) continue;
    auto collision = object->LockComponent<CollisionComponent>();
    if (!collision || collision->GetCollider() == nullptr) continue;
    const Collider* collider = collision->GetCollider();
    if (collider == colliderA || collider == colliderB) continue;
    if (collision->OverlapsBox(ToFloat(middle.x), ToFloat(middle.y), ToFloat(std::fabs(d.x)),
                               ToFloat(std::fabs(d.y))) &&
        collider->IntersectsSegment(d, start)) {
      return true;
    }
  }
  return false;
}

}  // namespace Orv
