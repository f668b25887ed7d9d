// A pile of 300 circles, 25 rows high, falling into a closed narrow box of
// static walls, stepped by the collision and physics engines at exactly 1/60 s
// a frame, as a game at 60 frames a second steps it: gravity of 320 a second
// added to every body after each step, as their scripts would add it;
// undamped and damped by a tenth a step. A lone circle beside the box falls
// onto a floor 100 thick. Walls 40 thick, with the rows 20 apart from just
// above the floor, press circles into the box's lower corners as hard as a
// box of 1000 does: the press comes from the pile's height. And a circle
// shoved over a wall's corner by a heavy body leaves it across the face it
// reached last.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "core/GameObject.h"
#include "core/TransformComponent.h"
#include "core/TypeKey.h"
#include "world/CollisionComponent.h"
#include "world/CollisionEngine.h"
#include "world/ContactTolerances.h"
#include "world/PhysicEngine.h"
#include "world/RigidBodyComponent.h"

using namespace Orv;

namespace {

constexpr double kRadius = 8, kWidth = 240, kHeight = 600;
constexpr int kColumns = 12, kRows = 25, kFrames = 200;
constexpr float kStep = 1.0f / 60.0f;

struct Made {
  std::shared_ptr<GameObject> object;
  Collider* collider;
  RigidBody* body;
};

Made Make(const char* shape, double x, double y, double width, double height, double friction, bool body,
          double radius = kRadius, double mass = 1.0) {
  static std::uint32_t next = 0;
  auto object = std::make_shared<GameObject>(nullptr, next);
  object->SetUniqueId(++next);
  auto collision = std::make_shared<CollisionComponent>();
  collision->SetColliderByName(shape);
  collision->SetRealProperty(CollisionComponent::PosX, x);
  collision->SetRealProperty(CollisionComponent::PosY, y);
  collision->SetRealProperty(CollisionComponent::Radius, radius);
  collision->SetRealProperty(CollisionComponent::Width, width);
  collision->SetRealProperty(CollisionComponent::Height, height);
  collision->GetCollider()->UpdateBounds();
  object->AddComponent(TypeKey<CollisionComponent>(), collision);
  object->AddComponent(TypeKey<TransformComponent>(), std::make_shared<TransformComponent>());
  RigidBody* rigidBody = nullptr;
  if (body) {
    auto rigid = std::make_shared<RigidBodyComponent>();
    rigid->body.SetMass(mass);
    rigid->body.friction = friction;
    rigidBody = &rigid->body;
    object->AddComponent(TypeKey<RigidBodyComponent>(), rigid);
  }
  return {object, collision->GetCollider(), rigidBody};
}

struct Figures {
  // Circles whose centre lay past a wall's face after some frame's step, and
  // the deepest any lay past one.
  int everOutside = 0;
  double deepest = -1e9;
  int insideAtEnd = 0;
  std::size_t touching = 0;
  double pairOverlap = 0;
  double wallOverlap = 0;
  // Where the lone circle's lowest edge lay from its floor's top over the
  // last 100 frames.
  double loneLow = 1e9, loneHigh = -1e9;
};

// The walls' thickness, the first circle's place, and the steps to the next
// column and row.
struct Layout {
  double wall, x, y, column, row;
};
constexpr Layout kThick{100, 20.5, 20, 19, 19};
constexpr Layout kThin{40, 10, 560, 20, -20};

Figures RunPile(double friction, const Layout& layout) {
  const double kWall = layout.wall;
  CollisionEngine collisions(nullptr);
  PhysicEngine physics(nullptr);
  std::vector<Made> made;
  made.push_back(Make("AABB", kWidth / 2, -kWall / 2, kWidth + 2 * kWall, kWall, 0, false));
  made.push_back(Make("AABB", kWidth / 2, kHeight + kWall / 2, kWidth + 2 * kWall, kWall, 0, false));
  made.push_back(Make("AABB", -kWall / 2, kHeight / 2, kWall, kHeight, 0, false));
  made.push_back(Make("AABB", kWidth + kWall / 2, kHeight / 2, kWall, kHeight, 0, false));
  // The lone circle's floor, its top at 650.
  made.push_back(Make("AABB", 2000, 650 + kWall / 2, 200, kWall, 0, false));
  std::vector<Made> balls;
  for (int row = 0; row < kRows; ++row) {
    for (int column = 0; column < kColumns; ++column) {
      balls.push_back(
          Make("Circle", layout.x + layout.column * column, layout.y + layout.row * row, 0, 0, friction, true));
      made.push_back(balls.back());
    }
  }
  const Made lone = Make("Circle", 2000, 500, 0, 0, 0, true);
  made.push_back(lone);
  ::testing::internal::CaptureStdout();
  for (const Made& m : made) {
    collisions.OnGameObjectAdded(ObjectLockPtr<GameObject>(m.object));
    physics.OnGameObjectAdded(ObjectLockPtr<GameObject>(m.object));
  }
  Figures f;
  std::vector<bool> wasOutside(balls.size());
  for (int frame = 0; frame < kFrames; ++frame) {
    collisions.PreUpdate(kStep);
    collisions.Update(kStep);
    physics.PreUpdate(kStep);
    physics.Update(kStep);
    for (const Made& m : made) {
      if (m.body != nullptr) m.body->velocity.y += 320 * kStep;
      m.object->GetComponent<CollisionComponent>().Lock()->ClearContacts();
    }
    collisions.LateUpdate(kStep);
    for (std::size_t i = 0; i < balls.size(); ++i) {
      const Vec2 p = balls[i].collider->GetPosition();
      const double past = std::max({-p.x, p.x - kWidth, -p.y, p.y - kHeight});
      f.deepest = std::max(f.deepest, past);
      if (past >= 0 && !wasOutside[i]) {
        wasOutside[i] = true;
        ++f.everOutside;
      }
    }
    if (frame >= kFrames - 100) {
      const double edge = lone.collider->GetPosition().y + kRadius - 650;
      f.loneLow = std::min(f.loneLow, edge);
      f.loneHigh = std::max(f.loneHigh, edge);
    }
  }
  ::testing::internal::GetCapturedStdout();
  for (std::size_t i = 0; i < balls.size(); ++i) {
    const Vec2 p = balls[i].collider->GetPosition();
    if (p.x > 0 && p.x < kWidth && p.y > 0 && p.y < kHeight) ++f.insideAtEnd;
    for (double reach : {kRadius - p.x, p.x + kRadius - kWidth, kRadius - p.y, p.y + kRadius - kHeight}) {
      f.wallOverlap = std::max(f.wallOverlap, reach);
    }
    for (std::size_t j = i + 1; j < balls.size(); ++j) {
      const double d = (balls[j].collider->GetPosition() - p).Length();
      if (d <= 2 * kRadius) {
        ++f.touching;
        f.pairOverlap = std::max(f.pairOverlap, 2 * kRadius - d);
      }
    }
  }
  return f;
}

}  // namespace

TEST(StaticContact, ATallPileStaysInItsBoxUndampedAndDampedAndALoneCircleRestsOnItsFloor) {
  for (const auto& [friction, layout] : {std::pair{0.0, kThick}, {0.1, kThick}, {0.0, kThin}}) {
    const Figures f = RunPile(friction, layout);
    std::printf(
        "walls %g, damping %.1f, %d frames of 1/60: %d of %d inside at the end, %d ever outside, deepest centre %.3f "
        "past a face; %zu touching pairs, largest overlap %.3f between circles and %.3f with a wall; lone "
        "circle's edge %.4f to %.4f from its floor's top\n",
        layout.wall, friction, kFrames, f.insideAtEnd, kColumns * kRows, f.everOutside, f.deepest, f.touching,
        f.pairOverlap, f.wallOverlap, f.loneLow, f.loneHigh);
    EXPECT_EQ(f.insideAtEnd, kColumns * kRows) << layout.wall << " " << friction;
    EXPECT_EQ(f.everOutside, 0) << layout.wall << " " << friction;
    EXPECT_LT(f.wallOverlap, 1.0) << layout.wall << " " << friction << ": at rest, no circle lies deep in a wall";
    EXPECT_NEAR(f.loneLow, 0, 0.01) << layout.wall << " " << friction;
    EXPECT_NEAR(f.loneHigh, 0, 0.01) << layout.wall << " " << friction;
  }
}

// The circle starts 7.6 clear of the wall's corner; the heavy body behind it
// shoves it by (18, 14), its centre into the wall. Its box would cross the
// left face first and the top last, but the circle itself first touches the
// corner, at 0.3503 of the shove (centre 96.305, 92.904): it goes back out
// along the corner's direction there, (-0.4618, -0.8870), by the 13.469 it
// lies behind that tangent, and ends clear of the wall.
TEST(StaticContact, ACircleShovedOverAWallsCornerLeavesTheWayItsShapeCame) {
  CollisionEngine collisions(nullptr);
  const Vec2 shove{18, 14};
  const Vec2 along = shove / shove.Length();
  const Made wall = Make("AABB", 150, 150, 100, 100, 0, false);
  const Made circle = Make("Circle", 90, 88, 0, 0, 0, true);
  // Overlapping the circle by the shove and the overlap a correction leaves.
  const Vec2 behind = Vec2{90, 88} - along * (28 - (shove.Length() + kLeftOverlap));
  const Made heavy = Make("Circle", behind.x, behind.y, 0, 0, 0, true, 20, 1e9);
  for (const Made& m : {wall, circle, heavy}) collisions.OnGameObjectAdded(ObjectLockPtr<GameObject>(m.object));
  collisions.PreUpdate(kStep);
  const Vec2 p = circle.collider->GetPosition();
  std::printf("shoved circle ends at %.4f %.4f\n", p.x, p.y);
  EXPECT_NEAR(p.x, 101.780, 0.01) << "back along the direction of the corner it met";
  EXPECT_NEAR(p.y, 90.054, 0.01) << "back along the direction of the corner it met";
  EXPECT_GE((p - Vec2{100, 100}).Length(), kRadius - 0.05) << "clear of the wall";
}
