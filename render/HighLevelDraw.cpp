#include "render/HighLevelDraw.h"

#include "core/TransformComponent.h"
#include "core/TypeKey.h"
#include "render/LayeredDraw.h"
#include "render/SpriteAnimComponent.h"

namespace Orv {

void HighLevelDraw::Init(unsigned, unsigned) {
  requiredTypes.push_back(TypeKey<SpriteAnimComponent>());
  paused = true;
}

bool HighLevelDraw::AcceptEntity(ObjectLockPtr<GameObject>& object) {
  auto locked = object.Lock();
  if (!locked || !locked->IsAlive()) return false;
  auto sprite = locked->LockComponent<SpriteAnimComponent>();
  // Read unsigned: negative layers land here too.
  return sprite && static_cast<unsigned>(sprite->layer) > 1u;
}

void HighLevelDraw::OnEntitiesMerged(std::vector<EntityRecord>& merged) {
  SortByDrawOrder(merged, [](const EntityRecord& record) -> const ObjectLockPtr<GameObject>& { return record.object; });
}

void HighLevelDraw::RenderEntity(EntityRecord& entity) {
  // A copy: the script's Render may admit objects while this one is drawn.
  const ObjectLockPtr<GameObject> object = entity.object;
  if (!IsGameObjectAlive(object)) return;
  auto sprite = GetHandleComponent<SpriteAnimComponent>(object).Lock();
  if (!sprite) return;
  auto transform = GetHandleComponent<TransformComponent>(object).Lock();
  DrawSpriteAt(*sprite, transform.get(), transform ? transform->viewScale : 1.0f, sprite->tint);
  sprite.reset();
  transform.reset();
  if (entity.walked != nullptr) {
    CallScriptRender(entity, *entity.walked);
  } else {
    CallScriptRender(object);
  }
}

}  // namespace Orv
