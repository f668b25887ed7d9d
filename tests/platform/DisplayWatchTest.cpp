// The watch over waits on the display, with its limits short and its ends
// caught: a long wait is said once, a wait past the limit is given up with
// the line, and a quit asked during a long wait ends it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/DisplayCheck.h"

using namespace Orv::Platform;
using namespace std::chrono_literals;

namespace {

struct Seen {
  std::mutex mutex;
  std::vector<std::string> said, givenUp;
  std::atomic<bool> quit{false};
  std::atomic<int> endedForQuit{0};

  DisplayWatch::Hooks Hooks() {
    return {[this](const std::string& line) {
              const std::lock_guard lock(mutex);
              said.push_back(line);
            },
            [this](const std::string& line) {
              const std::lock_guard lock(mutex);
              givenUp.push_back(line);
            },
            [this] { return quit.load(); }, [this] { ++endedForQuit; }};
  }
  std::size_t Said() {
    const std::lock_guard lock(mutex);
    return said.size();
  }
  std::size_t GivenUp() {
    const std::lock_guard lock(mutex);
    return givenUp.size();
  }
};

// Until the condition holds, as long as a loaded machine may take.
template <typename Condition>
bool Eventually(Condition condition) {
  for (int i = 0; i < 6000 && !condition(); ++i) std::this_thread::sleep_for(10ms);
  return condition();
}

}  // namespace

TEST(DisplayWatch, ALongWaitIsSaidOnceForTheProgramsLifeAndAShortOneNot) {
  Seen seen;
  {
    DisplayWatch watch(50ms, 600s, seen.Hooks());
    watch.Begin(":7");
    ASSERT_TRUE(Eventually([&] { return seen.Said() == 1; }));
    watch.End();
    // A second long wait: nothing more is said.
    watch.Begin(":7");
    std::this_thread::sleep_for(200ms);
    watch.End();
  }
  ASSERT_EQ(seen.said.size(), 1u);
  EXPECT_EQ(seen.said[0],
            "The display \":7\" has not answered yet after 0 seconds; waiting up to 600 seconds for it. "
            "Ctrl-C ends the wait.");
  EXPECT_TRUE(seen.givenUp.empty());
  EXPECT_EQ(seen.endedForQuit, 0);

  Seen quick;
  {
    DisplayWatch watch(600s, 1200s, quick.Hooks());
    watch.Begin(":7");
    watch.End();
  }
  EXPECT_TRUE(quick.said.empty());
}

TEST(DisplayWatch, AWaitPastTheLimitIsGivenUpWithOneLineNamingTheDisplay) {
  Seen seen;
  {
    DisplayWatch watch(20ms, 2s, seen.Hooks());
    watch.Begin(":42");
    ASSERT_TRUE(Eventually([&] { return seen.GivenUp() == 1; }));
    // Given up once, even while the stand-in lets the wait go on.
    std::this_thread::sleep_for(100ms);
    watch.End();
  }
  EXPECT_EQ(seen.said.size(), 1u);
  ASSERT_EQ(seen.givenUp.size(), 1u);
  EXPECT_EQ(seen.givenUp[0], "Error! The display \":42\" did not answer within 2 seconds");
}

// A quit asked while a wait is long ends it; once the wait is over, a quit is
// the pump's again.
TEST(DisplayWatch, AQuitDuringALongWaitEndsItAndOneAfterTheWaitDoesNot) {
  Seen seen;
  {
    DisplayWatch watch(20ms, 600s, seen.Hooks());
    watch.Begin(":3");
    ASSERT_TRUE(Eventually([&] { return seen.Said() == 1; }));
    seen.quit = true;
    EXPECT_TRUE(Eventually([&] { return seen.endedForQuit > 0; }));
    watch.End();
    // At most a call under way as the wait ended.
    const int ended = seen.endedForQuit;
    std::this_thread::sleep_for(200ms);
    EXPECT_LE(seen.endedForQuit, ended + 1);
  }
  EXPECT_TRUE(seen.givenUp.empty());
}
