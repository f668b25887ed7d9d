// 1000 circles of radius 8 fall into a closed 800 x 600 box of static walls
// and pile up: 300 steps of 1/60 s, gravity 320 px/s² added to every body
// before each step (a stand-in for the script that would add it), a damping
// of 0.1 of the velocity each step. Each step is timed: the steps of the pile
// beside the steps before any contact, in the same run. Where Box2D was found
// at build time the same scene steps in it too, built in metres at 32 pixels
// a metre as a game using it would build it (its tolerances are lengths in
// metres), once with its bodies allowed to sleep (its default) and once not;
// the engine has no sleeping. The sides take turns, round by round; medians
// of the rounds. Each side also says where its bodies ended: how many are
// still inside the box, how many pairs touch, and how deep the deepest circle
// reaches into a wall, for the damped pile and for one without damping.
#include <algorithm>
#include <chrono>
#include <cmath>
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
// Box2D's lengths: its side of the scene is this scene divided by it.
constexpr double kPixelsPerMetre = 32;

// Rows of 40 from 40 units above the floor, 4 units apart and 2 from the side
// walls: nothing touches until the lowest row reaches the floor.
double StartX(int i) { return 10 + 20 * (i % 40); }
double StartY(int i) { return 40 + 20 * (i / 40); }

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// A wall: centre and size, in pixels.
struct Box {
  double x, y, width, height;
};
const Box kWalls[] = {{kWidth / 2, -kWall / 2, kWidth + 2 * kWall, kWall},
                      {kWidth / 2, kHeight + kWall / 2, kWidth + 2 * kWall, kWall},
                      {-kWall / 2, kHeight / 2, kWall, kHeight},
                      {kWidth + kWall / 2, kHeight / 2, kWall, kHeight}};

// How far a circle at (x, y) reaches into a box: 0 when it is clear of it;
// from a centre inside the box, the radius and the way out to the nearest
// face.
double Overlap(const Box& box, double x, double y) {
  const double minX = box.x - box.width / 2, maxX = box.x + box.width / 2;
  const double minY = box.y - box.height / 2, maxY = box.y + box.height / 2;
  const double nearX = std::clamp(x, minX, maxX), nearY = std::clamp(y, minY, maxY);
  if (nearX == x && nearY == y) return kRadius + std::min({x - minX, maxX - x, y - minY, maxY - y});
  return std::max(0.0, kRadius - std::hypot(x - nearX, y - nearY));
}

// Where a side's bodies ended, in pixels.
struct Outcome {
  // Centres between the walls' inner faces.
  int inside = 0;
  // Touching pairs in the last step, walls included.
  std::size_t touching = 0;
  // The deepest any circle reaches into a wall.
  double wallOverlap = 0;
};

void Tally(Outcome& outcome, double x, double y) {
  if (!std::isfinite(x) || !std::isfinite(y)) return;
  if (x > 0 && x < kWidth && y > 0 && y < kHeight) ++outcome.inside;
  for (const Box& wall : kWalls) outcome.wallOverlap = std::max(outcome.wallOverlap, Overlap(wall, x, y));
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
  Outcome outcome;
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

std::shared_ptr<GameObject> Wall(const Box& box, std::uint32_t id) {
  auto object = std::make_shared<GameObject>(nullptr, id);
  object->SetUniqueId(id + 1);
  auto collision = std::make_shared<CollisionComponent>();
  collision->SetColliderByName("AABB");
  collision->SetRealProperty(CollisionComponent::PosX, box.x);
  collision->SetRealProperty(CollisionComponent::PosY, box.y);
  collision->SetRealProperty(CollisionComponent::Width, box.width);
  collision->SetRealProperty(CollisionComponent::Height, box.height);
  collision->GetCollider()->UpdateBounds();
  object->AddComponent(TypeKey<CollisionComponent>(), collision);
  object->AddComponent(TypeKey<TransformComponent>(), std::make_shared<TransformComponent>());
  return object;
}

// The engine: the collision pass (one impulse and one push apart per contact,
// no iterations), the sweep, the bodies' step, the ageing. Every body is
// stepped every step: the engine has no sleeping.
Round RunEngine(double damping) {
  OrvBench::QuietStdout quiet;
  CollisionEngine collisions(nullptr);
  PhysicEngine physics(nullptr);
  std::vector<std::shared_ptr<GameObject>> objects;
  for (std::uint32_t w = 0; w < 4; ++w) objects.push_back(Wall(kWalls[w], w));
  std::vector<RigidBody*> bodies;
  std::vector<std::shared_ptr<CollisionComponent>> circles;
  for (int i = 0; i < kCircles; ++i) {
    auto object = std::make_shared<GameObject>(nullptr, static_cast<std::uint32_t>(i + 4));
    object->SetUniqueId(static_cast<std::uint32_t>(i + 5));
    auto collision = std::make_shared<CollisionComponent>();
    collision->SetColliderByName("Circle");
    collision->SetRealProperty(CollisionComponent::PosX, StartX(i));
    collision->SetRealProperty(CollisionComponent::PosY, StartY(i));
    collision->SetRealProperty(CollisionComponent::Radius, kRadius);
    object->AddComponent(TypeKey<CollisionComponent>(), collision);
    circles.push_back(collision);
    object->AddComponent(TypeKey<TransformComponent>(), std::make_shared<TransformComponent>());
    auto rigid = std::make_shared<RigidBodyComponent>();
    rigid->body.SetMass(1.0);
    rigid->body.friction = damping;
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
  round.outcome.touching = contacts;
  for (const auto& circle : circles) {
    const Vec2 centre = circle->GetCollider()->GetPosition();
    Tally(round.outcome, centre.x, centre.y);
  }
  return round;
}

#ifdef ORV_BENCH_BOX2D
// Box2D with its defaults: 8 velocity and 3 position iterations of its
// solver, warm starting, continuous collision against the static walls;
// sleeping as asked.
Round RunBox2D(double damping, bool sleeping) {
  const auto metres = [](double pixels) { return static_cast<float>(pixels / kPixelsPerMetre); };
  b2World world(b2Vec2(0, metres(kGravity)));
  world.SetAllowSleeping(sleeping);
  for (const Box& wall : kWalls) {
    b2BodyDef def;
    def.position.Set(metres(wall.x), metres(wall.y));
    b2PolygonShape box;
    box.SetAsBox(metres(wall.width / 2), metres(wall.height / 2));
    world.CreateBody(&def)->CreateFixture(&box, 0);
  }
  std::vector<b2Body*> bodies;
  for (int i = 0; i < kCircles; ++i) {
    b2BodyDef def;
    def.type = b2_dynamicBody;
    def.position.Set(metres(StartX(i)), metres(StartY(i)));
    // Its damping is continuous, v / (1 + h c) a step: this c takes the same
    // share a step.
    def.linearDamping = static_cast<float>((1 / (1 - damping) - 1) / kStep);
    b2CircleShape circle;
    circle.m_radius = metres(kRadius);
    b2FixtureDef fixture;
    fixture.shape = &circle;
    // Mass 1, as the engine's bodies.
    fixture.density = static_cast<float>(1 / (3.14159265358979 * circle.m_radius * circle.m_radius));
    fixture.friction = static_cast<float>(kDamping);
    bodies.push_back(world.CreateBody(&def));
    bodies.back()->CreateFixture(&fixture);
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
  round.outcome.touching = contacts;
  for (const b2Body* body : bodies) {
    const b2Vec2 p = body->GetPosition();
    Tally(round.outcome, p.x * kPixelsPerMetre, p.y * kPixelsPerMetre);
  }
  return round;
}
#endif

// The medians of the rounds' times; where the bodies ended is the last
// round's (each side ends the same way every round).
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

void PrintOutcome(const char* side, const char* pile, const Outcome& o) {
  std::printf("%-22s %s: %d of %d inside the box, %zu touching pairs, deepest into a wall %.2f px\n", side, pile,
              o.inside, kCircles, o.touching, o.wallOverlap);
}

void Print(const char* side, const Round& r) {
  std::printf(
      "%-22s before any contact %.3f ms a step (%d steps); slowest %d-step window %.3f ms (%.2fx); pile at rest "
      "%.3f ms (%.2fx); %d steps %.1f ms\n",
      side, r.free, r.freeSteps, kWindow, r.worstWindow, r.worstWindow / r.free, r.pile, r.pile / r.free, kSteps,
      r.total);
  PrintOutcome(side, "damped pile", r.outcome);
}

std::string InsideText(const Outcome& o) { return OrvBench::Format("%d of %d", o.inside, kCircles); }

void EmitInside(const char* pile, const Outcome& ours, const char* baseline) {
  OrvBench::EmitRow({OrvBench::Format("contact pile, %s: bodies inside the box after %d steps", pile, kSteps),
                     InsideText(ours), baseline, "-", OrvBench::Format("all %d", kCircles),
                     OrvBench::AtLeast(ours.inside, kCircles)});
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  std::printf("%d circles of radius %g falling into a closed %g x %g box, %d steps, %d rounds in turn.\n", kCircles,
              kRadius, kWidth, kHeight, kSteps, rounds);
  std::printf(
      "engine: the collision pass, one impulse and one push apart per contact, no iterations; the bodies' "
      "step. It has no sleeping: every body is stepped every step.\n");
#ifdef ORV_BENCH_BOX2D
  std::printf(
      "box2d:  its solver, 8 velocity and 3 position iterations, warm starting, continuous collision; built in "
      "metres at %g px a metre; once with sleeping on (its default: bodies at rest are not stepped), once off.\n",
      kPixelsPerMetre);
#endif
  std::vector<Round> engine;
#ifdef ORV_BENCH_BOX2D
  std::vector<Round> asleep, awake;
#endif
  for (int r = 0; r < rounds; ++r) {
    engine.push_back(RunEngine(kDamping));
#ifdef ORV_BENCH_BOX2D
    asleep.push_back(RunBox2D(kDamping, true));
    awake.push_back(RunBox2D(kDamping, false));
#endif
  }
  const Round ours = MedianOf(engine);
  Print("engine (no sleeping)", ours);
  const Outcome oursUndamped = RunEngine(0).outcome;
  OrvBench::EmitRow({"contact pile: a step of the pile at rest", OrvBench::Format("%.3f ms", ours.pile),
                     OrvBench::Format("the same scene's step before any contact: %.3f ms", ours.free),
                     OrvBench::Ratio(ours.pile / ours.free), "at most 2x",
                     OrvBench::AtMost(ours.pile / ours.free, 2.0)});
  std::string dampedBaseline = "Box2D not built", undampedBaseline = "Box2D not built";
#ifdef ORV_BENCH_BOX2D
  const Round sleeping = MedianOf(asleep);
  const Round notSleeping = MedianOf(awake);
  Print("box2d, sleeping on", sleeping);
  Print("box2d, sleeping off", notSleeping);
  std::printf(
      "engine / box2d, sleeping on (the engine has no sleeping): pile at rest %.2fx, slowest window %.2fx, "
      "all steps %.2fx\n",
      ours.pile / sleeping.pile, ours.worstWindow / sleeping.worstWindow, ours.total / sleeping.total);
  std::printf("engine / box2d, sleeping off: pile at rest %.2fx, slowest window %.2fx, all steps %.2fx\n",
              ours.pile / notSleeping.pile, ours.worstWindow / notSleeping.worstWindow, ours.total / notSleeping.total);
  const Outcome sleepingUndamped = RunBox2D(0, true).outcome;
  const Outcome notSleepingUndamped = RunBox2D(0, false).outcome;
  std::printf("Without damping:\n");
  PrintOutcome("engine", "pile", oursUndamped);
  PrintOutcome("box2d, sleeping on", "pile", sleepingUndamped);
  PrintOutcome("box2d, sleeping off", "pile", notSleepingUndamped);

  OrvBench::EmitRow({"contact pile at rest beside Box2D, sleeping off", OrvBench::Format("%.3f ms", ours.pile),
                     OrvBench::Format("Box2D in metres, sleeping off: %.3f ms", notSleeping.pile),
                     OrvBench::Ratio(ours.pile / notSleeping.pile), "at most 1x",
                     OrvBench::AtMost(ours.pile / notSleeping.pile, 1.0)});
  OrvBench::EmitRow(
      {"contact pile at rest beside Box2D, sleeping on (the engine has no sleeping)",
       OrvBench::Format("%.3f ms", ours.pile),
       OrvBench::Format("Box2D in metres, sleeping on (its default): %.3f ms", sleeping.pile),
       OrvBench::Ratio(ours.pile / sleeping.pile), "at most 1x",
       OrvBench::AtMost(ours.pile / sleeping.pile, 1.0,
                        "the engine has no sleeping and steps every body every step, while Box2D's bodies at rest "
                        "sleep and are not stepped")});
  dampedBaseline =
      OrvBench::Format("Box2D: %d (sleeping on), %d (off)", sleeping.outcome.inside, notSleeping.outcome.inside);
  undampedBaseline =
      OrvBench::Format("Box2D: %d (sleeping on), %d (off)", sleepingUndamped.inside, notSleepingUndamped.inside);
#else
  std::printf("Without damping:\n");
  PrintOutcome("engine", "pile", oursUndamped);
  std::printf("box2d:  not found when this was built; install libbox2d-dev and build again to step it beside.\n");
#endif
  EmitInside("damped", ours.outcome, dampedBaseline.c_str());
  EmitInside("undamped", oursUndamped, undampedBaseline.c_str());
  return 0;
}
