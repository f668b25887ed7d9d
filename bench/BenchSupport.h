#pragma once
// Helpers shared by the benchmarks.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/GameEngine.h"

#include "BenchRows.h"
#include "BenchTiming.h"

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

}  // namespace OrvBench
