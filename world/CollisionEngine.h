#pragma once
// Makes objects with a collision component collide: with the solid cells of
// every tile map, and with one another. Each frame has three passes: the pair
// pass before the update (followers, tiles, object pairs, response, contact
// records), the sweep in the update that reports contacts that ended, and the
// late update that ages manifolds and hands collider centres to transforms.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "LuaObject.h"
#include "core/ObjectLockPtr.h"
#include "core/System.h"
#include "core/Vec2.h"
#include "world/BroadPhaseGrid.h"
#include "world/ManifoldSystem.h"

namespace Orv {

class Collider;
class CollisionComponent;
class GameObject;
class RigidBodyComponent;
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

  void Update(float dt) override { SweepManifolds(); }
  void Shutdown() override { ClearCollision(); }
  void Pause() override { paused_ = true; }
  // A pause a script asked for outlasts the engine's own resume.
  void Resume() override;
  void PreUpdate(float dt) override { CollidePairs(dt); }
  void LateUpdate(float dt) override;
  void OnGameObjectAdded(ObjectLockPtr<GameObject> object) override;

  // True when some third collider crosses the segment between the centres of
  // a's and b's colliders.
  bool LineOfSight(const ObjectLockPtr<GameObject>& a, const ObjectLockPtr<GameObject>& b) const;
  // The first live collision object with that unique id; empty when none.
  ObjectLockPtr<GameObject> FindColliderByUniqueId(std::int32_t uniqueId) const;

  // Script functions bound to the engine itself.
  bool CallRaycast(unsigned uniqueIdA, unsigned uniqueIdB);
  void ClearCollision() { manifolds_.ClearManifolds(); }
  void PauseCollisions();
  void ResumeCollisions();

  bool IsPaused() const { return paused_; }
  bool IsPausedByScript() const { return pausedByScript_; }
  const ManifoldSystem& GetManifolds() const { return manifolds_; }
  std::size_t CollisionObjectCount() const { return collisionObjects_.size(); }

  // Object-bound script functions: each holds its object weakly and does
  // nothing, answering its fallback, once the object is dead or has lost
  // its collision component.
  class SetPosFunc {
   public:
    explicit SetPosFunc(ObjectLockPtr<GameObject> object) : object_(std::move(object)) {}
    void operator()(double x, double y);

   private:
    ObjectLockPtr<GameObject> object_;
  };
  class SetZCollFunc {
   public:
    explicit SetZCollFunc(ObjectLockPtr<GameObject> object) : object_(std::move(object)) {}
    void operator()(double z);

   private:
    ObjectLockPtr<GameObject> object_;
  };
  class GetZCollFunc {
   public:
    explicit GetZCollFunc(ObjectLockPtr<GameObject> object) : object_(std::move(object)) {}
    OrvLua::LuaObject operator()();

   private:
    ObjectLockPtr<GameObject> object_;
  };
  class SetAvoidTriggerFunc {
   public:
    explicit SetAvoidTriggerFunc(ObjectLockPtr<GameObject> object) : object_(std::move(object)) {}
    void operator()(bool flag);

   private:
    ObjectLockPtr<GameObject> object_;
  };
  class GetAvoidTriggerFunc {
   public:
    explicit GetAvoidTriggerFunc(ObjectLockPtr<GameObject> object) : object_(std::move(object)) {}
    OrvLua::LuaObject operator()();

   private:
    ObjectLockPtr<GameObject> object_;
  };
  class SetOrientation {
   public:
    explicit SetOrientation(ObjectLockPtr<GameObject> object) : object_(std::move(object)) {}
    void operator()(double degrees);

   private:
    ObjectLockPtr<GameObject> object_;
  };
  class GetDirectionVector {
   public:
    explicit GetDirectionVector(ObjectLockPtr<GameObject> object) : object_(std::move(object)) {}
    OrvLua::LuaObject operator()(float x, float y);

   private:
    ObjectLockPtr<GameObject> object_;
  };
  class SetContactInfoString {
   public:
    explicit SetContactInfoString(ObjectLockPtr<GameObject> object) : object_(std::move(object)) {}
    void operator()(const char* key, const char* value);

   private:
    ObjectLockPtr<GameObject> object_;
  };
  class SetContactInfoInteger {
   public:
    explicit SetContactInfoInteger(ObjectLockPtr<GameObject> object) : object_(std::move(object)) {}
    void operator()(const char* key, int value);

   private:
    ObjectLockPtr<GameObject> object_;
  };
  class SetContactInfoReal {
   public:
    explicit SetContactInfoReal(ObjectLockPtr<GameObject> object) : object_(std::move(object)) {}
    void operator()(const char* key, double value);

   private:
    ObjectLockPtr<GameObject> object_;
  };
  class GetContactInfoReal {
   public:
    explicit GetContactInfoReal(ObjectLockPtr<GameObject> object) : object_(std::move(object)) {}
    double operator()(const char* key);

   private:
    ObjectLockPtr<GameObject> object_;
  };
  class GetContactInfoInteger {
   public:
    explicit GetContactInfoInteger(ObjectLockPtr<GameObject> object) : object_(std::move(object)) {}
    int operator()(const char* key);

   private:
    ObjectLockPtr<GameObject> object_;
  };
  class GetContactInfoString {
   public:
    explicit GetContactInfoString(ObjectLockPtr<GameObject> object) : object_(std::move(object)) {}
    const char* operator()(const char* key);

   private:
    ObjectLockPtr<GameObject> object_;
    // The answer lives here until it has been pushed.
    std::string result_;
  };
  class GetCollisionCount {
   public:
    explicit GetCollisionCount(ObjectLockPtr<GameObject> object) : object_(std::move(object)) {}
    unsigned operator()();

   private:
    ObjectLockPtr<GameObject> object_;
  };
  class GetContactManifolds {
   public:
    explicit GetContactManifolds(ObjectLockPtr<GameObject> object) : object_(std::move(object)) {}
    OrvLua::LuaObject operator()();

   private:
    ObjectLockPtr<GameObject> object_;
  };
  class SetEnableOcclusion {
   public:
    explicit SetEnableOcclusion(ObjectLockPtr<GameObject> object) : object_(std::move(object)) {}
    void operator()(bool flag);

   private:
    ObjectLockPtr<GameObject> object_;
  };
  class GetBoundingRec {
   public:
    explicit GetBoundingRec(ObjectLockPtr<GameObject> object) : object_(std::move(object)) {}
    OrvLua::LuaObject operator()();

   private:
    ObjectLockPtr<GameObject> object_;
  };

 protected:
  // Phase 2 of the pair pass: every pair of collision objects, in list
  // order. No script runs in it.
  virtual void CollideObjectPairs(float dt);
  // The record for a and its mirror for b, flagged by the manifold's state.
  static void RecordContact(const ContactParty& a, const ContactParty& b, const Manifold& manifold);

  std::vector<ObjectLockPtr<GameObject>> collisionObjects_;
  std::vector<ObjectLockPtr<GameObject>> tilemapObjects_;
  ManifoldSystem manifolds_;

 private:
  void CollidePairs(float dt);
  // One record for to, about the other object, flagged by the manifold's state.
  static void AddRecord(CollisionComponent& to, const Manifold& manifold, std::int32_t otherId,
                        std::int32_t otherUniqueId, const TransformComponent* otherTransform,
                        const CollisionComponent& otherCollision);
  void PlaceFollowers(GameObject& parent, const Collider& collider);
  void CollideWithTilemap(const std::shared_ptr<GameObject>& object, float dt);
  void SweepManifolds();
  void RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object);
  void RegisterCollisionFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object);
  // Says once that an object's collider spans more cells than one frame visits.
  void ReportTooManyCells(const GameObject& object);

  // What the pair loop needs of one collision object, looked up once a frame:
  // no script runs between the pairs, so none of it changes but the bounds of
  // colliders the response moves.
  struct PairObject {
    std::shared_ptr<GameObject> object;
    CollisionComponent* collision = nullptr;
    Collider* collider = nullptr;
    RigidBodyComponent* rigid = nullptr;
    TransformComponent* transform = nullptr;
    std::int32_t id = 0;
    std::int32_t uniqueId = 0;
    std::int32_t collisionId = -1;
    // Its component lists ids to avoid.
    bool avoidsSome = false;
    bool trigger = false;
    // The sum of the directions the pass pushed it out of static colliders.
    Vec2 heldAlong;
    bool pushedOut = false;
    // Moved by another body, or out of a second static collider: it may end
    // the loop inside a static collider.
    bool shoved = false;
  };
  // What decides whether it pairs at all besides its box and its body, read
  // only for boxes that overlap; the pass keeps its boxes, these and the
  // objects in the same order, each list apart, so the loop over candidates
  // reads only their boxes. The grid holds which have bodies.
  struct PairLayer {
    double z;
  };
  // The pair's records, with what the pass already read of both objects.
  static void RecordPairContact(const PairObject& a, const PairObject& b, const Manifold& manifold);
  // Static colliders have the last word: each body that ends the pair loop
  // inside one is pushed out again and stopped against it.
  void SettleStaticContacts();
  // Whether the pass answers the pair at all: layers, ids to avoid, triggers.
  static bool AnswersPair(const PairObject& a, const PairObject& b);

  // Kept between frames for their storage.
  std::vector<PairObject> pairObjects_;
  std::vector<GridBox> pairBoxes_;
  std::vector<PairLayer> pairLayers_;
  std::vector<std::uint8_t> pairBodies_;
  BroadPhaseGrid grid_;
  std::vector<std::uint32_t> candidates_;
  // The settling's own grid of static colliders, then bodies, by place in
  // the pass, and the pairs it finds.
  BroadPhaseGrid settleGrid_;
  std::vector<GridBox> settleBoxes_;
  std::vector<std::uint32_t> settleSlots_;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> settlePairs_;
  std::vector<std::int32_t> sweepIds_;
  std::vector<std::shared_ptr<GameObject>> sweepObjects_;
  bool paused_ = false;
  bool pausedByScript_ = false;
  bool cellCapReported_ = false;
};

// Script functions without a home of their own in the engine.
class MoveFunc {
 public:
  explicit MoveFunc(ObjectLockPtr<GameObject> object) : object_(std::move(object)) {}
  void operator()(double dx, double dy);

 private:
  ObjectLockPtr<GameObject> object_;
};

class GetPosFunc {
 public:
  GetPosFunc(ObjectLockPtr<GameObject> object, ObjectLockPtr<ScriptComponent> script,
             ObjectLockPtr<CollisionComponent> collision)
      : object_(std::move(object)), script_(std::move(script)), collision_(std::move(collision)) {}
  OrvLua::LuaObject operator()();

 private:
  ObjectLockPtr<GameObject> object_;
  ObjectLockPtr<ScriptComponent> script_;
  ObjectLockPtr<CollisionComponent> collision_;
};

}  // namespace Orv
