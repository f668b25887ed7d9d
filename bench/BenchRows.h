#pragma once
// The rows of the table ./bench.sh prints at its end. Nothing here needs the
// benchmark library.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "BenchTiming.h"

namespace OrvBench {

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
//   verdict   "met", "missed", "missed, out of reach here: " followed by
//             why, for a goal shown to be out of reach on this machine, or
//             "missed, not in the design: " followed by why, for a goal the
//             design does not aim at (a choice, not a limit of the machine).
//             A ratio within 30 % of its goal ("at most 2x", "at least
//             0.7x") is "within the noise": on a busy machine two runs put
//             it on either side.
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

// True when the row's ratio is within 30 % of its goal's: "1.9x" beside
// "at most 2x" or "at least 2x".
inline bool WithinTheNoise(const Row& row) {
  double ratio = 0, goal = 0;
  char x = 0, y = 0;
  const bool parsed = std::sscanf(row.ratio.c_str(), "%lf%c", &ratio, &x) == 2 && x == 'x' &&
                      (std::sscanf(row.goal.c_str(), "at most %lf%c", &goal, &y) == 2 ||
                       std::sscanf(row.goal.c_str(), "at least %lf%c", &goal, &y) == 2) &&
                      y == 'x' && goal > 0;
  return parsed && ratio >= goal * 0.7 && ratio <= goal * 1.3;
}

inline void EmitRow(Row row) {
  if ((row.verdict.rfind("met", 0) == 0 || row.verdict.rfind("missed", 0) == 0) && WithinTheNoise(row)) {
    row.verdict = "within the noise";
  }
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

// Why a goal may be missed: this machine cannot do it, or the design does not
// aim at it.
enum class Why { OutOfReachHere, NotInTheDesign };

// The verdict on a figure that should stay at or below the goal, or reach at
// least it. A goal shown to be out of reach here, or not in the design,
// passes why, and a miss says so with it.
inline std::string Missed(const std::string& reason, Why why) {
  if (reason.empty()) return "missed";
  return (why == Why::NotInTheDesign ? "missed, not in the design: " : "missed, out of reach here: ") + reason;
}
inline std::string AtMost(double figure, double goal, const std::string& reason = "",
                          Why why = Why::OutOfReachHere) {
  return figure <= goal ? "met" : Missed(reason, why);
}
inline std::string AtLeast(double figure, double goal, const std::string& reason = "",
                           Why why = Why::OutOfReachHere) {
  return figure >= goal ? "met" : Missed(reason, why);
}

// "0.512 ms CPU, 0.530 ms wall", with the number format and unit given.
inline std::string CpuAndWall(const Times& t, const char* number, const char* unit) {
  const std::string one = std::string(number) + " " + unit;
  return Format((one + " CPU, " + one + " wall").c_str(), t.cpu, t.wall);
}

}  // namespace OrvBench
