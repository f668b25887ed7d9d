// Seeded scenes of turnable boxes at small random angles, sizes, masses and
// offsets, stacked and side by side on a floor, stepped as the program steps
// them (a script's gravity, the collision pass, the physics step) at 60
// frames a second or with 0.1-s frames: no pass but gravity adds kinetic
// energy, turning included, and no box outruns a fall from the highest start.
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

struct Piece {
  std::string shape;
  Vec2 at;
  double width, height, degrees;
  // False for a static collider.
  bool body;
  double mass = 1;
  double bouncy = 0;
};

class World {
 public:
  explicit World(const std::vector<Piece>& pieces) {
    std::uint32_t id = 1;
    for (const Piece& piece : pieces) {
      auto object = std::make_shared<GameObject>(nullptr, 1);
      object->SetUniqueId(id++);
      auto collision = std::make_shared<CollisionComponent>();
      ::testing::internal::CaptureStdout();
      collision->SetColliderByName(piece.shape);
      ::testing::internal::GetCapturedStdout();
      collision->SetRealProperty(CollisionComponent::PosX, piece.at.x);
      collision->SetRealProperty(CollisionComponent::PosY, piece.at.y);
      collision->SetRealProperty(CollisionComponent::Width, piece.width);
      collision->SetRealProperty(CollisionComponent::Height, piece.height);
      collision->SetRealProperty(CollisionComponent::Radius, piece.width / 2);
      collision->SetRealProperty(CollisionComponent::Orientation, piece.degrees);
      collision->GetCollider()->UpdateBounds();
      object->AddComponent(TypeKey<CollisionComponent>(), collision);
      object->AddComponent(TypeKey<TransformComponent>(), std::make_shared<TransformComponent>());
      if (piece.body) {
        auto rigid = std::make_shared<RigidBodyComponent>();
        rigid->body.SetMass(piece.mass);
        rigid->body.bouncy = piece.bouncy;
        rigid->body.position = piece.at;
        rigid->body.direction = piece.degrees;
        object->AddComponent(TypeKey<RigidBodyComponent>(), rigid);
        bodies_.push_back(rigid);
        bodyColliders_.push_back(collision);
      }
      colliders_.push_back(collision);
      collision_.OnGameObjectAdded(ObjectLockPtr<GameObject>(object));
      physics_.OnGameObjectAdded(ObjectLockPtr<GameObject>(object));
      objects_.push_back(object);
    }
  }

  // Gravity as a script adds it.
  void Fall(float dt) {
    const double step = std::max(static_cast<double>(dt), 1.0 / 60);
    for (auto& rigid : bodies_) rigid->body.velocity.y += kGravity * step;
  }
  // The rest of the frame.
  void Answer(float dt) {
    collision_.PreUpdate(dt);
    collision_.Update(dt);
    physics_.PreUpdate(dt);
    physics_.Update(dt);
    collision_.LateUpdate(dt);
  }

  std::size_t BodyCount() const { return bodies_.size(); }
  const RigidBody& Body(std::size_t k) const { return bodies_[k]->body; }
  // Of the k-th body.
  const OBB& Box(std::size_t k) const { return static_cast<const OBB&>(*bodyColliders_[k]->GetCollider()); }

  // Moving and turning, the turn in radians.
  double Kinetic() const {
    double energy = 0;
    for (std::size_t k = 0; k < bodies_.size(); ++k) {
      const RigidBody& b = Body(k);
      const OBB& box = Box(k);
      const double inertia = b.mass * (box.GetWidth() * box.GetWidth() + box.GetHeight() * box.GetHeight()) / 12;
      const double w = b.angularVelocity * 3.14159265358979323846 / 180;
      energy += 0.5 * b.mass * b.velocity.LengthSquared() + 0.5 * inertia * w * w;
    }
    return energy;
  }

 private:
  CollisionEngine collision_{nullptr};
  PhysicEngine physics_{nullptr};
  std::vector<std::shared_ptr<GameObject>> objects_;
  std::vector<std::shared_ptr<RigidBodyComponent>> bodies_;
  std::vector<std::shared_ptr<CollisionComponent>> colliders_;
  std::vector<std::shared_ptr<CollisionComponent>> bodyColliders_;
};

constexpr double kFloorTop = 500;

struct Scene {
  float dt;
  std::vector<Piece> pieces;
  std::string text;
};

// Columns of one to six boxes 16-48 px a side, each turned up to 5 degrees
// and shifted up to a quarter of its width off the one below, 1-6 px above
// it, a third of them bouncing; a floor of either box kind.
Scene Generate(unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  Scene scene;
  scene.dt = unit(random) < 0.5 ? 1.0f / 60 : 0.1f;
  scene.pieces.push_back({unit(random) < 0.5 ? "AABB" : "OBB", {400, kFloorTop + 20}, 4000, 40, 0, false});
  for (int column = 0; column < 4; ++column) {
    double bottom = kFloorTop - 2 * unit(random);
    double x = 100 + 170 * column;
    const int height = 1 + static_cast<int>(unit(random) * 6);
    for (int i = 0; i < height; ++i) {
      const double w = 16 + 32 * unit(random), h = 16 + 32 * unit(random);
      const double degrees = (unit(random) - 0.5) * 10;
      x += (unit(random) - 0.5) * 0.5 * w;
      const double mass = 0.5 + 2.5 * unit(random);
      const double bounce = unit(random) < 0.3 ? unit(random) : 0.0;
      scene.pieces.push_back({"OBB", {x, bottom - h / 2 - 1}, w, h, degrees, true, mass, bounce});
      bottom -= h + 2 + 3 * unit(random);
    }
  }
  char line[200];
  std::snprintf(line, sizeof line, "seed %u, frames of %.4f s, %s floor; boxes (x, y, w, h, degrees, mass, bounce):\n", seed,
                scene.dt, scene.pieces[0].shape.c_str());
  scene.text = line;
  for (std::size_t k = 1; k < scene.pieces.size(); ++k) {
    const Piece& p = scene.pieces[k];
    std::snprintf(line, sizeof line, "  %.3f %.3f %.3f %.3f %.3f %.3f %.3f\n", p.at.x, p.at.y, p.width, p.height,
                  p.degrees, p.mass, p.bouncy);
    scene.text += line;
  }
  return scene;
}

class GeneratedStacks : public ::testing::TestWithParam<unsigned> {};

TEST_P(GeneratedStacks, NoPassButGravityAddsEnergyAndNoBoxOutrunsAFallThroughTheScene) {
  const Scene scene = Generate(GetParam());
  World world(scene.pieces);
  const int frames = static_cast<int>(10 / scene.dt);
  const double step = std::max(static_cast<double>(scene.dt), 1.0 / 60);
  double fastestOver = -1e9;
  // A fall from the highest start to the floor, and one step of gravity: a
  // box struck by one falling from above may take its speed.
  double highest = kFloorTop;
  for (const Piece& piece : scene.pieces) highest = std::min(highest, piece.at.y);
  const double fall = std::sqrt(2 * kGravity * (kFloorTop - highest)) + kGravity * step;
  for (int frame = 0; frame < frames; ++frame) {
    world.Fall(scene.dt);
    const double before = world.Kinetic();
    world.Answer(scene.dt);
    const double after = world.Kinetic();
    ASSERT_LE(after, before * (1 + 1e-9) + 1e-9) << "frame " << frame << " added energy\n" << scene.text;
    for (std::size_t k = 0; k < world.BodyCount(); ++k) {
      const double speed = world.Body(k).velocity.Length();
      fastestOver = std::max(fastestOver, speed - fall);
      ASSERT_LE(speed, fall) << "box " << k << " outran a fall from the highest start at frame " << frame << "\n" << scene.text;
    }
  }
  std::printf("seed %u: the fastest box stayed %.1f px/s short of a fall from the highest start\n", GetParam(),
              -fastestOver);
}

INSTANTIATE_TEST_SUITE_P(Seeds, GeneratedStacks, ::testing::Range(1u, 25u));

}  // namespace
