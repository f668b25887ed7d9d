// A sprite queued for a batch is drawn with the state current when it is
// drawn, so every change of state draws the queued sprites first; and the
// window's bars beside a letterboxed picture are cleared every frame.
#include <GL/glew.h>
#include <stdlib.h>

#include <array>
#include <functional>
#include <string>

#include "RenderScene.h"
#include "render/DrawPrimitives.h"
#include "render/FrameBuffer.h"
#include "render/GraphicsManager.h"
#include "render/LayeredDraw.h"
#include "render/RenderState.h"

using namespace OrvTest;

namespace {

class StateChangeScene : public RenderScene {
 protected:
  void SetUp() override {
    setenv("ORV_HEADLESS", "1", 1);
    RenderScene::SetUp();
    // The window then shows the scene's own colours.
    Orv::g_lightingEnabled = false;
  }
};

struct Change {
  std::string name;
  std::function<void()> change;
  std::function<void()> undo;
};

std::array<float, 4> ClearColour() {
  std::array<float, 4> colour{};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, colour.data());
  return colour;
}

}  // namespace

TEST_F(StateChangeScene, EachChangeOfStateDrawsTheQueuedSpritesFirst) {
  const auto red = SolidFrame(255, 0, 0);
  std::array<float, 4> clear{};
  GLint viewport[4] = {0, 0, 0, 0};
  const Change changes[] = {
      {"SetColour", [] { Orv::SetColour(0, 1, 0, 1); }, [] { Orv::ResetColour(); }},
      {"ResetColour", [] { Orv::ResetColour(); }, [] {}},
      {"BindTexture2D", [] { Orv::BindTexture2D(0); }, [] {}},
      {"DisableCapability", [] { Orv::DisableCapability(GL_BLEND); }, [] { Orv::EnableCapability(GL_BLEND); }},
      {"EnableCapability", [] { Orv::EnableCapability(GL_SCISSOR_TEST); },
       [] { Orv::DisableCapability(GL_SCISSOR_TEST); }},
      {"UseProgram", [] { Orv::UseProgram(0); }, [] {}},
      {"SetViewport",
       [&] {
         glGetIntegerv(GL_VIEWPORT, viewport);
         Orv::SetViewport(0, 0, 8, 8);
       },
       [&] { Orv::SetViewport(viewport[0], viewport[1], viewport[2], viewport[3]); }},
      {"SetScreenProjection", [] { Orv::SetScreenProjection(kWidth, kHeight); }, [] {}},
      {"SetMatrixMode", [] { Orv::SetMatrixMode(GL_PROJECTION); }, [] { Orv::SetMatrixMode(GL_MODELVIEW); }},
      {"LoadIdentity", [] { Orv::LoadIdentity(); }, [] {}},
      {"Translate2D", [] { Orv::Translate2D(30, 0); }, [] { Orv::LoadIdentity(); }},
      {"Rotate2D", [] { Orv::Rotate2D(90); }, [] { Orv::LoadIdentity(); }},
      {"Scale2D", [] { Orv::Scale2D(2, 2); }, [] { Orv::LoadIdentity(); }},
      {"SetBlendFunction", [] { Orv::SetBlendFunction(GL_ONE, GL_ZERO); },
       [] { Orv::SetBlendFunction(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); }},
      {"SetAlphaFunction", [] { Orv::SetAlphaFunction(GL_NEVER, 0.0f); },
       [] { Orv::SetAlphaFunction(GL_GEQUAL, 0.1f); }},
      {"SetFrontFace", [] { Orv::SetFrontFace(GL_CW); }, [] { Orv::SetFrontFace(GL_CCW); }},
      {"SetColourWrites", [] { Orv::SetColourWrites(false); }, [] { Orv::SetColourWrites(true); }},
      {"SetStencilFunction", [] { Orv::SetStencilFunction(GL_NEVER, 1, 1); },
       [] { Orv::SetStencilFunction(GL_ALWAYS, 0, 0xFF); }},
      {"SetStencilOperation", [] { Orv::SetStencilOperation(GL_REPLACE, GL_REPLACE, GL_REPLACE); },
       [] { Orv::SetStencilOperation(GL_KEEP, GL_KEEP, GL_KEEP); }},
      {"SetStencilMask", [] { Orv::SetStencilMask(0); }, [] { Orv::SetStencilMask(0xFF); }},
      {"SetClearColour",
       [&] {
         clear = ClearColour();
         Orv::SetClearColour(0, 0, 1, 1);
       },
       [&] { Orv::SetClearColour(clear[0], clear[1], clear[2], clear[3]); }},
      {"SetClearStencil", [] { Orv::SetClearStencil(1); }, [] { Orv::SetClearStencil(0); }},
      {"ClearBuffers", [] { Orv::ClearBuffers(GL_STENCIL_BUFFER_BIT); }, [] {}},
  };
  for (const Change& each : changes) {
    Rgba seen{};
    Frame([&] {
      Orv::OpenSpriteBatch();
      Orv::PlaceSprite(red, {40, 40, 0, 4, 4});
      each.change();
      // Read at once: a sprite still queued has not reached the target.
      seen = TargetPixel(40, 40);
      each.undo();
      Orv::CloseSpriteBatch();
    });
    EXPECT_TRUE(Near(seen, {255, 0, 0, 255})) << each.name << " left the queued sprite undrawn";
    EXPECT_TRUE(Near(Pixel(40, 40), {255, 0, 0, 255})) << each.name;
  }
  // A sprite queued before a clear of the colour is under it, not over it.
  Frame([&] {
    Orv::OpenSpriteBatch();
    Orv::PlaceSprite(red, {40, 40, 0, 4, 4});
    clear = ClearColour();
    Orv::SetClearColour(0, 0, 1, 1);
    Orv::ClearBuffers(GL_COLOR_BUFFER_BIT);
    Orv::SetClearColour(clear[0], clear[1], clear[2], clear[3]);
    Orv::CloseSpriteBatch();
  });
  EXPECT_TRUE(Near(Pixel(40, 40), {0, 0, 255, 255})) << "the sprite queued before the clear was drawn over it";
  // A sprite queued for the scene lands in the scene when it is left, not in
  // the window that the frame then copies the scene over.
  Orv::FrameBuffer* scene = Orv::GraphicsManager::GetInstance().GetFrameBuffer(0);
  ASSERT_NE(scene, nullptr);
  Frame([&] {
    Orv::OpenSpriteBatch();
    Orv::PlaceSprite(red, {40, 40, 0, 4, 4});
    scene->End();
    Orv::CloseSpriteBatch();
    scene->Begin(Orv::FrameBuffer::Previous::Keep, Orv::FrameBuffer::Target::Keep);
  });
  EXPECT_TRUE(Near(Pixel(40, 40), {255, 0, 0, 255})) << "the sprite queued for the scene was left out of it";
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

namespace {

// The picture a third as tall as the window, shown full screen: the viewport
// leaves bars above and below it on any desktop less than four times as wide
// as it is tall.
class LetterboxScene : public RenderScene {
 protected:
  static constexpr unsigned kPictureHeight = kHeight / 3;

  void SetUp() override {
    setenv("ORV_HEADLESS", "1", 1);
    RenderScene::SetUp();
    if (HasFatalFailure()) return;
    render->Shutdown();
    render = std::make_shared<Orv::GLRenderSystem>(&wide);
    surface = std::make_shared<Orv::SurfaceLevelDraw>(&wide);
    render->Init(kWidth, kPictureHeight);
    surface->Init(kWidth, kPictureHeight);
    render->Start();
    surface->Start();
    render->Resize(kWidth, kHeight, 0, 0);
  }

  // Window pixel, y up from the bottom row.
  Rgba WindowPixel(int x, int y) const { return Pixel(x, static_cast<int>(kHeight) - 1 - y); }

  Orv::GameEngine wide{"letterbox", kWidth, kPictureHeight, true, false};
};

}  // namespace

TEST_F(LetterboxScene, TheBarsAboveAndBelowThePictureAreClearedEveryFrame) {
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  std::printf("viewport (%d, %d, %d, %d) in a %u x %u window\n", viewport[0], viewport[1], viewport[2], viewport[3],
              kWidth, kHeight);
  ASSERT_GT(viewport[1], 0) << "no bars: the picture fills the window's height";
  ASSERT_LT(viewport[1] + viewport[3], static_cast<GLint>(kHeight));
  const int barBelow = viewport[1] / 2;
  const int barAbove = (viewport[1] + viewport[3] + static_cast<int>(kHeight)) / 2;
  const int middle = viewport[1] + viewport[3] / 2;
  const auto white = SolidFrame(255, 255, 255);
  for (const bool lit : {true, false}) {
    Orv::g_lightingEnabled = lit;
    // What the window held before (another picture, another size) shows in
    // the bars unless the frame clears them.
    const std::array<float, 4> clear = ClearColour();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, kWidth, kHeight);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    // A white square in the middle of the picture, 16 pixels wide.
    Frame([&] { Orv::DrawPlacedSpriteQuad(white, {kWidth / 2.0f, kPictureHeight / 2.0f, 0, 4, 4}); });
    const std::string frame = lit ? "lit frame" : "plain frame";
    for (const int x : {2, static_cast<int>(kWidth) / 2, static_cast<int>(kWidth) - 3}) {
      EXPECT_TRUE(Near(WindowPixel(x, barBelow), {0, 0, 0, 255})) << frame << ", bar below, x " << x;
      EXPECT_TRUE(Near(WindowPixel(x, barAbove), {0, 0, 0, 255})) << frame << ", bar above, x " << x;
    }
    // The picture itself lands in the viewport (a lit frame without lights
    // shows it dimmed).
    EXPECT_GT(WindowPixel(kWidth / 2, middle)[0], 60) << frame;
    EXPECT_TRUE(Near(WindowPixel(10, middle), {0, 0, 0, 255})) << frame;
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
