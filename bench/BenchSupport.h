#pragma once
// Helpers shared by the benchmarks.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/GameEngine.h"

namespace OrvBench {

// Standard output goes nowhere while it lives: the engine's progress and
// announcement lines would mix with the benchmark's table.
class QuietStdout {
 public:
  QuietStdout() : saved_(dup(STDOUT_FILENO)) {
    std::fflush(stdout);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    close(null);
  }
  ~QuietStdout() {
    std::fflush(stdout);
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
  }
  QuietStdout(const QuietStdout&) = delete;
  QuietStdout& operator=(const QuietStdout&) = delete;

 private:
  int saved_;
};

// The real program, built beside the benchmark programs.
inline std::filesystem::path ProgramBesideBenchmarks() {
  return std::filesystem::canonical("/proc/self/exe").parent_path().parent_path() / "orv";
}

// The source tree the benchmarks were built from: the demo's content and
// shaders are read from it.
inline std::filesystem::path SourceRoot() { return ORV_SOURCE_DIR; }

// False, with the benchmark marked skipped, when no display is set: the real
// program and the drawing benchmarks open windows.
inline bool DisplayOrSkip(benchmark::State& state) {
  if (std::getenv("DISPLAY")) return true;
  state.SkipWithError("no DISPLAY: run under xvfb-run");
  return false;
}

// Every system of the engine, started as before the window exists (the
// entity systems declare the components they take in), and the engine's
// components registered; the systems' lines go nowhere.
inline void StartAllSystems(Orv::GameEngine& engine, int width, int height) {
  QuietStdout quiet;
  Orv::CreateEngineSystems(engine);
  for (const auto& system : engine.GetAllSystems()) system->Init(width, height);
  Orv::RegisterEngineComponents(engine);
}

inline void WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path) << text;
}

// One row of the table that ./bench.sh prints at its end: a figure beside
// its baseline from the same run, and the goal it is held to.
//
// A benchmark emits each row as one line on standard output, seven fields
// separated by tabs, the first the word "bench-row":
//
//   bench-row <TAB> figure <TAB> value <TAB> baseline <TAB> ratio <TAB> goal <TAB> verdict
//
//   figure    what is measured, the same words in every run ("contact pile
//             at rest beside Box2D, sleeping off");
//   value     the figure with its unit ("0.512 ms a step", "1000 of 1000");
//   baseline  what it is measured beside, and its value from the same run
//             ("Box2D in metres, sleeping off: 0.950 ms");
//   ratio     figure / baseline ("0.54x"), or "-" where none is taken;
//   goal      what the figure should reach ("at most 1x");
//   verdict   "met", "missed", or "missed, out of reach here: " followed by
//             why, for a goal shown to be out of reach on this machine.
//
// A field holds no tab and no line end. A row may be printed more than once
// (a benchmark function that Google Benchmark runs again): ./bench.sh keeps
// the last row of each figure, in the order figures first appeared.
// Anything else a program prints is left as it is.
struct Row {
  std::string figure;
  std::string value;
  std::string baseline;
  std::string ratio = "-";
  std::string goal;
  std::string verdict;
};

inline void EmitRow(const Row& row) {
  const auto field = [](std::string text) {
    for (char& c : text) {
      if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    }
    return text;
  };
  std::fflush(stdout);
  std::printf("bench-row\t%s\t%s\t%s\t%s\t%s\t%s\n", field(row.figure).c_str(), field(row.value).c_str(),
              field(row.baseline).c_str(), field(row.ratio).c_str(), field(row.goal).c_str(),
              field(row.verdict).c_str());
  std::fflush(stdout);
}

// printf-style text for a row's fields.
template <typename... Args>
std::string Format(const char* format, Args... args) {
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, format, args...);
  return buffer;
}

inline std::string Ratio(double ratio) { return Format("%.3gx", ratio); }

// The verdict on a figure that should stay at or below the goal, or reach at
// least it. A goal shown to be out of reach here passes why, and a miss says
// so with it.
inline std::string AtMost(double figure, double goal, const std::string& outOfReach = "") {
  if (figure <= goal) return "met";
  return outOfReach.empty() ? "missed" : "missed, out of reach here: " + outOfReach;
}
inline std::string AtLeast(double figure, double goal, const std::string& outOfReach = "") {
  if (figure >= goal) return "met";
  return outOfReach.empty() ? "missed" : "missed, out of reach here: " + outOfReach;
}

inline double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Sides of a comparison timed in turn, round after round, so that the
// machine's drift from second to second falls on all alike. In each round
// every side runs once untimed (the run before was another side's), then
// `runs` times timed. The result: each side's median over the rounds, in
// milliseconds a run.
inline std::vector<double> MediansInTurn(int rounds, int runs, const std::vector<std::function<void()>>& sides) {
  std::vector<std::vector<double>> times(sides.size());
  for (int round = 0; round < rounds; ++round) {
    for (std::size_t s = 0; s < sides.size(); ++s) {
      sides[s]();
      const auto start = std::chrono::steady_clock::now();
      for (int i = 0; i < runs; ++i) sides[s]();
      times[s].push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() /
                         runs);
    }
  }
  std::vector<double> medians;
  for (const auto& each : times) medians.push_back(Median(each));
  return medians;
}

}  // namespace OrvBench
