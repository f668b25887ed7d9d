// The frame as the render passes build it: the scene frame buffer, the lit or
// plain composition into frame buffer 2, and frame buffer 2 on the window.
#include <GL/glew.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "RenderScene.h"
#include "render/GraphicsManager.h"
#include "render/RenderState.h"
#include "render/SpriteAnimComponent.h"
#include "render/Texture2DBatch.h"

using namespace OrvTest;
using Orv::g_lightingEnabled;
using Orv::GraphicsManager;

namespace {

// A quad of w x h pixels centred on (x, y), through the plain program.
void DrawQuadWithBatch(const Orv::ObjectLockPtr<Orv::SpriteFrame>& frame, float x, float y, float w, float h) {
  Orv::Texture2DBatch batch;
  batch.Init(GraphicsManager::GetInstance().GetTexture2DProgram(), 160.0f, 120.0f);
  batch.Begin();
  batch.Render(frame, x, y, w, h, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f);
  batch.End();
}

// The red quad of the first scene: 6 x 6 pixels centred on (8, 8).
void DrawRedQuadWithBatch(const Orv::ObjectLockPtr<Orv::SpriteFrame>& red) { DrawQuadWithBatch(red, 8, 8, 6, 6); }

}  // namespace

TEST_F(RenderScene, StartMakesThreeFrameBuffersAndSwitchesLightingOn) {
  EXPECT_EQ(GraphicsManager::GetInstance().GetFrameBufferCount(), 3u);
  EXPECT_TRUE(g_lightingEnabled);
  for (GLuint program :
       {GraphicsManager::GetInstance().GetTexture2DProgram(), GraphicsManager::GetInstance().GetPointLightProgram(),
        GraphicsManager::GetInstance().GetTexture2DBloomProgram()}) {
    EXPECT_NE(program, 0u);
  }
  // Past the end the last one answers.
  EXPECT_EQ(GraphicsManager::GetInstance().GetFrameBuffer(5), GraphicsManager::GetInstance().GetFrameBuffer(2));
}

TEST_F(RenderScene, BatchQuadReachesTheWindowUnlitAsItIsAndLitAtTheAmbientLevel) {
  const auto red = SolidFrame(255, 0, 0);
  g_lightingEnabled = false;
  Frame([&] { DrawRedQuadWithBatch(red); });
  EXPECT_TRUE(Near(Pixel(8, 8), {255, 0, 0, 255}));
  // Not upside down, and nothing beside the quad.
  EXPECT_TRUE(Near(Pixel(8, kHeight - 9), {0, 0, 0, 255}));
  EXPECT_TRUE(Near(Pixel(40, 40), {0, 0, 0, 255}));

  g_lightingEnabled = true;
  Frame([&] { DrawRedQuadWithBatch(red); });
  // No light at all: the ambient 0.3 alone.
  EXPECT_TRUE(Near(Pixel(8, 8), {77, 0, 0, 255}, 3));
  EXPECT_TRUE(GraphicsManager::GetInstance().GetFrameBuffer(1)->GetLights().empty());

  // A frame with nothing drawn shows nothing of the last one.
  Frame([] {});
  EXPECT_TRUE(Near(Pixel(8, 8), {0, 0, 0, 255}));
}

TEST_F(RenderScene, OneLightBrightensPixelsNearItOverPixelsTwoRadiiAway) {
  const auto white = SolidFrame(255, 255, 255);
  AddLight(40.0f, 60.0f, 20.0);  // reaches 24 pixels
  Frame([&] {
    Orv::Texture2DBatch batch;
    batch.Init(GraphicsManager::GetInstance().GetTexture2DProgram(), 160.0f, 120.0f);
    batch.Begin();
    batch.Render(white, 80.0f, 60.0f, 160.0f, 120.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f);
    batch.End();
  });
  const Rgba near = Pixel(40, 60);
  const Rgba halfway = Pixel(52, 60);
  const Rgba far = Pixel(88, 60);
  std::printf("light at (40, 60), r 24: red %d at it, %d 12 px away, %d 48 px away\n", near[0], halfway[0], far[0]);
  EXPECT_GT(near[0], 240);
  EXPECT_TRUE(Near(halfway, {204, 204, 204, 255}, 6));  // 0.3 + 0.5
  EXPECT_TRUE(Near(far, {77, 77, 77, 255}, 3));
}

TEST_F(RenderScene, OffScreenLightsMadeFirstNeitherCrashNorHideAnOnScreenOne) {
  const auto white = SolidFrame(255, 255, 255);
  for (int i = 0; i < 150; ++i) {
    // Off on both axes; every third only on one of them, beside the screen.
    if (i % 3 == 0) {
      AddLight(-300.0f - i, 60.0f, 10.0);
    } else {
      AddLight(-300.0f - i, 500.0f + i, 10.0);
    }
  }
  AddLight(120.0f, 30.0f, 10.0);
  Frame([&] {
    Orv::Texture2DBatch batch;
    batch.Init(GraphicsManager::GetInstance().GetTexture2DProgram(), 160.0f, 120.0f);
    batch.Begin();
    batch.Render(white, 80.0f, 60.0f, 160.0f, 120.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f);
    batch.End();
  });
  EXPECT_EQ(GraphicsManager::GetInstance().GetFrameBuffer(1)->GetLights().size(), 1u);
  EXPECT_GT(Pixel(120, 30)[0], 240);
  EXPECT_TRUE(Near(Pixel(20, 60), {77, 77, 77, 255}, 3));
}

// The engine's own programs take cheaper ways to the same colours: a copy for
// the pass-through ones, none for the last when the window can stand in for
// its target, the plain program at the ambient level for the lit one without
// lights.
TEST_F(RenderScene, TheEnginesOwnProgramsTakeCheaperWaysThatChangeNoColour) {
  // 16 x 16 texels, every value of each channel, stretched over the window.
  auto sheet = std::make_shared<Orv::SpriteSheet>();
  ASSERT_TRUE(sheet->CreateFromPixels(16, 16));
  std::vector<std::uint8_t> texels;
  for (int i = 0; i < 256; ++i)
    texels.insert(texels.end(), {std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i * 7), 255});
  glBindTexture(GL_TEXTURE_2D, sheet->GetTexture());
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 16, 16, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  sheets.push_back(sheet);
  frames.push_back(std::make_shared<Orv::SpriteFrame>(Orv::SpriteFrame{{0, 0, 16, 16}, sheet}));
  const auto picture = [&](bool lit, float size) {
    g_lightingEnabled = lit;
    Frame([&] { DrawQuadWithBatch(frames.back(), 80, 60, size, size * 0.75f); });
    std::vector<std::uint8_t> pixels(kWidth * kHeight * 4);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
  };
  // Copied, the window keeps the scene's alpha where nothing was drawn; the program writes 1.
  const auto cornerAlpha = [&] {
    picture(false, 16.0f);
    return Pixel(2, 2)[3];
  };
  // Whether the frame went through the surface's own texture, or the window
  // stood in for it.
  const auto surfaceDrawn = [&](bool lit) {
    const GLuint surface = GraphicsManager::GetInstance().GetFrameBuffer(2)->GetFramebufferObject();
    glBindFramebuffer(GL_FRAMEBUFFER, surface);
    glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    picture(lit, 16.0f);
    glBindFramebuffer(GL_FRAMEBUFFER, surface);
    const bool drawn = !Near(TargetPixel(2, 2), {255, 0, 255, 255});
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return drawn;
  };
  EXPECT_EQ(cornerAlpha(), 0);
  EXPECT_FALSE(surfaceDrawn(false));
  EXPECT_FALSE(surfaceDrawn(true));
  const std::vector<std::uint8_t> fast[2] = {picture(false, 160.0f), picture(true, 160.0f)};
  for (unsigned i = 0; i < 3; ++i) {
    Orv::FrameBuffer* buffer = GraphicsManager::GetInstance().GetFrameBuffer(i);
    EXPECT_TRUE(buffer->IgnoresOwnAlpha()) << "frame buffer " << i << "'s program is not known";
    buffer->SetKnownProgram(Orv::KnownShader::None, 0);
  }
  EXPECT_EQ(cornerAlpha(), 255);
  EXPECT_TRUE(surfaceDrawn(false));
  for (int lit = 0; lit < 2; ++lit) {
    const std::vector<std::uint8_t> shaded = picture(lit, 160.0f);
    int differing = 0, brightest = 0;
    for (std::size_t i = 0; i < shaded.size(); ++i) {
      if (i % 4 != 3) differing += fast[lit][i] != shaded[i];
      if (i % 4 == 0) brightest = std::max<int>(brightest, shaded[i]);
    }
    EXPECT_EQ(differing, 0) << (lit ? "lit" : "unlit");
    // The ramp came through, lit at the ambient level.
    EXPECT_NEAR(brightest, lit ? 77 : 255, 1) << (lit ? "lit" : "unlit");
  }
}

// The window is not cleared under a frame that covers it, and still is
// outside a smaller viewport: narrower, shorter (a window taller than the
// picture keeps no stale rows above it), or both.
TEST_F(RenderScene, WhatWasDrawnOnTheWindowGoesUnderTheNextFrameAndOutsideItsViewport) {
  const auto red = SolidFrame(255, 0, 0);
  g_lightingEnabled = false;
  for (const auto& [width, height] : {std::pair{160, 120}, {80, 60}, {80, 120}, {160, 60}}) {
    Frame([] {});
    DrawQuadWithBatch(red, 80, 60, 160, 120);
    ASSERT_TRUE(Near(Pixel(150, 110), {255, 0, 0, 255}));
    ASSERT_TRUE(Near(Pixel(150, 5), {255, 0, 0, 255}));
    Orv::SetViewport(0, 0, width, height);
    Frame([] {});
    EXPECT_TRUE(Near(Pixel(150, 110), {0, 0, 0, 255})) << "viewport " << width << "x" << height;
    EXPECT_TRUE(Near(Pixel(150, 5), {0, 0, 0, 255})) << "viewport " << width << "x" << height;
    Orv::SetViewport(0, 0, 160, 120);
  }
}

TEST_F(RenderScene, LightBlockHoldsAsManyLightsAsTheShaderArrayAndDropsTheRest) {
  Orv::FrameBuffer* lit = GraphicsManager::GetInstance().GetFrameBuffer(1);
  for (int i = 0; i < 150; ++i) lit->AddLight({1.0f, 1.0f, 0.5f});
  lit->Begin();
  lit->End();
  lit->Draw();
  const std::int32_t capacity = lit->GetBatch().GetLightCapacity();
  EXPECT_EQ(capacity, 100);
  EXPECT_EQ(lit->GetBatch().GetLightCount(), capacity);
}

TEST_F(RenderScene, FrameBufferStartsEmptyAfterEachBegin) {
  Orv::FrameBuffer* surfaceBuffer = GraphicsManager::GetInstance().GetFrameBuffer(2);
  surfaceBuffer->Begin();
  glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  EXPECT_TRUE(Near(TargetPixel(5, 5), {255, 0, 0, 255}));
  surfaceBuffer->End();
  surfaceBuffer->Begin();
  EXPECT_TRUE(Near(TargetPixel(5, 5), {0, 0, 0, 0}));
  surfaceBuffer->End();
}

TEST_F(RenderScene, TwoFrameAnimationAdvancesEveryFrameAndStopsUnderPause) {
  auto frames = std::make_shared<Orv::SpriteAnimationHandle>();
  frames->push_back(SolidFrame(255, 0, 0));
  frames->push_back(SolidFrame(0, 255, 0));
  auto handle = engine.GetGameObjectManager().CreateGameObject(0);
  auto sprite = std::make_shared<Orv::SpriteAnimComponent>();
  sprite->Setup();
  sprite->animation = frames;
  sprite->frameCount = 2;
  sprite->SetIntProperty(Orv::SpriteAnimComponent::Loop, 1);
  handle.Lock()->AddComponent(Orv::TypeKey<Orv::SpriteAnimComponent>(), sprite);
  render->OnGameObjectAdded(handle);
  g_lightingEnabled = false;

  const auto shown = [&] {
    Frame([&] {
      glLoadIdentity();
      glTranslatef(20.0f, 20.0f, 0.0f);
      sprite->Draw();
      glLoadIdentity();
    });
    const Rgba p = Pixel(20, 20);
    return p[0] > 200 ? "red" : p[1] > 200 ? "green" : "other";
  };
  std::vector<std::string> seen;
  for (int i = 0; i < 4; ++i) seen.push_back(shown());
  EXPECT_EQ(seen, (std::vector<std::string>{"green", "red", "green", "red"}));

  render->Pause();
  EXPECT_EQ(shown(), "red");
  EXPECT_EQ(shown(), "red");
  // Paused by a script, the engine's resume leaves it paused.
  render->SetPausedByScript(true);
  render->Resume();
  EXPECT_EQ(shown(), "red");
  render->SetPausedByScript(false);
  render->Resume();
  EXPECT_EQ(shown(), "green");

  // A dead object leaves the list at the next update.
  handle.Lock()->Destroy();
  render->Update(0.0f);
  EXPECT_TRUE(render->GetSpriteObjects().empty());
}
