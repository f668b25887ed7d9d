// 1000 circles of radius 8 fall into a closed 800 x 600 box of static walls
// and pile up: 300 steps of 1/60 s, gravity 320 units/s² added to every body
// before each step (a stand-in for the script that would add it), a damping
// of 0.1 of the velocity each step. Each step is timed: the steps of the pile
// beside the steps before any contact, in the same run. Where Box2D was found
// at build time the same scene steps in it too, round by round in turn, and
// the two are printed side by side. Medians of the rounds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/GameObject.h"
#include "core/TransformComponent.h"
#include "core/TypeKey.h"
#include "world/CollisionComponent.h"
#include "world/CollisionEngine.h"
#include "world/PhysicEngine.h"
#include "world/RigidBodyComponent.h"

#include "BenchSupport.h"

#ifdef ORV_BENCH_BOX2D
#include <box2d/box2d.h>
#endif

namespace {

using namespace Orv;
using Clock = std::chrono::steady_clock;

constexpr int kCircles = 1000;
constexpr double kRadius = 8;
constexpr double kWidth = 800, kHeight = 600, kWall = 40;
constexpr double kGravity = -320;
constexpr double kDamping = 0.1;
constexpr float kStep = 1.0f / 60.0f;
constexpr int kSteps = 300;
// Steps are judged by the median of each window: one slow step on a loaded
// machine says nothing.
constexpr int kWindow = 20;

// Rows of 40 from 40 units above the floor, 4 units apart and 2 from the side
// walls: nothing touches until the lowest row reaches the floor.
double StartX(int i) { return 10 + 20 * (i % 40); }
double StartY(int i) { return 40 + 20 * (i / 40); }

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// What one round of the scene measured, in milliseconds a step.
struct Round {
  // The steps before the first contact, and how many there were.
  double free = 0;
  int freeSteps = 0;
  // The slowest window of steps, and the last one (the pile at rest).
  double worstWindow = 0;
  double pile = 0;
  // All steps.
  double total = 0;
  // Touching pairs in the last step.
  std::size_t contacts = 0;
};

Round Measure(const std::vector<double>& steps, int firstContact) {
  Round round;
  // The first step is left out: it finds nothing in the caches.
  round.freeSteps = std::max(firstContact, 2) - 1;
  round.free = Median(std::vector<double>(steps.begin() + 1, steps.begin() + 1 + round.freeSteps));
  for (int start = 0; start + kWindow <= kSteps; start += kWindow) {
    const double window = Median(std::vector<double>(steps.begin() + start, steps.begin() + start + kWindow));
    round.worstWindow = std::max(round.worstWindow, window);
  }
  round.pile = Median(std::vector<double>(steps.end() - kWindow, steps.end()));
  for (double step : steps) round.total += step;
  return round;
}

std::shared_ptr<GameObject> Wall(double x, double y, double width, double height, std::uint32_t id) {
  auto object = std::make_shared<GameObject>(nullptr, id);
  object->SetUniqueId(id + 1);
  auto collision = std::make_shared<CollisionComponent>();
  collision->SetColliderByName("AABB");
  collision->SetRealProperty(CollisionComponent::PosX, x);
  collision->SetRealProperty(CollisionComponent::PosY, y);
  collision->SetRealProperty(CollisionComponent::Width, width);
  collision->SetRealProperty(CollisionComponent::Height, height);
  collision->GetCollider()->UpdateBounds();
  object->AddComponent(TypeKey<CollisionComponent>(), collision);
  object->AddComponent(TypeKey<TransformComponent>(), std::make_shared<TransformComponent>());
  return object;
}

// The engine: the collision pass (one impulse and one push apart per contact,
// no iterations), the sweep, the bodies' step, the ageing.
Round RunEngine() {
  OrvBench::QuietStdout quiet;
  CollisionEngine collisions(nullptr);
  PhysicEngine physics(nullptr);
  std::vector<std::shared_ptr<GameObject>> objects;
  objects.push_back(Wall(kWidth / 2, -kWall / 2, kWidth + 2 * kWall, kWall, 0));
  objects.push_back(Wall(kWidth / 2, kHeight + kWall / 2, kWidth + 2 * kWall, kWall, 1));
  objects.push_back(Wall(-kWall / 2, kHeight / 2, kWall, kHeight, 2));
  objects.push_back(Wall(kWidth + kWall / 2, kHeight / 2, kWall, kHeight, 3));
  std::vector<RigidBody*> bodies;
  for (int i = 0; i < kCircles; ++i) {
    auto object = std::make_shared<GameObject>(nullptr, static_cast<std::uint32_t>(i + 4));
    object->SetUniqueId(static_cast<std::uint32_t>(i + 5));
    auto collision = std::make_shared<CollisionComponent>();
    collision->SetColliderByName("Circle");
    collision->SetRealProperty(CollisionComponent::PosX, StartX(i));
    collision->SetRealProperty(CollisionComponent::PosY, StartY(i));
    collision->SetRealProperty(CollisionComponent::Radius, kRadius);
    object->AddComponent(TypeKey<CollisionComponent>(), collision);
    object->AddComponent(TypeKey<TransformComponent>(), std::make_shared<TransformComponent>());
    auto rigid = std::make_shared<RigidBodyComponent>();
    rigid->body.SetMass(1.0);
    rigid->body.friction = kDamping;
    bodies.push_back(&rigid->body);
    object->AddComponent(TypeKey<RigidBodyComponent>(), rigid);
    objects.push_back(std::move(object));
  }
  for (const auto& object : objects) {
    collisions.OnGameObjectAdded(ObjectLockPtr<GameObject>(object));
    physics.OnGameObjectAdded(ObjectLockPtr<GameObject>(object));
  }
  std::vector<double> steps;
  int firstContact = kSteps;
  std::size_t contacts = 0;
  for (int step = 0; step < kSteps; ++step) {
    const auto start = Clock::now();
    for (RigidBody* body : bodies) body->velocity.y += kGravity * kStep;
    collisions.PreUpdate(kStep);
    collisions.Update(kStep);
    physics.PreUpdate(kStep);
    physics.Update(kStep);
    std::size_t records = 0;
    for (const auto& object : objects) {
      auto collision = object->LockComponent<CollisionComponent>();
      records += collision->GetContacts().size();
      collision->ClearContacts();
    }
    collisions.LateUpdate(kStep);
    steps.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    if (records > 0 && firstContact == kSteps) firstContact = step;
    // Each touching pair leaves a record with both of its objects.
    contacts = records / 2;
  }
  Round round = Measure(steps, firstContact);
  round.contacts = contacts;
  return round;
}

#ifdef ORV_BENCH_BOX2D
// Box2D with its defaults: 8 velocity and 3 position iterations of its
// solver, warm starting, continuous collision against the static walls.
Round RunBox2D() {
  b2World world(b2Vec2(0, static_cast<float>(kGravity)));
  const auto wall = [&](double x, double y, double width, double height) {
    b2BodyDef def;
    def.position.Set(static_cast<float>(x), static_cast<float>(y));
    b2PolygonShape box;
    box.SetAsBox(static_cast<float>(width / 2), static_cast<float>(height / 2));
    world.CreateBody(&def)->CreateFixture(&box, 0);
  };
  wall(kWidth / 2, -kWall / 2, kWidth + 2 * kWall, kWall);
  wall(kWidth / 2, kHeight + kWall / 2, kWidth + 2 * kWall, kWall);
  wall(-kWall / 2, kHeight / 2, kWall, kHeight);
  wall(kWidth + kWall / 2, kHeight / 2, kWall, kHeight);
  for (int i = 0; i < kCircles; ++i) {
    b2BodyDef def;
    def.type = b2_dynamicBody;
    def.position.Set(static_cast<float>(StartX(i)), static_cast<float>(StartY(i)));
    // Its damping is continuous, v / (1 + h c) a step: this c takes a tenth.
    def.linearDamping = static_cast<float>((1 / (1 - kDamping) - 1) / kStep);
    b2CircleShape circle;
    circle.m_radius = static_cast<float>(kRadius);
    b2FixtureDef fixture;
    fixture.shape = &circle;
    // Mass 1, as the engine's bodies.
    fixture.density = static_cast<float>(1 / (3.14159265358979 * kRadius * kRadius));
    fixture.friction = static_cast<float>(kDamping);
    world.CreateBody(&def)->CreateFixture(&fixture);
  }
  std::vector<double> steps;
  int firstContact = kSteps;
  std::size_t contacts = 0;
  for (int step = 0; step < kSteps; ++step) {
    const auto start = Clock::now();
    world.Step(kStep, 8, 3);
    steps.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    contacts = 0;
    for (b2Contact* c = world.GetContactList(); c != nullptr; c = c->GetNext()) contacts += c->IsTouching() ? 1 : 0;
    if (contacts > 0 && firstContact == kSteps) firstContact = step;
  }
  Round round = Measure(steps, firstContact);
  round.contacts = contacts;
  return round;
}
#endif

Round MedianOf(const std::vector<Round>& rounds) {
  const auto pick = [&](double Round::*field) {
    std::vector<double> values;
    for (const Round& round : rounds) values.push_back(round.*field);
    return Median(values);
  };
  Round median = rounds.back();
  median.free = pick(&Round::free);
  median.worstWindow = pick(&Round::worstWindow);
  median.pile = pick(&Round::pile);
  median.total = pick(&Round::total);
  return median;
}

void Print(const char* side, const Round& r) {
  std::printf(
      "%-7s before any contact %.3f ms a step (%d steps); slowest %d-step window %.3f ms (%.2fx); pile at rest "
      "%.3f ms (%.2fx, %zu touching pairs); %d steps %.1f ms\n",
      side, r.free, r.freeSteps, kWindow, r.worstWindow, r.worstWindow / r.free, r.pile, r.pile / r.free, r.contacts,
      kSteps, r.total);
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  std::printf("%d circles of radius %g falling into a closed %g x %g box, %d steps, %d rounds in turn.\n", kCircles,
              kRadius, kWidth, kHeight, kSteps, rounds);
  std::printf(
      "engine: the collision pass, one impulse and one push apart per contact, no iterations; the bodies' "
      "step.\n");
#ifdef ORV_BENCH_BOX2D
  std::printf("box2d:  its solver, 8 velocity and 3 position iterations, warm starting, continuous collision.\n");
#endif
  std::vector<Round> engine;
#ifdef ORV_BENCH_BOX2D
  std::vector<Round> box2d;
#endif
  for (int r = 0; r < rounds; ++r) {
    engine.push_back(RunEngine());
#ifdef ORV_BENCH_BOX2D
    box2d.push_back(RunBox2D());
#endif
  }
  const Round ours = MedianOf(engine);
  Print("engine", ours);
#ifdef ORV_BENCH_BOX2D
  const Round theirs = MedianOf(box2d);
  Print("box2d", theirs);
  std::printf("engine / box2d: pile at rest %.2fx, slowest window %.2fx, all steps %.2fx\n", ours.pile / theirs.pile,
              ours.worstWindow / theirs.worstWindow, ours.total / theirs.total);
#else
  std::printf("box2d:  not found when this was built; install libbox2d-dev and build again to step it beside.\n");
#endif
  return 0;
}
