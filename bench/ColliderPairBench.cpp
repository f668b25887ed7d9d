// The narrow phase over every pair of 200 shapes scattered in a room 200 units across
// (a mix of circles, boxes and oriented boxes, as a scene has them), beside
// the bounds test alone over the same pairs: how much the pair tests cost on
// top of the cheap overlap check that runs before them. Then the same pairs
// through the manifold store, frame after frame, as contacts start and stay.
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

void BM_BoundsOnly(benchmark::State& state) {
  auto scene = Scene();
  int overlapping = 0;
  for (auto _ : state) {
    overlapping = 0;
    ForEachOverlappingPair(scene, [&](int, int) { ++overlapping; });
  }
  state.counters["overlapping"] = overlapping;
}
BENCHMARK(BM_BoundsOnly);

void BM_BoundsThenPairTest(benchmark::State& state) {
  auto scene = Scene();
  int touching = 0;
  for (auto _ : state) {
    touching = 0;
    ForEachOverlappingPair(scene, [&](int i, int j) {
      Manifold m(scene[i].get(), i, scene[j].get(), j);
      touching += scene[i]->CollideDispatch(*scene[j], m);
    });
  }
  state.counters["touching"] = touching;
}
BENCHMARK(BM_BoundsThenPairTest);

void BM_PairTestsThroughTheManifoldStore(benchmark::State& state) {
  auto scene = Scene();
  ManifoldSystem store;
  for (auto _ : state) {
    ForEachOverlappingPair(scene, [&](int i, int j) {
      Manifold m(scene[i].get(), i, scene[j].get(), j);
      if (scene[i]->CollideDispatch(*scene[j], m) && !store.RefreshManifold(m)) store.AddManifold(m);
    });
    store.AgeManifolds();
    for (auto& c : scene) c->ClearFrameManifolds();
  }
  state.counters["manifolds"] = static_cast<double>(store.Count());
}
BENCHMARK(BM_PairTestsThroughTheManifoldStore);

}  // namespace
