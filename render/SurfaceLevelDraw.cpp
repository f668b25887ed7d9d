#include "render/SurfaceLevelDraw.h"

#include <GL/glew.h>

#include "core/App.h"
#include "core/TransformComponent.h"
#include "core/TypeKey.h"
#include "render/GLRenderSystem.h"
#include "render/GraphicsManager.h"
#include "render/LayeredDraw.h"
#include "render/LightComponent.h"
#include "render/RenderState.h"
#include "render/RenderableComponent.h"
#include "render/SpriteAnimComponent.h"
#include "script/ScriptComponent.h"
#include "world/CollisionComponent.h"

namespace Orv {

namespace {

// Immediate-mode drawing follows: no program, no vertex array.
void LeaveBatchState() {
  UseProgram(0);
  glBindVertexArray(0);
}

}  // namespace

void SurfaceLevelDraw::BeginRender() {
  GraphicsManager& graphics = GraphicsManager::GetInstance();
  FrameBuffer* scene = graphics.GetFrameBuffer(g_frameLit ? 1 : 0);
  FrameBuffer* surface = graphics.GetFrameBuffer(2);
  // The stencil shapes were cut into the scene's own stencil buffer: the
  // test must be off before the scene is copied into the next target, whose
  // stencil holds none of them and would let nothing through.
  DisableCapability(GL_STENCIL_TEST);
  if (scene == nullptr || surface == nullptr) return;
  scene->End();
  // The window was cleared when the scene began, and everything drawn since
  // went into the scene. The scene's copy is opaque and covers the surface,
  // whose depth and stencil no pass tests: it needs no clear of its own,
  // unless the copy cannot be drawn.
  surface->Begin(FrameBuffer::Previous::Keep, FrameBuffer::Target::Keep);
  // The surface's alpha shows only through its own copy.
  const FrameBuffer::Copy copy = surface->IgnoresOwnAlpha() ? FrameBuffer::Copy::ColourOnly : FrameBuffer::Copy::Exact;
  if (!scene->Draw(copy)) ClearBuffers(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  LeaveBatchState();
}

void SurfaceLevelDraw::EndRender() {
  FrameBuffer* surface = GraphicsManager::GetInstance().GetFrameBuffer(2);
  if (surface == nullptr) return;
  surface->End();
  // The window's alpha is shown by nothing: its picture is its colour.
  surface->Draw(FrameBuffer::Copy::ColourOnly);
  GraphicsManager::GetInstance().EndWindowStandIns();
  LeaveBatchState();
}

void SurfaceLevelDraw::Init(unsigned, unsigned) {
  requiredTypes.push_back(TypeKey<SpriteAnimComponent>());
  requiredTypes.push_back(TypeKey<RenderableComponent>());
  paused = true;
}

bool SurfaceLevelDraw::AcceptEntity(ObjectLockPtr<GameObject>& object) {
  auto locked = object.Lock();
  if (!Lives(locked)) return false;
  if (auto sprite = locked->LockComponent<SpriteAnimComponent>()) return sprite->layer == 1;
  auto renderable = locked->LockComponent<RenderableComponent>();
  return renderable && renderable->drawlevel == 1;
}

void SurfaceLevelDraw::OnGameObjectOffered(ObjectLockPtr<GameObject> object) {
  auto locked = object.Lock();
  if (!Lives(locked)) return;
  if (locked->GetComponent<LightComponent>().Exists()) lights_.push_back(object);
}

void SurfaceLevelDraw::OnEntitiesMerged(std::vector<EntityRecord>& merged) {
  SortByDrawOrder(merged, [](const EntityRecord& record) -> const ObjectLockPtr<GameObject>& { return record.object; });
}

void SurfaceLevelDraw::OnUpdate(float) {
  lights_.remove_if([](const ObjectLockPtr<GameObject>& light) { return !Lives(light); });
}

void SurfaceLevelDraw::OnRender() {
  DisableCapability(GL_STENCIL_TEST);
  LoadIdentity();
}

void SurfaceLevelDraw::RenderEntity(EntityRecord& entity) {
  // A copy: the script's Render may admit objects while this one is drawn.
  const ObjectLockPtr<GameObject> object = entity.object;
  auto collision = GetHandleComponent<CollisionComponent>(object).Lock();
  const bool occludes = collision && collision->occluding;
  collision.reset();
  // The lit draw takes its colour from the lights alone: with the game's
  // lighting off it would draw the sprite black.
  if (occludes && lightingEnabled_ && g_frameLit) {
    LitDraw(object);
  } else {
    PlainDraw(object);
  }
}

void SurfaceLevelDraw::PlainDraw(const ObjectLockPtr<GameObject>& object) {
  if (!Lives(object)) return;
  auto sprite = GetHandleComponent<SpriteAnimComponent>(object).Lock();
  if (sprite) {
    auto transform = GetHandleComponent<TransformComponent>(object).Lock();
    if (!transform) {
      DrawSpriteAt(*sprite, nullptr, 1.0f, sprite->tint);
    } else if (IsSpriteVisible(*sprite, *transform, owner_->GetWidth(), owner_->GetHeight())) {
      DrawSpriteAt(*sprite, transform.get(), transform->viewScale, sprite->tint);
    }
  }
  sprite.reset();
  CallScriptRender(object);
}

void SurfaceLevelDraw::LitDraw(const ObjectLockPtr<GameObject>& object) {
  if (!Lives(object)) return;
  auto sprite = GetHandleComponent<SpriteAnimComponent>(object).Lock();
  auto transform = GetHandleComponent<TransformComponent>(object).Lock();
  if (!sprite || !transform) return;
  const Vec2 position{transform->posX, transform->posY};
  Colour sum{0.0f, 0.0f, 0.0f, 0.0f};
  for (const auto& lightObject : lights_) {
    if (!Lives(lightObject)) continue;
    auto light = GetHandleComponent<LightComponent>(lightObject).Lock();
    auto lightTransform = GetHandleComponent<TransformComponent>(lightObject).Lock();
    if (!light || !lightTransform) continue;
    const double r = light->intensity;
    const Vec2 at{lightTransform->posX, lightTransform->posY};
    const double dx = position.x - at.x;
    const double dy = position.y - at.y;
    if (!(r * r > dx * dx + dy * dy)) continue;
    const Colour add = LightFalloff(position, at, r);
    for (int c = 0; c < 3; ++c) sum[c] += add[c];
  }
  Colour own = sprite->tint;
  ClampColour(own);
  const Colour colour{sum[0] * 0.8f * own[0], sum[1] * 0.8f * own[1], sum[2] * 0.8f * own[2], own[3]};
  DrawSpriteAt(*sprite, transform.get(), 1.0f, colour);
}

}  // namespace Orv
