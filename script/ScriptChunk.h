#pragma once
// One script text with the name its messages carry. The text is compiled
// once, by the first state that loads it; every later state loads the
// compiled form, which keeps the chunk name and the line numbers, so errors
// read the same either way.
#include <memory>
#include <string>
#include <utility>

#include "StateScripts.h"

namespace Orv {

class ScriptChunk {
 public:
  // name is the file the text came from ("data/scripts/Hero.lua"); messages
  // of the core then read "data/scripts/Hero.lua:3: ...". Without a file the
  // name is used as it is.
  ScriptChunk(std::string text, std::string name, bool nameIsFile = true);

  const std::string& GetText() const { return text_; }
  const std::string& GetName() const { return name_; }

  // Runs the chunk in the state, protected; results are dropped. The whole
  // text counts, zero bytes and all; a byte-order mark in front is skipped.
  bool Run(OrvLua::LuaState* state, OrvLua::ScriptError& error) {
    return OrvLua::RunChunk(state, text_, compiled_, chunkName_, error);
  }
  // Compiles without running, in a state of its own, and keeps the compiled
  // form: false with the core's message when the text does not compile.
  bool Check(std::string& message) { return OrvLua::Compiles(text_, compiled_, chunkName_, message); }
  // The core's messages already start with the file; the name goes in front
  // only when not.
  std::string WithName(const std::string& message) const;
  // True the first time only: a shared script that fails fails in every
  // state, and one line says so.
  bool FirstRunError() { return !std::exchange(runErrorReported_, true); }
  // True the first time only: every object of a type runs the same text, so
  // what its globals are named is looked at once.
  bool FirstNamesCheck() { return !std::exchange(namesChecked_, true); }

 private:
  std::string text_;
  std::string name_;
  std::string chunkName_;
  std::string compiled_;
  bool runErrorReported_ = false;
  bool namesChecked_ = false;
};

using ScriptChunkPtr = std::shared_ptr<ScriptChunk>;

}  // namespace Orv
