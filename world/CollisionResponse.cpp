// How two touching bodies answer their contact: mirrored velocities, an
// impulse with restitution and friction, and a push apart.
#include <algorithm>
#include <cmath>

#include "core/Report.h"
#include "world/Collider.h"
#include "world/CollisionComponent.h"
#include "world/ContactTolerances.h"
#include "world/Manifold.h"
#include "world/RigidBody.h"

namespace Orv {

namespace {

// For one pair's answer, a held body weighs as if it could neither move nor
// turn.
class HeldStill {
 public:
  HeldStill(RigidBody& body, bool held)
      : body_(body), inverseMass_(body.inverseMass), inverseInertia_(body.inverseInertia) {
    if (held) body.inverseMass = body.inverseInertia = 0.0;
  }
  ~HeldStill() {
    body_.inverseMass = inverseMass_;
    body_.inverseInertia = inverseInertia_;
  }
  HeldStill(const HeldStill&) = delete;
  HeldStill& operator=(const HeldStill&) = delete;

 private:
  RigidBody& body_;
  double inverseMass_;
  double inverseInertia_;
};

Vec2 Centre(const CollisionComponent* component, const RigidBody& body) {
  const Collider* collider = component != nullptr ? component->GetCollider() : nullptr;
  return collider != nullptr ? collider->GetPosition() : body.position;
}

// Both bodies' new motion, or neither's: a pair is never answered by half.
bool Commit(RigidBody& a, const Vec2& vA, double wA, RigidBody& b, const Vec2& vB, double wB) {
  const bool aFinite = vA.IsFinite() && std::isfinite(wA);
  const bool bFinite = vB.IsFinite() && std::isfinite(wB);
  if (!aFinite) a.NoteRefusal("velocity");
  if (!bFinite) b.NoteRefusal("velocity");
  if (!aFinite || !bFinite) return false;
  a.velocity = vA;
  a.angularVelocity = wA;
  b.velocity = vB;
  b.angularVelocity = wB;
  return true;
}

}  // namespace

void Manifold::ReflectVelocities(RigidBody& a, RigidBody& b) const {
  const double lengthSquared = normal.LengthSquared();
  if (lengthSquared == 0.0) return;
  for (RigidBody* body : {&a, &b}) {
    const Vec2 v = body->velocity;
    body->Accept(body->velocity, v - normal * (2 * v.Dot(normal) / lengthSquared), "velocity");
  }
}

namespace {

// One contact point of a pair: its offsets from both centres.
struct Lever {
  Vec2 ra, rb;
};

// What an impulse changes of one body, and what decides how much: its
// inverse inertia is 0 when it cannot turn.
struct Motion {
  Vec2 v;
  // Degrees per second.
  double w;
  double inverseMass;
  double inverseInertia;
};

Motion MotionOf(const RigidBody& body) {
  return {body.velocity, body.angularVelocity, body.inverseMass, body.inverseInertia};
}

// The answer of a pair at its one or two contact points along the normal n,
// which points from A towards B.
class PointAnswer {
 public:
  PointAnswer(Motion& a, Motion& b, const Lever* levers, unsigned count, const Vec2& n)
      : a_(a), b_(b), levers_(levers), count_(count), n_(n) {}

  // The impulses that leave no point closing, then the bounce; false, with
  // nothing changed, when every point parts already.
  bool Press(double bounce) {
    double closing[2] = {0, 0}, gives[2][2] = {{0, 0}, {0, 0}};
    for (unsigned k = 0; k < count_; ++k) {
      closing[k] = Relative(levers_[k]).Dot(n_);
      for (unsigned l = 0; l < count_; ++l) gives[k][l] = Give(levers_[k], n_, levers_[l], n_);
    }
    if (closing[0] > 0.0001 && (count_ == 1 || closing[1] > 0.0001)) return false;
    CompressionImpulses(closing, gives);
    if (!(std::min(closing[0], closing[1]) < -kRestingApproach)) bounce = 0.0;
    // The bounce gives back the share of the compression's impulse that the
    // bodies' bounce factors ask: however the points share it, the pair ends
    // with no more energy than it had.
    for (unsigned k = 0; k < count_; ++k) {
      impulses_[k] *= 1 + bounce;
      if (impulses_[k] > 0) Push(levers_[k], n_ * impulses_[k]);
    }
    return true;
  }

  // Friction acts only while the bodies part along the normal: at a point
  // that bounced. It is sized by the give along the slide, which turns a
  // body as the normal does not: the normal's give would stop more than the
  // slide and speed the pair up the other way.
  void Rub(double mu) {
    for (unsigned k = 0; k < count_; ++k) {
      if (!(impulses_[k] > 0)) continue;
      const Vec2 rv = Relative(levers_[k]);
      const double parting = rv.Dot(n_);
      if (!(parting > 0.0001)) continue;
      Vec2 tangent = rv - n_ * parting;
      const double tt = tangent.LengthSquared();
      if (!(tt > 1e-8)) continue;
      tangent = tangent / std::sqrt(tt);
      const double give = Give(levers_[k], tangent, levers_[k], tangent);
      const double jt = give > 0 ? tangent.Dot(rv) / give : 0.0;
      if (!(jt > 0.0001)) continue;
      Push(levers_[k], tangent * -std::min(jt, mu * impulses_[k]));
    }
  }

 private:
  // The speed of the point at r from a body's centre, its turning included.
  static Vec2 PointVelocity(const Motion& body, const Vec2& r) {
    const double t = body.inverseInertia > 0 ? body.w * kDegreesToRadians : 0.0;
    return body.v + Vec2{-t * r.y, t * r.x};
  }
  Vec2 Relative(const Lever& at) const { return PointVelocity(b_, at.rb) - PointVelocity(a_, at.ra); }
  // An impulse turns a body by radians.
  void Push(const Lever& at, const Vec2& impulse) {
    b_.v += impulse * b_.inverseMass;
    b_.w += at.rb.Cross(impulse) * b_.inverseInertia / kDegreesToRadians;
    a_.v -= impulse * a_.inverseMass;
    a_.w += at.ra.Cross(-impulse) * a_.inverseInertia / kDegreesToRadians;
  }
  // How much the speed of point k along one direction changes per unit
  // impulse along another at point l.
  double Give(const Lever& k, const Vec2& along, const Lever& l, const Vec2& by) const {
    return (a_.inverseMass + b_.inverseMass) * along.Dot(by) + k.ra.Cross(along) * l.ra.Cross(by) * a_.inverseInertia +
           k.rb.Cross(along) * l.rb.Cross(by) * b_.inverseInertia;
  }
  // The impulses along the normal, none negative, after which no point
  // still closes and a point that is pushed ends neither closing nor
  // parting. Both points are answered at once: one answered after the other
  // turns the bodies the first one's way, the second undoes only part of it,
  // and a box resting on two corners rocks and gains speed.
  void CompressionImpulses(const double closing[2], const double give[2][2]) {
    impulses_[0] = impulses_[1] = 0.0;
    if (count_ == 1) {
      if (closing[0] < 0 && give[0][0] > 0) impulses_[0] = -closing[0] / give[0][0];
      return;
    }
    const double det = give[0][0] * give[1][1] - give[0][1] * give[1][0];
    if (det > 1e-9 * give[0][0] * give[1][1]) {
      const double x0 = (-closing[0] * give[1][1] + closing[1] * give[0][1]) / det;
      const double x1 = (-closing[1] * give[0][0] + closing[0] * give[1][0]) / det;
      if (x0 >= 0 && x1 >= 0) {
        impulses_[0] = x0, impulses_[1] = x1;
        return;
      }
    }
    // One pushed, the other left parting.
    for (unsigned k = 0; k < 2; ++k) {
      if (!(closing[k] < 0 && give[k][k] > 0)) continue;
      const double x = -closing[k] / give[k][k];
      if (closing[1 - k] + give[1 - k][k] * x >= 0) {
        impulses_[k] = x;
        return;
      }
    }
    // Neither: both part already, or the points give no answer.
  }

  Motion& a_;
  Motion& b_;
  const Lever* levers_;
  unsigned count_;
  Vec2 n_;
  double impulses_[2] = {0, 0};
};

}  // namespace

void Manifold::ResolveManifold(RigidBody& a, RigidBody& b, float /*dt*/) {
  const double lengthSquared = normal.LengthSquared();
  normal = lengthSquared > 1e-8 ? normal / std::sqrt(lengthSquared) : Vec2{};
  const unsigned count = std::min(contactCount, 2u);
  if (a.inverseMass + b.inverseMass == 0.0 || normal == Vec2{} || count == 0) return;
  const Vec2 centreA = Centre(bodyA, a);
  const Vec2 centreB = Centre(bodyB, b);
  Lever levers[2];
  for (unsigned k = 0; k < count; ++k) levers[k] = {contacts[k] - centreA, contacts[k] - centreB};
  Motion mA = MotionOf(a), mB = MotionOf(b);
  PointAnswer answer(mA, mB, levers, count, normal);
  if (!answer.Press(std::clamp(std::min(a.bouncy, b.bouncy), 0.0, 1.0))) return;
  if (!Commit(a, mA.v, mA.w, b, mB.v, mB.w)) return;
  answer.Rub(std::sqrt((1 - std::clamp(a.friction, 0.0, 1.0)) * (1 - std::clamp(b.friction, 0.0, 1.0))));
  Commit(a, mA.v, mA.w, b, mB.v, mB.w);
}

void Manifold::StopAgainstWall(RigidBody& body, const CollisionComponent* component, const Vec2& towards) const {
  const Collider* shape = component != nullptr ? component->GetCollider() : nullptr;
  const double lengthSquared = towards.LengthSquared();
  const unsigned count = std::min(contactCount, 2u);
  // A circle's contact lies on the normal through its centre, and a box that
  // keeps its axes does not turn: the part into the wall goes, as at a point.
  if (shape == nullptr || shape->GetType() != Collider::TypeOBB || !body.rotationEnabled || count == 0 ||
      body.inverseMass == 0.0 || !(lengthSquared > 1e-8)) {
    body.StopTowards(towards);
    return;
  }
  body.SetInertiaOf(*shape);
  const Vec2 centre = shape->GetPosition();
  Lever levers[2];
  for (unsigned k = 0; k < count; ++k) levers[k] = {contacts[k] - centre, {}};
  // The wall as B: it neither moves nor turns, and never bounces.
  Motion moving = MotionOf(body), wall{{}, 0.0, 0.0, 0.0};
  PointAnswer answer(moving, wall, levers, count, towards / std::sqrt(lengthSquared));
  if (!answer.Press(0.0)) return;
  if (!moving.v.IsFinite() || !std::isfinite(moving.w)) {
    body.NoteRefusal("velocity");
    return;
  }
  body.velocity = moving.v;
  body.angularVelocity = moving.w;
}

void Manifold::CorrectPositions(const RigidBody& a, const RigidBody& b) {
  if (bodyA == nullptr || bodyB == nullptr) {
    PrintLine("nullptr found");
    return;
  }
  if (a.mass == 0.0 || b.mass == 0.0) return;
  const double denominator = a.inverseMass + b.inverseMass;
  if (denominator == 0.0) return;
  // Bodies left just overlapping still touch in the next pass, as a body on
  // tiles does: a body resting on another neither leaves it nor drops onto
  // it again every other frame.
  const Vec2 correction = normal * (std::max(std::fabs(penetration) - kLeftOverlap, 0.0) / denominator);
  if (!correction.IsFinite()) return;
  MoveBodyA(-correction, a.inverseMass);
  MoveBodyB(correction, b.inverseMass);
}

void Manifold::AnswerBodies(const Party& a, const Party& b, float dt) {
  a.body.SetInertiaOf(a.shape);
  b.body.SetInertiaOf(b.shape);
  // The answer pushes A back along the normal and B forward. A held body
  // moving towards the other would push it on without giving way: a piston
  // that makes speed from nothing. So would two held bodies against each
  // other; both then give way.
  bool heldA = a.heldAlong.Dot(normal) > 0 && a.body.velocity.Dot(normal) <= 0;
  bool heldB = b.heldAlong.Dot(normal) < 0 && b.body.velocity.Dot(normal) >= 0;
  if (heldA && heldB) heldA = heldB = false;
  {
    const HeldStill holdA(a.body, heldA);
    const HeldStill holdB(b.body, heldB);
    ResolveManifold(a.body, b.body, dt);
    CorrectPositions(a.body, b.body);
  }
  // The normal is of unit length now.
  if (heldA) b.heldAlong += normal;
  if (heldB) a.heldAlong -= normal;
}

}  // namespace Orv
