#pragma once
// An engine without a window, with the script engine system and the script
// start between a note-taking system and nothing else. Objects are made the
// way the program makes them: a blueprint of their own, a script file, and
// the engine's creation, which runs their script and Init.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/GameEngine.h"
#include "core/GameObject.h"
#include "core/TransformComponent.h"
#include "script/ScriptBegin.h"
#include "script/ScriptComponent.h"
#include "script/ScriptEngineSystem.h"
#include "support/ProgramRun.h"
#include "world/CollisionComponent.h"

namespace OrvTest {

// The engine with the two window operations scripts can reach counted
// instead of done.
class CountingEngine : public Orv::GameEngine {
 public:
  CountingEngine() : GameEngine("script engine", 640, 480, false, false) {}
  void Quit() override { ++quits; }
  void ToggleFullscreen() override { ++fullscreenToggles; }
  int quits = 0;
  int fullscreenToggles = 0;
};

// Gives every scripted object "Note"(text), which appends to one log shared
// by all states, so tests see the order of calls across objects.
class NoteSystem : public Orv::PlainSystem {
 public:
  NoteSystem(Orv::App* owner, std::vector<std::string>* log) : PlainSystem(owner), log_(log) {}
  void OnGameObjectAdded(Orv::ObjectLockPtr<Orv::GameObject> object) override;

 private:
  static int Note(lua_State* L);
  std::vector<std::string>* log_;
};

class ScriptEngineFixture : public ::testing::Test {
 protected:
  ScriptEngineFixture();
  ~ScriptEngineFixture() override;

  // An object of a type of its own running script; with a transform when
  // asked. The engine's creation runs the script and its Init.
  std::shared_ptr<Orv::GameObject> Spawn(const std::string& script, unsigned id = 0, bool withTransform = false);
  // One frame: the update passes with dt, then the end-of-frame sweep.
  void Frame(float dt = 0.25f);
  // Objects made since the last frame join the walk at the end of the next
  // one, so their first Update comes a frame after their creation: this is
  // that frame (none of them is called in it).
  void Admit() { Frame(0.0f); }
  // The update passes alone: dead objects are still in the manager.
  void UpdatePasses(float dt = 0.25f) { engine.Update(dt); }

  // A global of the object's state as text: "nil", "true"/"false", numbers
  // and strings as Lua's tostring gives them, "table" for tables.
  static std::string Global(const std::shared_ptr<Orv::GameObject>& object, const char* name);
  // Runs code in the object's state (as the script itself would), returns
  // "error: ..." on failure or its first result as Global does.
  static std::string Run(const std::shared_ptr<Orv::GameObject>& object, const std::string& code);
  static Orv::ScriptComponent& Script(const std::shared_ptr<Orv::GameObject>& object);

  Orv::ScriptEngineSystem& System() { return *system; }
  std::string NoteText() const;

  ContentFolder folder;
  std::filesystem::path previous;
  CountingEngine engine;
  std::vector<std::string> notes;
  std::shared_ptr<Orv::ScriptEngineSystem> system;
  int types = 0;
};

}  // namespace OrvTest
