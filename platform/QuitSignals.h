#pragma once
// Ctrl-C and SIGTERM ask the program to quit. The message pump turns the first
// one into the window's close; since a script stuck in a loop never lets the
// pump run, the handler also calls an action that can stop it. A second
// signal ends the program the default way.
#include <sys/types.h>

namespace Orv::Platform {

// The action runs inside the signal handler: it must be async-signal-safe.
using QuitSignalAction = void (*)();

// Installs the handler for SIGINT and SIGTERM; call before the window system
// starts, which then leaves them to us.
void InstallQuitSignals(QuitSignalAction action);

// True once after a quit signal arrived: the pump's cue to close.
bool TakeQuitSignal();

// True once a quit signal arrived, taken or not.
bool QuitAsked();

// Ends the program the default way of the quit signal that arrived (from any
// thread); does nothing before one.
void EndForQuit();

// While one is held, a quit signal ends the program at once, the default way:
// for waits inside a library that no pump follows and no flag reaches
// (connecting to the display, before anything has started). A quit asked
// before ends the program as it is made.
class QuitEndsAtOnce {
 public:
  QuitEndsAtOnce();
  ~QuitEndsAtOnce();
  QuitEndsAtOnce(const QuitEndsAtOnce&) = delete;
  QuitEndsAtOnce& operator=(const QuitEndsAtOnce&) = delete;
};

// A process group that a quit signal kills (a message box's): the wait for it
// then returns, and the quit goes on as without it. 0 for none. A quit asked
// before kills the group at once.
void KillOnQuit(pid_t group);

}  // namespace Orv::Platform
