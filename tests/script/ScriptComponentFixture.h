#pragma once
// Scripted objects without an engine: a manager that knows the component
// names, and script components attached the way a blueprint attaches them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "ChunkLoader.h"
#include "core/GameObject.h"
#include "core/GameObjectManager.h"
#include "core/TransformComponent.h"
#include "script/ExtraScripts.h"
#include "script/ScriptComponent.h"
#include "script/ScriptGlobalVars.h"

namespace OrvTest {

class ScriptComponentFixture : public ::testing::Test {
 protected:
  ScriptComponentFixture() {
    setenv("ORV_HEADLESS", "1", 1);
    manager.RegisterComponentType<Orv::TransformComponent>("transform");
    manager.RegisterComponentType<Orv::ScriptComponent>("script");
    Orv::ScriptExtraTexts().clear();
    Orv::ScriptGlobalVars().clear();
  }
  ~ScriptComponentFixture() override {
    Orv::ScriptExtraTexts().clear();
    Orv::ScriptGlobalVars().clear();
  }

  std::shared_ptr<Orv::GameObject> NewObject(unsigned id = 1) { return manager.CreateGameObject(id).Lock(); }

  // Made, set up, filed and attached as the blueprint does it; the script
  // is not run.
  std::shared_ptr<Orv::ScriptComponent> Attach(Orv::GameObject& object, const std::string& text,
                                               const std::string& path = "data/scripts/T.lua") {
    auto component = std::make_shared<Orv::ScriptComponent>(std::make_shared<Orv::ScriptChunk>(text, path));
    component->Setup();
    object.AddComponent(Orv::TypeKey<Orv::ScriptComponent>(), component);
    component->OnAttach(&object);
    return component;
  }

  // Runs code in the component's state: its first result as text, "nil"
  // when it has none, or "error: " and the message.
  static std::string Eval(Orv::ScriptComponent& component, const std::string& code) {
    lua_State* L = component.GetState()->GetCState();
    const int top = lua_gettop(L);
    std::string result;
    if (OrvLua::LoadBuffer(L, code.data(), code.size(), "=eval") != 0 || lua_pcall(L, 0, 1, 0) != 0) {
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

  Orv::GameObjectManager manager;
};

}  // namespace OrvTest
