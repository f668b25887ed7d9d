// One frame of the collision engine (pair pass, sweep, ageing), the engine
// beside the all-pairs pass it had before its broad phase, in the same run,
// over these scenes:
// - sparse: 250 to 32000 circles, half of them bodies, scattered at one
//   density, about 0.04 contacts a circle;
// - pile: circles on a square lattice, each overlapping its four neighbours,
//   every one a body, as a pile at rest;
// - lattice: 10000 circles 20 px apart, and the same with one more at
//   (1e9, 1e9);
// - patch: 5000 circles of radius 0.01 in a 3.5 x 3.5 square, and the same
//   with two more at (1e6, 1e6) and (-1e6, -1e6).
// - crowds: two crowds of 4000 circles each at the sparse scene's density,
//   side by side, and the same two far apart on a diagonal, 1e5 and 1e6
//   apart;
// - statics: 10000 circles without bodies at that density, and the same
//   10000 all on one point.
// - wide bodies: 3000 static pebbles of radius 1 among 2000 bodies of radius
//   20, none touching, and the same with pebbles of radius 20;
// - heap: 1000 small bodies heaped in a 100 x 100 square, beside the sparse
//   scene of 1000.
// Where Box2D was found at build time, its world steps the sparse, pile and
// lattice colliders too (in metres, 32 px a metre), finding and answering
// their contacts as the engine's frame does: see Box2DScene.
// Every frame starts from the scene's first placement (restored untimed), so
// each frame does the same work. Times are CPU time a frame; with
// --benchmark_repetitions the summary takes the median of the repetitions
// (add --benchmark_enable_random_interleaving=true to interleave them). The
// summary follows the report on standard error, one figure a line beside its
// baseline and ratio.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "bench/Box2DScale.h"
#include "core/GameObject.h"
#include "core/TransformComponent.h"
#include "core/TypeKey.h"
#include "world/Collider.h"
#include "world/CollisionComponent.h"
#include "world/CollisionEngine.h"
#include "world/RigidBodyComponent.h"

#include "AllPairsCollisionEngine.h"
#include "BenchSupport.h"

#ifdef ORV_BENCH_BOX2D
#include <box2d/box2d.h>
#endif

namespace {

using OrvBench::QuietStdout;

using namespace Orv;

constexpr float kStep = 1.0f / 60.0f;

struct Placed {
  std::shared_ptr<GameObject> object;
  Vec2 position;
  Vec2 velocity;
};

class Scene {
 public:
  explicit Scene(CollisionEngine& engine) : engine_(engine) {}

  void Add(double x, double y, double radius, bool body, Vec2 velocity = {}) {
    QuietStdout quiet;
    const auto n = static_cast<std::uint32_t>(placed_.size());
    auto object = std::make_shared<GameObject>(nullptr, n);
    object->SetUniqueId(n + 1);
    auto collision = std::make_shared<CollisionComponent>();
    collision->SetColliderByName("Circle");
    collision->SetRealProperty(CollisionComponent::PosX, x);
    collision->SetRealProperty(CollisionComponent::PosY, y);
    collision->SetRealProperty(CollisionComponent::Radius, radius);
    object->AddComponent(TypeKey<CollisionComponent>(), collision);
    object->AddComponent(TypeKey<TransformComponent>(), std::make_shared<TransformComponent>());
    if (body) {
      auto rigid = std::make_shared<RigidBodyComponent>();
      rigid->body.velocity = velocity;
      rigid->body.SetMass(1.0);
      object->AddComponent(TypeKey<RigidBodyComponent>(), rigid);
    }
    engine_.OnGameObjectAdded(ObjectLockPtr<GameObject>(object));
    placed_.push_back({std::move(object), {x, y}, velocity});
  }

  // Back to the first placement: the response moved colliders and changed
  // velocities.
  void Restore() {
    for (const Placed& p : placed_) {
      Collider* collider = p.object->FindComponent<CollisionComponent>()->GetCollider();
      collider->SetPosition(p.position);
      collider->UpdateBounds();
      if (auto* rigid = p.object->FindComponent<RigidBodyComponent>()) rigid->body.velocity = p.velocity;
    }
  }

  // One frame as the engine runs it; the records a script would read.
  std::size_t Frame() {
    engine_.PreUpdate(kStep);
    engine_.Update(kStep);
    std::size_t records = 0;
    for (const Placed& p : placed_) {
      auto* collision = p.object->FindComponent<CollisionComponent>();
      records += collision->GetContacts().size();
      collision->ClearContacts();
    }
    engine_.LateUpdate(kStep);
    return records;
  }

 private:
  CollisionEngine& engine_;
  std::vector<Placed> placed_;
};

// About one circle per 40 x 40 units, so a circle has a few neighbours at
// any size of scene.
// Placed from (at.x, at.y) on, half of them bodies unless withBodies is false;
// with onOnePoint every centre is at.
template <typename AnyScene>
void Sparse(AnyScene& scene, int count, Vec2 at = {}, bool withBodies = true, bool onOnePoint = false) {
  std::mt19937 random(11);
  const double side = 40.0 * std::sqrt(static_cast<double>(count));
  std::uniform_real_distribution<double> place(0, side), radius(4, 10), speed(-60, 60);
  for (int i = 0; i < count; ++i) {
    const double x = place(random), y = place(random), r = radius(random);
    const bool body = withBodies && i % 2 == 0;
    Vec2 velocity;
    if (body) {
      velocity.x = speed(random);
      velocity.y = speed(random);
    }
    scene.Add(onOnePoint ? at.x : at.x + x, onOnePoint ? at.y : at.y + y, r, body, velocity);
  }
}

// 5000 places 50 apart, two in five a body of radius 20 moving up to 60 px/s
// (1 px a frame, never into a neighbour), the rest static pebbles of
// pebbleRadius: coins among characters, or as large as they are.
void WideBodies(Scene& scene, double pebbleRadius) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> speed(-60, 60);
  for (int i = 0; i < 5000; ++i) {
    const double x = 50.0 * (i % 100), y = 50.0 * (i / 100);
    if (i % 5 < 2) {
      const double vx = speed(random), vy = speed(random);
      scene.Add(x, y, 20, true, {vx, vy});
    } else {
      scene.Add(x, y, pebbleRadius, false);
    }
  }
}

// 1000 bodies of radius 2 to 5 moving up to 60 px/s heaped in a 100 x 100
// square, each touching about a dozen others.
void Heap(Scene& scene) {
  std::mt19937 random(13);
  std::uniform_real_distribution<double> place(0, 100), radius(2, 5), speed(-60, 60);
  for (int i = 0; i < 1000; ++i) {
    const double x = place(random), y = place(random), r = radius(random);
    const double vx = speed(random), vy = speed(random);
    scene.Add(x, y, r, true, {vx, vy});
  }
}

// Two crowds of 4000, the second beside the first or far off on a diagonal.
void Crowds(Scene& scene, double apart) {
  constexpr int kCrowd = 4000;
  const double side = 40.0 * std::sqrt(static_cast<double>(kCrowd));
  Sparse(scene, kCrowd);
  Sparse(scene, kCrowd, apart > 0 ? Vec2{apart, apart} : Vec2{side + 100, 0});
}

// Radius 8 at 15 apart: 1 unit of overlap with each neighbour.
template <typename AnyScene>
void Pile(AnyScene& scene, int count) {
  const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
  for (int i = 0; i < count; ++i) scene.Add(15.0 * (i % columns), 15.0 * (i / columns), 8, true);
}

template <typename AnyScene>
void Lattice(AnyScene& scene, bool far) {
  for (int i = 0; i < 10000; ++i) scene.Add(20.0 * (i % 100), 20.0 * (i / 100), 8, i % 2 == 0);
  if (far) scene.Add(1e9, 1e9, 8, true);
}

template <typename AnyScene>
void Patch(AnyScene& scene, bool far) {
  std::mt19937 random(5);
  std::uniform_real_distribution<double> place(0, 3.5);
  for (int i = 0; i < 5000; ++i) {
    const double x = place(random), y = place(random);
    scene.Add(x, y, 0.01, i % 2 == 0);
  }
  if (far) {
    scene.Add(1e6, 1e6, 0.01, true);
    scene.Add(-1e6, -1e6, 0.01, true);
  }
}

enum SceneKind {
  kSparse,
  kPile,
  kLattice,
  kLatticeFar,
  kPatch,
  kPatchFar,
  kCrowds,
  kCrowds1e5,
  kCrowds1e6,
  kStatics,
  kStaticsOnAPoint,
  kWideBodies,
  kLargePebbles,
  kHeap
};

#ifdef ORV_BENCH_BOX2D
// The same circles as bodies of a Box2D world in metres, stepped once a
// frame: its broad phase (its dynamic tree), its circle test, and its solver
// answering each touching contact once (one velocity and one position
// iteration), as the engine's frame finds its pairs and answers each once.
// The bodies do not sleep, as the engine's do not. Its cost hangs on how far
// bodies have gone from where they were put in its tree, and putting a body
// back asks the tree for its new pairs at once, so the bodies are not put
// back each frame but go on for a second of frames and then start again:
// the frames of a second of play.
class Box2DScene {
 public:
  Box2DScene() : world_(b2Vec2(0, 0)) {}

  void Add(double x, double y, double radius, bool body, Vec2 velocity = {}) {
    b2BodyDef def;
    def.type = body ? b2_dynamicBody : b2_staticBody;
    def.position.Set(Metres(x), Metres(y));
    def.allowSleep = false;
    def.fixedRotation = true;
    b2Body* added = world_.CreateBody(&def);
    b2CircleShape shape;
    shape.m_radius = Metres(radius);
    b2FixtureDef fixture;
    fixture.shape = &shape;
    fixture.density = 1;
    fixture.friction = 0;
    added->CreateFixture(&fixture);
    if (body) placed_.push_back({added, def.position, Metres(velocity)});
  }

  void Restore() {
    for (const Placed& p : placed_) {
      p.body->SetTransform(p.start, 0);
      p.body->SetLinearVelocity(p.velocity);
    }
  }

  std::size_t Frame() {
    if (frame_++ % 60 == 0) Restore();
    world_.Step(kStep, 1, 1);
    std::size_t touching = 0;
    for (b2Contact* contact = world_.GetContactList(); contact != nullptr; contact = contact->GetNext()) {
      touching += contact->IsTouching() ? 1 : 0;
    }
    // A record with each of the pair's objects, as the engine counts them.
    return 2 * touching;
  }

 private:
  struct Placed {
    b2Body* body;
    b2Vec2 start, velocity;
  };

  b2World world_;
  long frame_ = 0;
  std::vector<Placed> placed_;
};

template <SceneKind kind>
void BM_Box2DFrame(benchmark::State& state) {
  Box2DScene scene;
  const int count = static_cast<int>(state.range(0));
  switch (kind) {
    case kSparse: Sparse(scene, count); break;
    case kPile: Pile(scene, count); break;
    case kLatticeFar: Lattice(scene, true); break;
    default: break;
  }
  std::size_t records = 0;
  // Its first step makes every contact of the scene at once, which no later
  // frame does.
  scene.Frame();
  for (auto _ : state) records = scene.Frame();
  state.counters["records"] = static_cast<double>(records);
}
#endif

template <typename Engine, SceneKind kind>
void BM_CollisionFrame(benchmark::State& state) {
  Engine engine(nullptr);
  Scene scene(engine);
  const int count = static_cast<int>(state.range(0));
  switch (kind) {
    case kSparse: Sparse(scene, count); break;
    case kPile: Pile(scene, count); break;
    case kLattice: Lattice(scene, false); break;
    case kLatticeFar: Lattice(scene, true); break;
    case kPatch: Patch(scene, false); break;
    case kPatchFar: Patch(scene, true); break;
    case kCrowds: Crowds(scene, 0); break;
    case kCrowds1e5: Crowds(scene, 1e5); break;
    case kCrowds1e6: Crowds(scene, 1e6); break;
    case kStatics: Sparse(scene, 10000, {}, false); break;
    case kStaticsOnAPoint: Sparse(scene, 10000, {}, false, true); break;
    case kWideBodies: WideBodies(scene, 1); break;
    case kLargePebbles: WideBodies(scene, 20); break;
    case kHeap: Heap(scene); break;
  }
  std::size_t records = 0;
  // Its first step makes every contact of the scene at once, which no later
  // frame does.
  scene.Frame();
  for (auto _ : state) records = scene.Frame();
  state.counters["records"] = static_cast<double>(records);
}

void Sizes(benchmark::internal::Benchmark* b) {
  for (int n : {250, 500, 1000, 2000, 4000, 8000}) b->Arg(n);
  b->Unit(benchmark::kMillisecond);
}

// The broad phase goes on past where the all-pairs loop stops.
void LargerSizes(benchmark::internal::Benchmark* b) {
  Sizes(b);
  for (int n : {16000, 32000}) b->Arg(n);
}

void PileSizes(benchmark::internal::Benchmark* b) {
  for (int n : {1000, 8000}) b->Arg(n);
  b->Unit(benchmark::kMillisecond);
}

void Fixed(benchmark::internal::Benchmark* b) {
  b->Arg(0);
  b->Unit(benchmark::kMillisecond);
}

using OrvBench::AllPairsCollisionEngine;

BENCHMARK_TEMPLATE(BM_CollisionFrame, CollisionEngine, kSparse)->Name("sparse/engine")->Apply(LargerSizes);
BENCHMARK_TEMPLATE(BM_CollisionFrame, AllPairsCollisionEngine, kSparse)->Name("sparse/allpairs")->Apply(Sizes);
BENCHMARK_TEMPLATE(BM_CollisionFrame, CollisionEngine, kPile)->Name("pile/engine")->Apply(PileSizes);
BENCHMARK_TEMPLATE(BM_CollisionFrame, AllPairsCollisionEngine, kPile)->Name("pile/allpairs")->Apply(PileSizes);
BENCHMARK_TEMPLATE(BM_CollisionFrame, CollisionEngine, kLattice)->Name("lattice/engine")->Apply(Fixed);
BENCHMARK_TEMPLATE(BM_CollisionFrame, CollisionEngine, kLatticeFar)->Name("lattice+far/engine")->Apply(Fixed);
BENCHMARK_TEMPLATE(BM_CollisionFrame, AllPairsCollisionEngine, kLatticeFar)->Name("lattice+far/allpairs")->Apply(Fixed);
BENCHMARK_TEMPLATE(BM_CollisionFrame, CollisionEngine, kPatch)->Name("patch/engine")->Apply(Fixed);
BENCHMARK_TEMPLATE(BM_CollisionFrame, CollisionEngine, kPatchFar)->Name("patch+far/engine")->Apply(Fixed);
BENCHMARK_TEMPLATE(BM_CollisionFrame, AllPairsCollisionEngine, kPatchFar)->Name("patch+far/allpairs")->Apply(Fixed);
BENCHMARK_TEMPLATE(BM_CollisionFrame, CollisionEngine, kCrowds)->Name("crowds/engine")->Apply(Fixed);
BENCHMARK_TEMPLATE(BM_CollisionFrame, CollisionEngine, kCrowds1e5)->Name("crowds+1e5/engine")->Apply(Fixed);
BENCHMARK_TEMPLATE(BM_CollisionFrame, CollisionEngine, kCrowds1e6)->Name("crowds+1e6/engine")->Apply(Fixed);
BENCHMARK_TEMPLATE(BM_CollisionFrame, CollisionEngine, kStatics)->Name("statics/engine")->Apply(Fixed);
BENCHMARK_TEMPLATE(BM_CollisionFrame, CollisionEngine, kStaticsOnAPoint)->Name("statics+point/engine")->Apply(Fixed);
BENCHMARK_TEMPLATE(BM_CollisionFrame, CollisionEngine, kWideBodies)->Name("widebodies/engine")->Apply(Fixed);
BENCHMARK_TEMPLATE(BM_CollisionFrame, CollisionEngine, kLargePebbles)->Name("largepebbles/engine")->Apply(Fixed);
BENCHMARK_TEMPLATE(BM_CollisionFrame, CollisionEngine, kHeap)->Name("heap/engine")->Apply(Fixed);
#ifdef ORV_BENCH_BOX2D
// The patch's circles of radius 0.01 px are no scene a game in metres makes.
BENCHMARK_TEMPLATE(BM_Box2DFrame, kSparse)->Name("sparse/box2d")->Apply(LargerSizes);
BENCHMARK_TEMPLATE(BM_Box2DFrame, kPile)->Name("pile/box2d")->Apply(PileSizes);
BENCHMARK_TEMPLATE(BM_Box2DFrame, kLatticeFar)->Name("lattice+far/box2d")->Apply(Fixed);
#endif

// Reports as --benchmark_format asks and keeps every run's CPU time a frame
// by scene, variant and size; aggregate rows are left out, as the summary
// takes its own median.
class SummaryReporter : public benchmark::BenchmarkReporter {
 public:
  bool ReportContext(const Context& context) override { return report_->ReportContext(context); }
  void Finalize() override { report_->Finalize(); }
  void ReportRuns(const std::vector<Run>& runs) override {
    report_->ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      // "<scene>/<variant>", its size as the argument.
      const std::string& name = run.run_name.function_name;
      const std::size_t slash = name.find('/');
      if (slash == std::string::npos) continue;
      const int size = std::atoi(run.run_name.args.c_str());
      times_[name.substr(0, slash)][name.substr(slash + 1)][size].push_back(run.GetAdjustedCPUTime());
    }
  }

  void Summary() const {
    std::fprintf(stderr, "\nCollisionPassBench summary (CPU ms a frame, medians of the runs):\n");
    for (const char* scene : {"sparse", "pile"}) {
      for (const auto& [size, engine] : MediansBySize(scene, "engine")) {
        const std::string figure = std::string(scene) + " " + std::to_string(size) + " circles";
        Line(figure, figure, engine, "all-pairs pass", Median(scene, "allpairs", size), "");
        // Held to a goal at the largest size both take, as the budget row.
        Line(figure, figure, engine, kBox2D, Median(scene, "box2d", size), size == 8000 ? "at most 1" : "", 1.0);
      }
    }
    const auto largest = [this](const char* variant) {
      int found = 0;
      for (const auto& [size, ms] : MediansBySize("sparse", variant)) {
        if (ms < 4.0) found = size;
      }
      return found;
    };
    if (largest("engine") > 0 && largest("allpairs") > 0) {
      std::fprintf(stderr,
                   "sparse, largest scene under 4 ms a frame: engine %d circles; baseline all-pairs pass %d circles; "
                   "ratio %.2f\n",
                   largest("engine"), largest("allpairs"),
                   static_cast<double>(largest("engine")) / static_cast<double>(largest("allpairs")));
    }
    const double at8000 = Median("sparse", "engine", 8000);
    if (at8000 >= 0) {
      char value[64];
      std::snprintf(value, sizeof value, "%.3f ms CPU a frame", at8000);
      OrvBench::EmitRow({"collision pass, sparse 8000 circles", value, "a frame's budget: 4 ms", "-", "under 4 ms",
                         OrvBench::AtMost(at8000, 4.0)});
    }
    Far("lattice", "10000 circles 20 px apart + one at (1e9, 1e9)");
    Far("patch", "5000 circles of radius 0.01 in 3.5 x 3.5 + two at (+-1e6, +-1e6)");
    for (const char* apart : {"1e5", "1e6"}) {
      const std::string figure = std::string("two crowds of 4000 circles ") + apart + " apart on a diagonal";
      Line(figure, figure, Median(std::string("crowds+") + apart, "engine", 0), "the same crowds side by side",
           Median("crowds", "engine", 0), "at most 1.5", 1.5);
    }
    Line("10000 static circles on one point", "10000 static circles on one point", Median("statics+point", "engine", 0),
         "the same spread out", Median("statics", "engine", 0), "at most 1.5", 1.5);
    Line("2000 bodies of radius 20 among 3000 static pebbles of radius 1, none touching",
         "2000 bodies of radius 20 among 3000 pebbles of radius 1", Median("widebodies", "engine", 0),
         "the same with pebbles of radius 20", Median("largepebbles", "engine", 0), "at most 1.5", 1.5);
    // A heap's dozen contacts a body cost more than the sparse scene's few.
    Line("1000 bodies heaped in a 100 x 100 square", "1000 bodies heaped in a 100 x 100 square",
         Median("heap", "engine", 0), "the sparse scene of 1000 circles", Median("sparse", "engine", 1000), "at most 8",
         8);
  }

 private:
  using Times = std::map<int, std::vector<double>>;

  double Median(const std::string& scene, const std::string& variant, int size) const {
    const auto s = times_.find(scene);
    if (s == times_.end()) return -1;
    const auto v = s->second.find(variant);
    if (v == s->second.end() || v->second.count(size) == 0) return -1;
    std::vector<double> runs = v->second.at(size);
    std::sort(runs.begin(), runs.end());
    const std::size_t half = runs.size() / 2;
    return runs.size() % 2 == 1 ? runs[half] : (runs[half - 1] + runs[half]) / 2;
  }

  std::map<int, double> MediansBySize(const std::string& scene, const std::string& variant) const {
    std::map<int, double> medians;
    const auto s = times_.find(scene);
    if (s == times_.end()) return medians;
    const auto v = s->second.find(variant);
    if (v == s->second.end()) return medians;
    for (const auto& [size, runs] : v->second) medians[size] = Median(scene, variant, size);
    return medians;
  }

  // One figure beside one baseline, and the goal when there is one: the
  // figure at most goal times the baseline.
  // Its table row is named by the short figure and the baseline, so that
  // two baselines of one figure keep a row each.
  static void Line(const std::string& figure, const std::string& shortFigure, double ms, const std::string& baseline,
                   double baselineMs, const std::string& goal, double most = 0) {
    if (ms < 0 || baselineMs <= 0) return;
    const double ratio = ms / baselineMs;
    std::fprintf(stderr, "%s: engine %.3f ms; baseline %s %.3f ms; ratio %.2f", figure.c_str(), ms, baseline.c_str(),
                 baselineMs, ratio);
    if (!goal.empty()) std::fprintf(stderr, "; goal %s: %s", goal.c_str(), ratio <= most ? "met" : "missed");
    std::fprintf(stderr, "\n");
    char value[64], base[256], shown[32];
    // CPU time; the report above shows the wall time beside it.
    std::snprintf(value, sizeof value, "%.3f ms CPU a frame", ms);
    std::snprintf(base, sizeof base, "%s: %.3f ms CPU", baseline.c_str(), baselineMs);
    std::snprintf(shown, sizeof shown, "%.2fx", ratio);
    OrvBench::EmitRow({"collision pass, " + shortFigure + ", beside " + baseline, value, base, shown,
                       goal.empty() ? "" : goal + "x", goal.empty() ? "" : OrvBench::AtMost(ratio, most)});
  }

  void Far(const std::string& scene, const std::string& what) const {
    const double far = Median(scene + "+far", "engine", 0);
    const std::string figure = scene + " with far colliders (" + what + ")";
    Line(figure, scene + " with far colliders", far, "the same without them", Median(scene, "engine", 0), "at most 1.5",
         1.5);
    Line(figure, scene + " with far colliders", far, "all-pairs pass", Median(scene + "+far", "allpairs", 0),
         "at most 1", 1.0);
    Line(figure, scene + " with far colliders", far, kBox2D, Median(scene + "+far", "box2d", 0), "at most 1", 1.0);
  }

  // The same work: pairs found by its dynamic tree, tested, and each
  // touching one answered once.
  static constexpr const char* kBox2D = "Box2D's step in metres (its tree, circle test, one solver iteration)";
  // The library's own reporter of the format asked for; it lives as long as
  // the program.
  BenchmarkReporter* report_ = benchmark::CreateDefaultDisplayReporter();

  std::map<std::string, std::map<std::string, Times>> times_;
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
