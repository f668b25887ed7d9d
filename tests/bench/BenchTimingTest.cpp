// The benchmarks' verdicts stand on these: rows kept out of the report the
// benchmark library writes on standard output, CPU time that leaves out what
// a thread waits for, and a child's processor time that counts the processes
// it waited for.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "bench/BenchRows.h"
#include "bench/BenchTiming.h"

namespace {

// Spins until the calling thread has used this many milliseconds of
// processor time, however loaded the machine is.
void Spin(double ms) {
  const double until = OrvBench::ThreadCpuMs() + ms;
  while (OrvBench::ThreadCpuMs() < until) {
  }
}

TEST(BenchRows, GoToTheNamedFileOrStandardErrorNeverStandardOutputOneLineEach) {
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("orv_bench_rows_" + std::to_string(getpid()));
  std::filesystem::remove(file);
  setenv("ORV_BENCH_ROWS", file.c_str(), 1);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  OrvBench::EmitRow({"a\tfigure", "1 ms", "base\nline: 2 ms", "0.5x", "at most 1x", "met"});
  OrvBench::EmitRow({"second", "3", "4", "-", "all", "missed"});
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  std::stringstream text;
  text << std::ifstream(file).rdbuf();
  EXPECT_EQ(text.str(),
            "bench-row\ta figure\t1 ms\tbase line: 2 ms\t0.5x\tat most 1x\tmet\n"
            "bench-row\tsecond\t3\t4\t-\tall\tmissed\n");

  unsetenv("ORV_BENCH_ROWS");
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  OrvBench::EmitRow({"third", "5", "6", "-", "all", "met"});
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "bench-row\tthird\t5\t6\t-\tall\tmet\n");
  std::filesystem::remove(file);
}

TEST(BenchTiming, CpuTimeLeavesOutWaitingAndTheProcessClockCountsEveryThread) {
  const OrvBench::InTurn turns = OrvBench::TimeInTurn(
      3, 1, {[] { std::this_thread::sleep_for(std::chrono::milliseconds(20)); }, [] { Spin(20); }});
  EXPECT_LT(turns.Median(0).cpu, 10);
  EXPECT_GE(turns.Median(0).wall, 19);
  EXPECT_GE(turns.Median(1).cpu, 19);
  // Each round's sleep beside its spin: next to nothing.
  EXPECT_LT(turns.CpuRatio(0, 1), 0.5);
  EXPECT_GE(turns.Median(1).wall, turns.Median(1).cpu - 1);
  EXPECT_NE(OrvBench::CpuAndWall(turns.Median(0), "%.1f", "ms").find(" ms CPU, "), std::string::npos);

  // Another thread's work counts in the process's time, not in this one's.
  const OrvBench::Times process = OrvBench::ProcessNow(), thread = OrvBench::ThreadNow();
  std::thread([] { Spin(30); }).join();
  EXPECT_GE((OrvBench::ProcessNow() - process).cpu, 29);
  EXPECT_LT((OrvBench::ThreadNow() - thread).cpu, 10);
}

TEST(BenchTiming, AChildsProcessorTimeCountsWhatItWaitedForAndNotItsSleep) {
  const OrvBench::ChildRun failed = OrvBench::RunChild("exit 3");
  ASSERT_TRUE(WIFEXITED(failed.status));
  EXPECT_EQ(WEXITSTATUS(failed.status), 3);

  const OrvBench::ChildRun sleeping = OrvBench::RunChild("sleep 0.3");
  EXPECT_EQ(sleeping.status, 0);
  EXPECT_LT(sleeping.times.cpu, 100);
  EXPECT_GE(sleeping.times.wall, 290);

  // The shell waits for a process that uses 0.3 s of its own processor
  // time, then goes on.
  const OrvBench::ChildRun busy = OrvBench::RunChild("perl -e '1 while (times)[0] < 0.3'; true");
  EXPECT_EQ(busy.status, 0);
  EXPECT_GE(busy.times.cpu, 250);
  EXPECT_GE(busy.times.wall, busy.times.cpu - 20);
}

}  // namespace
