#pragma once
// The windowless engine with the script engine system and the script start
// behind a note-taking system, and nothing else.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/GameObject.h"
#include "core/TransformComponent.h"
#include "script/ScriptBegin.h"
#include "script/ScriptComponent.h"
#include "script/ScriptEngineSystem.h"
#include "support/EngineFixture.h"
#include "world/CollisionComponent.h"

namespace OrvTest {

// Gives every scripted object "Note"(text), which appends to one log shared
// by all states, so tests see the order of calls across objects.
class NoteSystem : public Orv::PlainSystem {
 public:
  NoteSystem(Orv::App* owner, std::vector<std::string>* log) : PlainSystem(owner), log_(log) {}
  void OnRegistered() override;
  void RegisterScriptFunctions(Orv::ScriptComponent& script, const Orv::ObjectLockPtr<Orv::GameObject>& object);

 private:
  static int Note(lua_State* L);
  std::vector<std::string>* log_;
};

// Runs code in the object's state (as its script itself would): "error: ..."
// on failure, else the first result as text: "nil", "true"/"false", numbers
// and strings as Lua's tostring gives them, "table" for tables.
std::string RunInObjectState(const std::shared_ptr<Orv::GameObject>& object, const std::string& code);

class ScriptEngineFixture : public EngineFixture {
 protected:
  ScriptEngineFixture();

  // An object of a type of its own running script; with a transform when
  // asked.
  std::shared_ptr<Orv::GameObject> Spawn(const std::string& script, unsigned id = 0, bool withTransform = false);

  // A global of the object's state as text: "nil", "true"/"false", numbers
  // and strings as Lua's tostring gives them, "table" for tables.
  static std::string Global(const std::shared_ptr<Orv::GameObject>& object, const char* name);
  static std::string Run(const std::shared_ptr<Orv::GameObject>& object, const std::string& code) {
    return RunInObjectState(object, code);
  }
  static Orv::ScriptComponent& Script(const std::shared_ptr<Orv::GameObject>& object);

  Orv::ScriptEngineSystem& System() { return *system; }
  std::string NoteText() const;

  std::vector<std::string> notes;
  std::shared_ptr<Orv::ScriptEngineSystem> system;
};

}  // namespace OrvTest
