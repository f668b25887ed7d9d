#pragma once
// An engine without a window, with a system that stands for every system
// before the script start (it registers a function and a constant into each
// scripted object) and the script start itself, last. Object types are
// written into a content folder of the test's own: a blueprint and, when
// given, a script. Scripts report with print, which the tests read back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/GameEngine.h"
#include "core/GameObject.h"
#include "core/TransformComponent.h"
#include "script/ExtraScripts.h"
#include "script/ScriptBegin.h"
#include "script/ScriptComponent.h"
#include "script/ScriptGlobalVars.h"
#include "script/ScriptRegistrar.h"
#include "support/ProgramRun.h"

namespace OrvTest {

class ProbeSystem : public Orv::PlainSystem {
 public:
  using PlainSystem::PlainSystem;
  void OnRegistered() override { Orv::AddScriptRegistration(this, &ProbeSystem::RegisterScriptFunctions); }
  void RegisterScriptFunctions(Orv::ScriptComponent& script, const Orv::ObjectLockPtr<Orv::GameObject>& object) {
    script.SetGlobalInteger("PROBE_CONST", 7);
    script.RegisterFunctor("ProbeParentUniqueId", std::make_shared<ParentUniqueIdFunc>(object));
  }

  struct ParentUniqueIdFunc {
    explicit ParentUniqueIdFunc(Orv::ObjectLockPtr<Orv::GameObject> object) : object(std::move(object)) {}
    unsigned operator()() {
      auto locked = object.Lock();
      return locked ? locked->GetParentUniqueId() : 0;
    }
    Orv::ObjectLockPtr<Orv::GameObject> object;
  };
};

class ScriptCreationFixture : public ::testing::Test {
 protected:
  ScriptCreationFixture() : engine("scripted", 320, 200, false, false) {
    setenv("ORV_HEADLESS", "1", 1);
    previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    engine.CreateSystem<ProbeSystem>(Orv::RoleNone);
    engine.CreateSystem<Orv::ScriptBegin>(Orv::RoleLateUpdate);
    begin = std::static_pointer_cast<Orv::ScriptBegin>(engine.GetAllSystems().back());
    ::testing::internal::CaptureStdout();
    Orv::RegisterEngineComponents(engine);
    ::testing::internal::GetCapturedStdout();
    Orv::ScriptExtraTexts().clear();
    Orv::ScriptGlobalVars().clear();
  }
  ~ScriptCreationFixture() override {
    std::filesystem::current_path(previous);
    Orv::ScriptExtraTexts().clear();
    Orv::ScriptGlobalVars().clear();
  }

  // A type with a transform at (x, 0) and an edit component whose parameter
  // 4 is 1, plus the script when one is given.
  void Define(const std::string& type, const std::string& script, double x = 10.0) {
    folder.Write("data/gameobjects/" + type + ".txt",
                 "{\"name\":\"" + type + "\",\"id\":1,\"components\":[{\"type\":\"transform\",\"data\":[" +
                     std::to_string(x) + "]},{\"type\":\"editable\",\"data\":[0,0,0,0,1]}]}");
    if (!script.empty()) folder.Write("data/scripts/" + type + ".lua", script);
  }
  void Load() {
    ::testing::internal::CaptureStdout();
    engine.LoadBlueprints();
    engine.LoadGameObjectScripts();
    ::testing::internal::GetCapturedStdout();
  }

  // Creates type as the spawn list does; stdout of the whole start is kept.
  std::shared_ptr<Orv::GameObject> Create(const std::string& type, unsigned id = 1) {
    Capture();
    auto object = engine.CreateObject(type, id, true).Lock();
    out += Captured();
    return object;
  }
  void Capture() {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
  }
  std::string Captured() {
    std::fflush(stdout);
    err += ::testing::internal::GetCapturedStderr();
    return ::testing::internal::GetCapturedStdout();
  }

  // Runs code in the object's own state: the first result as text.
  static std::string Eval(Orv::GameObject& object, const std::string& code) {
    auto script = object.GetComponent<Orv::ScriptComponent>().Lock();
    if (!script || !script->GetState()) return "no state";
    lua_State* L = script->GetState()->GetCState();
    const int top = lua_gettop(L);
    std::string result;
    if (luaL_loadbuffer(L, code.data(), code.size(), "=eval") != 0 || lua_pcall(L, 0, 1, 0) != 0) {
      result = std::string("error: ") + (lua_tostring(L, -1) ? lua_tostring(L, -1) : "?");
    } else if (lua_isboolean(L, -1)) {
      result = lua_toboolean(L, -1) ? "true" : "false";
    } else {
      const char* text = lua_tostring(L, -1);
      result = text ? text : "nil";
    }
    lua_settop(L, top);
    return result;
  }
  std::string EvalCaptured(Orv::GameObject& object, const std::string& code) {
    Capture();
    std::string result = Eval(object, code);
    out += Captured();
    return result;
  }

  // Every live object of the type, in creation order.
  std::vector<std::shared_ptr<Orv::GameObject>> ObjectsWithId(unsigned id) {
    std::vector<std::shared_ptr<Orv::GameObject>> found;
    for (const auto& object : engine.GetGameObjectManager().GetObjects()) {
      if (Lives(object) && object->GetID() == id) found.push_back(object);
    }
    return found;
  }
  static float PosX(const Orv::GameObject& object) {
    return object.GetComponent<Orv::TransformComponent>().Lock()->posX;
  }
  static int EditParameter(const Orv::GameObject& object) { return object.GetIntAttribIndex("editable", 4); }

  ContentFolder folder;
  std::filesystem::path previous;
  Orv::GameEngine engine;
  std::shared_ptr<Orv::ScriptBegin> begin;
  std::string out;
  std::string err;
};

}  // namespace OrvTest
