#pragma once
// What the engine does to an object's state besides calling its functions:
// runs script text in it, sets its globals, holds its collector.
#include <optional>
#include <string>
#include <string_view>

namespace OrvLua {

class LuaState;

// A run's error value: its text when it is a string or a number.
struct ScriptError {
  std::optional<std::string> text;
  std::string typeName;
  // The text, or what the value is: "(error object is a table value)".
  std::string Describe() const;
};

// Loads text as a chunk named chunkName (as the core names chunks: "@file"
// or "=name") and runs it, protected, as the running script. The first load
// compiles the text and keeps the compiled form in compiled; later loads
// take that. A UTF-8 byte-order mark in front is skipped. Results are
// dropped and the stack is left as it was; false with error filled when
// loading or running fails.
bool RunChunk(LuaState* state, const std::string& text, std::string& compiled, const std::string& chunkName,
              ScriptError& error);
// Compiles text without running it, in a state of its own, keeping the
// compiled form as RunChunk does: false with the core's message when it does
// not compile.
bool Compiles(const std::string& text, std::string& compiled, const std::string& chunkName, std::string& message);

// globals[name] = value: raw while nothing guards the globals, otherwise
// through their metamethods.
void SetGlobalNumber(LuaState* state, std::string_view name, double value);
void SetGlobalString(LuaState* state, std::string_view name, std::string_view value);

// Stops the collector, until ReleaseCollector: while a state only gains what
// it keeps, collecting would walk a growing heap for nothing.
void HoldCollector(LuaState* state);
void ReleaseCollector(LuaState* state);

}  // namespace OrvLua
