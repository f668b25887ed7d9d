// One frame of the collision engine (pair pass, sweep, ageing) over scenes of
// 250 to 8000 circles, half of them with bodies, scattered at one density:
// the engine beside the all-pairs pass it had before its broad phase and the
// plain reference pass, in the same run. At the end, the largest scene each
// one handles in under 4 ms a frame.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/GameObject.h"
#include "core/TransformComponent.h"
#include "core/TypeKey.h"
#include "tests/world/ReferenceCollisionEngine.h"
#include "world/CollisionComponent.h"
#include "world/CollisionEngine.h"
#include "world/RigidBodyComponent.h"

#include "AllPairsCollisionEngine.h"
#include "BenchSupport.h"

namespace {

using OrvBench::QuietStdout;

using namespace Orv;

constexpr float kStep = 1.0f / 60.0f;

// About one circle per 40 x 40 units, so a circle has a few neighbours at
// any size of scene.
std::vector<std::shared_ptr<GameObject>> Scene(CollisionEngine& engine, int count) {
  QuietStdout quiet;
  std::mt19937 random(11);
  const double side = 40.0 * std::sqrt(static_cast<double>(count));
  std::uniform_real_distribution<double> place(0, side), radius(4, 10), speed(-60, 60);
  std::vector<std::shared_ptr<GameObject>> objects;
  for (int i = 0; i < count; ++i) {
    auto object = std::make_shared<GameObject>(nullptr, static_cast<std::uint32_t>(i));
    object->SetUniqueId(static_cast<std::uint32_t>(i + 1));
    auto collision = std::make_shared<CollisionComponent>();
    collision->SetColliderByName("Circle");
    collision->SetRealProperty(CollisionComponent::PosX, place(random));
    collision->SetRealProperty(CollisionComponent::PosY, place(random));
    collision->SetRealProperty(CollisionComponent::Radius, radius(random));
    object->AddComponent(TypeKey<CollisionComponent>(), collision);
    object->AddComponent(TypeKey<TransformComponent>(), std::make_shared<TransformComponent>());
    if (i % 2 == 0) {
      auto rigid = std::make_shared<RigidBodyComponent>();
      rigid->body.velocity = {speed(random), speed(random)};
      rigid->body.SetMass(1.0);
      object->AddComponent(TypeKey<RigidBodyComponent>(), rigid);
    }
    engine.OnGameObjectAdded(ObjectLockPtr<GameObject>(object));
    objects.push_back(std::move(object));
  }
  return objects;
}

template <typename Engine>
void BM_CollisionFrame(benchmark::State& state) {
  Engine engine(nullptr);
  const std::vector<std::shared_ptr<GameObject>> objects = Scene(engine, static_cast<int>(state.range(0)));
  std::size_t records = 0;
  for (auto _ : state) {
    engine.PreUpdate(kStep);
    engine.Update(kStep);
    records = 0;
    for (const auto& object : objects) {
      auto collision = object->LockComponent<CollisionComponent>();
      records += collision->GetContacts().size();
      collision->ClearContacts();
    }
    engine.LateUpdate(kStep);
  }
  state.counters["records"] = static_cast<double>(records);
}

void Sizes(benchmark::internal::Benchmark* b) {
  for (int n : {250, 500, 1000, 2000, 4000, 8000}) b->Arg(n);
  b->Unit(benchmark::kMillisecond);
}

// The broad phase goes on past where the pair loops stop.
void LargerSizes(benchmark::internal::Benchmark* b) {
  Sizes(b);
  for (int n : {16000, 32000}) b->Arg(n);
}

BENCHMARK_TEMPLATE(BM_CollisionFrame, CollisionEngine)->Name("CollisionFrame/engine")->Apply(LargerSizes);
BENCHMARK_TEMPLATE(BM_CollisionFrame, OrvBench::AllPairsCollisionEngine)
    ->Name("CollisionFrame/allpairs")
    ->Apply(Sizes)
    ->Iterations(20);
// The plain pass takes seconds a frame at the top: a few frames are enough.
BENCHMARK_TEMPLATE(BM_CollisionFrame, OrvTest::ReferenceCollisionEngine)
    ->Name("CollisionFrame/reference")
    ->Apply(Sizes)
    ->Iterations(3);

// Prints as usual and keeps each run's time a frame by variant and size.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      // "CollisionFrame/<variant>/<size>", perhaps with "/iterations:3" after.
      const std::string name = run.benchmark_name();
      const std::size_t first = name.find('/');
      const std::size_t second = name.find('/', first + 1);
      if (first == std::string::npos || second == std::string::npos) continue;
      const std::string variant = name.substr(0, second);
      const int size = std::atoi(name.c_str() + second + 1);
      // Real time a frame, in milliseconds as the unit says.
      milliseconds_[variant][size] = run.GetAdjustedRealTime();
    }
  }

  void Summary() const {
    for (const auto& [variant, bySize] : milliseconds_) {
      int largest = 0;
      for (const auto& [size, ms] : bySize) {
        if (ms < 4.0) largest = size;
      }
      std::printf("%s: largest scene under 4 ms a frame: %d circles\n", variant.c_str(), largest);
    }
    const auto engine = milliseconds_.find("CollisionFrame/engine");
    if (engine == milliseconds_.end()) return;
    for (const auto& [size, ms] : engine->second) {
      std::printf("%5d circles: engine %.3f ms", size, ms);
      for (const char* baseline : {"allpairs", "reference"}) {
        const auto other = milliseconds_.find(std::string("CollisionFrame/") + baseline);
        if (other == milliseconds_.end() || other->second.count(size) == 0) continue;
        const double theirs = other->second.at(size);
        std::printf(", %s %.3f ms (%.1fx)", baseline, theirs, theirs / ms);
      }
      std::printf("\n");
    }
  }

 private:
  std::map<std::string, std::map<int, double>> milliseconds_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.Summary();
  benchmark::Shutdown();
  return 0;
}
