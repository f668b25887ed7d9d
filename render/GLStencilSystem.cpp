#include "render/GLStencilSystem.h"

#include <GL/glew.h>

#include <algorithm>

#include "core/GameObject.h"
#include "core/TransformComponent.h"
#include "render/DrawPrimitives.h"
#include "render/StencilComponent.h"

namespace Orv {

void GLStencilSystem::Start() {
  glClearStencil(0);
  corners_ = {};
}

void GLStencilSystem::Resize(int width, int height, int, int) {
  const float w = static_cast<float>(width);
  const float h = static_cast<float>(height);
  corners_ = {Corner{0.0f, 0.0f}, Corner{0.0f, h}, Corner{w, h}, Corner{w, 0.0f}};
}

void GLStencilSystem::OnGameObjectAdded(ObjectLockPtr<GameObject> object) {
  auto locked = object.Lock();
  if (!locked || !locked->IsAlive()) return;
  if (!locked->GetComponent<StencilComponent>().Exists()) return;
  if (!locked->GetComponent<TransformComponent>().Exists()) return;
  stencilObjects_.push_back(std::move(object));
}

void GLStencilSystem::Update(float) {
  std::erase_if(stencilObjects_, [](const ObjectLockPtr<GameObject>& object) { return !IsGameObjectAlive(object); });
}

void GLStencilSystem::Render() {
  glStencilMask(0xFF);
  glClear(GL_STENCIL_BUFFER_BIT);
  // Without shapes there is nothing to cut, and the black cover would paint
  // over a target the frame has just cleared to black: a full-screen draw
  // that shows nothing.
  if (stencilObjects_.empty()) {
    glLoadIdentity();
    return;
  }
  // Shapes and cover are plain colour, whatever texture the last draw left bound.
  glDisable(GL_TEXTURE_2D);
  glEnable(GL_STENCIL_TEST);
  glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
  glStencilFunc(GL_ALWAYS, 1, 1);
  glStencilOp(GL_REPLACE, GL_REPLACE, GL_REPLACE);
  for (const auto& object : stencilObjects_) {
    if (!IsGameObjectAlive(object)) continue;
    auto stencil = GetHandleComponent<StencilComponent>(object).Lock();
    auto transform = GetHandleComponent<TransformComponent>(object).Lock();
    if (!stencil || !transform) continue;
    glLoadIdentity();
    glTranslatef(transform->posX, transform->posY, 0.0f);
    glRotatef(transform->rotdeg, 0.0f, 0.0f, 1.0f);
    glScalef(transform->scaleX, transform->scaleY, 1.0f);
    float z = 0.0f;
    DrawStencilPolygon(stencil->vertices, z);
  }
  glStencilFunc(GL_ALWAYS, 0, 1);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glStencilFunc(GL_NOTEQUAL, 1, 1);
  glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
  glLoadIdentity();
  glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
  glBegin(GL_QUADS);
  for (const Corner& corner : corners_) glVertex3f(corner.x, corner.y, 0.0f);
  glEnd();
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glEnable(GL_TEXTURE_2D);
  glStencilFunc(GL_EQUAL, 1, 1);
  // Kept on failure too: writing 1 there would let the next draw over the
  // same pixel (overlapping floor tiles, say) through outside the shapes.
  glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
}

}  // namespace Orv
