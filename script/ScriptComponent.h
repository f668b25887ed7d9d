#pragma once
// Makes a game object scripted: its own Lua state and script.
#include <memory>
#include <string>
#include <string_view>

#include "core/ComponentCreate.h"

namespace Orv {

class ScriptComponent : public Component {
 public:
  static constexpr std::string_view RunTimeName = "class Orv::ScriptComponent";

  void Setup() override {}
  void Shutdown() override {}
  // Objects made inactive get no script at all.
  bool IsDeferred() override { return true; }

  const std::string& GetScriptText() const { return scriptText; }
  const std::string& GetScriptPath() const { return scriptPath; }
  void SetScript(std::string text, std::string path) {
    scriptText = std::move(text);
    scriptPath = std::move(path);
  }

 private:
  std::string scriptText;
  std::string scriptPath;
};

// The factory of one object type's script components: it keeps the type's
// script text, read once at start-up.
class ScriptComponentCreator : public ComponentCreate {
 public:
  ScriptComponentCreator(std::string scriptText, std::string scriptPath)
      : scriptText(std::move(scriptText)), scriptPath(std::move(scriptPath)) {}
  std::shared_ptr<Component> Create() override {
    auto component = std::make_shared<ScriptComponent>();
    component->SetScript(scriptText, scriptPath);
    return component;
  }

 private:
  std::string scriptText;
  std::string scriptPath;
};

}  // namespace Orv
