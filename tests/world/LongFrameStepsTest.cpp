// A frame of any length moves the world as the same time in frames of 1/60 s
// does. Seeded scenes of static walls of every shape in a closed box and
// bodies of every shape thrown about under gravity, run for the same time in
// frames of 1/60 s and of longer lengths up to 0.1 s: each body ends near
// where the short frames leave it, none beyond a wall it started inside of.
// A failing seed prints its scene.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

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

constexpr double kGravity = 320;
// The box's inside, 0..kSide both ways, walls 20 thick.
constexpr double kSide = 400;

struct Shape {
  const char* type;
  double x, y, width, height, radius, turned;
};

struct Thrown {
  Shape shape;
  double vx, vy, bounce;
};

struct SceneLayout {
  std::vector<Shape> walls;
  std::vector<Thrown> bodies;
  std::string text;
};

SceneLayout Generate(unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  SceneLayout layout;
  layout.walls = {{"AABB", kSide / 2, kSide + 10, kSide + 40, 20, 0, 0},
                  {"AABB", kSide / 2, -10, kSide + 40, 20, 0, 0},
                  {"AABB", -10, kSide / 2, 20, kSide + 40, 0, 0},
                  {"AABB", kSide + 10, kSide / 2, 20, kSide + 40, 0, 0}};
  char line[200];
  // A few walls inside, low down, of every shape, 4 to 40 thick.
  for (int k = 0; k < 3; ++k) {
    const double x = 60 + 280 * unit(random), y = 250 + 120 * unit(random);
    const double thick = 4 + 36 * unit(random), length = 40 + 80 * unit(random);
    const int kind = static_cast<int>(3 * unit(random));
    Shape wall = kind == 0   ? Shape{"AABB", x, y, length, thick, 0, 0}
                 : kind == 1 ? Shape{"OBB", x, y, length, thick, 0, 180 * unit(random)}
                             : Shape{"Circle", x, y, 0, 0, thick, 0};
    layout.walls.push_back(wall);
    std::snprintf(line, sizeof line, "wall %s at (%.1f, %.1f) %.1f x %.1f r %.1f turned %.1f\n", wall.type, wall.x,
                  wall.y, wall.width, wall.height, wall.radius, wall.turned);
    layout.text += line;
  }
  // Bodies high up, one to a column so that they seldom meet.
  for (int k = 0; k < 5; ++k) {
    const int kind = static_cast<int>(3 * unit(random));
    const double size = 6 + 10 * unit(random);
    Thrown body{kind == 0   ? Shape{"AABB", 0, 0, 2 * size, 2 * size, 0, 0}
                : kind == 1 ? Shape{"OBB", 0, 0, 2 * size, 2 * size, 0, 90 * unit(random)}
                            : Shape{"Circle", 0, 0, 0, 0, size, 0},
                0, 0, 0.9 * unit(random)};
    body.shape.x = 40 + 80 * k;
    body.shape.y = 40 + 100 * unit(random);
    body.vx = 600 * unit(random) - 300;
    body.vy = 600 * unit(random) - 300;
    layout.bodies.push_back(body);
    std::snprintf(line, sizeof line,
                  "body %s at (%.1f, %.1f) size %.1f turned %.1f velocity (%.1f, %.1f) bounce %.2f\n", body.shape.type,
                  body.shape.x, body.shape.y, size, body.shape.turned, body.vx, body.vy, body.bounce);
    layout.text += line;
  }
  return layout;
}

std::shared_ptr<GameObject> Make(const Shape& shape) {
  auto object = std::make_shared<GameObject>(nullptr, 1);
  auto collision = std::make_shared<CollisionComponent>();
  collision->Setup();
  collision->SetColliderByName(shape.type);
  collision->SetRealProperty(CollisionComponent::PosX, shape.x);
  collision->SetRealProperty(CollisionComponent::PosY, shape.y);
  if (shape.radius > 0) {
    collision->SetRealProperty(CollisionComponent::Radius, shape.radius);
  } else {
    collision->SetRealProperty(CollisionComponent::Width, shape.width);
    collision->SetRealProperty(CollisionComponent::Height, shape.height);
  }
  if (shape.turned != 0) collision->SetRealProperty(CollisionComponent::Orientation, shape.turned);
  collision->GetCollider()->UpdateBounds();
  object->AddComponent(TypeKey<CollisionComponent>(), collision);
  object->AddComponent(TypeKey<TransformComponent>(), std::make_shared<TransformComponent>());
  return object;
}

// Whether the point lies inside the wall's shape.
bool Inside(const Shape& wall, const Vec2& p) {
  const double dx = p.x - wall.x, dy = p.y - wall.y;
  if (wall.radius > 0) return dx * dx + dy * dy < wall.radius * wall.radius;
  const double a = wall.turned * 3.14159265358979 / 180;
  const double u = dx * std::cos(a) + dy * std::sin(a), v = -dx * std::sin(a) + dy * std::cos(a);
  return std::fabs(u) < wall.width / 2 && std::fabs(v) < wall.height / 2;
}

struct Ends {
  std::vector<Vec2> places;
  // The first frame that found a body's centre inside a wall or out of the box.
  std::string escaped;
};

// The scene run for the seconds given in frames of dt, a script setting each
// body's gravity every frame.
Ends RunFor(const SceneLayout& layout, float dt, double seconds) {
  CollisionEngine engine(nullptr);
  PhysicEngine physics(nullptr);
  engine.StepBodiesWith(&physics);
  std::vector<std::shared_ptr<GameObject>> walls, bodies;
  const auto offer = [&](const std::shared_ptr<GameObject>& object) {
    engine.OnGameObjectAdded(ObjectLockPtr<GameObject>(object));
    physics.OnGameObjectAdded(ObjectLockPtr<GameObject>(object));
  };
  // Each collider says what it was made as.
  ::testing::internal::CaptureStdout();
  for (const Shape& shape : layout.walls) walls.push_back(Make(shape));
  for (const Thrown& thrown : layout.bodies) {
    auto object = Make(thrown.shape);
    auto rigid = std::make_shared<RigidBodyComponent>();
    rigid->body.SetMass(1);
    rigid->body.velocity = {thrown.vx, thrown.vy};
    rigid->body.bouncy = thrown.bounce;
    rigid->body.position = {thrown.shape.x, thrown.shape.y};
    rigid->body.SetInertiaOf(*object->GetComponent<CollisionComponent>().Lock()->GetCollider());
    object->AddComponent(TypeKey<RigidBodyComponent>(), rigid);
    bodies.push_back(object);
  }
  ::testing::internal::GetCapturedStdout();
  for (const auto& wall : walls) offer(wall);
  for (const auto& body : bodies) offer(body);
  Ends ends;
  const auto place = [](const std::shared_ptr<GameObject>& body) {
    return body->GetComponent<CollisionComponent>().Lock()->GetCollider()->GetPosition();
  };
  const int frames = static_cast<int>(std::lround(seconds / dt));
  for (int frame = 0; frame < frames; ++frame) {
    // SetAcceleration(0, 320) stores 60 times that.
    for (const auto& body : bodies) {
      body->GetComponent<RigidBodyComponent>().Lock()->body.acceleration = {0, 60 * kGravity};
    }
    engine.PreUpdate(dt);
    engine.Update(dt);
    physics.PreUpdate(dt);
    physics.Update(dt);
    engine.LateUpdate(dt);
    for (std::size_t k = 0; k < bodies.size() && ends.escaped.empty(); ++k) {
      const Vec2 p = place(bodies[k]);
      const bool inWall =
          std::any_of(layout.walls.begin(), layout.walls.end(), [&](const Shape& w) { return Inside(w, p); });
      if (inWall || !(p.x > 0 && p.x < kSide && p.y > 0 && p.y < kSide)) {
        char text[160];
        std::snprintf(text, sizeof text, "body %zu at (%.2f, %.2f) in frame %d", k, p.x, p.y, frame);
        ends.escaped = text;
      }
    }
  }
  for (const auto& body : bodies) ends.places.push_back(place(body));
  return ends;
}

}  // namespace

// Frames of whole sixtieths of a second are that many steps of the world:
// they end where frames of 1/60 s do. Frames of any other length take steps
// a little shorter than 1/60 s, which bodies meeting one another magnify, so
// those are held to what holds at any step: no body ends a frame inside a
// wall or out of the box.
TEST(LongFrameSteps, TheSameSceneEndsAtTheSamePlaceForAnyFrameLength) {
  for (unsigned seed = 1; seed <= 8; ++seed) {
    const SceneLayout layout = Generate(seed);
    const Ends shortFrames = RunFor(layout, 1.0f / 60.0f, 2.0);
    EXPECT_EQ(shortFrames.escaped, "") << "seed " << seed << ", frames of 1/60 s\n" << layout.text;
    std::mt19937 random(seed);
    const float drawn = std::uniform_real_distribution<float>(1.0f / 60.0f, 0.1f)(random);
    for (const float dt : {1.0f / 30.0f, 0.05f, 1.0f / 12.0f, 0.1f, drawn}) {
      const Ends ends = RunFor(layout, dt, 2.0);
      EXPECT_EQ(ends.escaped, "") << "seed " << seed << ", frames of " << dt << " s\n" << layout.text;
      if (dt == drawn) continue;
      double farthest = 0;
      for (std::size_t k = 0; k < ends.places.size(); ++k) {
        farthest = std::max(farthest, (ends.places[k] - shortFrames.places[k]).Length());
      }
      EXPECT_LE(farthest, 0.01) << "seed " << seed << ", frames of " << dt << " s\n" << layout.text;
    }
  }
}
