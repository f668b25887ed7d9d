#pragma once
// The rules of the pair pass in one place: which pairs it answers, who holds
// whom as a wall, along which face a body leaves a wall, how a body leaves
// several walls at once, and where a body's coming step stops at a wall. The
// engine's pass and the tests' plain pass both decide by these.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/Vec2.h"
#include "world/ContactTolerances.h"

namespace Orv {

class Collider;
class CollisionComponent;
class RigidBody;
struct Manifold;

// What the pair pass knows of one side of a pair besides its box.
struct PairSide {
  const CollisionComponent* collision = nullptr;
  const Collider* collider = nullptr;
  const RigidBody* body = nullptr;
  std::int32_t collisionId = -1;
  // Its component lists ids to avoid.
  bool avoidsSome = false;
  bool trigger = false;
};

PairSide SideOf(const CollisionComponent& collision, const RigidBody* body);

enum class PairAnswer {
  // Never tested.
  None,
  // Tested and recorded; a trigger moves nothing.
  Record,
  // Tested, recorded and answered.
  Respond,
};

// For two colliders whose boxes meet: one layer, two colliders, no id
// avoided, at least one body, neither empty.
PairAnswer AnswerOf(const PairSide& a, const PairSide& b);

// How a collider takes part in a pass, decided once when the pass begins:
// without a rigid body it is static; a body of mass 0 is immovable, and
// holds moving bodies as a static collider does; any other moves.
enum class BodyKind : std::uint8_t { Static, Immovable, Moving };

BodyKind KindOf(const RigidBody* body);

// Whether wall holds body as a static collider does: wall is static and
// body is not, or wall is immovable and body moves. Two immovable bodies do
// not push each other.
bool HoldsAsWall(BodyKind wall, BodyKind body);

// A body meeting an immovable wall bounces off it as the two bodies' bounce
// factors ask (the smaller), along out (from the wall to the body); the wall
// neither moves nor turns.
void BounceOffWall(RigidBody& body, const RigidBody& wall, const Vec2& out);

// A body the pass left inside a wall, which was clear of it (or resting on
// it) when the step began at startMin..startMax, is aimed back out across
// the face its shape crossed first, when its centre lies inside the wall or
// the narrow phase would send it out through the wall; otherwise working
// keeps the narrow phase's face. Walls of every shape.
void AimAcrossEnteredFace(const Collider& wall, const Collider& body, const Vec2& startMin, const Vec2& startMax,
                          bool wallIsA, Manifold& working);

// A body whose centre the pass has carried past the middle of a wall it
// began outside of (its centre at from) is aimed back out across the face on
// that side, never the far one: a box's sides, turned or not, and for a
// circle the way from its middle to from. Over a box's corner, the face its
// body was farther from. Otherwise working is left as it is.
void KeepToStartSide(const Collider& wall, const Collider& body, const Vec2& from, bool wallIsA, Manifold& working);

// Stops a body's coming step at each wall its shape meets from outside
// (a box, a turned box or a circle; only there: a path that passes the shape
// is left alone): at the face the next pass would send it back across when
// it was clear of that face, else where its shape first touches the wall's.
// The body is moved back now so that the step ends it kLeftOverlap into that
// face, still sliding along it, where the next pass records the contact and
// answers its velocity (bounce included); a slide that would take it off the
// wall ends it where it landed. The slide along the wall is stopped in turn
// at the first wall it meets. Walls in the pass's order; true when it moved
// the body.
bool StopStepAtWalls(Collider& body, const RigidBody& rigid, double step, const std::vector<const Collider*>& walls);

// A body's box swept over its coming step, for finding the walls it may meet.
void SweptBox(const Collider& body, const Vec2& motion, Vec2& min, Vec2& max);

// A body the pair loop may have left inside walls, or carried through one:
// near are the walls whose boxes meet its box as it is or as it began the
// pass, in the pass's order; held the walls it was pushed out of before in
// this pass, to which those it is inside or behind now are added. Inside or
// behind one wall, it goes out across the face on the side it began on (the
// face it entered by, or the nearest); when that would end it in a wall it
// left before, or it is inside several, it leaves them all at once by a
// short way that crosses none, else back the way it came, or not at all.
// Its velocity into the walls it leaves is stopped. True when it moved.
bool SettleAmongWalls(Collider& body, RigidBody& rigid, const Vec2& startMin, const Vec2& startMax,
                      const std::vector<const Collider*>& near, std::vector<const Collider*>& held);

// The state one pair pass hands from phase to phase: the step it answers for
// and, by each body's place in the pass, the walls it was pushed out of.
class PairStep {
 public:
  // A step of seconds, one of a long frame's.
  void BeginFor(double seconds);
  double Step() const { return step_; }
  void Hold(std::size_t body, const Collider* wall);
  // The walls body was pushed out of, each once, in the order it met them.
  void HeldBy(std::size_t body, std::vector<const Collider*>& out);

 private:
  double step_ = 0;
  std::vector<std::pair<std::size_t, const Collider*>> held_;
  bool sorted_ = true;
};

}  // namespace Orv
