#include "render/LayeredDraw.h"

#include <GL/glew.h>

#include <algorithm>

#include "core/BasicEntitySystem.h"
#include "core/OrientedRect.h"
#include "core/TransformComponent.h"
#include "render/DrawPrimitives.h"
#include "render/SpriteAnimComponent.h"
#include "script/ScriptComponent.h"

namespace Orv {

int DrawOrderKey(const ObjectLockPtr<GameObject>& object) {
  auto locked = object.Lock();
  if (!Lives(locked)) return 0;
  auto sprite = locked->LockComponent<SpriteAnimComponent>();
  return sprite ? sprite->layerOrder : 0;
}

bool IsBoxOnScreen(float frameWidth, float frameHeight, float x, float y, float scaleX, float scaleY, float degrees,
                   unsigned width, unsigned height) {
  const double halfX = frameWidth * scaleX * 0.5;
  const double halfY = frameHeight * scaleY * 0.5;
  OrientedRect box{{x - halfX, y + halfY},
                   {x + halfX, y + halfY},
                   {x + halfX, y - halfY},
                   {x - halfX, y - halfY},
                   halfX,
                   halfY,
                   x,
                   y};
  if (degrees != 0.0f) box.Rotate(degrees);
  const double xs[] = {box.corner0[0], box.corner1[0], box.corner2[0], box.corner3[0]};
  const double ys[] = {box.corner0[1], box.corner1[1], box.corner2[1], box.corner3[1]};
  const double left = *std::min_element(std::begin(xs), std::end(xs));
  const double right = *std::max_element(std::begin(xs), std::end(xs));
  const double top = *std::min_element(std::begin(ys), std::end(ys));
  const double bottom = *std::max_element(std::begin(ys), std::end(ys));
  return right >= -0.5 && left <= width + 0.5 && bottom >= -0.5 && top <= height + 0.5;
}

bool IsSpriteVisible(const SpriteAnimComponent& sprite, const TransformComponent& transform, unsigned width,
                     unsigned height) {
  return IsBoxOnScreen(sprite.GetFrameWidth(), sprite.GetFrameHeight(), transform.posX, transform.posY,
                       transform.scaleX, transform.scaleY, transform.rotdeg, width, height);
}

void DrawSpriteAt(const SpriteAnimComponent& sprite, const TransformComponent* transform, float zoom, Colour colour) {
  SpritePlacement placement;
  if (transform != nullptr) {
    placement = {transform->posX, transform->posY, transform->rotdeg, transform->scaleX * zoom,
                 transform->scaleY * zoom};
  }
  ClampColour(colour);
  SetColour(colour[0], colour[1], colour[2], colour[3]);
  DrawPlacedSpriteQuad(sprite.GetCurrentFrame(), placement);
  ResetColour();
}

void CallScriptRender(const ObjectLockPtr<GameObject>& object) {
  if (auto locked = object.Lock()) CallScriptRender(*locked);
}

void CallScriptRender(const GameObject& object) {
  if (auto* script = object.FindComponent<ScriptComponent>()) script->CallGlobalFunction("Render");
}

void CallScriptRender(EntityRecord& entity) {
  const GameObject* object = entity.walked;
  if (object == nullptr) return;
  CallScriptRender(*object);
  // Found again: nothing is kept across the script's call.
  if (const auto* script = object->FindComponent<ScriptComponent>()) script->SetCallPrefetch(entity);
}

}  // namespace Orv
