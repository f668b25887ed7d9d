// The physics engine's script functions.
#include "script/ScriptComponent.h"
#include "world/PhysicEngine.h"

namespace Orv {

void PhysicEngine::RegisterScriptFunctions(ScriptComponent& component) {
  component.RegisterDirect("PausePhysics", this, &PhysicEngine::PausePhysics);
  component.RegisterDirect("ResumePhysics", this, &PhysicEngine::ResumePhysics);
}

}  // namespace Orv
