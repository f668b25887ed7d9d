#include "render/GLStencilSystem.h"

#include <GL/glew.h>

#include <algorithm>

#include "core/GameObject.h"
#include "core/TransformComponent.h"
#include "render/DrawPrimitives.h"
#include "render/StencilComponent.h"

namespace Orv {

void GLStencilSystem::Start() {
  SetClearStencil(0);
  corners_ = {};
}

void GLStencilSystem::Resize(int width, int height, int, int) {
  const float w = static_cast<float>(width);
  const float h = static_cast<float>(height);
  corners_ = {Corner{0.0f, 0.0f}, Corner{0.0f, h}, Corner{w, h}, Corner{w, 0.0f}};
}

void GLStencilSystem::OnGameObjectAdded(ObjectLockPtr<GameObject> object) {
  auto locked = object.Lock();
  if (!Lives(locked)) return;
  if (!locked->GetComponent<StencilComponent>().Exists()) return;
  if (!locked->GetComponent<TransformComponent>().Exists()) return;
  stencilObjects_.push_back(std::move(object));
}

void GLStencilSystem::Update(float) {
  std::erase_if(stencilObjects_, [](const ObjectLockPtr<GameObject>& object) { return !Lives(object); });
}

void GLStencilSystem::Render() {
  SetStencilMask(0xFF);
  ClearBuffers(GL_STENCIL_BUFFER_BIT);
  // Without shapes there is nothing to cut, and the black cover would paint
  // over a target the frame has just cleared to black: a full-screen draw
  // that shows nothing.
  if (stencilObjects_.empty()) {
    LoadIdentity();
    return;
  }
  // Shapes and cover are plain colour, whatever texture the last draw left bound.
  DisableCapability(GL_TEXTURE_2D);
  EnableCapability(GL_STENCIL_TEST);
  SetColourWrites(false);
  SetStencilFunction(GL_ALWAYS, 1, 1);
  SetStencilOperation(GL_REPLACE, GL_REPLACE, GL_REPLACE);
  for (const auto& object : stencilObjects_) {
    if (!Lives(object)) continue;
    auto stencil = GetHandleComponent<StencilComponent>(object).Lock();
    auto transform = GetHandleComponent<TransformComponent>(object).Lock();
    if (!stencil || !transform) continue;
    LoadIdentity();
    Translate2D(transform->posX, transform->posY);
    Rotate2D(transform->rotdeg);
    Scale2D(transform->scaleX, transform->scaleY);
    float z = 0.0f;
    DrawStencilPolygon(stencil->vertices, z);
  }
  SetStencilFunction(GL_ALWAYS, 0, 1);
  SetColourWrites(true);
  SetStencilFunction(GL_NOTEQUAL, 1, 1);
  SetStencilOperation(GL_KEEP, GL_KEEP, GL_KEEP);
  LoadIdentity();
  SetColour(0.0f, 0.0f, 0.0f, 1.0f);
  glBegin(GL_QUADS);
  for (const Corner& corner : corners_) glVertex3f(corner.x, corner.y, 0.0f);
  glEnd();
  SetColour(1.0f, 1.0f, 1.0f, 1.0f);
  EnableCapability(GL_TEXTURE_2D);
  SetStencilFunction(GL_EQUAL, 1, 1);
  // Kept on failure too: writing 1 there would let the next draw over the
  // same pixel (overlapping floor tiles, say) through outside the shapes.
  SetStencilOperation(GL_KEEP, GL_KEEP, GL_KEEP);
}

}  // namespace Orv
