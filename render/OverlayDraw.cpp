#include "render/OverlayDraw.h"

#include "core/TypeKey.h"
#include "render/DrawPrimitives.h"
#include "render/LayeredDraw.h"
#include "render/RenderableComponent.h"

namespace Orv {

void OverlayDraw::Init(unsigned, unsigned) {
  requiredTypes.push_back(TypeKey<RenderableComponent>());
  paused = true;
}

bool OverlayDraw::AcceptEntity(ObjectLockPtr<GameObject>& object) {
  auto locked = object.Lock();
  if (!Lives(locked)) return false;
  auto renderable = locked->LockComponent<RenderableComponent>();
  return renderable && renderable->drawlevel > 1;
}

// The overlay's scripts draw most of a frame's sprites; nothing else draws
// during its walk.
void OverlayDraw::BeginRender() { OpenSpriteBatch(); }

void OverlayDraw::EndRender() { CloseSpriteBatch(); }

void OverlayDraw::RenderEntity(EntityRecord& entity) {
  if (Lives(entity.walked)) CallScriptRender(entity);
}

}  // namespace Orv
