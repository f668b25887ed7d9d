// Sprites placed without the matrix, so that a run of one texture reaches the
// driver as one draw: the same pixels as the quad drawn under a matrix, and
// the order and tints of interleaved textures kept, read back from the window
// after the unlit frame chain.
#include <GL/glew.h>
#include <stdlib.h>

#include <cstdio>
#include <vector>

#include "RenderScene.h"
#include "core/TransformComponent.h"
#include "render/DrawPrimitives.h"
#include "render/LayeredDraw.h"
#include "render/SpriteAnimComponent.h"

using namespace OrvTest;

namespace {

class SpriteRunScene : public RenderScene {
 protected:
  void SetUp() override {
    setenv("ORV_HEADLESS", "1", 1);
    RenderScene::SetUp();
    Orv::g_lightingEnabled = false;
  }

  // A 4 x 4 sheet in quarters: red, green above; blue, white below. A turn or
  // a flip shows in which quarter lands where.
  Orv::ObjectLockPtr<Orv::SpriteFrame> QuarteredFrame() {
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 4; ++x) {
        const int quarter = (y / 2) * 2 + x / 2;
        const std::uint8_t colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
        pixels.insert(pixels.end(), {colours[quarter][0], colours[quarter][1], colours[quarter][2], 255});
      }
    }
    return PixelsFrame(pixels);
  }

  std::vector<std::uint8_t> WindowPixels() const {
    std::vector<std::uint8_t> pixels(kWidth * kHeight * 4);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
  }
};

int CountLit(const std::vector<std::uint8_t>& pixels) {
  int lit = 0;
  for (std::size_t i = 0; i < pixels.size(); i += 4) lit += pixels[i] + pixels[i + 1] + pixels[i + 2] > 0;
  return lit;
}

int CountDifferent(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  int different = 0;
  for (std::size_t i = 0; i < a.size(); i += 4) {
    for (std::size_t c = 0; c < 3; ++c) {
      if (std::abs(a[i + c] - b[i + c]) > 8) {
        ++different;
        break;
      }
    }
  }
  return different;
}

}  // namespace

TEST_F(SpriteRunScene, APlacedSpriteCoversThePixelsOfTheQuadDrawnUnderAMatrix) {
  const auto frame = QuarteredFrame();
  struct Case {
    float shiftX;  // a matrix the caller set before the draw
    Orv::SpritePlacement placement;
  };
  const Case cases[] = {
      {0, {40, 30, 0, 6, 6}},    {0, {80.5f, 60.25f, 30, 5, 7}}, {0, {30, 80, 90, 6, 3}},
      {0, {100, 50, 215, 4, 6}}, {0, {70, 60, 0, -6, 6}},        {0, {60, 40, 40, 6, -4}},
      {25, {60, 60, 10, 5, 5}},  {0, {2, 3, 0, 6, 6}},  // partly off the window
  };
  for (const Case& c : cases) {
    const Orv::SpritePlacement& p = c.placement;
    Frame([&] {
      Orv::Translate2D(c.shiftX, 0);
      Orv::Translate2D(p.x, p.y);
      Orv::Rotate2D(p.degrees);
      Orv::Scale2D(p.scaleX, p.scaleY);
      Orv::DrawSpriteQuad(frame);
      glLoadIdentity();
    });
    const auto underMatrix = WindowPixels();
    Frame([&] {
      Orv::Translate2D(c.shiftX, 0);
      Orv::DrawPlacedSpriteQuad(frame, p);
      glLoadIdentity();
    });
    const auto placed = WindowPixels();
    const std::string where = "at (" + std::to_string(p.x) + ", " + std::to_string(p.y) + ") turned " +
                              std::to_string(p.degrees) + " shifted " + std::to_string(c.shiftX);
    std::printf("%s: %d pixels drawn, %d differ\n", where.c_str(), CountLit(placed),
                CountDifferent(placed, underMatrix));
    EXPECT_GT(CountLit(underMatrix), 40) << where;
    // Pixels whose centres lie on an edge or a texel border may round the other
    // way (at exactly 45 degrees whole diagonals do); more is a misplaced quad.
    EXPECT_LE(CountDifferent(placed, underMatrix), 6) << where;
  }
}

TEST_F(SpriteRunScene, InterleavedTexturesAndTintsKeepTheirOrder) {
  const auto red = SolidFrame(255, 0, 0);
  const auto green = SolidFrame(0, 255, 0);
  const auto white = SolidFrame(255, 255, 255);
  // A pass's sprite: the white sheet under its tint.
  Orv::SpriteAnimComponent tinted;
  auto animation = std::make_shared<Orv::SpriteAnimationHandle>(Orv::SpriteAnimationHandle{white});
  tinted.animation = animation;
  Orv::TransformComponent at;
  at.posX = 50;
  at.posY = 20;
  at.scaleX = at.scaleY = 4;
  // Left to right, each 16 pixels wide and overlapping the one before by 6:
  // red, green, red, white tinted half-transparent blue, red, a plain yellow
  // square with texturing off, green, and a rotated red one last.
  Frame([&] {
    Orv::DrawPlacedSpriteQuad(red, {20, 20, 0, 4, 4});
    Orv::DrawPlacedSpriteQuad(green, {30, 20, 0, 4, 4});
    Orv::DrawPlacedSpriteQuad(red, {40, 20, 0, 4, 4});
    Orv::DrawSpriteAt(tinted, &at, 1.0f, {0.0f, 0.0f, 1.0f, 0.5f});
    Orv::DrawPlacedSpriteQuad(red, {60, 20, 0, 4, 4});
    glDisable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 0.0f, 1.0f);
    Orv::Translate2D(70, 20);
    Orv::Scale2D(16, 16);
    Orv::DrawUnitQuad();
    glLoadIdentity();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_TEXTURE_2D);
    Orv::DrawPlacedSpriteQuad(green, {80, 20, 0, 4, 4});
    Orv::DrawPlacedSpriteQuad(red, {85, 20, 90, 4, 2});
  });
  struct Sample {
    int x, y;
    Rgba wanted;
  };
  const Sample samples[] = {
      {15, 20, {255, 0, 0, 255}},    // red alone
      {26, 20, {0, 255, 0, 255}},    // green over red
      {36, 20, {255, 0, 0, 255}},    // red over green
      {46, 20, {128, 0, 128, 255}},  // half blue over red
      {50, 20, {0, 0, 128, 255}},    // half blue alone
      {56, 20, {255, 0, 0, 255}},    // red over the tinted one
      {66, 20, {255, 255, 0, 255}},  // yellow over red, untextured
      {76, 20, {0, 255, 0, 255}},    // green over yellow
      {85, 14, {255, 0, 0, 255}},    // the turned red one stands upright over green
      {85, 26, {255, 0, 0, 255}},   {91, 20, {0, 0, 0, 255}}, {20, 30, {0, 0, 0, 255}},
  };
  for (const Sample& s : samples)
    EXPECT_TRUE(Near(Pixel(s.x, s.y), s.wanted, 6)) << "at (" << s.x << ", " << s.y << ")";
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SpriteRunScene, QueuedSpritesDrawInOrderWithTheColourOfTheirTimeAndLeaveTheBoundArraysAsTheyWere) {
  const auto red = SolidFrame(255, 0, 0);
  const auto green = SolidFrame(0, 255, 0);
  const auto white = SolidFrame(255, 255, 255);
  GLuint vertexArray = 0, buffer = 0;
  glGenVertexArrays(1, &vertexArray);
  glGenBuffers(1, &buffer);
  GLint arrayAfter = -1, bufferAfter = -1;
  Frame([&] {
    glBindVertexArray(vertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    Orv::OpenSpriteBatch();
    Orv::PlaceSprite(red, {20, 20, 0, 4, 4});
    Orv::PlaceSprite(green, {30, 20, 0, 4, 4});
    Orv::PlaceSprite(red, {40, 20, 0, 4, 4});
    // A colour change draws the sprites queued before it in the colour they
    // were placed in, and those queued after it in the new one.
    Orv::SetColour(0, 1, 1, 1);
    Orv::PlaceSprite(white, {80, 20, 0, 4, 4});
    Orv::ResetColour();
    Orv::PlaceSprite(white, {100, 20, 0, 4, 4});
    Orv::CloseSpriteBatch();
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &arrayAfter);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bufferAfter);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    // Closed, a sprite is drawn at once.
    Orv::PlaceSprite(green, {60, 20, 0, 4, 4});
  });
  EXPECT_EQ(arrayAfter, static_cast<GLint>(vertexArray));
  EXPECT_EQ(bufferAfter, static_cast<GLint>(buffer));
  const std::pair<int, Rgba> row[] = {{15, {255, 0, 0, 255}},   {26, {0, 255, 0, 255}},     {36, {255, 0, 0, 255}},
                                      {46, {255, 0, 0, 255}},   {60, {0, 255, 0, 255}},     {50, {0, 0, 0, 255}},
                                      {80, {0, 255, 255, 255}}, {100, {255, 255, 255, 255}}};
  for (const auto& [x, wanted] : row) {
    EXPECT_TRUE(Near(Pixel(x, 20), wanted)) << "at " << x;
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  glDeleteBuffers(1, &buffer);
  glDeleteVertexArrays(1, &vertexArray);
}
