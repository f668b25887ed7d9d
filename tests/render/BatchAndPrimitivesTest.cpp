// Drawing with the quad batch and the immediate-mode primitives, read back
// from the window after the unlit frame chain.
#include <GL/glew.h>
#include <stdlib.h>

#include <algorithm>

#include "RenderScene.h"
#include "render/DrawPrimitives.h"
#include "render/GraphicsManager.h"
#include "render/Texture2DBatch.h"
#include "support/ProgramRun.h"

using namespace OrvTest;
using Orv::GraphicsManager;

class BatchScene : public RenderScene {
 protected:
  void SetUp() override {
    setenv("ORV_HEADLESS", "1", 1);
    RenderScene::SetUp();
    Orv::g_lightingEnabled = false;
  }
  // Thin lines are smoothed: the greenest of the 3 x 3 pixels around (x, y).
  int GreenAround(int x, int y) const {
    int most = 0;
    for (int dy = -1; dy <= 1; ++dy) {
      for (int dx = -1; dx <= 1; ++dx) most = std::max(most, Pixel(x + dx, y + dy)[1]);
    }
    return most;
  }
};

TEST_F(BatchScene, RunsKeepTheirTexturesAcrossAFlushAndALostSheet) {
  const auto red = SolidFrame(255, 0, 0);
  const auto green = SolidFrame(0, 255, 0);
  const auto blue = SolidFrame(0, 0, 255);
  const auto yellow = SolidFrame(255, 255, 0);
  auto doomedSheet = SolidSheet(255, 255, 255);
  auto doomed = std::make_shared<Orv::SpriteFrame>();
  doomed->quad = {0, 0, 4, 4};
  doomed->sheet = doomedSheet;

  Frame([&] {
    Orv::Texture2DBatch batch;  // three quads, as the frame buffers have
    batch.Init(GraphicsManager::GetInstance().GetTexture2DProgram(), 160.0f, 120.0f);
    batch.Begin();
    batch.Render(red, 10, 10, 6, 6, 0, 1, 1, 1, 1);
    batch.Render(red, 30, 10, 6, 6, 0, 1, 1, 1, 1);
    batch.Render(green, 50, 10, 6, 6, 0, 1, 1, 1, 1);
    batch.Render(blue, 70, 10, 6, 6, 0, 1, 1, 1, 1);  // the batch is full: drawn, then begun again
    batch.Render(doomed, 90, 10, 6, 6, 0, 1, 1, 1, 1);
    doomedSheet.reset();
    batch.Render(yellow, 110, 10, 6, 6, 0, 1, 1, 1, 1);
    batch.Render(blue, 130, 30, 10, 2, 90, 1, 1, 1, 1);  // a quarter turn: upright
    batch.End();
  });
  EXPECT_TRUE(Near(Pixel(10, 10), {255, 0, 0, 255}));
  EXPECT_TRUE(Near(Pixel(30, 10), {255, 0, 0, 255}));
  EXPECT_TRUE(Near(Pixel(50, 10), {0, 255, 0, 255}));
  EXPECT_TRUE(Near(Pixel(70, 10), {0, 0, 255, 255}));
  EXPECT_TRUE(Near(Pixel(90, 10), {0, 0, 0, 255}));
  EXPECT_TRUE(Near(Pixel(110, 10), {255, 255, 0, 255}));
  EXPECT_TRUE(Near(Pixel(130, 33), {0, 0, 255, 255}));
  EXPECT_TRUE(Near(Pixel(134, 30), {0, 0, 0, 255}));
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(BatchScene, PrimitivesDrawWhereTheCallerPlacesThem) {
  const auto red = SolidFrame(255, 0, 0);
  Frame([&] {
    glDisable(GL_TEXTURE_2D);
    glColor3f(0.0f, 1.0f, 0.0f);
    Orv::DrawFilledCircle(20, 60);
    // Out-of-range segment counts are taken into 1..360 rather than hang or divide by zero.
    Orv::DrawCircleOutline(60, 100, 10, 0);
    Orv::DrawCircleOutline(60, 100, 10, 100000);
    float z = 0.0f;
    Orv::DrawStencilPolygon({140, 50, 150, 50, 150, 70, 140, 70, 999}, z);  // the odd value is left out
    Orv::DrawPolygon({{100, 50}, {120, 50}, {110, 70}});
    glLoadIdentity();
    Orv::Translate2D(20, 100);
    Orv::Scale2D(8, 8);
    Orv::DrawUnitQuad();
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glColor3f(1.0f, 1.0f, 1.0f);
    Orv::Translate2D(60, 60);
    Orv::Rotate2D(90);
    Orv::DrawSpriteQuadSized(10, 2, red);  // a quarter turn: upright
    glLoadIdentity();
  });
  EXPECT_TRUE(Near(Pixel(20, 60), {0, 255, 0, 255}));
  EXPECT_TRUE(Near(Pixel(23, 60), {0, 255, 0, 255}));
  EXPECT_TRUE(Near(Pixel(27, 60), {0, 0, 0, 255}));
  EXPECT_GT(GreenAround(70, 100), 0);
  EXPECT_TRUE(Near(Pixel(145, 60), {0, 255, 0, 255}));
  EXPECT_TRUE(Near(Pixel(110, 55), {0, 255, 0, 255}));
  EXPECT_TRUE(Near(Pixel(20, 100), {0, 255, 0, 255}));
  EXPECT_TRUE(Near(Pixel(26, 100), {0, 0, 0, 255}));
  EXPECT_TRUE(Near(Pixel(60, 63), {255, 0, 0, 255}));
  EXPECT_TRUE(Near(Pixel(63, 60), {0, 0, 0, 255}));
}

TEST_F(BatchScene, AShaderWithoutTheLightBlockIsReportedOnceAndStillDraws) {
  const auto red = SolidFrame(255, 0, 0);
  std::string err;
  Frame([&] {
    Orv::Texture2DBatch batch;
    batch.SetEnableLightUniformFills(true);
    batch.Init(GraphicsManager::GetInstance().GetTexture2DProgram(), 160.0f, 120.0f);
    ::testing::internal::CaptureStderr();
    for (int i = 0; i < 3; ++i) {
      batch.Begin();
      batch.Render(red, 10, 10, 6, 6, 0, 1, 1, 1, 1);
      batch.End();
    }
    err = ::testing::internal::GetCapturedStderr();
  });
  EXPECT_EQ(Count(err, "Error! Shader Uniform Layout: 'LightBlocks' not found!!"), 1u) << err;
  EXPECT_TRUE(Near(Pixel(10, 10), {255, 0, 0, 255}));
}
