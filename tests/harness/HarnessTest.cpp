// The harness itself: leak checking in the test runs (our own leaks fail a
// test, leaks inside system libraries never do, even when the library is
// unloaded before exit) and the check every program run gets.
#include <gtest/gtest.h>

#include <string>

#include "support/ProgramRun.h"

namespace OrvTest {
namespace {

struct LeakingRun {
  const char* name;
  const char* executable;
};

TEST(LeakCheck, OwnLeakIsReportedAndThoseOfAnUnloadedSystemLibraryAreNot) {
#ifndef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "leaks are checked in the sanitizer build";
#endif
  // A test program links the shim in; the program under test gets it preloaded.
  const LeakingRun runs[] = {{"as a test program", ORV_LEAKING_TEST_PROGRAM},
                             {"as the program under test", ORV_LEAKING_PROGRAM}};
  for (const LeakingRun& each : runs) {
    SCOPED_TRACE(each.name);
    ContentFolder folder;
    RunOptions options;
    if (std::string(each.executable) == ORV_LEAKING_TEST_PROGRAM) options.env = {{"LD_PRELOAD", ""}};
    const RunResult run = RunProgram(each.executable, folder, options);
    EXPECT_EQ(run.out, "done\n") << run.err;
    EXPECT_NE(run.exitCode, 0) << run.err;
    EXPECT_EQ(Count(run.err, "ERROR: LeakSanitizer: detected memory leaks"), 1u) << run.err;
    EXPECT_EQ(Count(run.err, "Direct leak of 48 byte(s) in 1 object(s)"), 1u) << run.err;
    EXPECT_EQ(Count(run.err, "LeakOneBlockOnPurpose"), 1u) << run.err;
    EXPECT_EQ(Count(run.err, "leak of"), 1u) << run.err;
    EXPECT_EQ(Count(run.err, "<unknown module>"), 0u) << run.err;
    EXPECT_FALSE(RanCleanly(run));
  }
}

TEST(RanCleanly, OnlyARunThatEndedByItselfWithTheExpectedCodeAndNoReportPasses) {
  struct Case {
    const char* name;
    RunResult run;
    int expected;
    bool clean;
  } cases[] = {
      {"ended with the expected code", {0, 0, false, "out", "an error line of the program\n"}, 0, true},
      {"ended with one, as expected", {1, 0, false, "", ""}, 1, true},
      {"other code", {1, 0, false, "", ""}, 0, false},
      {"timed out", {-1, 9, true, "", ""}, 0, false},
      {"died of a signal", {-1, 11, false, "", ""}, 0, false},
      {"leak report with the expected code", {1, 0, false, "", "==7==ERROR: LeakSanitizer: detected memory leaks"}, 1,
       false},
      {"address report", {1, 0, false, "", "==7==ERROR: AddressSanitizer: heap-use-after-free"}, 1, false},
      {"undefined behaviour", {1, 0, false, "", "a.cpp:3:5: runtime error: signed integer overflow"}, 1, false},
  };
  for (const Case& c : cases) EXPECT_EQ(static_cast<bool>(RanCleanly(c.run, c.expected)), c.clean) << c.name;
}

}  // namespace
}  // namespace OrvTest
