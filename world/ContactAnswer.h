#pragma once
// The answer to one contact of the pair pass, in one place: the engine's
// pass and the tests' plain pass both answer each contact they meet by it.
#include <cstddef>

#include "core/Vec2.h"
#include "world/PairRules.h"

namespace Orv {

class Collider;
class RigidBodyComponent;
struct Manifold;

// What a pass keeps of one object from answer to answer.
struct PassMotion {
  // Its box when the pass began.
  Vec2 startMin, startMax;
  // The sum of the directions the pass pushed it out of walls, or held it up
  // on a body that was held.
  Vec2 heldAlong;
  // Moved by another body or out of a wall: it may end the loop inside a wall.
  bool shoved = false;
};

// One side of a contact as its pass knows it.
struct ContactSide {
  // Its place in the pass, by which the step keeps the walls it was held by.
  std::size_t slot;
  Collider& collider;
  // Null for a static collider.
  RigidBodyComponent* rigid;
  BodyKind kind;
  PassMotion& motion;
};

// Which colliders of a pair its answer moved.
struct PairMoves {
  bool a = false;
  bool b = false;
};

// Answers a contact of a and b, a first in the pass's order, which no
// trigger takes part in: a wall holds the other out across the face it
// entered by and stops it against it, an immovable body bouncing it first;
// two moving bodies answer each other. The narrow phase's working manifold
// may be turned to the face the body entered by.
PairMoves AnswerContact(const ContactSide& a, const ContactSide& b, Manifold& working, PairStep& step);

}  // namespace Orv
