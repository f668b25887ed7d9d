#pragma once
// One pair pass's state, begun at the top of the pass and handed from phase
// to phase: the snapshot of every usable collision object, the grid that
// finds the pairs and the walls near a body, the walls each body was pushed
// out of, and the contacts met. No script runs in a pass: nothing of the
// snapshot changes but the bounds of the colliders the answers move. The
// engine keeps one between passes for its storage.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "core/ObjectLockPtr.h"
#include "core/Vec2.h"
#include "world/BroadPhaseGrid.h"
#include "world/ContactAnswer.h"
#include "world/PairRules.h"

namespace Orv {

class Collider;
class CollisionComponent;
class GameObject;
class ManifoldSystem;
class RigidBodyComponent;
class TransformComponent;

class PairPass {
 public:
  // What the pass looked up of one collision object when it began.
  struct Object {
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
    BodyKind kind = BodyKind::Static;
    PassMotion motion;
    PairSide Side() const;
  };
  // A contact the pass met, recorded once the pairs are answered: the
  // snapshot's places of both objects, the manifold's state and first point.
  struct Contact {
    std::uint32_t a;
    std::uint32_t b;
    std::int32_t state;
    Vec2 contact;
  };

  // A pass over a step of seconds: the snapshot of every live object with a
  // usable collider, whose contacts go into manifolds.
  void Begin(double seconds, const std::vector<ObjectLockPtr<GameObject>>& objects, ManifoldSystem& manifolds);
  // Holds no object past the pass.
  void End();

  // Broad phase, with the narrow phase and answer of each pair it finds, in
  // the order of the all-pairs loop: for each object, the ones after it.
  void FindAndAnswerPairs();
  // Walls have the last word: each body that ends the pair loop inside one
  // is pushed out again and stopped against it.
  void SettleStaticContacts();
  // Each moving body's coming step stops at the faces of the walls it would
  // enter, as tiles stop it.
  void StopAtWallsAhead();

  // For a pass that finds its pairs another way. The grid is laid all the
  // same: the phases after the pairs ask it for the walls near a body.
  void BuildGrid();
  std::size_t ObjectCount() const { return boxes_.size(); }
  bool HasBody(std::size_t k) const { return bodies_[k] != 0; }
  // Narrow phase and answer of objects i and j (i < j) when their boxes
  // overlap and they may pair; which of them it moved.
  PairMoves AnswerPair(std::size_t i, std::size_t j);
  // The box of object k, read again after its collider moved.
  const GridBox& RereadBox(std::size_t k);

  const Object& At(std::size_t k) const { return objects_[k]; }
  const std::vector<Contact>& Contacts() const { return contacts_; }

 private:
  // Answers i with each of the grid's candidates in order; the candidate
  // after which i left its cells, so that the rest are asked for again, or
  // kAllAnswered.
  std::size_t AnswerCandidates(std::size_t i);
  static constexpr std::size_t kAllAnswered = static_cast<std::size_t>(-1);
  // Boxes overlap, one layer, two colliders, no id avoided.
  bool MayPair(std::size_t i, std::size_t j) const;
  ContactSide ContactSideOf(std::size_t k);
  // One round of the settling, over the bodies listed, which it lists those
  // it moved.
  void SettleRound();
  // The walls whose boxes meet box and which hold body k, in the pass's
  // order, into nearWalls_.
  void WallsMeeting(const GridBox& box, std::size_t k);
  // Marks the walls, which may hold a body, lists those with a body, which
  // the settling may move, and places each; once a pass, after the pair
  // loop, when first asked.
  void ListWalls();
  // Places each wall with a body.
  void PlaceWallsInGrid();
  // Lists wall k in the grid at its box as it stands, which its place in
  // the boxes then holds.
  void PlaceWallInGrid(std::size_t k);

  PairStep step_;
  ManifoldSystem* manifolds_ = nullptr;
  // The snapshot's objects, their boxes and layers and which have bodies,
  // each list apart, so the loop over candidates reads only their boxes.
  std::vector<Object> objects_;
  std::vector<GridBox> boxes_;
  std::vector<double> layers_;
  std::vector<std::uint8_t> bodies_;
  std::vector<Contact> contacts_;
  BroadPhaseGrid grid_;
  std::vector<std::uint32_t> candidates_;
  // Which objects are walls for some body, how many, and those with a body.
  std::vector<std::uint8_t> walls_;
  bool wallsListed_ = false;
  std::size_t wallCount_ = 0;
  std::vector<std::uint32_t> bodyWalls_;
  // The bodies the settling or the look-ahead asks for, those a round of
  // the settling asks, and the look-ahead's swept boxes.
  std::vector<std::uint32_t> slots_, asked_;
  std::vector<GridBox> sweptBoxes_;
  std::vector<const Collider*> nearWalls_, heldWalls_;
  std::vector<std::pair<std::uint32_t, const Collider*>> newlyHeld_;
};

}  // namespace Orv
