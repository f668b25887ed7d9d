// Leak checking in the test runs: our own leaks fail a test, leaks inside
// system libraries never do, even when the library is unloaded before exit.
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
  }
}

}  // namespace
}  // namespace OrvTest
