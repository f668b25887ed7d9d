#include "render/GLRenderSystem.h"

#include <GL/glew.h>

#include <algorithm>
#include <utility>

#include "core/App.h"
#include "core/Report.h"
#include "core/TransformComponent.h"
#include "platform/Desktop.h"
#include "render/DrawPrimitives.h"
#include "render/GraphicsManager.h"
#include "render/LightComponent.h"
#include "render/RenderState.h"
#include "render/SpriteAnimComponent.h"
#include "script/ScriptComponent.h"

namespace Orv {

bool g_lightingEnabled = true;
bool g_frameLit = true;

namespace {

// The single-precision value of 1.2: a light reaches a little further than
// its intensity.
constexpr double kLightReach = 1.2000000476837158;

}  // namespace

void GLRenderSystem::Init(unsigned width, unsigned height) {
  width_ = width;
  height_ = height;
  PrintLine("Init!");
}

void GLRenderSystem::Start() {
  PrintLine("Render system start");
  SetClearColour(0.0f, 0.0f, 0.0f, 1.0f);
  SetFrontFace(GL_CCW);
  DisableCapability(GL_DEPTH_TEST);
  EnableCapability(GL_POINT_SMOOTH);
  EnableCapability(GL_LINE_SMOOTH);
  // The reference is set for the passes that switch the alpha test on.
  SetAlphaFunction(GL_GEQUAL, 0.1f);
  EnableCapability(GL_BLEND);
  SetBlendFunction(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  EnableCapability(GL_TEXTURE_2D);
  SetViewport(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_));

  GraphicsManager& graphics = GraphicsManager::GetInstance();
  const float width = static_cast<float>(owner_->GetWidth());
  const float height = static_cast<float>(owner_->GetHeight());
  graphics.CreateTexture2DFrameBuffer(width, height);
  graphics.CreatePointLightFrameBuffer(width, height);
  graphics.CreateBloomFrameBuffer(width, height);
  GLint bits[5] = {0, 0, 0, 0, 1};
  const GLenum queries[5] = {GL_RED_BITS, GL_GREEN_BITS, GL_BLUE_BITS, GL_ALPHA_BITS, GL_SAMPLE_BUFFERS};
  for (int i = 0; i < 5; ++i) glGetIntegerv(queries[i], &bits[i]);
  windowHoldsTargets_ = bits[0] == 8 && bits[1] == 8 && bits[2] == 8 && bits[3] == 8 && bits[4] == 0;
  WarmUpFrameChain();
}

void GLRenderSystem::WarmUpFrameChain() {
  // The driver finishes building a program at its first draw, which can take
  // a good part of a second: draw the lit chain once here, so that the first
  // frames of the game do not stall. The plain program waits for the first
  // frame without lighting. The window's picture is drawn over by the first
  // frame.
  GraphicsManager& graphics = GraphicsManager::GetInstance();
  FrameBuffer* scene = graphics.GetFrameBuffer(1);
  FrameBuffer* surface = graphics.GetFrameBuffer(2);
  if (scene == nullptr || surface == nullptr) return;
  scene->Begin();
  // The immediate-mode drawing of the passes and the cursor, with and without
  // a texture, into a buffer that every frame clears.
  SetMatrixMode(GL_MODELVIEW);
  LoadIdentity();
  DisableCapability(GL_TEXTURE_2D);
  DrawFilledCircle(0.0f, 0.0f);
  EnableCapability(GL_TEXTURE_2D);
  DrawUnitQuad();
  scene->End();
  surface->Begin();
  scene->Draw(FrameBuffer::Copy::Shaded);
  // A lit frame without lights draws through the plain program.
  scene->Draw(FrameBuffer::Copy::Exact);
  surface->End();
  surface->Draw(FrameBuffer::Copy::Shaded);
  surface->Draw(FrameBuffer::Copy::ColourOnly);
  UseProgram(0);
  glBindVertexArray(0);
  ClearBuffers(GL_COLOR_BUFFER_BIT);
}

void GLRenderSystem::Shutdown() {
  EndSpriteHandOvers();
  GraphicsManager::GetInstance().ReleaseFrameBuffers();
}

void GLRenderSystem::Update(float dt) {
  for (std::size_t i = 0; i < spriteObjects_.size();) {
    if (!Lives(spriteObjects_[i])) {
      spriteObjects_.erase(spriteObjects_.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    auto sprite = GetHandleComponent<SpriteAnimComponent>(spriteObjects_[i]).Lock();
    if (sprite && !animationsPaused_) sprite->Advance(dt);
    ++i;
  }

  FrameBuffer* lit = GraphicsManager::GetInstance().GetFrameBuffer(1);
  if (lit == nullptr) return;
  lit->ClearLights();
  if (!g_lightingEnabled) return;
  const float right = static_cast<float>(owner_->GetWidth()) + 0.5f;
  const float bottom = static_cast<float>(owner_->GetHeight()) + 0.5f;
  for (const auto& object : lightObjects_) {
    if (!Lives(object)) continue;
    auto light = GetHandleComponent<LightComponent>(object).Lock();
    auto transform = GetHandleComponent<TransformComponent>(object).Lock();
    if (!light || !transform) continue;
    const LightCircle circle{transform->posX, transform->posY, static_cast<float>(light->intensity * kLightReach)};
    if (IsLightOnScreen(circle, right, bottom)) lit->AddLight({circle.x, circle.y, circle.radius});
  }
}

void GLRenderSystem::PreUpdate(float) {
  std::erase_if(lightObjects_, [](const ObjectLockPtr<GameObject>& object) { return !Lives(object); });
}

void GLRenderSystem::Pause() { animationsPaused_ = true; }

void GLRenderSystem::Resume() {
  if (!pausedByScript_) animationsPaused_ = false;
}

void GLRenderSystem::Render() {
  g_frameLit = g_lightingEnabled;
  FrameBuffer* scene = GraphicsManager::GetInstance().GetFrameBuffer(g_frameLit ? 1 : 0);
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  ChooseWindowStandIn(viewport);
  if (scene != nullptr) {
    scene->Begin(FinalCopyCoversWindow(viewport) ? FrameBuffer::Previous::Keep : FrameBuffer::Previous::Clear);
  }
  // Begin has cleared an initialised scene's colour and stencil (and its
  // depth, which no pass tests) with this same clear colour.
  if (scene == nullptr || !scene->IsInitialised()) ClearBuffers(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  SetColour(1.0f, 1.0f, 1.0f, 1.0f);
  SetMatrixMode(GL_MODELVIEW);
  LoadIdentity();
}

bool GLRenderSystem::FinalCopyCoversWindow(const int (&v)[4]) const {
  // The engine's own programs write opaque, and so does a copy; the copy
  // fills the viewport, which is then the whole window.
  GraphicsManager& graphics = GraphicsManager::GetInstance();
  if (graphics.GetFrameBufferCount() < 3 || !graphics.GetFrameBuffer(2)->IgnoresOwnAlpha()) return false;
  return windowWidth_ > 0 && windowHeight_ > 0 && v[0] <= 0 && v[1] <= 0 && v[0] + v[2] >= windowWidth_ &&
         v[1] + v[3] >= windowHeight_;
}

void GLRenderSystem::ChooseWindowStandIn(const int (&v)[4]) const {
  // A last copy that gives each window pixel its texel is a full-screen pass
  // for nothing: what it would copy is drawn into the window instead. Only
  // the last: the driver may break a tie (a pixel's centre on an edge) the
  // other way in the window, and the scene's tiles meet on such edges.
  GraphicsManager& graphics = GraphicsManager::GetInstance();
  graphics.EndWindowStandIns();
  if (graphics.GetFrameBufferCount() < 3 || !windowHoldsTargets_) return;
  FrameBuffer* surface = graphics.GetFrameBuffer(2);
  const int w = surface->GetWidth(), h = surface->GetHeight();
  if (surface->CopiesTexelForPixel() && windowWidth_ == w && windowHeight_ == h && v[0] == 0 && v[1] == 0 &&
      v[2] == w && v[3] == h) {
    surface->StandForWindow(true);
  }
}

void GLRenderSystem::OnGameObjectAdded(ObjectLockPtr<GameObject> object) {
  auto locked = object.Lock();
  if (!Lives(locked)) return;
  if (locked->GetComponent<SpriteAnimComponent>().Exists()) spriteObjects_.push_back(object);
  if (locked->GetComponent<LightComponent>().Exists()) lightObjects_.push_back(object);
}

bool GLRenderSystem::IsLightOnScreen(const LightCircle& light, float right, float bottom) {
  if (!(light.radius > 0.0f)) return false;
  const float left = std::min(-0.5f, right);
  const float rightEdge = std::max(-0.5f, right);
  const float top = std::min(-0.5f, bottom);
  const float bottomEdge = std::max(-0.5f, bottom);
  // The rectangle's point nearest the centre is inside the circle.
  const double dx = light.x - std::clamp(light.x, left, rightEdge);
  const double dy = light.y - std::clamp(light.y, top, bottomEdge);
  const double r = light.radius;
  return dx * dx + dy * dy <= r * r;
}

GLRenderSystem::Viewport GLRenderSystem::ComputeViewport(unsigned logicalWidth, unsigned logicalHeight, int width,
                                                         int height, int borderWidth, bool fullscreen,
                                                         float workAspect) {
  if (!fullscreen) return {0, 0, static_cast<int>(logicalWidth) - borderWidth / 2, static_cast<int>(logicalHeight)};
  const float logicalAspect = static_cast<float>(logicalWidth) / static_cast<float>(logicalHeight);
  if (workAspect > logicalAspect) {
    const int viewportWidth =
        static_cast<int>(logicalWidth * static_cast<unsigned>(height) / std::max(logicalHeight, 1u));
    return {(width - viewportWidth) / 2, 0, viewportWidth, height};
  }
  if (logicalAspect > workAspect) {
    const int viewportHeight =
        static_cast<int>(logicalHeight * static_cast<unsigned>(width) / std::max(logicalWidth, 1u));
    return {0, (height - viewportHeight) / 2, width, viewportHeight};
  }
  return {0, 0, width, height};
}

void GLRenderSystem::Resize(int width, int height, int borderWidth, int /*borderHeight*/) {
  SetScreenProjection(static_cast<double>(width_), static_cast<double>(height_));

  const Platform::Rect work = Platform::GetDesktopWorkArea();
  const float logicalAspect = static_cast<float>(width_) / static_cast<float>(height_);
  // A work area the desktop cannot give counts as the logical shape: no bars.
  const float workAspect =
      work.bottom > 0 ? static_cast<float>(work.right) / static_cast<float>(work.bottom) : logicalAspect;
  const Viewport v = ComputeViewport(width_, height_, width, height, borderWidth, owner_->IsFullscreen(), workAspect);
  SetViewport(v.x, v.y, v.width, v.height);
  windowWidth_ = width;
  windowHeight_ = height;
}

}  // namespace Orv
