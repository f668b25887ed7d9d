#pragma once
// Helpers shared by the benchmarks.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
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
// A benchmark emits each row as one line, seven fields separated by tabs,
// the first the word "bench-row", appended to the file named by the
// environment's ORV_BENCH_ROWS (./bench.sh sets it), or without it on
// standard error: standard output is the benchmark library's report, whose
// JSON (--benchmark_format=json) stays readable.
//
//   bench-row <TAB> figure <TAB> value <TAB> baseline <TAB> ratio <TAB> goal <TAB> verdict
//
//   figure    what is measured, the same words in every run ("contact pile
//             at rest beside Box2D, sleeping off");
//   value     the figure with its unit ("0.512 ms a step", "1000 of 1000");
//             a time judged on CPU time shows its wall time beside it
//             ("0.512 ms CPU, 0.530 ms wall");
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
// Anything else a program prints is left as it is; prose meant for a reader
// goes to standard error too.
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
  const std::string line = "bench-row\t" + field(row.figure) + "\t" + field(row.value) + "\t" + field(row.baseline) +
                           "\t" + field(row.ratio) + "\t" + field(row.goal) + "\t" + field(row.verdict) + "\n";
  const char* rows = std::getenv("ORV_BENCH_ROWS");
  const int file = rows && *rows ? open(rows, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644) : -1;
  // One write of the whole line: rows of programs that share the file never
  // interleave.
  if (write(file >= 0 ? file : STDERR_FILENO, line.data(), line.size()) < 0) std::perror("bench row");
  if (file >= 0) close(file);
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

// Milliseconds of processor time the calling thread has used: a loaded
// machine that takes the processor away from it does not count.
inline double ThreadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

inline double WallMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// A time on both clocks, in milliseconds (or any unit both share). Verdicts
// on single-threaded work take the CPU time; the wall time is shown beside
// it.
struct Times {
  double cpu = 0;
  double wall = 0;
};

inline Times operator-(const Times& a, const Times& b) { return {a.cpu - b.cpu, a.wall - b.wall}; }
inline Times operator/(const Times& a, double d) { return {a.cpu / d, a.wall / d}; }
inline Times operator*(const Times& a, double m) { return {a.cpu * m, a.wall * m}; }

// Both clocks of the calling thread now.
inline Times ThreadNow() { return {ThreadCpuMs(), WallMs()}; }

// The processor time of every thread of the process, and the wall clock:
// for work a driver shares out to threads of its own.
inline Times ProcessNow() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return {static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6, WallMs()};
}

// Each clock's median on its own.
inline Times Median(const std::vector<Times>& values) {
  std::vector<double> cpu, wall;
  for (const Times& t : values) {
    cpu.push_back(t.cpu);
    wall.push_back(t.wall);
  }
  return {Median(cpu), Median(wall)};
}

// "0.512 ms CPU, 0.530 ms wall", with the number format and unit given.
inline std::string CpuAndWall(const Times& t, const char* number, const char* unit) {
  const std::string one = std::string(number) + " " + unit;
  return Format((one + " CPU, " + one + " wall").c_str(), t.cpu, t.wall);
}

// Sides of a comparison timed in turn, round after round, so that the
// machine's drift from second to second falls on all alike. In each round
// every side runs once untimed (the run before was another side's), then
// `runs` times timed. The result: each side's median over the rounds, in
// milliseconds a run, on the thread's CPU clock (or the one given) and on the
// wall clock.
inline std::vector<Times> MediansInTurn(int rounds, int runs, const std::vector<std::function<void()>>& sides,
                                        Times (*now)() = ThreadNow) {
  std::vector<std::vector<Times>> times(sides.size());
  for (int round = 0; round < rounds; ++round) {
    for (std::size_t s = 0; s < sides.size(); ++s) {
      sides[s]();
      const Times start = now();
      for (int i = 0; i < runs; ++i) sides[s]();
      times[s].push_back((now() - start) / runs);
    }
  }
  std::vector<Times> medians;
  for (const auto& each : times) medians.push_back(Median(each));
  return medians;
}

// A command run by the shell in a child process, and how long it took: its
// processor time, and that of every process it waited for, from wait4 (work
// the machine's load delays does not count; the driver's threads in the
// child do), and the wall time.
struct ChildRun {
  int status = -1;
  Times times;
};

inline ChildRun RunChild(const std::string& command) {
  ChildRun run;
  const double wallStart = WallMs();
  const pid_t child = fork();
  if (child < 0) return run;
  if (child == 0) {
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  rusage usage{};
  int status = 0;
  while (wait4(child, &status, 0, &usage) < 0) {
    if (errno != EINTR) return run;
  }
  const auto ms = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
  };
  run.status = status;
  run.times = {ms(usage.ru_utime) + ms(usage.ru_stime), WallMs() - wallStart};
  return run;
}

}  // namespace OrvBench
