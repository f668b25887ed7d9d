#include "RenderScene.h"

#include <GL/glew.h>
#include <SDL.h>

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>

#include "core/TransformComponent.h"
#include "render/GraphicsManager.h"
#include "render/LightComponent.h"
#include "support/GLContext.h"

namespace OrvTest {

namespace {

// The test program's one context (programs and textures belong to the
// context they were made in), its hidden window grown to the logical size so
// that the whole picture lands in its back buffer.
bool EnsureWindowContext(int width, int height) {
  if (!EnsureGLContext()) return false;
  static bool sized = [&] {
    SDL_Window* window = SDL_GL_GetCurrentWindow();
    if (window == nullptr) return false;
    SDL_SetWindowSize(window, width, height);
    // The driver takes the new size at the next swap.
    SDL_GL_SwapWindow(window);
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(window, &w, &h);
    return w == width && h == height;
  }();
  return sized;
}

}  // namespace

::testing::AssertionResult Near(const Rgba& seen, const Rgba& wanted, int tolerance) {
  for (int i = 0; i < 3; ++i) {
    if (std::abs(seen[i] - wanted[i]) > tolerance) {
      return ::testing::AssertionFailure() << "saw (" << seen[0] << ", " << seen[1] << ", " << seen[2]
                                           << "), wanted (" << wanted[0] << ", " << wanted[1] << ", " << wanted[2]
                                           << ")";
    }
  }
  return ::testing::AssertionSuccess();
}

void RenderScene::SetUp() {
  // As for the program runs: no shader-cache thread for the leak check to trip over.
  setenv("MESA_SHADER_CACHE_DISABLE", "true", 1);
  ASSERT_TRUE(EnsureWindowContext(kWidth, kHeight)) << SDL_GetError();
  while (glGetError() != GL_NO_ERROR) {
  }
  // The graphics manager reads shaders/ below the working folder.
  previousFolder_ = std::filesystem::current_path().string();
  std::filesystem::current_path(std::string(ORV_SOURCE_DIR) + "/game");
  render = std::make_shared<Orv::GLRenderSystem>(&engine);
  surface = std::make_shared<Orv::SurfaceLevelDraw>(&engine);
  render->Init(kWidth, kHeight);
  surface->Init(kWidth, kHeight);
  render->Start();
  surface->Start();
  render->Resize(kWidth, kHeight, 0, 0);
}

void RenderScene::TearDown() {
  if (render) render->Shutdown();
  glUseProgram(0);
  glBindVertexArray(0);
  if (!previousFolder_.empty()) std::filesystem::current_path(previousFolder_);
}

std::shared_ptr<Orv::SpriteSheet> RenderScene::PixelsSheet(const std::vector<std::uint8_t>& rgba) {
  auto sheet = std::make_shared<Orv::SpriteSheet>();
  EXPECT_TRUE(sheet->CreateFromPixels(4, 4));
  EXPECT_EQ(rgba.size(), 4u * 4u * 4u);
  glBindTexture(GL_TEXTURE_2D, sheet->GetTexture());
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 4, 4, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  glBindTexture(GL_TEXTURE_2D, 0);
  return sheet;
}

std::shared_ptr<Orv::SpriteSheet> RenderScene::SolidSheet(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  std::vector<std::uint8_t> pixels;
  for (int i = 0; i < 16; ++i) pixels.insert(pixels.end(), {r, g, b, 255});
  return PixelsSheet(pixels);
}

Orv::ObjectLockPtr<Orv::SpriteFrame> RenderScene::PixelsFrame(const std::vector<std::uint8_t>& rgba) {
  sheets.push_back(PixelsSheet(rgba));
  auto frame = std::make_shared<Orv::SpriteFrame>();
  frame->quad = {0, 0, 4, 4};
  frame->sheet = sheets.back();
  frames.push_back(frame);
  return frame;
}

Orv::ObjectLockPtr<Orv::SpriteFrame> RenderScene::SolidFrame(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  std::vector<std::uint8_t> pixels;
  for (int i = 0; i < 16; ++i) pixels.insert(pixels.end(), {r, g, b, 255});
  return PixelsFrame(pixels);
}

Orv::ObjectLockPtr<Orv::GameObject> RenderScene::AddLight(float x, float y, double intensity) {
  auto handle = engine.GetGameObjectManager().CreateGameObject(0);
  auto object = handle.Lock();
  auto transform = std::make_shared<Orv::TransformComponent>();
  transform->Setup();
  transform->posX = x;
  transform->posY = y;
  auto light = std::make_shared<Orv::LightComponent>();
  light->Setup();
  light->SetRealProperty(Orv::LightComponent::Intensity, intensity);
  object->AddComponent(Orv::TypeKey<Orv::TransformComponent>(), transform);
  object->AddComponent(Orv::TypeKey<Orv::LightComponent>(), light);
  render->OnGameObjectAdded(handle);
  return handle;
}

Rgba RenderScene::Pixel(int x, int y) const {
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glReadBuffer(GL_BACK);
  return TargetPixel(x, y);
}

Rgba RenderScene::TargetPixel(int x, int y) {
  std::array<std::uint8_t, 4> p{};
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, static_cast<GLint>(kHeight) - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p.data());
  return {p[0], p[1], p[2], p[3]};
}

}  // namespace OrvTest
