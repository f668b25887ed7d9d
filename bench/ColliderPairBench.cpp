// The narrow phase over every pair of 200 shapes scattered in a room 200 units across
// (a mix of circles, boxes and oriented boxes, as a scene has them), beside
// the bounds test alone over the same pairs: how much the pair tests cost on
// top of the cheap overlap check that runs before them. Then the same pairs
// through the manifold store, frame after frame, as contacts start and stay.
// The table's row: the store's frame beside the pair tests alone, in turn,
// on CPU time.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include "world/Collider.h"
#include "world/CollisionComponent.h"
#include "world/ManifoldSystem.h"

#include "BenchSupport.h"

namespace {

using OrvBench::QuietStdout;

using namespace Orv;

constexpr int kShapes = 200;

std::vector<std::unique_ptr<CollisionComponent>> Scene() {
  QuietStdout quiet;
  std::mt19937 random(7);
  std::uniform_real_distribution<double> place(0, 200), size(4, 20), angle(0, 90);
  const char* names[] = {"Circle", "AABB", "OBB", "Circle"};
  std::vector<std::unique_ptr<CollisionComponent>> scene;
  for (int i = 0; i < kShapes; ++i) {
    auto c = std::make_unique<CollisionComponent>();
    c->Setup();
    c->SetColliderByName(names[i % 4]);
    c->SetRealProperty(CollisionComponent::PosX, place(random));
    c->SetRealProperty(CollisionComponent::PosY, place(random));
    c->SetRealProperty(CollisionComponent::Radius, size(random));
    c->SetRealProperty(CollisionComponent::Width, size(random));
    c->SetRealProperty(CollisionComponent::Height, size(random));
    c->SetRealProperty(CollisionComponent::Orientation, angle(random));
    c->GetCollider()->UpdateBounds();
    scene.push_back(std::move(c));
  }
  return scene;
}

// Every pair the engine would test: an oriented box never meets an
// axis-aligned one and says so each time, so the bench leaves those out.
template <typename Action>
void ForEachOverlappingPair(const std::vector<std::unique_ptr<CollisionComponent>>& scene, Action action) {
  for (int i = 0; i < kShapes; ++i) {
    for (int j = i + 1; j < kShapes; ++j) {
      const auto ti = scene[i]->GetCollider()->GetType(), tj = scene[j]->GetCollider()->GetType();
      if (ti == Collider::TypeOBB && tj == Collider::TypeAABB) continue;
      if (scene[i]->BoundsOverlap(*scene[j])) action(i, j);
    }
  }
}

int BoundsOnly(const std::vector<std::unique_ptr<CollisionComponent>>& scene) {
  int overlapping = 0;
  ForEachOverlappingPair(scene, [&](int, int) { ++overlapping; });
  return overlapping;
}

int BoundsThenPairTest(const std::vector<std::unique_ptr<CollisionComponent>>& scene) {
  int touching = 0;
  ForEachOverlappingPair(scene, [&](int i, int j) {
    Manifold m(scene[i].get(), i, scene[j].get(), j);
    touching += scene[i]->CollideDispatch(*scene[j], m);
  });
  return touching;
}

void ThroughTheStore(std::vector<std::unique_ptr<CollisionComponent>>& scene, ManifoldSystem& store) {
  ForEachOverlappingPair(scene, [&](int i, int j) {
    Manifold m(scene[i].get(), i, scene[j].get(), j);
    if (scene[i]->CollideDispatch(*scene[j], m) && !store.RefreshManifold(m)) store.AddManifold(m);
  });
  store.AgeManifolds();
  for (auto& c : scene) c->ClearFrameManifolds();
}

void BM_BoundsOnly(benchmark::State& state) {
  auto scene = Scene();
  int overlapping = 0;
  for (auto _ : state) overlapping = BoundsOnly(scene);
  state.counters["overlapping"] = overlapping;
}
BENCHMARK(BM_BoundsOnly);

void BM_BoundsThenPairTest(benchmark::State& state) {
  auto scene = Scene();
  int touching = 0;
  for (auto _ : state) touching = BoundsThenPairTest(scene);
  state.counters["touching"] = touching;
}
BENCHMARK(BM_BoundsThenPairTest);

void BM_PairTestsThroughTheManifoldStore(benchmark::State& state) {
  auto scene = Scene();
  ManifoldSystem store;
  for (auto _ : state) ThroughTheStore(scene, store);
  state.counters["manifolds"] = static_cast<double>(store.Count());
}
BENCHMARK(BM_PairTestsThroughTheManifoldStore);

// The three in turn: the store keeps what the tests found from frame to
// frame, and should cost no more than the tests themselves on top of them.
void BM_InTurn(benchmark::State& state) {
  auto scene = Scene();
  ManifoldSystem store;
  OrvBench::InTurn turns;
  for (auto _ : state) {
    turns = OrvBench::TimeInTurn(
        21, 200,
        {[&] { benchmark::DoNotOptimize(BoundsOnly(scene)); },
         [&] { benchmark::DoNotOptimize(BoundsThenPairTest(scene)); }, [&] { ThroughTheStore(scene, store); }});
  }
  // Milliseconds a frame are microseconds a thousandth of one.
  const OrvBench::Times bounds = turns.Median(0) * 1000, tests = turns.Median(1) * 1000,
                        stored = turns.Median(2) * 1000;
  state.counters["bounds_us"] = bounds.cpu;
  state.counters["tests_us"] = tests.cpu;
  state.counters["store_us"] = stored.cpu;
  std::fprintf(stderr, "200 shapes: bounds alone %.1f us CPU, with the pair tests %.1f us, through the store %.1f us\n",
               bounds.cpu, tests.cpu, stored.cpu);
  OrvBench::EmitRow({"narrow phase of 200 shapes through the manifold store, a frame",
                     OrvBench::CpuAndWall(stored, "%.1f", "us"),
                     "the same bounds and pair tests without the store: " + OrvBench::CpuAndWall(tests, "%.1f", "us"),
                     OrvBench::Ratio(turns.CpuRatio(2, 1)), "at most 2x", OrvBench::AtMost(turns.CpuRatio(2, 1), 2.0)});
}
BENCHMARK(BM_InTurn)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
