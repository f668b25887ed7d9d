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

#include "BenchSupport.h"
#include "PhysicsBenchScene.h"

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

int EnginePast(double degrees, float dt, int steps) {
  const Frame f = FrameOf(degrees);
  OrvBench::PhysicsBenchScene scene;
  scene.AddBox("OBB", {kCentre.x, kCentre.y, kThick, kLength}, degrees);
  for (int k = 0; k < kCircles; ++k) scene.AddBody(scene.AddCircle(Start(f, k), kRadius));
  int past = 0;
  std::vector<bool> ever(kCircles, false);
  for (int step = 0; step < steps; ++step) {
    // Driven: the velocity is set again before every step.
    for (int k = 0; k < scene.Bodies(); ++k) scene.Body(k).velocity = {kSpeed, 0};
    scene.Step(dt);
    const std::vector<Vec2> places = scene.Places();
    for (std::size_t k = 0; k < places.size(); ++k) ever[k] = ever[k] || Past(f, places[k]);
  }
  for (const bool p : ever) past += p ? 1 : 0;
  return past;
}

#ifdef ORV_BENCH_BOX2D

int Box2DPast(double degrees, float dt, int steps) {
  const Frame f = FrameOf(degrees);
  b2World world(b2Vec2(0, 0));
  OrvBench::AddStatic(world, {kCentre.x, kCentre.y, kThick, kLength}, degrees);
  std::vector<b2Body*> bodies;
  for (int k = 0; k < kCircles; ++k) bodies.push_back(OrvBench::AddCircleBody(world, Start(f, k), kRadius));
  std::vector<bool> ever(kCircles, false);
  for (int step = 0; step < steps; ++step) {
    for (b2Body* body : bodies) body->SetLinearVelocity(b2Vec2(Metres(kSpeed), 0));
    world.Step(dt, 8, 3);
    for (std::size_t k = 0; k < bodies.size(); ++k) {
      ever[k] = ever[k] || Past(f, Pixels(bodies[k]->GetPosition()));
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
