#include "render/BaseLevelDraw.h"

#include <GL/glew.h>

#include <algorithm>

#include "core/App.h"
#include "core/TransformComponent.h"
#include "render/LayeredDraw.h"
#include "render/LightComponent.h"
#include "render/SpriteAnimComponent.h"
#include "script/ScriptComponent.h"

namespace Orv {

namespace {

const ObjectLockPtr<GameObject>& Self(const ObjectLockPtr<GameObject>& object) { return object; }

}  // namespace

void BaseLevelDraw::Init(unsigned width, unsigned height) {
  width_ = width;
  height_ = height;
}

void BaseLevelDraw::OnGameObjectAdded(ObjectLockPtr<GameObject> object) {
  auto locked = object.Lock();
  if (!Lives(locked)) return;
  if (locked->GetComponent<LightComponent>().Exists()) lights_.push_back(object);
  auto sprite = locked->LockComponent<SpriteAnimComponent>();
  if (!sprite || sprite->layer != 0) return;
  if (rendering_) {
    admittedDuringPass_.push_back(std::move(object));
    return;
  }
  AddBaseSprite(std::move(object));
}

void BaseLevelDraw::AddBaseSprite(ObjectLockPtr<GameObject> object) {
  baseSprites_.push_back(std::move(object));
  // Sorted once before the list is next read: a level of thousands of
  // objects admitted in one frame would otherwise sort it thousands of times.
  unsorted_ = true;
}

const std::vector<ObjectLockPtr<GameObject>>& BaseLevelDraw::GetBaseSprites() {
  SortIfAdmitted();
  return baseSprites_;
}

void BaseLevelDraw::SortIfAdmitted() {
  if (!unsorted_) return;
  unsorted_ = false;
  SortByDrawOrder(baseSprites_, Self);
}

void BaseLevelDraw::LateUpdate(float) {
  std::erase_if(lights_, [](const ObjectLockPtr<GameObject>& light) { return !Lives(light); });
}

void BaseLevelDraw::Render() {
  SortIfAdmitted();
  rendering_ = true;
  for (std::size_t i = 0; i < baseSprites_.size();) {
    if (!Lives(baseSprites_[i])) {
      baseSprites_.erase(baseSprites_.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    // A copy: the script's Render runs inside.
    const ObjectLockPtr<GameObject> object = baseSprites_[i];
    DrawEntry(object);
    ++i;
  }
  rendering_ = false;
  if (admittedDuringPass_.empty()) return;
  std::vector<ObjectLockPtr<GameObject>> admitted;
  admitted.swap(admittedDuringPass_);
  for (auto& object : admitted) baseSprites_.push_back(std::move(object));
  SortByDrawOrder(baseSprites_, Self);
}

void BaseLevelDraw::DrawEntry(const ObjectLockPtr<GameObject>& object) {
  auto sprite = GetHandleComponent<SpriteAnimComponent>(object).Lock();
  if (!sprite) {
    CallScriptRender(object);
    return;
  }
  Colour colour{1.0f, 1.0f, 1.0f, 1.0f};
  if (lightingEnabled_ && !lights_.empty()) colour = sprite->tint;
  auto transform = GetHandleComponent<TransformComponent>(object).Lock();
  if (!transform || IsSpriteVisible(*sprite, *transform, owner_->GetWidth(), owner_->GetHeight())) {
    DrawSpriteAt(*sprite, transform.get(), 1.0f, colour);
  }
  // Released before the script runs: it may change or remove its object.
  sprite.reset();
  transform.reset();
  CallScriptRender(object);
}

}  // namespace Orv
