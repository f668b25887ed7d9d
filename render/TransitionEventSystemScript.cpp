// The transitions' script names, registered into every scripted object.
#include "render/TransitionEventSystem.h"
#include "script/ScriptComponent.h"
#include "script/ScriptRegistrar.h"

namespace Orv {

void TransitionEventSystem::OnRegistered() {
  AddScriptRegistration(this, &TransitionEventSystem::RegisterScriptFunctions);
}

void TransitionEventSystem::RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>&) {
  static constexpr ScriptConstant kConstants[] = {
      {"FADE_FROM_BLACK_LINEAR", kFadeFromBlack},
      {"FADE_TO_BLACK_LINEAR", kFadeToBlack},
  };
  SetScriptConstants(script, kConstants);
  script.RegisterDirect("StartTransition", this, &TransitionEventSystem::StartTransition);
  script.RegisterDirect("IsTransitionEnd", this, &TransitionEventSystem::IsTransitionEnd);
  script.RegisterDirect("StopTransition", this, &TransitionEventSystem::StopTransition);
  script.RegisterDirect("StartUniqueTransition", this, &TransitionEventSystem::StartUniqueTransition);
}

}  // namespace Orv
