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
#include "world/BroadPhaseGrid.h"
#include "world/ManifoldSystem.h"
#include "world/PairRules.h"
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
  // Which colliders of a pair its answer moved.
  struct PairMoves {
    bool a = false;
    bool b = false;
  };

  // The pair pass for a step of seconds, one phase after another. No script
  // runs in it.
  virtual void CollideObjectPairs(double seconds);
  // Broad phase, with the narrow phase and answer of each pair it finds, in
  // the order of the all-pairs loop: for each object, the ones after it.
  virtual void FindAndAnswerPairs(PairStep& step);
  // Narrow phase and answer of the snapshot's objects i and j (i < j) when
  // their boxes overlap and they may pair; which of them it moved.
  PairMoves AnswerPair(std::size_t i, std::size_t j, PairStep& step);
  // The box of the snapshot's object k, read again after its collider moved.
  const GridBox& RereadPairBox(std::size_t k);
  // Lays the snapshot's boxes in the grid, which the phases after the pairs
  // also ask for the walls near a body: a pass that finds its pairs another
  // way builds it all the same.
  void BuildPairGrid();
  std::size_t PairObjectCount() const { return pairBoxes_.size(); }
  bool PairHasBody(std::size_t k) const { return pairBodies_[k] != 0; }
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
    // Its box when the pass began.
    Vec2 startMin, startMax;
    // The sum of the directions the pass pushed it out of walls, or held it
    // up on a body that was held.
    Vec2 heldAlong;
    // Moved by another body or out of a wall: it may end the loop inside a wall.
    bool shoved = false;
    PairSide Side() const {
      return {collision, collider, rigid != nullptr ? &rigid->body : nullptr, collisionId, avoidsSome, trigger};
    }
  };
  // What decides whether it pairs at all besides its box and its body, read
  // only for boxes that overlap; the pass keeps its boxes, these and the
  // objects in the same order, each list apart, so the loop over candidates
  // reads only their boxes. The grid holds which have bodies.
  struct PairLayer {
    double z;
  };
  // A contact the pass met, recorded once the pairs are answered: the
  // snapshot's places of both objects, the manifold's state and first point.
  struct PairContact {
    std::uint32_t a;
    std::uint32_t b;
    std::int32_t state;
    Vec2 contact;
  };

  // The snapshot: every usable collision object with its box, layer and body.
  void TakePairSnapshot();
  // Answers i with each of the grid's candidates in order; the candidate
  // after which i left its cells, so that the rest are asked for again, or
  // kAllAnswered.
  std::size_t AnswerCandidates(std::size_t i, PairStep& step);
  static constexpr std::size_t kAllAnswered = static_cast<std::size_t>(-1);
  // Boxes overlap, one layer, two colliders, no id avoided.
  bool MayPair(std::size_t i, std::size_t j) const;
  // The response to a contact that is no trigger's.
  PairMoves Respond(std::size_t i, std::size_t j, Manifold& working, PairStep& step);
  // A body pushed out of a wall, which holds it as a static collider does.
  PairMoves HoldOut(std::size_t wall, std::size_t body, Manifold& working, PairStep& step);
  // Walls have the last word: each body that ends the pair loop inside one is
  // pushed out again and stopped against it.
  void SettleStaticContacts(PairStep& step);
  // One round of it, over the bodies listed, which it lists those it moved.
  void SettleRound(PairStep& step);
  // Each moving body's coming step stops at the faces of the walls it would
  // enter, as tiles stop it.
  void StopAtWallsAhead(const PairStep& step);
  // Whether the pass answers the pair of wall and body, wall holding body.
  bool HoldsPair(std::size_t wall, std::size_t body) const;
  // Marks the walls, which may hold a body, lists those with a body, which
  // the settling may move, and places each; once a pass, after the pair
  // loop, when first asked.
  void ListWalls();
  // Places each wall with a body.
  void PlaceWallsInGrid();
  // Lists wall k in the grid at its box as it stands, which its place in
  // the boxes then holds.
  void PlaceWallInGrid(std::size_t k);
  // Every contact of the pass, in its order, into both objects' lists.
  void RecordPairContacts();

  // Kept between frames for their storage.
  std::vector<PairObject> pairObjects_;
  std::vector<GridBox> pairBoxes_;
  std::vector<PairLayer> pairLayers_;
  std::vector<std::uint8_t> pairBodies_;
  std::vector<PairContact> pairContacts_;
  BroadPhaseGrid grid_;
  std::vector<std::uint32_t> candidates_;
  // The bodies the settling or the look-ahead asks for, the look-ahead's
  // swept boxes, and the pairs the settling finds.
  std::vector<GridBox> settleBoxes_;
  std::vector<std::uint32_t> settleSlots_;
  std::vector<std::uint8_t> pairWalls_;
  bool wallsListed_ = false;
  std::size_t wallCount_ = 0;
  std::vector<std::uint32_t> bodyWalls_;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> settlePairs_;
  std::vector<const Collider*> nearWalls_, heldWalls_;
  std::vector<std::pair<std::uint32_t, const Collider*>> newlyHeld_;
  PairStep pairStep_;
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
