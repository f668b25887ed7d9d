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

#include "BenchSupport.h"
#include "PhysicsBenchScene.h"

namespace {

using namespace Orv;

constexpr double kGravity = 320;
constexpr double kBox = 32;
constexpr double kFloorTop = 500;
constexpr double kSeconds = 10;

Vec2 Start(int i) { return {100, kFloorTop - kBox / 2 - kBox * i}; }
const OrvBench::Box kFloor{100, kFloorTop + 20, 600, 40};

struct StackEnd {
  double fastest = 0;
  double topMoved = 0;
};

StackEnd EngineStack(const char* floor, int height, float step) {
  OrvBench::PhysicsBenchScene scene;
  scene.AddBox(floor, kFloor);
  for (int i = 0; i < height; ++i) scene.AddBody(scene.AddBox("OBB", {Start(i).x, Start(i).y, kBox, kBox}));
  StackEnd end;
  const int steps = static_cast<int>(std::lround(kSeconds / step));
  for (int s = 0; s < steps; ++s) {
    for (int i = 0; i < height; ++i) scene.Body(i).velocity.y += kGravity * step;
    scene.Step(step);
    for (int i = 0; i < height; ++i) end.fastest = std::max(end.fastest, scene.Body(i).velocity.Length());
  }
  const Vec2 top = scene.Position(height - 1);
  const Vec2 start = Start(height - 1);
  end.topMoved = std::hypot(top.x - start.x, top.y - start.y);
  if (!std::isfinite(end.fastest)) end.fastest = INFINITY;
  if (!std::isfinite(end.topMoved)) end.topMoved = INFINITY;
  return end;
}

#ifdef ORV_BENCH_BOX2D

// Box2D with its defaults: 8 velocity and 3 position iterations, warm
// starting, sleeping; friction 0.2.
StackEnd Box2DStack(int height, float step) {
  b2World world(b2Vec2(0, 0));
  OrvBench::AddStatic(world, kFloor);
  std::vector<b2Body*> bodies;
  for (int i = 0; i < height; ++i) bodies.push_back(OrvBench::AddBoxBody(world, Start(i), kBox, kBox));
  StackEnd end;
  const int steps = static_cast<int>(std::lround(kSeconds / step));
  for (int s = 0; s < steps; ++s) {
    for (b2Body* body : bodies) body->SetLinearVelocity(body->GetLinearVelocity() + b2Vec2(0, Metres(kGravity * step)));
    world.Step(step, 8, 3);
    for (const b2Body* body : bodies) {
      end.fastest = std::max(end.fastest, static_cast<double>(body->GetLinearVelocity().Length()) * kPixelsPerMetre);
    }
  }
  const Vec2 top = Pixels(bodies.back()->GetPosition());
  const Vec2 start = Start(height - 1);
  end.topMoved = std::hypot(top.x - start.x, top.y - start.y);
  return end;
}
#endif

void BM_OrientedStack(benchmark::State& state) {
  const bool turnedFloor = state.range(0) != 0;
  const int height = static_cast<int>(state.range(1));
  const float step = state.range(2) != 0 ? 0.1f : 1.0f / 60;
  StackEnd ours, theirs{-1, -1};
  for (auto _ : state) {
    ours = EngineStack(turnedFloor ? "OBB" : "AABB", height, step);
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
