#include "render/SurfaceLevelDraw.h"

#include <GL/glew.h>

#include "render/GLRenderSystem.h"
#include "render/GraphicsManager.h"

namespace Orv {

namespace {

// Immediate-mode drawing follows: no program, no vertex array.
void LeaveBatchState() {
  glUseProgram(0);
  glBindVertexArray(0);
}

}  // namespace

void SurfaceLevelDraw::BeginRender() {
  GraphicsManager& graphics = GraphicsManager::GetInstance();
  FrameBuffer* scene = graphics.GetFrameBuffer(g_lightingEnabled ? 1 : 0);
  FrameBuffer* surface = graphics.GetFrameBuffer(2);
  if (scene == nullptr || surface == nullptr) return;
  scene->End();
  surface->Begin();
  scene->Draw();
  LeaveBatchState();
}

void SurfaceLevelDraw::EndRender() {
  FrameBuffer* surface = GraphicsManager::GetInstance().GetFrameBuffer(2);
  if (surface == nullptr) return;
  surface->End();
  surface->Draw();
  LeaveBatchState();
}

}  // namespace Orv
