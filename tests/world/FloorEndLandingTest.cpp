// A fast body landing on a floor near its end, whose step would slide it on
// past the end, has its fall answered where it lands, at any frame length: a
// frame of any length is steps a little shorter than 1/60 s, which move
// where in a step it lands, and a slide that ended round the floor's corner,
// still touching it, had its fall answered by the corner's normal and flew
// on downwards past the end. Seeded landings of circles and boxes at
// 3000-12000 px/s, 30-60 degrees below level, frames of 1/60 to 0.1 s: none
// ever lower than resting on the floor's top level.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <string>

#include "core/GameObject.h"
#include "core/TransformComponent.h"
#include "core/TypeKey.h"
#include "world/Collider.h"
#include "world/CollisionComponent.h"
#include "world/CollisionEngine.h"
#include "world/PhysicEngine.h"
#include "world/RigidBodyComponent.h"

using namespace Orv;

namespace {

// A floor 200 x 20 whose top is at kTop and right end at kEnd.
constexpr double kTop = 1990;
constexpr double kEnd = 17100;

std::shared_ptr<GameObject> Make(const char* type, double x, double y, double width, double height) {
  auto object = std::make_shared<GameObject>(nullptr, 1);
  auto collision = std::make_shared<CollisionComponent>();
  collision->Setup();
  collision->SetColliderByName(type);
  collision->SetRealProperty(CollisionComponent::PosX, x);
  collision->SetRealProperty(CollisionComponent::PosY, y);
  if (std::string(type) == "Circle") {
    collision->SetRealProperty(CollisionComponent::Radius, width / 2);
  } else {
    collision->SetRealProperty(CollisionComponent::Width, width);
    collision->SetRealProperty(CollisionComponent::Height, height);
  }
  collision->GetCollider()->UpdateBounds();
  object->AddComponent(TypeKey<CollisionComponent>(), collision);
  object->AddComponent(TypeKey<TransformComponent>(), std::make_shared<TransformComponent>());
  return object;
}

}  // namespace

TEST(FloorEndLanding, AFastBodyLandingNearAFloorsEndSlidesOffItLevelAtAnyFrameLength) {
  std::mt19937 random(2026);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  int lower = 0;
  for (int trial = 0; trial < 600; ++trial) {
    const bool round = trial % 2 == 0;
    const double size = 12 + 12 * unit(random);
    const double speed = 3000 + 9000 * unit(random), degrees = 30 + 30 * unit(random);
    const Vec2 velocity{speed * std::cos(degrees * 3.14159265358979 / 180),
                        speed * std::sin(degrees * 3.14159265358979 / 180)};
    // The first frame lands it a share of a sixtieth of a second in, a few px
    // short of the end; the frames from then on are of any length.
    const double share = 0.05 + 0.9 * unit(random), shortOfEnd = 1 + 6 * unit(random);
    const Vec2 landing{kEnd - shortOfEnd, kTop - size / 2};
    const Vec2 from = landing - velocity * (share / 60);
    std::vector<float> frames;
    for (int k = 0; k < 20; ++k) {
      frames.push_back(trial < 60 ? 1.0f / 60 : static_cast<float>(1.0 / 60 + (0.1 - 1.0 / 60) * unit(random)));
    }
    CollisionEngine engine(nullptr);
    PhysicEngine physics(nullptr);
    engine.StepBodiesWith(&physics);
    ::testing::internal::CaptureStdout();
    auto floor = Make("AABB", kEnd - 100, kTop + 10, 200, 20);
    auto body = Make(round ? "Circle" : "AABB", from.x, from.y, size, size);
    auto rigid = std::make_shared<RigidBodyComponent>();
    rigid->body.SetMass(1);
    rigid->body.position = from;
    rigid->body.SetInertiaOf(*body->GetComponent<CollisionComponent>().Lock()->GetCollider());
    body->AddComponent(TypeKey<RigidBodyComponent>(), rigid);
    ::testing::internal::GetCapturedStdout();
    for (const auto& object : {floor, body}) {
      engine.OnGameObjectAdded(ObjectLockPtr<GameObject>(object));
      physics.OnGameObjectAdded(ObjectLockPtr<GameObject>(object));
    }
    // Set as a script sets it, after the frame's move.
    rigid->body.velocity = velocity;
    double deepest = 0;
    std::string shown;
    for (const float dt : frames) {
      engine.PreUpdate(dt);
      engine.Update(dt);
      physics.PreUpdate(dt);
      physics.Update(dt);
      engine.LateUpdate(dt);
      const Collider& collider = *body->GetComponent<CollisionComponent>().Lock()->GetCollider();
      deepest = std::max(deepest, collider.GetMax().y - kTop);
      char line[160];
      std::snprintf(line, sizeof line, "  frame of %.4f s: at (%.2f, %.2f) moving (%.1f, %.1f)\n", dt,
                    collider.GetPosition().x, collider.GetPosition().y, rigid->body.velocity.x,
                    rigid->body.velocity.y);
      if (shown.size() < 600) shown += line;
    }
    if (deepest > 0.05 && ++lower <= 3) {
      ADD_FAILURE() << (round ? "circle" : "box") << " " << size << " at " << speed << " px/s, " << degrees
                    << " degrees, landing at share " << share << " of a 1/60 s step, " << shortOfEnd
                    << " px short of the end: " << deepest << " px below the floor's top\n"
                    << shown;
    }
  }
  EXPECT_EQ(lower, 0) << "landings that ended lower than the floor's top";
}
