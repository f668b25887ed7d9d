#include "render/CameraSystem.h"

#include <cmath>
#include <string>

#include "NumberConversion.h"
#include "core/App.h"
#include "core/Report.h"
#include "core/ReportOnce.h"
#include "core/TransformComponent.h"
#include "core/TypeKey.h"
#include "script/ScriptComponent.h"
#include "world/CollisionComponent.h"
#include "world/TileMapComponent.h"

namespace Orv {

float g_cameraCentreX = 0.0f;
float g_cameraCentreY = 0.0f;

void CameraSystem::Init(unsigned width, unsigned height) {
  halfWidth_ = width / 2;
  halfHeight_ = height / 2;
  requiredTypes.push_back(TypeKey<TransformComponent>());
  requiredTypes.push_back(TypeKey<TileMapComponent>());
  requiredTypes.push_back(TypeKey<ScriptComponent>());
}

void CameraSystem::AddFocus(float x, float y) { focus_.emplace_back(x, y); }

void CameraSystem::SetCameraFocus(OrvCall::Finite<float> x, OrvCall::Finite<float> y) { AddFocus(x, y); }

void CameraSystem::MoveCameraX(OrvCall::Finite<float> d) {
  if (std::isfinite(centreX_ + d)) centreX_ += d;
}

void CameraSystem::MoveCameraY(OrvCall::Finite<float> d) {
  if (std::isfinite(centreY_ + d)) centreY_ += d;
}

void CameraSystem::SetCameraX(OrvCall::Finite<float> v) { centreX_ = v; }

void CameraSystem::SetCameraY(OrvCall::Finite<float> v) { centreY_ = v; }

std::pair<int, int> CameraSystem::WorldCursor() const {
  const auto [cursorX, cursorY] = owner_->GetCursorPos();
  const int left = OrvLua::SaturateToInt(centreX_ - static_cast<float>(halfWidth_));
  const int top = OrvLua::SaturateToInt(centreY_ - static_cast<float>(halfHeight_));
  // Summed wide, then saturated: a far camera must not wrap around.
  return {OrvLua::SaturateToInt(static_cast<double>(left) + cursorX),
          OrvLua::SaturateToInt(static_cast<double>(top) + cursorY)};
}

std::pair<float, float> CameraSystem::WorldToScreen(float x, float y) const {
  return {(x - centreX_) + static_cast<float>(halfWidth_), (y - centreY_) + static_cast<float>(halfHeight_)};
}

void CameraSystem::OnUpdate(float) {
  g_cameraCentreX = centreX_;
  g_cameraCentreY = centreY_;
  if (focus_.empty()) return;
  float sumX = 0.0f;
  float sumY = 0.0f;
  for (const auto& [x, y] : focus_) {
    sumX += x;
    sumY += y;
  }
  const float scale = 1.0f / static_cast<float>(focus_.size());
  // Each point is finite, but a sum of huge ones may not be.
  if (std::isfinite(sumX * scale) && std::isfinite(sumY * scale)) {
    centreX_ = sumX * scale;
    centreY_ = sumY * scale;
  }
  g_cameraCentreX = centreX_;
  g_cameraCentreY = centreY_;
  focus_.clear();
}

void CameraSystem::UpdateEntity(EntityRecord& entity, float) {
  GameObject* object = entity.walked;
  if (object == nullptr) return;
  if (auto* map = object->FindComponent<TileMapComponent>()) {
    map->viewCentreX = centreX_;
    map->viewCentreY = centreY_;
    map->viewHalfWidth = halfWidth_;
    map->viewHalfHeight = halfHeight_;
    map->viewFlag = cameraFactor_ != 0.0f;
    const auto [x, y] = WorldCursor();
    map->worldCursorX = static_cast<double>(static_cast<float>(x));
    map->worldCursorY = static_cast<double>(static_cast<float>(y));
  }
  if (auto* transform = object->FindComponent<TransformComponent>()) {
    const auto [x, y] = WorldToScreen(transform->worldX, transform->worldY);
    transform->posX = x;
    transform->posY = y;
    transform->viewScale = cameraFactor_;
  }
}

// The passes place transforms and tell tile maps the view: an object with
// neither, a script alone, is admitted for the script's functions only.
bool CameraSystem::WalksObject(const GameObject& object) const {
  return object.FindComponent<TransformComponent>() != nullptr || object.FindComponent<TileMapComponent>() != nullptr;
}

void CameraSystem::PreUpdateEntity(EntityRecord& entity, float) {
  GameObject* parent = entity.walked;
  if (parent == nullptr) return;
  const auto* parentTransform = parent->FindComponent<TransformComponent>();
  if (parentTransform == nullptr) return;
  // A copy: nothing here changes the list, but the walk must not depend on it.
  const std::vector<ObjectLockPtr<GameObject>> children = parent->GetChildren();
  for (const auto& reference : children) {
    auto child = reference.Lock();
    if (!Lives(child)) continue;
    auto transform = child->LockComponent<TransformComponent>();
    if (!transform) continue;
    if (transform->followParentRotation) transform->rotdeg = parentTransform->rotdeg;
    // A child with a collider is placed by the collision engine.
    if (!child->GetComponent<CollisionComponent>().Exists() && transform->followParent) {
      transform->worldX = parentTransform->worldX;
      transform->worldY = parentTransform->worldY;
    }
  }
}

}  // namespace Orv
