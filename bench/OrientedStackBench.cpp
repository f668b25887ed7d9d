// Stacks of turnable boxes, the engine's passes stepped as a game steps them
// beside Box2D in metres (32 px a metre, its default settings) on the same
// scenes, where Box2D was found at build time: 3, 5 and 10 boxes of 32 px and
// mass 1 standing at no angle on a static floor, 40 px thick, under 320 px/s²
// added to every body before each step, for 10 s; at 60 steps a second and at
// steps of 0.1 s (Box2D is stepped by the same 0.1 s). Each side says its
// fastest box over the whole run, beside the speed a fall through the whole
// stack gives, and how far the top box ends from its place.
#include <benchmark/benchmark.h>

#include <algorithm>
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

constexpr double kGravity = 320;
constexpr double kBox = 32;
constexpr double kFloorTop = 500;
constexpr double kSeconds = 10;

Vec2 Start(int i) { return {100, kFloorTop - kBox / 2 - kBox * i}; }

struct StackEnd {
  double fastest = 0;
  double topMoved = 0;
};

// The engine's collision pass, the sweep, the bodies' step and the ageing,
// as the game's frame runs them.
class EngineStack {
 public:
  EngineStack(const char* floor, int height) {
    Add(floor, {100, kFloorTop + 20}, 600, 40, false);
    for (int i = 0; i < height; ++i) Add("OBB", Start(i), kBox, kBox, true);
    for (const auto& object : objects_) {
      collisions_.OnGameObjectAdded(ObjectLockPtr<GameObject>(object));
      physics_.OnGameObjectAdded(ObjectLockPtr<GameObject>(object));
    }
  }

  StackEnd Run(float step) {
    StackEnd end;
    const int steps = static_cast<int>(std::lround(kSeconds / step));
    for (int s = 0; s < steps; ++s) {
      for (const auto& rigid : bodies_) rigid->body.velocity.y += kGravity * step;
      collisions_.PreUpdate(step);
      collisions_.Update(step);
      physics_.PreUpdate(step);
      physics_.Update(step);
      collisions_.LateUpdate(step);
      for (const auto& rigid : bodies_) end.fastest = std::max(end.fastest, rigid->body.velocity.Length());
    }
    const Vec2 top = colliders_.back()->GetCollider()->GetPosition();
    const Vec2 start = Start(static_cast<int>(bodies_.size()) - 1);
    end.topMoved = std::hypot(top.x - start.x, top.y - start.y);
    if (!std::isfinite(end.fastest)) end.fastest = INFINITY;
    if (!std::isfinite(end.topMoved)) end.topMoved = INFINITY;
    return end;
  }

 private:
  void Add(const char* shape, Vec2 at, double width, double height, bool body) {
    auto object = std::make_shared<GameObject>(nullptr, 1);
    object->SetUniqueId(static_cast<std::uint32_t>(objects_.size() + 1));
    auto collision = std::make_shared<CollisionComponent>();
    {
      const OrvBench::QuietStdout quiet;
      collision->SetColliderByName(shape);
    }
    collision->SetRealProperty(CollisionComponent::PosX, at.x);
    collision->SetRealProperty(CollisionComponent::PosY, at.y);
    collision->SetRealProperty(CollisionComponent::Width, width);
    collision->SetRealProperty(CollisionComponent::Height, height);
    collision->GetCollider()->UpdateBounds();
    object->AddComponent(TypeKey<CollisionComponent>(), collision);
    object->AddComponent(TypeKey<TransformComponent>(), std::make_shared<TransformComponent>());
    if (body) {
      auto rigid = std::make_shared<RigidBodyComponent>();
      rigid->body.SetMass(1);
      rigid->body.position = at;
      object->AddComponent(TypeKey<RigidBodyComponent>(), rigid);
      bodies_.push_back(rigid);
      colliders_.push_back(collision);
    }
    objects_.push_back(object);
  }

  CollisionEngine collisions_{nullptr};
  PhysicEngine physics_{nullptr};
  std::vector<std::shared_ptr<GameObject>> objects_;
  std::vector<std::shared_ptr<RigidBodyComponent>> bodies_;
  std::vector<std::shared_ptr<CollisionComponent>> colliders_;
};

#ifdef ORV_BENCH_BOX2D

// Box2D with its defaults: 8 velocity and 3 position iterations, warm
// starting, sleeping; friction 0.2.
StackEnd Box2DStack(int height, float step) {
  b2World world(b2Vec2(0, 0));
  b2BodyDef floorDef;
  floorDef.position.Set(Metres(100), Metres(kFloorTop + 20));
  b2PolygonShape floorShape;
  floorShape.SetAsBox(Metres(300), Metres(20));
  world.CreateBody(&floorDef)->CreateFixture(&floorShape, 0);
  std::vector<b2Body*> bodies;
  for (int i = 0; i < height; ++i) {
    b2BodyDef def;
    def.type = b2_dynamicBody;
    def.position.Set(Metres(Start(i).x), Metres(Start(i).y));
    b2PolygonShape box;
    box.SetAsBox(Metres(kBox / 2), Metres(kBox / 2));
    b2FixtureDef fixture;
    fixture.shape = &box;
    fixture.density = 1 / (Metres(kBox) * Metres(kBox));
    fixture.friction = 0.2f;
    bodies.push_back(world.CreateBody(&def));
    bodies.back()->CreateFixture(&fixture);
  }
  StackEnd end;
  const int steps = static_cast<int>(std::lround(kSeconds / step));
  for (int s = 0; s < steps; ++s) {
    for (b2Body* body : bodies) body->SetLinearVelocity(body->GetLinearVelocity() + b2Vec2(0, Metres(kGravity * step)));
    world.Step(step, 8, 3);
    for (const b2Body* body : bodies) {
      end.fastest = std::max(end.fastest, static_cast<double>(body->GetLinearVelocity().Length()) * kPixelsPerMetre);
    }
  }
  const b2Vec2 top = bodies.back()->GetPosition();
  const Vec2 start = Start(height - 1);
  end.topMoved = std::hypot(top.x * kPixelsPerMetre - start.x, top.y * kPixelsPerMetre - start.y);
  return end;
}
#endif

void BM_OrientedStack(benchmark::State& state) {
  const bool turnedFloor = state.range(0) != 0;
  const int height = static_cast<int>(state.range(1));
  const float step = state.range(2) != 0 ? 0.1f : 1.0f / 60;
  StackEnd ours, theirs{-1, -1};
  for (auto _ : state) {
    ours = EngineStack(turnedFloor ? "OBB" : "AABB", height).Run(step);
#ifdef ORV_BENCH_BOX2D
    theirs = Box2DStack(height, step);
#endif
  }
  state.counters["engine_fastest_px_s"] = ours.fastest;
  state.counters["box2d_fastest_px_s"] = theirs.fastest;
  const bool built = theirs.fastest >= 0;
  const double fall = std::sqrt(2 * kGravity * kBox * height);
  const std::string scene =
      OrvBench::Format("oriented stack of %d on %s floor, %s", height, turnedFloor ? "an oriented" : "an axis-aligned",
                       state.range(2) != 0 ? "0.1-s steps" : "60 steps a second");
  OrvBench::EmitRow({scene + ": the fastest box in 10 s", OrvBench::Format("%.1f px/s", ours.fastest),
                     built ? OrvBench::Format("Box2D in metres: %.1f px/s", theirs.fastest) : "Box2D not built", "-",
                     OrvBench::Format("at most %.0f px/s (a fall through the stack)", fall),
                     OrvBench::AtMost(ours.fastest, fall)});
  OrvBench::EmitRow({scene + ": the top box's distance from its place after 10 s",
                     OrvBench::Format("%.2f px", ours.topMoved),
                     built ? OrvBench::Format("Box2D in metres: %.2f px", theirs.topMoved) : "Box2D not built", "-",
                     "at most 4 px", OrvBench::AtMost(ours.topMoved, 4.0)});
}
BENCHMARK(BM_OrientedStack)
    ->ArgsProduct({{0, 1}, {3, 5, 10}, {0, 1}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
