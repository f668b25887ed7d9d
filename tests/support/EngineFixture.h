#pragma once
// An engine without a window, with the systems a test needs, in a content
// folder of the test's own (the working folder while the test runs). Objects
// are made the way the program makes them: a blueprint of their own type, a
// script file when given, and the engine's creation, which runs the script
// and its Init.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/GameEngine.h"
#include "core/GameObject.h"
#include "support/ProgramRun.h"

namespace OrvTest {

// The engine with the two window operations scripts can reach counted
// instead of done.
class CountingEngine : public Orv::GameEngine {
 public:
  CountingEngine() : GameEngine("engine test", 640, 480, false, false) {}
  void Quit() override { ++quits; }
  void ToggleFullscreen() override { ++fullscreenToggles; }
  int quits = 0;
  int fullscreenToggles = 0;
};

// A system and the roles it takes in the frame (Orv::SystemRole bits).
using SystemWithRoles = std::pair<std::shared_ptr<Orv::System>, unsigned>;

class EngineFixture : public ::testing::Test {
 protected:
  // The program's components are registered; no system is added yet.
  EngineFixture();
  ~EngineFixture() override;

  // Adds the systems in order, then runs every system's Init with the
  // window's size, as the program does once all of them are made.
  void Start(const std::vector<SystemWithRoles>& systems);

  // An object of a type of its own with the blueprint's components array
  // and, when given, a script; its standard output is swallowed.
  std::shared_ptr<Orv::GameObject> SpawnType(const std::string& components,
                                             const std::optional<std::string>& script, unsigned id = 0);
  // One frame: the update passes with dt, then the end-of-frame sweep.
  void Frame(float dt = 0.25f);
  // Objects made since the last frame join the walk at the end of the next
  // one, so their first Update comes a frame after their creation: this is
  // that frame (none of them is called in it).
  void Admit() { Frame(0.0f); }
  // The update passes alone: dead objects are still in the manager.
  void UpdatePasses(float dt = 0.25f) { engine.Update(dt); }

  ContentFolder folder;
  std::filesystem::path previous;
  CountingEngine engine;
  int types = 0;
};

}  // namespace OrvTest
