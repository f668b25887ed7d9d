// Fast bodies at turned walls, the engine's collision and physics passes
// stepped as a game steps them beside Box2D in metres (32 px a metre, its
// default settings, where found at build time): a static wall 10 x 3000 px
// turned 45 and 30 degrees, 34 circles of radius 8 (mass 1) driven at it at
// 2000 px/s, their velocity set again before every step, from 34 places 36 px
// apart along it and 1 px apart across; 30 steps of 1/60 s, and 5 steps of
// 0.1 s. How many end past the wall's middle, while beside it.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "bench/Box2DScale.h"
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

constexpr int kCircles = 34;
constexpr double kRadius = 8, kSpeed = 2000, kLength = 3000, kThick = 10;
const Vec2 kCentre{0, 0};

struct Frame {
  Vec2 u, v;
};

Frame FrameOf(double degrees) {
  const double a = degrees * 3.14159265358979 / 180;
  return {{std::cos(a), std::sin(a)}, {-std::sin(a), std::cos(a)}};
}

Vec2 Start(const Frame& f, int k) { return kCentre + f.v * (-600.0 + 36 * k) - f.u * (40.0 + k); }

bool Past(const Frame& f, Vec2 p) {
  const Vec2 d = p - kCentre;
  return !(d.Dot(f.u) < 0) && std::fabs(d.Dot(f.v)) < kLength / 2;
}

// A static turned wall and circles with rigid bodies, stepped as the game's
// frame runs the passes.
class EngineWorld {
 public:
  EngineWorld() : collisions_(nullptr), physics_(nullptr) {}

  void AddWall(double degrees) {
    auto collision = Add("OBB");
    collision->SetRealProperty(CollisionComponent::Width, kThick);
    collision->SetRealProperty(CollisionComponent::Height, kLength);
    collision->SetRealProperty(CollisionComponent::Orientation, degrees);
    collision->GetCollider()->UpdateBounds();
  }
  void AddCircle(Vec2 at) {
    auto collision = Add("Circle");
    collision->SetRealProperty(CollisionComponent::PosX, at.x);
    collision->SetRealProperty(CollisionComponent::PosY, at.y);
    collision->SetRealProperty(CollisionComponent::Radius, kRadius);
    auto rigid = std::make_shared<RigidBodyComponent>();
    rigid->body.SetMass(1.0);
    bodies_.push_back(&rigid->body);
    circles_.push_back(collision);
    objects_.back()->AddComponent(TypeKey<RigidBodyComponent>(), rigid);
  }
  void Step(float dt) {
    if (!announced_) {
      for (const auto& object : objects_) {
        collisions_.OnGameObjectAdded(ObjectLockPtr<GameObject>(object));
        physics_.OnGameObjectAdded(ObjectLockPtr<GameObject>(object));
      }
      announced_ = true;
    }
    for (RigidBody* body : bodies_) body->velocity = {kSpeed, 0};
    collisions_.PreUpdate(dt);
    collisions_.Update(dt);
    physics_.PreUpdate(dt);
    physics_.Update(dt);
    for (const auto& object : objects_) object->LockComponent<CollisionComponent>()->ClearContacts();
    collisions_.LateUpdate(dt);
  }
  std::vector<Vec2> Places() const {
    std::vector<Vec2> places;
    for (const auto& c : circles_) places.push_back(c->GetCollider()->GetPosition());
    return places;
  }

 private:
  std::shared_ptr<CollisionComponent> Add(const char* shape) {
    const auto id = static_cast<std::uint32_t>(objects_.size());
    auto object = std::make_shared<GameObject>(nullptr, id);
    object->SetUniqueId(id + 1);
    auto collision = std::make_shared<CollisionComponent>();
    collision->SetColliderByName(shape);
    object->AddComponent(TypeKey<CollisionComponent>(), collision);
    object->AddComponent(TypeKey<TransformComponent>(), std::make_shared<TransformComponent>());
    objects_.push_back(object);
    return collision;
  }

  OrvBench::QuietStdout quiet_;
  CollisionEngine collisions_;
  PhysicEngine physics_;
  bool announced_ = false;
  std::vector<std::shared_ptr<GameObject>> objects_;
  std::vector<RigidBody*> bodies_;
  std::vector<std::shared_ptr<CollisionComponent>> circles_;
};

int EnginePast(double degrees, float dt, int steps) {
  const Frame f = FrameOf(degrees);
  EngineWorld world;
  world.AddWall(degrees);
  for (int k = 0; k < kCircles; ++k) world.AddCircle(Start(f, k));
  int past = 0;
  std::vector<bool> ever(kCircles, false);
  for (int step = 0; step < steps; ++step) {
    world.Step(dt);
    const std::vector<Vec2> places = world.Places();
    for (int k = 0; k < kCircles; ++k) ever[static_cast<std::size_t>(k)] = ever[static_cast<std::size_t>(k)] || Past(f, places[static_cast<std::size_t>(k)]);
  }
  for (const bool p : ever) past += p ? 1 : 0;
  return past;
}

#ifdef ORV_BENCH_BOX2D

int Box2DPast(double degrees, float dt, int steps) {
  const Frame f = FrameOf(degrees);
  b2World world(b2Vec2(0, 0));
  b2BodyDef wallDef;
  wallDef.position.Set(Metres(kCentre.x), Metres(kCentre.y));
  wallDef.angle = static_cast<float>(degrees * 3.14159265358979 / 180);
  b2PolygonShape wallShape;
  wallShape.SetAsBox(Metres(kThick / 2), Metres(kLength / 2));
  world.CreateBody(&wallDef)->CreateFixture(&wallShape, 0);
  std::vector<b2Body*> bodies;
  for (int k = 0; k < kCircles; ++k) {
    b2BodyDef def;
    def.type = b2_dynamicBody;
    const Vec2 at = Start(f, k);
    def.position.Set(Metres(at.x), Metres(at.y));
    b2CircleShape circle;
    circle.m_radius = Metres(kRadius);
    b2FixtureDef fixture;
    fixture.shape = &circle;
    fixture.density = static_cast<float>(1 / (3.14159265358979 * circle.m_radius * circle.m_radius));
    bodies.push_back(world.CreateBody(&def));
    bodies.back()->CreateFixture(&fixture);
  }
  std::vector<bool> ever(kCircles, false);
  for (int step = 0; step < steps; ++step) {
    for (b2Body* body : bodies) body->SetLinearVelocity(b2Vec2(Metres(kSpeed), 0));
    world.Step(dt, 8, 3);
    for (std::size_t k = 0; k < bodies.size(); ++k) {
      const b2Vec2 p = bodies[k]->GetPosition();
      ever[k] = ever[k] || Past(f, {p.x * kPixelsPerMetre, p.y * kPixelsPerMetre});
    }
  }
  int past = 0;
  for (const bool p : ever) past += p ? 1 : 0;
  return past;
}
#endif

void BM_RotatedWall(benchmark::State& state, double degrees, bool longFrames) {
  const float dt = longFrames ? 0.1f : 1.0f / 60.0f;
  const int steps = longFrames ? 5 : 30;
  int ours = 0, theirs = -1;
  for (auto _ : state) {
    ours = EnginePast(degrees, dt, steps);
#ifdef ORV_BENCH_BOX2D
    theirs = Box2DPast(degrees, dt, steps);
#endif
  }
  state.counters["engine_past"] = ours;
  state.counters["box2d_past"] = theirs;
  OrvBench::EmitRow({OrvBench::Format("rotated wall: circles of radius 8 driven at 2000 px/s past a static wall "
                                      "10 x 3000 px turned %.0f degrees, %s",
                                      degrees, longFrames ? "steps of 0.1 s" : "60 steps a second"),
                     OrvBench::Format("%d of %d", ours, kCircles),
                     theirs < 0 ? "Box2D not built" : OrvBench::Format("Box2D in metres: %d of %d", theirs, kCircles),
                     "-", "0 past", OrvBench::AtMost(ours, 0)});
}
BENCHMARK_CAPTURE(BM_RotatedWall, Turned45, 45.0, false)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RotatedWall, Turned30, 30.0, false)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RotatedWall, Turned45LongFrames, 45.0, true)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RotatedWall, Turned30LongFrames, 30.0, true)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
