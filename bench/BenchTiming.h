#pragma once
// Clocks and timings shared by the benchmarks: CPU time beside wall time,
// sides timed in turn, and a child process's processor time. Nothing here
// needs the benchmark library.
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace OrvBench {

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

// Side a's CPU time over side b's, round by round, and the median of those
// ratios: the two of a round are timed close together, so that the load of
// the moment falls on both.
inline double MedianCpuRatio(const std::vector<Times>& a, const std::vector<Times>& b) {
  std::vector<double> ratios;
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) ratios.push_back(a[i].cpu / b[i].cpu);
  return Median(ratios);
}

// What sides timed in turn took, in milliseconds a run: each side's times,
// round by round.
struct InTurn {
  std::vector<std::vector<Times>> rounds;

  // A side's median over the rounds, each clock on its own.
  Times Median(std::size_t side) const { return OrvBench::Median(rounds[side]); }
  double CpuRatio(std::size_t a, std::size_t b) const { return MedianCpuRatio(rounds[a], rounds[b]); }
};

// Sides of a comparison timed in turn, round after round, so that the
// machine's drift from second to second falls on all alike. In each round
// every side runs once untimed (the run before was another side's), then
// `runs` times timed, on the thread's CPU clock (or the one given) and on
// the wall clock.
inline InTurn TimeInTurn(int rounds, int runs, const std::vector<std::function<void()>>& sides,
                         Times (*now)() = ThreadNow) {
  InTurn times;
  times.rounds.resize(sides.size());
  for (int round = 0; round < rounds; ++round) {
    for (std::size_t s = 0; s < sides.size(); ++s) {
      sides[s]();
      const Times start = now();
      for (int i = 0; i < runs; ++i) sides[s]();
      times.rounds[s].push_back((now() - start) / runs);
    }
  }
  return times;
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
