// The physics engine's script functions, in their fixed order.
#include "script/ScriptComponent.h"
#include "world/PhysicEngine.h"

namespace Orv {

void PhysicEngine::RegisterScriptFunctions(ScriptComponent& component) {
  component.RegisterDirect("PausePhysics", this, &PhysicEngine::PausePhysics);
  component.RegisterDirect("ResumePhysics", this, &PhysicEngine::ResumePhysics);
}

}  // namespace Orv
