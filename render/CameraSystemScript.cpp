// The camera's script functions.
#include "render/CameraSystemScript.h"
#include "core/GameObject.h"
#include "core/TransformComponent.h"
#include "render/CameraSystem.h"
#include "script/ScriptComponent.h"
#include "script/ScriptRegistrar.h"

namespace Orv {

void CameraSystem::OnRegistered() { AddScriptRegistration(this, &CameraSystem::RegisterScriptFunctions); }

void CameraSystem::RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object) {
  script.RegisterDirect("SetCameraFocus", this, &CameraSystem::SetCameraFocus);
  script.RegisterNewFunctor<GetWorldCursor>("GetWorldCursor", this, object);
  script.RegisterDirect("MoveCameraX", this, &CameraSystem::MoveCameraX);
  script.RegisterDirect("MoveCameraY", this, &CameraSystem::MoveCameraY);
  script.RegisterDirect("SetCameraX", this, &CameraSystem::SetCameraX);
  script.RegisterDirect("SetCameraY", this, &CameraSystem::SetCameraY);
  script.RegisterDirect("GetCameraX", this, &CameraSystem::GetCameraX);
  script.RegisterDirect("GetCameraY", this, &CameraSystem::GetCameraY);
  script.RegisterNewFunctor<GetScreenPos>("GetScreenPos", object);
  script.RegisterNewFunctor<TransformCoords>("GetWorld2Screen", this, object);
  script.RegisterNewFunctor<SetFollowParent>("SetFollowParent", object);
  script.RegisterNewFunctor<SetFollowParentRotationFunc>("SetFollowParentRotation", object);
}

namespace {

OrvLua::LuaObject PairTable(ScriptComponent& script, double x, double y) {
  OrvLua::LuaObject table = script.NewTable();
  table.SetNumber("x", x);
  table.SetNumber("y", y);
  return table;
}

}  // namespace

OrvLua::LuaObject GetWorldCursor::operator()() {
  auto script = LiveComponent<ScriptComponent>();
  if (!script) return {};
  const auto [x, y] = system_->WorldCursor();
  return PairTable(*script, x, y);
}

OrvLua::LuaObject TransformCoords::operator()(float x, float y) {
  auto script = LiveComponent<ScriptComponent>();
  if (!script) return {};
  const auto [sx, sy] = system_->WorldToScreen(x, y);
  return PairTable(*script, sx, sy);
}

OrvLua::LuaObject GetScreenPos::operator()() {
  auto script = LiveComponent<ScriptComponent>();
  if (!script) return {};
  auto transform = LiveComponent<TransformComponent>();
  if (!transform) return script->NewTable();
  return PairTable(*script, transform->posX, transform->posY);
}

void SetFollowParent::operator()(bool on) {
  if (auto transform = LiveComponent<TransformComponent>()) transform->followParent = on;
}

void SetFollowParentRotationFunc::operator()(bool on) {
  if (auto transform = LiveComponent<TransformComponent>()) transform->followParentRotation = on;
}

}  // namespace Orv
