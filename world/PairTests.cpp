#include "world/PairTests.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "world/ContactTolerances.h"
#include "world/SweptShapes.h"

namespace Orv {

namespace {

// Shorter edges than 1e-4 give no axis.
constexpr double kDegenerateEdge = 1e-8;
// How far the second end of a box's face may stand off the face it meets and
// still bear on it, in px.
constexpr double kFaceSlop = 0.5;

// The unit vector across an edge, turned one way or the other.
Vec2 AcrossEdge(const Vec2& edge, bool leftTurn) {
  const double lengthSquared = edge.LengthSquared();
  if (lengthSquared <= kDegenerateEdge) return {};
  const Vec2 turned = leftTurn ? Vec2{-edge.y, edge.x} : Vec2{edge.y, -edge.x};
  return turned / std::sqrt(lengthSquared);
}

struct Span {
  double min;
  double max;
};

// A box as the separating-axis test reads it: an axis-aligned box is an
// oriented one at no angle, its corners in the same order.
struct Quad {
  explicit Quad(const OBB& box) : centre(box.GetPosition()) {
    for (unsigned i = 0; i < 4; ++i) corners[i] = box.GetCorners()[i];
  }
  explicit Quad(const AABB& box) : centre(box.GetPosition()) {
    const Vec2 min = box.GetMin(), max = box.GetMax();
    corners[0] = min;
    corners[1] = {max.x, min.y};
    corners[2] = max;
    corners[3] = {min.x, max.y};
  }
  Vec2 corners[4];
  Vec2 centre;
};

Span Project(const Quad& box, const Vec2& axis) {
  Span span{box.corners[0].Dot(axis), box.corners[0].Dot(axis)};
  for (unsigned i = 1; i < 4; ++i) {
    const double p = box.corners[i].Dot(axis);
    span.min = std::min(span.min, p);
    span.max = std::max(span.max, p);
  }
  return span;
}

// The incident box's corner reaching deepest into the reference one, the
// first met scanning forwards, and beside it the nearer end of the face it
// leads: both when that face lies along the reference face or within
// kFaceSlop of it, so that a box resting all but flat stands on two corners
// instead of rocking from one to the other; else the one. Each is then kept
// within the reference box's reach along the face, so a long incident face
// touching a short one gives the ends of their common part. The manifold's
// normal points towards the incident box when incidentAhead.
void IncidentContacts(const Quad& incident, const Quad& reference, bool incidentAhead, Manifold& manifold) {
  const Vec2 n = manifold.normal;
  const double sign = incidentAhead ? 1.0 : -1.0;
  double keys[4];
  unsigned deepest = 0;
  for (unsigned i = 0; i < 4; ++i) {
    keys[i] = sign * incident.corners[i].Dot(n);
    if (keys[i] < keys[deepest]) deepest = i;
  }
  // Of the two corners beside it, the nearer; the later one on a tie.
  const unsigned before = (deepest + 3) % 4, after = (deepest + 1) % 4;
  const unsigned beside = keys[before] <= keys[after] ? before : after;
  manifold.contacts[0] = incident.corners[deepest];
  manifold.contacts[1] = keys[beside] - keys[deepest] <= kFaceSlop ? incident.corners[beside] : manifold.contacts[0];
  const Vec2 tangent{-n.y, n.x};
  const Span reach = Project(reference, tangent);
  for (Vec2& contact : manifold.contacts) {
    const double along = contact.Dot(tangent);
    // A reach that is not a number leaves the point where it is.
    if (along < reach.min) contact += tangent * (reach.min - along);
    if (along > reach.max) contact += tangent * (reach.max - along);
  }
  manifold.contactCount = manifold.contacts[0] == manifold.contacts[1] ? 1 : 2;
}

// Separating axes from both boxes' edges; ties keep the earlier axis. The
// box whose axis separates least is the reference.
bool SeparatingAxisTest(const Quad& a, const Quad& b, Manifold& manifold) {
  const Vec2 axes[4] = {AcrossEdge(a.corners[1] - a.corners[0], false), AcrossEdge(a.corners[2] - a.corners[1], false),
                        AcrossEdge(b.corners[1] - b.corners[0], false), AcrossEdge(b.corners[2] - b.corners[1], false)};
  double best = 1e8;
  int bestAxis = 0;
  for (int k = 0; k < 4; ++k) {
    const Span sa = Project(a, axes[k]);
    const Span sb = Project(b, axes[k]);
    const double d1 = sa.max - sb.min;
    const double d2 = sb.max - sa.min;
    // Touching counts, within rounding: a box pushed out of a turned one is
    // left on its face, where the corners' arithmetic may put it a hair off.
    if (std::min(d1, d2) < -kTouchingGap) return false;
    const double overlap = std::max(std::min(d1, d2), 0.0);
    if (overlap < best) {
      best = overlap;
      bestAxis = k;
    }
  }
  const Vec2 n = axes[bestAxis];
  manifold.normal = (b.centre - a.centre).Dot(n) < 0 ? -n : n;
  manifold.penetration = best;
  if (bestAxis < 2) {
    IncidentContacts(b, a, true, manifold);
  } else {
    IncidentContacts(a, b, false, manifold);
  }
  return true;
}

}  // namespace

bool BoxBoxTest(const AABB& a, const AABB& b, Manifold& manifold) {
  const Vec2 aMin = a.GetMin(), aMax = a.GetMax(), bMin = b.GetMin(), bMax = b.GetMax();
  if (bMin.x > aMax.x || aMin.x > bMax.x || bMin.y > aMax.y || aMin.y > bMax.y) return false;
  const Vec2 d = b.GetPosition() - a.GetPosition();
  const double overlapX = std::min(std::fabs(aMax.x - bMin.x), std::fabs(aMin.x - bMax.x));
  const double overlapY = std::min(std::fabs(aMax.y - bMin.y), std::fabs(aMin.y - bMax.y));
  manifold.contactCount = 1;
  if (overlapY > overlapX) {
    manifold.normal = d.x > 0 ? Vec2{1, 0} : Vec2{-1, 0};
  } else {
    manifold.normal = d.y > 0 ? Vec2{0, 1} : Vec2{0, -1};
  }
  manifold.penetration = std::min(overlapX, overlapY);
  manifold.contacts[0] = {d.x > 0 ? bMin.x : bMax.x, d.y > 0 ? bMin.y : bMax.y};
  return true;
}

bool CircleCircleTest(const Circle2D& a, const Circle2D& b, Manifold& manifold) {
  const Vec2 d = b.GetPosition() - a.GetPosition();
  const double reach = a.GetRadius() + b.GetRadius();
  if (reach * reach < d.LengthSquared()) return false;
  manifold.contactCount = 1;
  const double distance = d.Length();
  if (distance > 0.0001) {
    manifold.penetration = reach - distance;
    manifold.normal = d / distance;
    manifold.contacts[0] = a.GetPosition() + manifold.normal * a.GetRadius();
  } else {
    manifold.normal = {1, 0};
    manifold.penetration = std::max(a.GetRadius(), b.GetRadius());
    manifold.contacts[0] = a.GetPosition();
  }
  return true;
}

bool CircleBoxTest(const Circle2D& circle, const AABB& box, Manifold& manifold) {
  const Vec2 centre = circle.GetPosition();
  const Vec2 d = centre - box.GetPosition();
  const double hw = box.GetWidth() * 0.5;
  const double hh = box.GetHeight() * 0.5;
  Vec2 q{std::clamp(d.x, -hw, hw), std::clamp(d.y, -hh, hh)};
  const bool inside = q.x == d.x && q.y == d.y;
  // The outward axis of the face an inside centre is taken to.
  Vec2 faceAxis;
  if (inside) {
    const Vec2 min = box.GetMin(), max = box.GetMax();
    const double ex = std::min(max.x - centre.x, centre.x - min.x);
    const double ey = std::min(max.y - centre.y, centre.y - min.y);
    // A centre on the box's centre line goes to the negative face.
    if (ey > ex) {
      q.x = q.x > 0 ? hw : -hw;
      faceAxis = {q.x > 0 ? 1.0 : -1.0, 0.0};
    } else {
      q.y = q.y > 0 ? hh : -hh;
      faceAxis = {0.0, q.y > 0 ? 1.0 : -1.0};
    }
  }
  const Vec2 n = q - d;
  const double radius = circle.GetRadius();
  if (!inside && n.LengthSquared() > radius * radius) return false;
  manifold.contactCount = 1;
  const double length = n.Length();
  // An inside centre lies length short of the face: the circle goes out by
  // that and its whole radius to touch it.
  manifold.penetration = inside ? radius + length : radius - length;
  if (inside) {
    // A centre lying on that very face has no direction to it: take the one
    // the test gives just inside and just outside the face.
    manifold.normal = length > 0 ? -n / length : -faceAxis;
    manifold.contacts[0] = centre;
  } else {
    manifold.normal = n / length;
    manifold.contacts[0] = centre + manifold.normal * radius;
  }
  return true;
}

bool CircleOBBTest(const Circle2D& circle, const OBB& box, Manifold& manifold) {
  const Quad p(box);
  Vec2 axes[2] = {AcrossEdge(p.corners[1] - p.corners[0], true), AcrossEdge(p.corners[2] - p.corners[1], true)};
  double overlaps[2] = {0.0, 0.0};
  const double radius = circle.GetRadius();
  for (int k = 0; k < 2; ++k) {
    const double c = axes[k].Dot(circle.GetPosition());
    const Span span = Project(p, axes[k]);
    const double o1 = (c + radius) - span.min;
    const double o2 = span.max - (c - radius);
    // Touching counts, as it does for the other shapes: a circle pushed out
    // of a turned box rests on it, in contact, the next frame too.
    if (o1 < -kTouchingGap || o2 < -kTouchingGap) return false;
    if (o2 <= o1) {
      overlaps[k] = o2;
      axes[k] = -axes[k];
    } else {
      overlaps[k] = o1;
    }
  }
  manifold.contactCount = 1;
  const int chosen = overlaps[1] <= overlaps[0] ? 1 : 0;
  manifold.normal = axes[chosen];
  manifold.penetration = overlaps[chosen];
  manifold.contacts[0] = circle.GetPosition() - manifold.normal * manifold.penetration;
  return true;
}

bool OBBOBBTest(const OBB& a, const OBB& b, Manifold& manifold) {
  return SeparatingAxisTest(Quad(a), Quad(b), manifold);
}

bool BoxOBBTest(const AABB& a, const OBB& b, Manifold& manifold) {
  return SeparatingAxisTest(Quad(a), Quad(b), manifold);
}

bool OBBBoxTest(const OBB& a, const AABB& b, Manifold& manifold) {
  return SeparatingAxisTest(Quad(a), Quad(b), manifold);
}

}  // namespace Orv
