#pragma once
// Ctrl-C and SIGTERM ask the program to quit. The message pump turns the first
// one into the window's close; since a script stuck in a loop never lets the
// pump run, the handler also calls an action that can stop it. A second
// signal ends the program the default way.

namespace Orv::Platform {

// The action runs inside the signal handler: it must be async-signal-safe.
using QuitSignalAction = void (*)();

// Installs the handler for SIGINT and SIGTERM; call before the window system
// starts, which then leaves them to us.
void InstallQuitSignals(QuitSignalAction action);

// True once after a quit signal arrived: the pump's cue to close.
bool TakeQuitSignal();

}  // namespace Orv::Platform
