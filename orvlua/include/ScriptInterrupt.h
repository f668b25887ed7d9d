#pragma once
// Stopping a script from a signal handler, as the stand-alone interpreter
// does: the handler puts a hook on the state that is running, and the hook
// raises "interrupted!" at the script's next instruction.
#include <lua.hpp>

#include <string>

namespace OrvLua {

// Marks L as the running state while the engine calls into it; nested calls
// into other states mark theirs and give the mark back when they return.
class RunningScript {
 public:
  explicit RunningScript(lua_State* L);
  ~RunningScript();
  RunningScript(const RunningScript&) = delete;
  RunningScript& operator=(const RunningScript&) = delete;

 private:
  lua_State* state_;
  lua_State* previous_;
};

// "file:line" of the script line that called the engine function running
// now, or an empty text when no script called it.
std::string RunningScriptPlace();

// Async-signal-safe: asks the running script, if any, to stop.
void InterruptRunningScript();

// True for a script's error that a quit signal caused: the program is
// stopping as asked, which is no error to report.
bool IsQuitInterruption(const std::string& errorText);

// True while an interrupt waits for the running script: loops in C that a
// script started (reading a file that never ends) stop on it.
bool InterruptPending();

}  // namespace OrvLua
