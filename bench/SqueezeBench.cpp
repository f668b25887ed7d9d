// Crowds and squeezes against static walls, the engine's collision and
// physics passes stepped as a game steps them, beside Box2D in metres (32 px a
// metre, its default settings) where it was found at build time.
//
// - A crowded room: circles r 8 of mass 1 in a closed square room of static
//   walls 10 thick, each given a new velocity of up to 1600 px/s every way
//   every 1/3 s (a stand-in for the script that would give it): 80 in 200 x
//   200 for 30 s and 400 in 1000 x 1000 for 3500 steps, at 1/60 s a step, and
//   each for 600 steps of 0.1 s. How many bodies ever had their centre past
//   the middle of a wall.
// - A gap: two static walls 40 x 300 with a 31-px gap over a floor, and a
//   32-px box (or a circle r 16) made in the gap, falling at 320 px/s²: how
//   far it ever moves sideways, and whether it reaches the floor, in 2 s.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "PhysicsBenchScene.h"

namespace {

using namespace Orv;
using OrvBench::Box;
using OrvBench::PhysicsBenchScene;

constexpr double kRadius = 8, kWall = 10, kTopSpeed = 1600;

struct Room {
  double side;
  int bodies;
  int steps;
  float step;
};

std::vector<Box> RoomWalls(double side) {
  return {{side / 2, -kWall / 2, side + 2 * kWall, kWall},
          {side / 2, side + kWall / 2, side + 2 * kWall, kWall},
          {-kWall / 2, side / 2, kWall, side},
          {side + kWall / 2, side / 2, kWall, side}};
}

// Bodies on a lattice 20 apart from the room's corner.
Vec2 RoomStart(const Room& room, int k) {
  const int across = static_cast<int>((room.side - 20) / 20);
  return {20.0 + 20 * (k % across), 20.0 + 20 * (k / across)};
}

bool PastMiddle(const Room& room, const Vec2& p) {
  return p.x < -kWall / 2 || p.y < -kWall / 2 || p.x > room.side + kWall / 2 || p.y > room.side + kWall / 2;
}

// The velocities every side draws, step by step.
struct Drive {
  explicit Drive(unsigned seed) : random(seed) {}
  bool Due(int step, float dt) {
    const int every = std::max(1, static_cast<int>(std::lround(1.0 / 3 / dt)));
    return step % every == 0;
  }
  Vec2 Next() { return {speed(random), speed(random)}; }
  std::mt19937 random;
  std::uniform_real_distribution<double> speed{-kTopSpeed, kTopSpeed};
};

int EngineRoom(const Room& room) {
  PhysicsBenchScene scene;
  for (const Box& wall : RoomWalls(room.side)) scene.AddBox("AABB", wall);
  for (int k = 0; k < room.bodies; ++k) scene.AddBody(scene.AddCircle(RoomStart(room, k), kRadius));
  Drive drive(7);
  std::vector<bool> out(static_cast<std::size_t>(scene.Bodies()));
  for (int step = 0; step < room.steps; ++step) {
    if (drive.Due(step, room.step)) {
      for (int k = 0; k < scene.Bodies(); ++k) scene.Body(k).velocity = drive.Next();
    }
    scene.Step(room.step);
    for (int k = 0; k < scene.Bodies(); ++k) {
      out[static_cast<std::size_t>(k)] = out[static_cast<std::size_t>(k)] || PastMiddle(room, scene.Position(k));
    }
  }
  return static_cast<int>(std::count(out.begin(), out.end(), true));
}

// The gap's walls: left, right and the floor under them.
const Box kGapWalls[] = {{20, 150, 40, 300}, {91, 150, 40, 300}, {55.5, 310, 211, 20}};
constexpr double kGapCentre = 55.5, kGapFloor = 300, kGapHalf = 16;
constexpr int kGapSteps = 120;

struct GapEnd {
  double sideways;
  double bottom;
};

GapEnd EngineGap(bool box) {
  PhysicsBenchScene scene;
  for (const Box& wall : kGapWalls) scene.AddBox("AABB", wall);
  const Vec2 start{kGapCentre, 100};
  scene.AddBody(box ? scene.AddBox("AABB", {start.x, start.y, 2 * kGapHalf, 2 * kGapHalf})
                    : scene.AddCircle(start, kGapHalf));
  GapEnd end{0, 0};
  for (int step = 0; step < kGapSteps; ++step) {
    scene.Body(0).velocity.y += 320.0 / 60;
    scene.Step(1.0f / 60);
    end.sideways = std::max(end.sideways, std::fabs(scene.Position(0).x - kGapCentre));
  }
  end.bottom = scene.Position(0).y + kGapHalf;
  return end;
}

#ifdef ORV_BENCH_BOX2D
int Box2DRoom(const Room& room) {
  b2World world(b2Vec2(0, 0));
  for (const Box& wall : RoomWalls(room.side)) OrvBench::AddStatic(world, wall);
  std::vector<b2Body*> bodies;
  for (int k = 0; k < room.bodies; ++k) bodies.push_back(OrvBench::AddCircleBody(world, RoomStart(room, k), kRadius));
  Drive drive(7);
  std::vector<bool> out(bodies.size());
  for (int step = 0; step < room.steps; ++step) {
    if (drive.Due(step, room.step)) {
      for (b2Body* body : bodies) {
        const Vec2 v = drive.Next();
        body->SetLinearVelocity(Metres(v));
      }
    }
    world.Step(room.step, 8, 3);
    for (std::size_t k = 0; k < bodies.size(); ++k) {
      out[k] = out[k] || PastMiddle(room, Pixels(bodies[k]->GetPosition()));
    }
  }
  return static_cast<int>(std::count(out.begin(), out.end(), true));
}

GapEnd Box2DGap(bool box) {
  b2World world(b2Vec2(0, Metres(320)));
  for (const Box& wall : kGapWalls) OrvBench::AddStatic(world, wall);
  const Vec2 start{kGapCentre, 100};
  b2Body* body = box ? OrvBench::AddBoxBody(world, start, 2 * kGapHalf, 2 * kGapHalf)
                     : OrvBench::AddCircleBody(world, start, kGapHalf);
  GapEnd end{0, 0};
  for (int step = 0; step < kGapSteps; ++step) {
    world.Step(1.0f / 60, 8, 3);
    end.sideways = std::max(end.sideways, std::fabs(Pixels(body->GetPosition()).x - kGapCentre));
  }
  end.bottom = Pixels(body->GetPosition()).y + kGapHalf;
  return end;
}
#endif

void BM_CrowdedRoom(benchmark::State& state, Room room) {
  int ours = 0, theirs = -1;
  for (auto _ : state) {
    ours = EngineRoom(room);
#ifdef ORV_BENCH_BOX2D
    theirs = Box2DRoom(room);
#endif
  }
  state.counters["engine_out"] = ours;
  state.counters["box2d_out"] = theirs;
  OrvBench::EmitRow(
      {OrvBench::Format("squeeze: %d circles r 8 in a %g x %g room of 10-px walls, up to 1600 px/s, %d steps of %.3g "
                        "s: bodies ever past a wall's middle",
                        room.bodies, room.side, room.side, room.steps, static_cast<double>(room.step)),
       OrvBench::Format("%d of %d", ours, room.bodies),
       theirs < 0 ? "Box2D not built" : OrvBench::Format("Box2D in metres: %d of %d", theirs, room.bodies), "-",
       "0 past", OrvBench::AtMost(ours, 0)});
}
BENCHMARK_CAPTURE(BM_CrowdedRoom, Small60, Room{200, 80, 1800, 1.0f / 60})->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_CrowdedRoom, Small10, Room{200, 80, 600, 0.1f})->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_CrowdedRoom, Large60, Room{1000, 400, 3500, 1.0f / 60})->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_CrowdedRoom, Large10, Room{1000, 400, 600, 0.1f})->Iterations(1)->Unit(benchmark::kSecond);

void BM_Gap(benchmark::State& state, bool box) {
  GapEnd ours{}, theirs{-1, -1};
  for (auto _ : state) {
    ours = EngineGap(box);
#ifdef ORV_BENCH_BOX2D
    theirs = Box2DGap(box);
#endif
  }
  const auto text = [](const GapEnd& end) {
    return OrvBench::Format("%.2f px sideways at most, bottom %.2f px from the floor", end.sideways,
                            end.bottom - kGapFloor);
  };
  OrvBench::EmitRow({OrvBench::Format("squeeze: a %s made in a 31-px gap between static walls, falling 2 s",
                                      box ? "32-px box" : "circle r 16"),
                     text(ours), theirs.sideways < 0 ? "Box2D not built" : "Box2D in metres: " + text(theirs), "-",
                     "at most 1 px sideways", OrvBench::AtMost(ours.sideways, 1)});
}
BENCHMARK_CAPTURE(BM_Gap, Box, true)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Gap, Circle, false)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
