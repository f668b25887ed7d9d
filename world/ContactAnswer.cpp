#include "world/ContactAnswer.h"

#include "world/Collider.h"
#include "world/Manifold.h"
#include "world/RigidBodyComponent.h"

namespace Orv {

namespace {

// A body pushed out of a wall, which holds it as a static collider does.
PairMoves HoldOut(const ContactSide& wall, const ContactSide& body, bool wallIsA, Manifold& working, PairStep& step) {
  PassMotion& held = body.motion;
  AimAcrossEnteredFace(wall.collider, body.collider, held.startMin, held.startMax, wallIsA, working);
  // Shoved past a wall's middle by its neighbours, it goes back the way it came.
  KeepToStartSide(wall.collider, body.collider, (held.startMin + held.startMax) * 0.5, wallIsA, working);
  if (wallIsA) {
    working.PushOutB();
    working.StopAgainstA(body.rigid->body);
  } else {
    working.PushOutA();
    working.StopAgainstB(body.rigid->body);
  }
  held.heldAlong += wallIsA ? working.normal : -working.normal;
  // It may now lie in a wall it already left, or one it met before.
  held.shoved = true;
  step.Hold(body.slot, &wall.collider);
  return {!wallIsA, wallIsA};
}

}  // namespace

PairMoves AnswerContact(const ContactSide& a, const ContactSide& b, Manifold& working, PairStep& step) {
  if (a.kind == BodyKind::Static) return HoldOut(a, b, true, working, step);
  if (b.kind == BodyKind::Static) return HoldOut(b, a, false, working, step);
  RigidBody& bodyA = a.rigid->body;
  RigidBody& bodyB = b.rigid->body;
  if (bodyA.objectReflect && bodyB.objectReflect) return {};
  if (bodyA.objectReflect != bodyB.objectReflect) working.ReflectVelocities(bodyA, bodyB);
  PairMoves moved{true, true};
  if (HoldsAsWall(a.kind, b.kind)) {
    BounceOffWall(bodyB, bodyA, working.normal);
    moved = HoldOut(a, b, true, working, step);
  } else if (HoldsAsWall(b.kind, a.kind)) {
    BounceOffWall(bodyA, bodyB, -working.normal);
    moved = HoldOut(b, a, false, working, step);
  } else {
    // A body held against a wall, or resting on one that is, does not give
    // way towards it.
    working.AnswerBodies({bodyA, a.collider, a.motion.heldAlong}, {bodyB, b.collider, b.motion.heldAlong},
                         static_cast<float>(step.Step()));
    a.motion.shoved = b.motion.shoved = true;
  }
  a.rigid->ReportRefusal();
  b.rigid->ReportRefusal();
  return moved;
}

}  // namespace Orv
