#pragma once
// The windowing library waits for the display's every answer without a time
// limit: a display that takes the connection and never answers (a stuck
// forwarded display, a hung server) would hold the start for ever, and every
// box after it. A busy display answers late, though, and a busy machine may
// take tens of seconds: each wait on the display is watched, said once when it
// is long, and given up only past a limit no busy machine reaches.
#include <signal.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/QuitSignals.h"

namespace Orv::Platform {

// How long a wait on the display goes on before the program says it is still
// waiting, and before it gives up.
constexpr int kDisplayNoticeSeconds = 10;
constexpr int kDisplayLimitSeconds = 120;

// Watches one wait at a time from a thread of its own. Past `notice` it says
// once (for the program's life) that the display has not answered yet; past
// `limit` it gives up with one line. A quit asked while a wait is watched ends
// it once the notice is due or given: a connect ends at once by itself (see
// ConnectingToDisplay), the other waits may be the last moments of a healthy
// start, which then quits as usual.
class DisplayWatch {
 public:
  struct Hooks {
    std::function<void(const std::string&)> say;
    // Must not return to the wait: it ends the program.
    std::function<void(const std::string&)> giveUp;
    std::function<bool()> quitAsked;
    std::function<void()> endForQuit;
  };
  DisplayWatch(std::chrono::milliseconds notice, std::chrono::milliseconds limit, Hooks hooks);
  ~DisplayWatch();
  DisplayWatch(const DisplayWatch&) = delete;
  DisplayWatch& operator=(const DisplayWatch&) = delete;

  // A wait on the display named starts, and ends.
  void Begin(const std::string& display);
  void End();

 private:
  void Watch();

  const std::chrono::milliseconds notice_, limit_;
  const Hooks hooks_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool stop_ = false;
  bool waiting_ = false;
  bool noticed_ = false;
  unsigned long wait_ = 0;
  std::chrono::steady_clock::time_point since_;
  std::string display_;
  std::thread thread_;
};

// The program's watch over one wait on the display, for as long as it is
// held: its connection, its window, its GL context.
class DisplayWait {
 public:
  DisplayWait();
  ~DisplayWait();
  DisplayWait(const DisplayWait&) = delete;
  DisplayWait& operator=(const DisplayWait&) = delete;
};

// Waits for the X display the window will open to answer a connection of its
// own, under the watch. A display that refuses, drops the connection or is not
// there counts as answering: the window's start says why it failed.
void CheckDisplay();

// The check's connection stays open until the window's has been made (a
// server that resets when its last client leaves would drop a connection
// that arrives in that moment); this closes it.
void EndDisplayCheck();

// Held while the program connects to the display: a connection dropped under
// it is a failed write, not SIGPIPE, a quit signal ends the program, and the
// wait is watched.
class ConnectingToDisplay {
 public:
  ConnectingToDisplay();
  ~ConnectingToDisplay();
  ConnectingToDisplay(const ConnectingToDisplay&) = delete;
  ConnectingToDisplay& operator=(const ConnectingToDisplay&) = delete;

 private:
  struct sigaction brokenPipe_ {};
  QuitEndsAtOnce quitEnds_;
  DisplayWait watched_;
};

}  // namespace Orv::Platform
