// One creation of a scripted object whose blueprint gives the script
// component n data records: by name (each a global of the script) beside
// the same number by index. Both should grow linearly with n. The table's
// row, in turn on CPU time: 8000 named records beside 2000, held within
// half as much again as linear growth (the larger records miss the caches
// more, the more so on a loaded machine); named records beside as many
// indexed ones are printed beside it.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/GameEngine.h"
#include "core/GameObject.h"

#include "BenchSupport.h"

namespace {

using OrvBench::QuietStdout;
using OrvBench::WriteFile;

constexpr int kSizes[] = {2000, 8000};

std::string TypeName(bool named, int n) { return (named ? "Named" : "Indexed") + std::to_string(n); }

// A blueprint per (kind, size): a script component whose data is n records.
std::string Blueprint(bool named, int n) {
  std::string data;
  for (int i = 0; i < n; ++i) {
    if (i > 0) data += ",";
    data += named ? "\"k" + std::to_string(i) + "\":" + std::to_string(i) : std::to_string(i);
  }
  if (named) data = "{" + data + "}";
  return R"({"name":")" + TypeName(named, n) + R"(","id":1,"components":[{"type":"script","data":[)" + data + "]}]}";
}

struct Scene {
  Scene() : engine("bench", 320, 200, false, false) {
    folder = std::filesystem::temp_directory_path() / ("orv_named_bench_" + std::to_string(getpid()));
    for (bool named : {false, true}) {
      for (int n : kSizes) {
        WriteFile(folder / ("data/gameobjects/" + TypeName(named, n) + ".txt"), Blueprint(named, n));
        WriteFile(folder / ("data/scripts/" + TypeName(named, n) + ".lua"), "function Init() end\n");
      }
    }
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    OrvBench::StartAllSystems(engine, 320, 200);
    {
      QuietStdout quiet;
      engine.LoadBlueprints();
      engine.LoadGameObjectScripts();
    }
    std::filesystem::current_path(previous);
  }
  ~Scene() { std::filesystem::remove_all(folder); }

  void CreateOne(const std::string& type) {
    QuietStdout quiet;
    engine.AnnounceGameObject(engine.CreateGameObject(type, 1, nullptr, true));
    engine.DestroyAllObjects();
    engine.RemoveDeadObjects();
  }

  std::filesystem::path folder;
  Orv::GameEngine engine;
};

Scene& TheScene() {
  static Scene scene;
  return scene;
}

void CreateWithRecords(benchmark::State& state, bool named) {
  const std::string type = TypeName(named, static_cast<int>(state.range(0)));
  Scene& scene = TheScene();
  for (auto _ : state) scene.CreateOne(type);
}

void BM_CreateWithIndexedRecords(benchmark::State& state) { CreateWithRecords(state, false); }
void BM_CreateWithNamedRecords(benchmark::State& state) { CreateWithRecords(state, true); }
BENCHMARK(BM_CreateWithIndexedRecords)->Arg(2000)->Arg(8000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreateWithNamedRecords)->Arg(2000)->Arg(8000)->Unit(benchmark::kMillisecond);

void BM_InTurn(benchmark::State& state) {
  Scene& scene = TheScene();
  const std::string named = TypeName(true, 8000), indexed = TypeName(false, 8000), fewer = TypeName(true, 2000);
  OrvBench::InTurn turns;
  for (auto _ : state) {
    turns = OrvBench::TimeInTurn(
        11, 5, {[&] { scene.CreateOne(named); }, [&] { scene.CreateOne(indexed); }, [&] { scene.CreateOne(fewer); }});
  }
  const OrvBench::Times byName = turns.Median(0), byIndex = turns.Median(1), quarter = turns.Median(2);
  state.counters["named_8000_ms"] = byName.cpu;
  state.counters["indexed_8000_ms"] = byIndex.cpu;
  state.counters["named_2000_ms"] = quarter.cpu;
  std::fprintf(stderr, "creation with 8000 records: named %.2f ms CPU, by index %.2f ms CPU (%.2fx)\n", byName.cpu,
               byIndex.cpu, turns.CpuRatio(0, 1));
  OrvBench::EmitRow(
      {"growth of a creation from 2000 to 8000 named data records", OrvBench::CpuAndWall(byName, "%.2f", "ms"),
       "2000 named records: " + OrvBench::CpuAndWall(quarter, "%.2f", "ms"), OrvBench::Ratio(turns.CpuRatio(0, 2)),
       "at most 6x (linear: 4x, quadratic: 16x)", OrvBench::AtMost(turns.CpuRatio(0, 2), 6.0)});
}
BENCHMARK(BM_InTurn)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
