// The keyboard and mouse script functions and constants.
#include "core/App.h"
#include "core/GameObject.h"
#include "input/KeyboardMouse.h"
#include "script/ScriptComponent.h"
#include "script/ScriptRegistrar.h"

namespace Orv {

void KeyboardMouse::OnRegistered() { AddScriptRegistration(this, &KeyboardMouse::RegisterScriptFunctions); }

void KeyboardMouse::RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object) {
  SetScriptConstants(script, ScriptConstants());
  script.RegisterDirect("IsKeyPressed", this, &KeyboardMouse::IsKeyPressed);
  script.RegisterDirect("IsMousePressed", this, &KeyboardMouse::IsMousePressed);
  script.RegisterDirect("IsKeyReleased", this, &KeyboardMouse::IsKeyReleased);
  script.RegisterDirect("IsMouseReleased", this, &KeyboardMouse::IsMouseReleased);
  script.RegisterNewFunctor<GetWindowCursorFunc>("GetWindowCursor", this, object);
}

OrvLua::LuaObject GetWindowCursorFunc::operator()() {
  const std::optional<CursorPosition> position = Position();
  if (!position) return {};
  auto script = LiveScriptComponent(object_);
  if (!script) return {};
  OrvLua::LuaObject table = script->NewTable();
  table.SetNumber("x", position->x);
  table.SetNumber("y", position->y);
  return table;
}

std::optional<CursorPosition> GetWindowCursorFunc::Position() const {
  if (!LiveScriptComponent(object_)) return std::nullopt;
  const auto [x, y] = system_->GetOwner()->GetCursorPos();
  return CursorPosition{x, y};
}

}  // namespace Orv
