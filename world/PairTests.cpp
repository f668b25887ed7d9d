#include "world/PairTests.h"

#include <algorithm>
#include <cmath>

namespace Orv {

namespace {

// Shorter edges than 1e-4 give no axis.
constexpr double kDegenerateEdge = 1e-8;

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

Span Project(const VertexArray& corners, const Vec2& axis) {
  Span span{corners[0].Dot(axis), corners[0].Dot(axis)};
  for (unsigned i = 1; i < corners.Count(); ++i) {
    const double p = corners[i].Dot(axis);
    span.min = std::min(span.min, p);
    span.max = std::max(span.max, p);
  }
  return span;
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
  const VertexArray& p = box.GetCorners();
  Vec2 axes[2] = {AcrossEdge(p[1] - p[0], true), AcrossEdge(p[2] - p[1], true)};
  double overlaps[2] = {0.0, 0.0};
  const double radius = circle.GetRadius();
  for (int k = 0; k < 2; ++k) {
    const double c = axes[k].Dot(circle.GetPosition());
    const Span span = Project(p, axes[k]);
    const double o1 = (c + radius) - span.min;
    const double o2 = span.max - (c - radius);
    if (o1 <= 0 || o2 <= 0) return false;
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
  const VertexArray& pa = a.GetCorners();
  const VertexArray& pb = b.GetCorners();
  const Vec2 axes[4] = {AcrossEdge(pa[1] - pa[0], false), AcrossEdge(pa[2] - pa[1], false),
                        AcrossEdge(pb[1] - pb[0], false), AcrossEdge(pb[2] - pb[1], false)};
  double best = 1e8;
  int bestAxis = 0;
  for (int k = 0; k < 4; ++k) {
    const Span sa = Project(pa, axes[k]);
    const Span sb = Project(pb, axes[k]);
    const double d1 = sa.max - sb.min;
    const double d2 = sb.max - sa.min;
    if (d1 * d2 < 0) return false;
    const double overlap = std::min(d1, d2);
    if (overlap < best) {
      best = overlap;
      bestAxis = k;
    }
  }
  const Vec2 n = axes[bestAxis];
  manifold.normal = (b.GetPosition() - a.GetPosition()).Dot(n) < 0 ? -n : n;
  manifold.penetration = best;
  manifold.contactCount = 0;
  // The box whose axis separates least is the reference; the other one's
  // corners are the contacts.
  if (bestAxis < 2) {
    b.FindContactPoints(a, manifold);
  } else {
    a.FindContactPoints(b, manifold);
  }
  return true;
}

void OBB::FindContactPoints(const OBB& reference, Manifold& manifold) const {
  if (manifold.contactCount >= 2) return;
  // The corners nearest the line through the origin across the normal, one
  // met scanning forwards and one backwards.
  constexpr double kNoKey = 1e18;
  double bestKey = kNoKey;
  for (unsigned i = 0; i < 4; ++i) {
    const double along = corners_[i].Dot(manifold.normal);
    if (along * along < bestKey) {
      bestKey = along * along;
      manifold.contacts[0] = corners_[i];
    }
  }
  bestKey = kNoKey;
  for (unsigned i = 4; i-- > 0;) {
    const double along = corners_[i].Dot(manifold.normal);
    if (along * along < bestKey) {
      bestKey = along * along;
      manifold.contacts[1] = corners_[i];
    }
  }
  if (manifold.contacts[0] == manifold.contacts[1]) {
    manifold.contactCount = 1;
    return;
  }
  const double hw = reference.GetWidth() * 0.5;
  const double hh = reference.GetHeight() * 0.5;
  const double a = reference.GetRotation() * kDegreesToRadians;
  const Vec2 u{std::cos(a) * hw, std::sin(a) * hw};
  const Vec2 v{-std::sin(a) * hh, std::cos(a) * hh};
  const Vec2 r = reference.GetPosition();
  const auto within = [](double value, double centre, double extent) {
    return centre - extent <= value && value <= centre + extent;
  };
  // The reference box's x and y reach along each of its half axes.
  const bool facing = within(x_, r.x, u.x) || within(y_, r.y, v.y) || within(x_, r.x, std::fabs(v.x)) ||
                      within(y_, r.y, std::fabs(u.y));
  manifold.contactCount = facing ? 2 : 1;
}

}  // namespace Orv
