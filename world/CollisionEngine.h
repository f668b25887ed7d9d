#pragma once
// Makes objects with a collision component collide: with the solid cells of
// every tile map, and with one another. Each frame has three passes: the pair
// pass before the update (followers, tiles, object pairs, response, contact
// records), the sweep in the update that reports contacts that ended, and the
// late update that ages manifolds and hands collider centres to transforms.
// A frame longer than a step (StepsOf) is several: before the update, each
// step but the last is a pair pass, a sweep, an ageing and the bodies' move,
// and the last is the frame's passes; scripts hear each contact and each
// tile once a frame.
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/ObjectLockPtr.h"
#include "core/System.h"
#include "core/Vec2.h"
#include "world/ManifoldSystem.h"
#include "world/PairPass.h"
#include "world/RigidBodyComponent.h"

namespace Orv {

class Collider;
class CollisionComponent;
class GameObject;
class PhysicEngine;
class ScriptComponent;
class TransformComponent;

// One side of a contact, as the pair pass has already looked it up.
struct ContactParty {
  GameObject* object = nullptr;
  CollisionComponent* collision = nullptr;
  TransformComponent* transform = nullptr;
};

class CollisionEngine : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
  void OnRegistered() override;
  ~CollisionEngine() override;

  void Update(float /*dt*/) override { SweepManifolds(); }
  void Shutdown() override { ClearCollision(); }
  void Pause() override { paused_ = true; }
  // A pause a script asked for outlasts the engine's own resume.
  void Resume() override;
  void PreUpdate(float dt) override { StepWorld(dt); }
  void LateUpdate(float dt) override;
  void OnGameObjectAdded(ObjectLockPtr<GameObject> object) override;

  // True when some third collider crosses the segment between the centres of
  // a's and b's colliders.
  bool LineOfSight(const ObjectLockPtr<GameObject>& a, const ObjectLockPtr<GameObject>& b) const;
  // The first live collision object with that unique id; empty when none.
  ObjectLockPtr<GameObject> FindColliderByUniqueId(std::int32_t uniqueId) const;

  // The engine that moves the bodies between the passes of a long frame;
  // without one, or while it is paused, a frame is one pass.
  void StepBodiesWith(PhysicEngine* bodies) { bodies_ = bodies; }

  // Script functions bound to the engine itself.
  bool CallRaycast(unsigned uniqueIdA, unsigned uniqueIdB);
  void ClearCollision() { manifolds_.ClearManifolds(); }
  void PauseCollisions();
  void ResumeCollisions();

  bool IsPaused() const { return paused_; }
  bool IsPausedByScript() const { return pausedByScript_; }
  const ManifoldSystem& GetManifolds() const { return manifolds_; }

 protected:
  // The pair pass for a step of seconds, one phase after another. No script
  // runs in it.
  virtual void CollideObjectPairs(double seconds);
  // The pass's broad phase, with the narrow phase and answer of each pair it
  // finds, in the order of the all-pairs loop.
  virtual void FindAndAnswerPairs(PairPass& pass) { pass.FindAndAnswerPairs(); }
  // The record for a and its mirror for b, flagged by the manifold's state.
  void RecordContact(const ContactParty& a, const ContactParty& b, const Manifold& manifold);

  std::vector<ObjectLockPtr<GameObject>> collisionObjects_;
  std::vector<ObjectLockPtr<GameObject>> tilemapObjects_;
  ManifoldSystem manifolds_;

 private:
  // The frame's steps, all but the last one's bodies' move.
  void StepWorld(float dt);
  void CollidePairs(double seconds);
  // Phase 1 of the pass: followers placed and tiles collided, object by
  // object; scripts may run (OnTileCollide).
  void CollideFollowersAndTiles(double seconds);
  // Between two steps of a frame: what the update and the late update do to
  // contacts, the records of contacts that ended and the manifolds' ageing.
  void EndStep();
  // One record for to, about the other object, flagged by the state. In a
  // frame's later steps a contact already recorded for to this frame, begun
  // or held, or ended, is not recorded again: its record takes the newer
  // point and place.
  void AddRecord(CollisionComponent& to, std::int32_t state, const Vec2& contact, std::int32_t otherId,
                 std::int32_t otherUniqueId, const TransformComponent* otherTransform,
                 const CollisionComponent& otherCollision);
  // In a frame of several steps: brings the record made earlier in the frame
  // up to date, or notes where the new one goes; whether there was one.
  bool RecordedThisFrame(CollisionComponent& to, std::int32_t state, const Vec2& contact, std::int32_t otherId,
                         std::int32_t otherUniqueId, const TransformComponent* otherTransform);
  void PlaceFollowers(GameObject& parent, const Collider& collider);
  void CollideWithTilemap(const std::shared_ptr<GameObject>& object, double seconds);
  // Whether the object's script is to hear of the map's cell: once a frame.
  bool FirstTellOfCell(const GameObject& object, const GameObject& map, long long x, long long y);
  void SweepManifolds();
  void RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object);
  void RegisterCollisionFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object);
  // Says once that an object's collider spans more cells than one frame visits.
  void ReportTooManyCells(const GameObject& object);

  // Every contact of the pass, in its order, into both objects' lists.
  void RecordPairContacts(const PairPass& pass);

  // Kept between passes for its storage.
  PairPass pass_;
  std::vector<std::int32_t> sweepIds_;
  std::vector<std::shared_ptr<GameObject>> sweepObjects_;
  bool paused_ = false;
  bool pausedByScript_ = false;
  bool cellCapReported_ = false;

  PhysicEngine* bodies_ = nullptr;
  // Within a frame of several steps, what scripts were told already is
  // looked up rather than told again.
  bool severalSteps_ = false;
  struct RecordKey {
    const CollisionComponent* to;
    std::int32_t otherUniqueId;
    std::int32_t otherId;
    bool ended;
    bool operator==(const RecordKey&) const = default;
  };
  struct RecordKeyHash {
    std::size_t operator()(const RecordKey& k) const;
  };
  // Where each contact recorded this frame lies in the receiver's list.
  std::unordered_map<RecordKey, std::size_t, RecordKeyHash> frameRecords_;
  struct CellKey {
    std::uint32_t object;
    const GameObject* map;
    long long x, y;
    bool operator==(const CellKey&) const = default;
  };
  struct CellKeyHash {
    std::size_t operator()(const CellKey& k) const;
  };
  std::unordered_set<CellKey, CellKeyHash> frameCells_;
};

}  // namespace Orv
