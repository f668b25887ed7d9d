// The trail's script functions, made for each scripted object.
#include <cmath>
#include <string>

#include "core/GameObject.h"
#include "render/BackTrailSystem.h"
#include "render/ReportOnce.h"
#include "render/SpriteAnimComponent.h"
#include "resources/ResourceManager.h"
#include "script/ScriptComponent.h"
#include "script/ScriptRegistrar.h"

namespace Orv {

namespace {

// A value that is not finite would stall the sampling or the colour.
bool AllFinite(const ObjectLockPtr<GameObject>& object, const char* function, std::initializer_list<float> values) {
  for (float value : values) {
    if (std::isfinite(value)) continue;
    const std::string id = std::to_string(GetGameObjectID(object));
    PrintLineOnce(std::string(function) + " " + id,
                  std::string(function) + ": a value that is not finite, ignored (object " + id + ")");
    return false;
  }
  return true;
}

}  // namespace

void BackTrailSystem::OnGameObjectAdded(ObjectLockPtr<GameObject> object) {
  if (auto script = ScriptToRegisterInto(object)) RegisterScriptFunctions(*script, object);
}

void BackTrailSystem::RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object) {
  script.RegisterNewFunctor<EnableTrailingEffectFunc>("EnableTrailingEffect", this, object);
  script.RegisterNewFunctor<SetTrailTintFunc>("SetTrailingEffectTint", object);
}

void EnableTrailingEffectFunc::operator()(bool on, float interval, float halfWidth, const char* texture, float alpha) {
  if (!on || !IsGameObjectAlive(object_)) return;
  if (!AllFinite(object_, "EnableTrailingEffect", {interval, halfWidth, alpha})) return;
  system_->RequestTrail({object_, interval, halfWidth, alpha, ResourceManager::GetInstance().GetSprite(texture)});
}

void SetTrailTintFunc::operator()(float r, float g, float b) {
  if (!IsGameObjectAlive(object_) || !AllFinite(object_, "SetTrailingEffectTint", {r, g, b})) return;
  if (auto anim = GetHandleComponent<SpriteAnimComponent>(object_).Lock()) anim->SetTrailTint(r, g, b);
}

}  // namespace Orv
