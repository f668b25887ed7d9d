// The test run's own X servers (test.sh's and each program run's) start on a
// busy machine: a slow start is waited for and said, a server that died is
// started again, and a start that fails shows what the server said. A
// stand-in Xvfb first in PATH plays the server.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

// A folder whose Xvfb runs `body` (sh) with the number of its start in $n,
// first in PATH while it lives.
class StandInServer {
 public:
  explicit StandInServer(const std::string& body) {
    real_ = Trimmed(Shell("command -v Xvfb"));
    folder_.Write("Xvfb", "#!/bin/sh\nn=$(($(cat '" + folder_.Path() + "/starts' 2>/dev/null || echo 0) + 1))\necho $n >'" +
                              folder_.Path() + "/starts'\nreal='" + real_ + "'\n" + body + "\n");
    std::filesystem::permissions(folder_.Path() + "/Xvfb", std::filesystem::perms::owner_all);
    path_ = std::getenv("PATH");
    setenv("PATH", (folder_.Path() + ":" + path_).c_str(), 1);
  }
  ~StandInServer() { setenv("PATH", path_.c_str(), 1); }
  int Starts() const { return std::atoi(folder_.Read("starts").c_str()); }

 private:
  ContentFolder folder_;
  std::string real_, path_;
};

}  // namespace

// The first server dies at once, the second takes longer than the notice to
// name its display: the program run's server is there all the same.
TEST(TestServerStart, AServerThatDiedIsStartedAgainAndASlowOneIsWaitedFor) {
  StandInServer server(
      "if [ $n -eq 1 ]; then echo 'stand-in: cannot open the screen' >&2; exit 3; fi\n"
      "sleep 11\nexec \"$real\" \"$@\"");
  testing::internal::CaptureStderr();
  std::string name;
  {
    PrivateDisplay display;
    name = display.Name();
    if (!name.empty()) {
      EXPECT_EQ(Trimmed(Shell("xdpyinfo -display " + name + " >/dev/null 2>&1 && echo answers")), "answers");
    }
  }
  const std::string said = testing::internal::GetCapturedStderr();
  ASSERT_FALSE(name.empty()) << said;
  EXPECT_EQ(server.Starts(), 2);
  EXPECT_NE(said.find("Xvfb did not start (try 1 of 3, exit code 3, after "), std::string::npos) << said;
  EXPECT_NE(said.find("\n  stand-in: cannot open the screen\n"), std::string::npos) << said;
  EXPECT_NE(said.find("Xvfb has not named its display after 10 s; waiting up to 80 s for it\n"), std::string::npos)
      << said;
  EXPECT_EQ(Count(said, "has not named"), 1u) << said;
}

// test.sh's start: a server that never starts is tried three times, each
// time its words are shown, and the script fails.
TEST(TestServerStart, AServerThatNeverStartsIsTriedThreeTimesAndItsWordsAreShown) {
  StandInServer server("echo \"stand-in: no screen, start $n\" >&2\nexit 1");
  const std::string said =
      Shell(std::string(ORV_SOURCE_DIR) + "/scripts/start-xvfb.sh 2>&1 >/dev/null; echo \"exit code $?\"");
  EXPECT_EQ(server.Starts(), 3);
  for (const char* line : {"try 1 of 3, exit code 1", "  stand-in: no screen, start 1\n", "try 2 of 3",
                           "  stand-in: no screen, start 2\n", "try 3 of 3", "  stand-in: no screen, start 3\n",
                           "\nXvfb did not start\nexit code 1\n"}) {
    EXPECT_NE(said.find(line), std::string::npos) << line << "\n" << said;
  }
}
