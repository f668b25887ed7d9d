#pragma once
// The windowing library's connect waits for the display's answer without a
// time limit: a display that takes the connection and never answers (a stuck
// forwarded display, a hung server) would hold the start for ever, and every
// box after it. The start asks first, with a limit.
#include <signal.h>

#include <string>

#include "platform/QuitSignals.h"

namespace Orv::Platform {

// False when the X display the window will open did not answer in time, with
// one line naming it in `silence`. A display that refuses, drops the
// connection or is not there counts as answering: the window's start says
// why it failed. A quit signal meanwhile ends the program.
bool DisplayAnswers(std::string& silence);

// The check's connection stays open until the window's has been made (a
// server that resets when its last client leaves would drop a connection
// that arrives in that moment); this closes it.
void EndDisplayCheck();

// Held while the program connects to the display: a connection dropped under
// it is a failed write, not SIGPIPE, and a quit signal ends the program.
class ConnectingToDisplay {
 public:
  ConnectingToDisplay();
  ~ConnectingToDisplay();
  ConnectingToDisplay(const ConnectingToDisplay&) = delete;
  ConnectingToDisplay& operator=(const ConnectingToDisplay&) = delete;

 private:
  struct sigaction brokenPipe_ {};
  QuitEndsAtOnce quitEnds_;
};

}  // namespace Orv::Platform
