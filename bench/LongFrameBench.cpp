// Frames of 0.1 s beside frames of 1/60 s, the engine's collision and
// physics passes stepped as the program steps them (the collision engine
// moving the bodies between its steps), and beside Box2D in metres (32 px a
// metre, its default settings) stepped 0.1 s a call, where it was found at
// build time. Gravity of 320 px/s² is a script's acceleration, set every
// frame.
//
// - The pile: 200 circles of radius 8 dropped in rows 4 px apart, every
//   other row shifted by 1.5 px, into a closed box 200 px wide; after 10 s,
//   how deep the deepest circle is inside another, and how many moved more
//   than 1 px in the tenth second. The CPU time of the frames of each side.
// - The bounce: a ball of radius 8 with bounce 0.8 dropped 100 px onto a
//   floor of mass 0 with bounce 0.8: its first apexes and the largest ratio
//   of one to the one before while they are above 4 px, and how high it rose
//   in the tenth second.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "BenchRows.h"
#include "BenchSupport.h"
#include "BenchTiming.h"
#include "PhysicsBenchScene.h"

namespace {

using namespace Orv;
using OrvBench::Box;
using OrvBench::Times;

constexpr double kGravity = 320;
constexpr double kSeconds = 10;
constexpr double kRadius = 8;
constexpr double kFloor = 1000;

// The pile's box, inside 300..500 across and 580..1000 down.
const Box kPileWalls[] = {{400, kFloor + 20, 240, 40}, {290, 800, 20, 400}, {510, 800, 20, 400}, {400, 570, 240, 20}};
const Box kBallFloor = {1000, kFloor + 10, 200, 20};

std::vector<Vec2> PileStarts() {
  std::vector<Vec2> starts;
  for (int row = 0; row < 20; ++row) {
    for (int k = 0; k < 10; ++k) starts.push_back({310 + 20.0 * k + (row % 2) * 1.5, kFloor - kRadius - 2 - 20 * row});
  }
  return starts;
}

// Where every body is at the end of each frame.
using Track = std::vector<std::vector<Vec2>>;

struct Run {
  Track track;
  std::vector<double> frameTimes;
  Times cpu;
};

// The engine's side, as the program steps it: the collision engine steps the
// bodies between its own steps.
class World {
 public:
  World() { scene_.StepBodiesWithCollisions(); }

  void AddWall(const Box& box, double bounce = -1) {
    auto wall = scene_.AddBox("AABB", box);
    // A rigid body of mass 0 only lends the floor its bounce.
    if (bounce >= 0) scene_.AddBody(wall, 0).bouncy = bounce;
  }
  void AddBall(Vec2 at, double bounce) {
    auto ball = scene_.AddCircle(at, kRadius);
    RigidBody& body = scene_.AddBody(ball);
    body.bouncy = bounce;
    body.SetInertiaOf(*ball->FindComponent<CollisionComponent>()->GetCollider());
  }
  Run RunFor(float dt) {
    Run run;
    const Times start = OrvBench::ThreadNow();
    for (int frame = 0; frame < static_cast<int>(std::lround(kSeconds / dt)); ++frame) {
      // SetAcceleration(0, 320) stores 60 times that.
      for (int i = 0; i < scene_.Bodies(); ++i) scene_.Body(i).acceleration = {0, 60 * kGravity};
      scene_.Step(dt);
      run.track.push_back(scene_.Places());
      run.frameTimes.push_back(dt);
    }
    run.cpu = OrvBench::ThreadNow() - start;
    return run;
  }

 private:
  OrvBench::PhysicsBenchScene scene_;
};

Run EnginePile(float dt) {
  World world;
  for (const Box& wall : kPileWalls) world.AddWall(wall);
  for (const Vec2& start : PileStarts()) world.AddBall(start, 0);
  return world.RunFor(dt);
}

Run EngineBounce(float dt) {
  World world;
  world.AddWall(kBallFloor, 0.8);
  world.AddBall({kBallFloor.x, kFloor - kRadius - 100}, 0.8);
  return world.RunFor(dt);
}

#ifdef ORV_BENCH_BOX2D

// Box2D's side, y down as the engine's, its defaults otherwise: 8 velocity
// and 3 position iterations, restitution mixed by the larger.
Run Box2DRun(bool pile, float dt) {
  b2World world(b2Vec2(0, Metres(kGravity)));
  std::vector<b2Body*> bodies;
  if (pile) {
    for (const Box& wall : kPileWalls) OrvBench::AddStatic(world, wall);
    for (const Vec2& start : PileStarts()) bodies.push_back(OrvBench::AddCircleBody(world, start, kRadius));
  } else {
    OrvBench::AddStatic(world, kBallFloor, 0, 0.8f);
    bodies.push_back(OrvBench::AddCircleBody(world, {kBallFloor.x, kFloor - kRadius - 100}, kRadius, 0.2f, 0.8f));
  }
  Run run;
  const Times start = OrvBench::ThreadNow();
  for (int frame = 0; frame < static_cast<int>(std::lround(kSeconds / dt)); ++frame) {
    world.Step(dt, 8, 3);
    std::vector<Vec2> places;
    for (const b2Body* body : bodies) places.push_back(Pixels(body->GetPosition()));
    run.track.push_back(places);
    run.frameTimes.push_back(dt);
  }
  run.cpu = OrvBench::ThreadNow() - start;
  return run;
}
#endif

struct PileOutcome {
  double deepest = 0;
  int moving = 0;
};

PileOutcome OfPile(const Run& run) {
  PileOutcome out;
  const std::vector<Vec2>& end = run.track.back();
  // The place a second before the end.
  double t = 0;
  std::size_t late = run.track.size() - 1;
  for (std::size_t k = run.track.size(); k-- > 0 && t < 1 - 1e-6;) t += run.frameTimes[late = k];
  const std::vector<Vec2>& before = run.track[late > 0 ? late - 1 : 0];
  for (std::size_t i = 0; i < end.size(); ++i) {
    out.moving += (end[i] - before[i]).Length() > 1 ? 1 : 0;
    for (std::size_t j = i + 1; j < end.size(); ++j)
      out.deepest = std::max(out.deepest, 2 * kRadius - (end[i] - end[j]).Length());
  }
  return out;
}

struct BounceOutcome {
  std::vector<double> apexes;
  double worstRatio = 0;
  double lastSecond = 0;
};

BounceOutcome OfBounce(const Run& run) {
  BounceOutcome out;
  const double rest = kFloor - kRadius;
  // Heights at the ends of frames: an apex is a frame higher than both
  // beside it.
  double t = 0;
  for (std::size_t k = 0; k < run.track.size(); ++k) {
    t += run.frameTimes[k];
    const double height = rest - run.track[k][0].y;
    if (t > kSeconds - 1) out.lastSecond = std::max(out.lastSecond, height);
    if (k == 0 || k + 1 == run.track.size()) continue;
    const double before = rest - run.track[k - 1][0].y, after = rest - run.track[k + 1][0].y;
    if (height > before && height >= after && height > 0.5) out.apexes.push_back(height);
  }
  for (std::size_t k = 1; k < out.apexes.size() && out.apexes[k - 1] > 4; ++k) {
    out.worstRatio = std::max(out.worstRatio, out.apexes[k] / out.apexes[k - 1]);
  }
  return out;
}

std::string Apexes(const BounceOutcome& b) {
  std::string text;
  for (std::size_t k = 0; k < b.apexes.size() && k < 4; ++k)
    text += OrvBench::Format("%s%.0f", k ? ", " : "", b.apexes[k]);
  return text;
}

void BM_LongFramePile(benchmark::State& state) {
  for (auto _ : state) {
    const Run slow = EnginePile(0.1f), fast = EnginePile(1.0f / 60.0f);
    const PileOutcome s = OfPile(slow), f = OfPile(fast);
    std::string box2d = "Box2D not built";
#ifdef ORV_BENCH_BOX2D
    const Run b = Box2DRun(true, 0.1f), b60 = Box2DRun(true, 1.0f / 60.0f);
    const PileOutcome o = OfPile(b), o60 = OfPile(b60);
    box2d =
        OrvBench::Format("Box2D at 0.1 s: %.2f px, %d moving, %.1f ms CPU; at 1/60 s: %.2f px, %d moving, %.1f ms CPU",
                         o.deepest, o.moving, b.cpu.cpu, o60.deepest, o60.moving, b60.cpu.cpu);
#endif
    std::fprintf(
        stderr,
        "pile at 0.1 s: deepest %.3f px, %d moving, %.1f ms CPU; at 1/60 s: %.3f px, %d moving, %.1f ms CPU; %s\n",
        s.deepest, s.moving, slow.cpu.cpu, f.deepest, f.moving, fast.cpu.cpu, box2d.c_str());
    OrvBench::EmitRow({"long frames: the pile's deepest overlap after 10 s at 0.1-s frames",
                       OrvBench::Format("%.3f px, %d of 200 moving", s.deepest, s.moving),
                       OrvBench::Format("engine at 1/60 s: %.3f px, %d moving; ", f.deepest, f.moving) + box2d,
                       OrvBench::Ratio(f.deepest > 0 ? s.deepest / f.deepest : 1), "at most 1x",
                       OrvBench::AtMost(s.deepest, f.deepest + 1e-9)});
    OrvBench::EmitRow({"long frames: 10 s of the pile in 0.1-s frames (CPU)",
                       OrvBench::CpuAndWall(slow.cpu, "%.1f", "ms"),
                       "the same in 1/60-s frames: " + OrvBench::CpuAndWall(fast.cpu, "%.1f", "ms"),
                       OrvBench::Ratio(slow.cpu.cpu / fast.cpu.cpu), "at most 1.2x",
                       OrvBench::AtMost(slow.cpu.cpu / fast.cpu.cpu, 1.2)});
  }
}
BENCHMARK(BM_LongFramePile)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_LongFrameBounce(benchmark::State& state) {
  for (auto _ : state) {
    const BounceOutcome s = OfBounce(EngineBounce(0.1f)), f = OfBounce(EngineBounce(1.0f / 60.0f));
    std::string box2d = "Box2D not built";
#ifdef ORV_BENCH_BOX2D
    const BounceOutcome o = OfBounce(Box2DRun(false, 0.1f)), o60 = OfBounce(Box2DRun(false, 1.0f / 60.0f));
    box2d = OrvBench::Format(
        "Box2D at 0.1 s: %s px, worst %.2f, %.2f px in the tenth second; at 1/60 s: %s px, worst "
        "%.2f, %.2f px",
        Apexes(o).c_str(), o.worstRatio, o.lastSecond, Apexes(o60).c_str(), o60.worstRatio, o60.lastSecond);
#endif
    std::fprintf(
        stderr,
        "bounce at 0.1 s: apexes %s, worst ratio %.2f, %.2f px in the tenth second; at 1/60 s: %s, %.2f, %.2f; %s\n",
        Apexes(s).c_str(), s.worstRatio, s.lastSecond, Apexes(f).c_str(), f.worstRatio, f.lastSecond, box2d.c_str());
    OrvBench::EmitRow(
        {"long frames: a ball with bounce 0.8, each rebound beside the one before at 0.1-s frames",
         OrvBench::Format("at most %.2f (apexes %s px), %.2f px high in the tenth second", s.worstRatio,
                          Apexes(s).c_str(), s.lastSecond),
         OrvBench::Format("engine at 1/60 s: at most %.2f (%s px); ", f.worstRatio, Apexes(f).c_str()) + box2d, "-",
         "at most 0.75, at rest (under 1 px) in the tenth second",
         OrvBench::AtMost(std::max(s.worstRatio, s.lastSecond >= 1 ? 1.0 : 0.0), 0.75)});
  }
}
BENCHMARK(BM_LongFrameBounce)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
