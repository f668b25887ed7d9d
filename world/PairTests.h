#pragma once
// The narrow-phase tests between two shapes. Each answers whether they touch
// and, when they do, writes penetration, normal (from the first shape towards
// the second), contact count and contact points into the manifold; when they
// do not, the manifold is left as it was.
#include "world/Collider.h"
#include "world/Manifold.h"

namespace Orv {

// Touching boxes collide; equal overlaps resolve along y.
bool BoxBoxTest(const AABB& a, const AABB& b, Manifold& manifold);
// Touching circles collide; coincident centres give the normal (1, 0).
bool CircleCircleTest(const Circle2D& a, const Circle2D& b, Manifold& manifold);
// Touching collides. A centre inside the box goes out through the nearer face:
// the penetration is then the radius plus the centre's depth.
bool CircleBoxTest(const Circle2D& circle, const AABB& box, Manifold& manifold);
// Separating axes from the box's two edges; touching does not collide.
bool CircleOBBTest(const Circle2D& circle, const OBB& box, Manifold& manifold);
// Separating axes from both boxes' edges; ties keep the earlier axis.
// Touching collides. The contacts are the corners of the box whose axis did
// not win reaching deepest into the other, kept within the other's face. An
// axis-aligned box is an oriented box at no angle.
bool OBBOBBTest(const OBB& a, const OBB& b, Manifold& manifold);
bool BoxOBBTest(const AABB& a, const OBB& b, Manifold& manifold);
bool OBBBoxTest(const OBB& a, const AABB& b, Manifold& manifold);

}  // namespace Orv
