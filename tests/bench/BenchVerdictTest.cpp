// What a row's verdict says: a ratio within 30 % of its goal is within the
// noise whichever side of the goal it fell, counts are judged exactly, and a
// miss says whether it is out of reach on this machine or not in the design.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/BenchRows.h"

namespace {

// The verdicts of the rows, in order, as the table shows them.
std::vector<std::string> Verdicts(const std::vector<OrvBench::Row>& rows) {
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("orv_bench_verdicts_" + std::to_string(getpid()));
  std::filesystem::remove(file);
  setenv("ORV_BENCH_ROWS", file.c_str(), 1);
  for (const OrvBench::Row& row : rows) OrvBench::EmitRow(row);
  unsetenv("ORV_BENCH_ROWS");
  std::ifstream in(file);
  std::vector<std::string> verdicts;
  for (std::string line; std::getline(in, line);) verdicts.push_back(line.substr(line.rfind('\t') + 1));
  std::filesystem::remove(file);
  return verdicts;
}

OrvBench::Row Timed(const std::string& ratio, const std::string& goal, const std::string& verdict) {
  return {"figure", "1 ms", "baseline: 1 ms", ratio, goal, verdict};
}

}  // namespace

TEST(BenchVerdict, ARatioNearItsGoalIsWithinTheNoiseAndOthersKeepTheirVerdict) {
  const std::vector<std::string> verdicts = Verdicts({
      Timed("0.9x", "at most 1x", OrvBench::AtMost(0.9, 1.0)),
      Timed("1.25x", "at most 1x", OrvBench::AtMost(1.25, 1.0)),
      Timed("2.5x", "at most 2x", OrvBench::AtMost(2.5, 2.0, "a reason")),
      Timed("0.65x", "at least 0.7x", OrvBench::AtLeast(0.65, 0.7)),
      Timed("0.5x", "at most 1x", OrvBench::AtMost(0.5, 1.0)),
      Timed("1.4x", "at most 1x", OrvBench::AtMost(1.4, 1.0)),
      Timed("0.4x", "at least 0.7x", OrvBench::AtLeast(0.4, 0.7)),
      // Counts are exact: no noise band.
      {"bodies inside", "999 of 1000", "", "-", "all 1000", OrvBench::AtLeast(999, 1000)},
      {"still moving", "489 of 1000", "", "-", "as few as Box2D", OrvBench::AtMost(489, 400, "why",
                                                                               OrvBench::Why::NotInTheDesign)},
      Timed("4x", "at most 2x", OrvBench::AtMost(4, 2, "software OpenGL")),
  });
  EXPECT_EQ(verdicts, (std::vector<std::string>{"within the noise", "within the noise", "within the noise",
                                                "within the noise", "met", "missed", "missed", "missed",
                                                "missed, not in the design: why",
                                                "missed, out of reach here: software OpenGL"}));
}
