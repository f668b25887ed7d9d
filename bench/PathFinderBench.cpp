// Corner-to-corner path queries on 256 x 256 maps, the engine's search beside
// the plain one written with ordered maps (both must find the same path; a
// run where they differ stops with an error instead of a figure) and beside
// a lean A* over flat arrays and a binary heap (bench/FlatAStar.h), whose
// path must cost no more than the engine's.
#include <benchmark/benchmark.h>

#include <random>
#include <utility>
#include <vector>

#include "tests/world/ReferencePathFinder.h"
#include "world/PathFinder.h"

#include "BenchSupport.h"
#include "FlatAStar.h"

namespace {

constexpr unsigned kSide = 256;

// An open map (percent 0) or one with that share of random walls, the
// corners kept free. A seed is taken only when the corners are joined, so
// that the query measures a whole search ending at its goal.
std::vector<char> MakeMap(unsigned wallPercent) {
  for (unsigned seed = 1;; ++seed) {
    std::mt19937 random(seed);
    std::vector<char> cells(kSide * kSide, 0);
    for (char& cell : cells) cell = random() % 100 < wallPercent ? 1 : 0;
    cells.front() = cells.back() = 0;
    Orv::PathFinder finder;
    finder.Init({cells.data(), kSide, kSide});
    finder.SetStartGoal(0, 0, kSide - 1, kSide - 1);
    if (finder.Run(kSide * kSide + 1) == Orv::PathFinder::GoalReached) return cells;
  }
}

std::vector<std::pair<int, int>> EnginePath(const std::vector<char>& cells) {
  // A new search per query, as each script call makes one.
  Orv::PathFinder finder;
  finder.Init({cells.data(), kSide, kSide});
  finder.SetStartGoal(0, 0, kSide - 1, kSide - 1);
  finder.Run(kSide * kSide + 1);
  std::vector<std::pair<int, int>> path;
  for (const Orv::PathCell& cell : finder.GetPath()) path.emplace_back(cell.x, cell.y);
  return path;
}

std::vector<std::pair<int, int>> ReferencePath(const std::vector<char>& cells) {
  OrvTest::ReferencePathFinder finder(cells.data(), kSide, kSide);
  finder.SetStartGoal(0, 0, kSide - 1, kSide - 1);
  finder.Run(kSide * kSide + 1);
  return finder.GetPath();
}

std::vector<std::pair<int, int>> LeanPath(const std::vector<char>& cells) {
  OrvBench::FlatAStar finder(cells.data(), kSide, kSide);
  return finder.Find(0, 0, kSide - 1, kSide - 1);
}

// Why the searches cannot be compared on this map, or nothing.
const char* Mismatch(const std::vector<char>& cells) {
  const std::vector<std::pair<int, int>> engine = EnginePath(cells);
  if (engine != ReferencePath(cells)) return "the engine's path differs from the reference path";
  const OrvBench::FlatAStar rules(cells.data(), kSide, kSide);
  const int lean = rules.Cost(LeanPath(cells));
  if (lean < 0 || lean > rules.Cost(engine)) return "the lean search's path is not a cheapest one";
  return nullptr;
}

template <typename Search>
void Measure(benchmark::State& state, unsigned wallPercent, Search search) {
  const std::vector<char> cells = MakeMap(wallPercent);
  if (const char* why = Mismatch(cells)) {
    state.SkipWithError(why);
    return;
  }
  std::size_t length = 0;
  for (auto _ : state) {
    const auto path = search(cells);
    length = path.size();
    benchmark::DoNotOptimize(path.data());
  }
  state.counters["path_cells"] = static_cast<double>(length);
}

void BM_ReferenceOpenMap(benchmark::State& state) { Measure(state, 0, ReferencePath); }
void BM_EngineOpenMap(benchmark::State& state) { Measure(state, 0, EnginePath); }
void BM_LeanOpenMap(benchmark::State& state) { Measure(state, 0, LeanPath); }
void BM_ReferenceWalls20(benchmark::State& state) { Measure(state, 20, ReferencePath); }
void BM_EngineWalls20(benchmark::State& state) { Measure(state, 20, EnginePath); }
void BM_LeanWalls20(benchmark::State& state) { Measure(state, 20, LeanPath); }

BENCHMARK(BM_ReferenceOpenMap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineOpenMap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LeanOpenMap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferenceWalls20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineWalls20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LeanWalls20)->Unit(benchmark::kMillisecond);

// The three searches in turn on one map (OrvBench::TimeInTurn): the
// table's rows, judged on CPU time.
void BM_InTurn(benchmark::State& state, unsigned wallPercent, const char* map) {
  const std::vector<char> cells = MakeMap(wallPercent);
  if (const char* why = Mismatch(cells)) {
    state.SkipWithError(why);
    return;
  }
  OrvBench::InTurn turns;
  for (auto _ : state) {
    turns = OrvBench::TimeInTurn(5, 1,
                                 {[&] { benchmark::DoNotOptimize(ReferencePath(cells).data()); },
                                  [&] { benchmark::DoNotOptimize(EnginePath(cells).data()); },
                                  [&] { benchmark::DoNotOptimize(LeanPath(cells).data()); }});
  }
  const OrvBench::Times plain = turns.Median(0), ours = turns.Median(1), lean = turns.Median(2);
  state.counters["reference_ms"] = plain.cpu;
  state.counters["engine_ms"] = ours.cpu;
  state.counters["lean_ms"] = lean.cpu;
  const std::string figure = OrvBench::Format("corner-to-corner path on a 256 x 256 map, %s", map);
  OrvBench::EmitRow({figure, OrvBench::CpuAndWall(ours, "%.3f", "ms"),
                     "the plain search with ordered maps, same path: " + OrvBench::CpuAndWall(plain, "%.3f", "ms"),
                     OrvBench::Ratio(turns.CpuRatio(1, 0)), "at most 0.1x (10 times as fast)",
                     OrvBench::AtMost(turns.CpuRatio(1, 0), 0.1)});
  OrvBench::EmitRow(
      {figure + ", beside a lean A*", OrvBench::CpuAndWall(ours, "%.3f", "ms"),
       "A* over flat arrays and a binary heap, same moves and estimate: " + OrvBench::CpuAndWall(lean, "%.3f", "ms"),
       OrvBench::Ratio(turns.CpuRatio(1, 2)), "at most 1x", OrvBench::AtMost(turns.CpuRatio(1, 2), 1.0)});
}
BENCHMARK_CAPTURE(BM_InTurn, OpenMap, 0, "open")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_InTurn, Walls20, 20, "20% walls")->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
