#include <memory>

#include "app/GameEngine.h"
#include "audio/AudioSystem.h"
#include "core/GOSummoner.h"
#include "editor/EditorDragStore.h"
#include "editor/EditorSystem.h"
#include "input/GamePadSystem.h"
#include "input/KeyboardMouse.h"
#include "render/BackParticleSystem.h"
#include "render/BackTrailSystem.h"
#include "render/BaseLevelDraw.h"
#include "render/CameraSystem.h"
#include "render/CursorRender.h"
#include "render/DebugDraw.h"
#include "render/FrontParticleSystem.h"
#include "render/GLRenderSystem.h"
#include "render/GLStencilSystem.h"
#include "render/GUISystem.h"
#include "render/HighLevelDraw.h"
#include "render/LevelLightingSystem.h"
#include "render/LevelRenderer.h"
#include "render/LevelShadowDraw.h"
#include "render/OverlayDraw.h"
#include "render/SurfaceLevelDraw.h"
#include "render/TransitionEventSystem.h"
#include "script/ScriptBegin.h"
#include "script/ScriptEngineSystem.h"
#include "world/AIRulesSystem.h"
#include "world/CollisionEngine.h"
#include "world/PhysicEngine.h"
#include "world/TilemapSystem.h"

namespace Orv {

// The order is the order of every pass and of the script registrations: the
// collision engine works before the physics engine, the cursor is drawn last, a
// later system's script function wins a name an earlier one registered too,
// and ScriptBegin is the last to hear of a new object: it registers every
// system's functions, then runs the object's script and Init.
void CreateEngineSystems(GameEngine& engine) {
  engine.CreateSystem<GamePadSystem>(RoleUpdate | RoleLateUpdate);
  engine.CreateSystem<KeyboardMouse>(RoleUpdate | RoleLateUpdate | RoleInput);
  engine.CreateSystem<AIRulesSystem>(RoleUpdate);
  engine.CreateSystem<CollisionEngine>(RoleUpdate | RoleLateUpdate);
  engine.CreateSystem<PhysicEngine>(RoleUpdate);
  engine.CreateSystem<TilemapSystem>(RoleNone);
  engine.CreateSystem<AudioSystem>(RoleNone);
  engine.CreateSystem<GOSummoner>(RoleNone);
  engine.CreateSystem<CameraSystem>(RoleUpdate | RoleLateUpdate);
  engine.CreateSystem<ScriptEngineSystem>(RoleLateUpdate);
  engine.CreateSystem<GLRenderSystem>(RoleRender | RoleUpdate | RoleInput);
  engine.CreateSystem<GLStencilSystem>(RoleRender);
  engine.CreateSystem<LevelRenderer>(RoleRender | RoleLateUpdate);
  engine.CreateSystem<BaseLevelDraw>(RoleRender | RoleLateUpdate);
  engine.CreateSystem<BackTrailSystem>(RoleRender | RoleLateUpdate);
  engine.CreateSystem<BackParticleSystem>(RoleRender | RoleLateUpdate);
  engine.CreateSystem<LevelShadowDraw>(RoleRender | RoleLateUpdate);
  engine.CreateSystem<LevelLightingSystem>(RoleRender);
  engine.CreateSystem<SurfaceLevelDraw>(RoleRender);
  engine.CreateSystem<HighLevelDraw>(RoleRender);
  engine.CreateSystem<DebugDraw>(RoleRender);
  engine.CreateSystem<EditorSystem>(RoleUpdate | RoleLateUpdate | RoleInput);
  engine.CreateSystem<FrontParticleSystem>(RoleRender);
  // The GUI drags the editor's objects too; it cannot reach the editor itself.
  SetObjectDragStore(&EditorDragStore::GetInstance());
  engine.CreateSystem<GUISystem>(RoleRender | RoleUpdate | RoleLateUpdate | RoleInput);
  engine.CreateSystem<OverlayDraw>(RoleRender);
  engine.CreateSystem<TransitionEventSystem>(RoleRender | RoleLateUpdate);
  engine.CreateSystem<CursorRender>(RoleRender);
  engine.CreateSystem<ScriptBegin>(RoleLateUpdate);
  // The collision engine takes a long frame in steps, moving the bodies
  // between its passes.
  std::shared_ptr<CollisionEngine> collision;
  std::shared_ptr<PhysicEngine> physics;
  for (const std::shared_ptr<System>& system : engine.GetAllSystems()) {
    if (!collision) collision = std::dynamic_pointer_cast<CollisionEngine>(system);
    if (!physics) physics = std::dynamic_pointer_cast<PhysicEngine>(system);
  }
  if (collision && physics) collision->StepBodiesWith(physics.get());
}

}  // namespace Orv
