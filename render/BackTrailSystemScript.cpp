// The trail's script functions, made for each scripted object.
#include <cmath>
#include <string>

#include "core/GameObject.h"
#include "render/BackTrailSystem.h"
#include "render/BackTrailSystemScript.h"
#include "render/SpriteAnimComponent.h"
#include "resources/ResourceManager.h"
#include "script/ScriptComponent.h"
#include "script/ScriptRegistrar.h"

namespace Orv {

void BackTrailSystem::OnRegistered() { AddScriptRegistration(this, &BackTrailSystem::RegisterScriptFunctions); }

void BackTrailSystem::RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object) {
  script.RegisterNewFunctor<EnableTrailingEffectFunc>("EnableTrailingEffect", this, object);
  script.RegisterNewFunctor<SetTrailTintFunc>("SetTrailingEffectTint", object);
}

void BackTrailSystem::EnableTrailingEffectFunc::operator()(bool on, OrvCall::Finite<float> interval,
                                                           OrvCall::Finite<float> halfWidth, const char* texture,
                                                           OrvCall::Finite<float> alpha) {
  if (!on || !LiveObject()) return;
  system_->RequestTrail({object_, interval, halfWidth, alpha, ResourceManager::GetInstance().GetSprite(texture)});
}

void BackTrailSystem::SetTrailTintFunc::operator()(OrvCall::Finite<float> r, OrvCall::Finite<float> g,
                                                   OrvCall::Finite<float> b) {
  if (auto anim = LiveComponent<SpriteAnimComponent>()) anim->SetTrailTint(r, g, b);
}

}  // namespace Orv
