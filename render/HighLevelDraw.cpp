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
  if (!Lives(locked)) return false;
  auto sprite = locked->LockComponent<SpriteAnimComponent>();
  // Read unsigned: negative layers land here too.
  return sprite && static_cast<unsigned>(sprite->layer) > 1u;
}

void HighLevelDraw::OnEntitiesMerged(std::vector<EntityRecord>& merged) {
  SortByDrawOrder(merged, [](const EntityRecord& record) -> const ObjectLockPtr<GameObject>& { return record.object; });
}

void HighLevelDraw::RenderEntity(EntityRecord& entity) {
  // The walk holds the object for the length of the hook.
  GameObject* object = entity.walked;
  if (!Lives(object)) return;
  auto sprite = object->LockComponent<SpriteAnimComponent>();
  if (!sprite) return;
  auto transform = object->LockComponent<TransformComponent>();
  DrawSpriteAt(*sprite, transform.get(), transform ? transform->viewScale : 1.0f, sprite->tint);
  sprite.reset();
  transform.reset();
  CallScriptRender(entity);
}

}  // namespace Orv
