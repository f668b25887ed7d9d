// How two touching bodies answer their contact: mirrored velocities, an
// impulse with restitution and friction, and a push apart.
#include <algorithm>
#include <cmath>

#include "core/Report.h"
#include "world/CollisionComponent.h"
#include "world/Manifold.h"
#include "world/RigidBody.h"

namespace Orv {

namespace {

constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180;
constexpr double kRestingOverlap = 0.01;

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

void Manifold::ResolveManifold(RigidBody& a, RigidBody& b, float /*dt*/) {
  const double lengthSquared = normal.LengthSquared();
  normal = lengthSquared > 1e-8 ? normal / std::sqrt(lengthSquared) : Vec2{};
  if (a.inverseMass + b.inverseMass == 0.0) return;
  const Vec2 centreA = Centre(bodyA, a);
  const Vec2 centreB = Centre(bodyB, b);
  const unsigned count = std::min(contactCount, 2u);
  // Each point's impulse is shared out by the square of the point count; one
  // point, the common case, is not divided by 1.
  const double share = static_cast<double>(count) * count;
  const auto shared = [share](double impulse) { return share == 1.0 ? impulse : impulse / share; };
  // The turning of a point is divided by (2 − count), which is 1 for one
  // point; two points of a box pair would divide by 0, so they turn as one
  // point does. Either way nothing is divided.
  for (unsigned k = 0; k < count; ++k) {
    const Vec2 ra = contacts[k] - centreA;
    const Vec2 rb = contacts[k] - centreB;
    Vec2 vA = a.velocity, vB = b.velocity;
    double wA = a.angularVelocity, wB = b.angularVelocity;
    // Turning, in degrees per second, as the speed of the contact point in px
    // per second, the way a turned box's corners go: (-w r.y, w r.x) in
    // radians. An impulse turns a body by radians, hence the degrees below.
    const auto relative = [&] {
      const double ta = a.inverseInertia > 0 ? wA * kRadiansPerDegree : 0.0;
      const double tb = b.inverseInertia > 0 ? wB * kRadiansPerDegree : 0.0;
      return (vB + Vec2{-tb * rb.y, tb * rb.x}) - (vA + Vec2{-ta * ra.y, ta * ra.x});
    };
    const auto push = [&](const Vec2& impulse) {
      vB += impulse * b.inverseMass;
      wB += rb.Cross(impulse) * b.inverseInertia / kRadiansPerDegree;
      vA -= impulse * a.inverseMass;
      wA += ra.Cross(-impulse) * a.inverseInertia / kRadiansPerDegree;
    };
    const double vn = relative().Dot(normal);
    // Already parting.
    if (vn > 0.0001) return;
    const double e = std::min(a.bouncy, b.bouncy);
    // How much the contact point gives along a direction per unit impulse.
    const auto give = [&](const Vec2& along) {
      const double raX = ra.Cross(along), rbX = rb.Cross(along);
      return a.inverseMass + b.inverseMass + raX * raX * a.inverseInertia + rbX * rbX * b.inverseInertia;
    };
    const double j = shared(-(1 + e) * vn / give(normal));
    push(normal * j);
    if (!Commit(a, vA, wA, b, vB, wB)) return;
    // Friction acts only while the bodies part along the normal.
    const Vec2 rv = relative();
    const double vnAfter = rv.Dot(normal);
    Vec2 tangent;
    if (vnAfter > 0.0001) {
      tangent = rv - normal * vnAfter;
      const double tt = tangent.LengthSquared();
      tangent = tt > 1e-8 ? tangent / std::sqrt(tt) : Vec2{};
    }
    // Along the slide, which turns a body as the normal does not: an impulse
    // sized by the normal's give would stop more than the slide and speed the
    // pair up the other way.
    const double jt = tangent == Vec2{} ? 0.0 : shared(tangent.Dot(rv) / give(tangent));
    if (!(jt > 0.0001)) return;
    const double mu = std::sqrt((1 - a.friction) * (1 - b.friction));
    push(mu * j >= jt ? tangent * -jt : tangent * -j * mu);
    if (!Commit(a, vA, wA, b, vB, wB)) return;
  }
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
  const Vec2 correction = normal * (std::max(std::fabs(penetration) - kRestingOverlap, 0.0) / denominator);
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
