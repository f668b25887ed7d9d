#include <GL/glew.h>
#include <IL/il.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "resources/SpriteSheet.h"
#include "support/GLContext.h"

namespace {

using OrvTest::DataPath;
using OrvTest::GLResourceTest;
using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

struct Rgba {
  uint8_t r, g, b, a;
  bool operator==(const Rgba&) const = default;
};

std::vector<Rgba> ReadTexture(GLuint texture, unsigned width, unsigned height) {
  std::vector<Rgba> pixels(static_cast<size_t>(width) * height);
  glBindTexture(GL_TEXTURE_2D, texture);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  glBindTexture(GL_TEXTURE_2D, 0);
  return pixels;
}

TEST(NextPowerOfTwo, RoundsUpToThePowerNotBelow) {
  const std::array<std::pair<unsigned, unsigned>, 10> cases{{
      {0, 0}, {1, 1}, {2, 2}, {3, 4}, {60, 64}, {100, 128}, {128, 128}, {129, 256}, {256, 256}, {0x80000000u, 0x80000000u},
  }};
  for (const auto& [n, expected] : cases) EXPECT_EQ(Orv::NextPowerOfTwo(n), expected) << "n = " << n;
}

using SpriteSheetTest = GLResourceTest;

// The same picture stored top row first (PNG) and bottom row first (BMP).
TEST_F(SpriteSheetTest, OddSizedImageIsPaddedToPowersOfTwoWithTransparentWhite) {
  for (const char* file : {"pattern_100x60.png", "pattern_100x60.bmp"}) {
    SCOPED_TRACE(file);
    Orv::SpriteSheet sheet;
    ASSERT_TRUE(sheet.LoadPixelsFromFile(DataPath(file)));
    EXPECT_EQ(sheet.GetTextureWidth(), 128u);
    EXPECT_EQ(sheet.GetTextureHeight(), 64u);
    EXPECT_EQ(sheet.GetImageWidth(), 100u);
    EXPECT_EQ(sheet.GetImageHeight(), 60u);
    ASSERT_TRUE(sheet.LoadTextureFromPixels32());
    EXPECT_FALSE(sheet.HasPixels32()) << "the CPU copy goes once the texture exists";
    EXPECT_EQ(sheet.GetFormat(), static_cast<GLenum>(GL_RGBA));

    // The image's top half is red, its bottom half green; it sits at the
    // upper-left of the texture, its top row first.
    const std::vector<Rgba> pixels = ReadTexture(sheet.GetTexture(), 128, 64);
    const Rgba red{255, 0, 0, 255}, green{0, 255, 0, 255}, padding{255, 255, 255, 0};
    int wrong = 0;
    for (unsigned y = 0; y < 64; ++y) {
      for (unsigned x = 0; x < 128; ++x) {
        const Rgba expected = (x >= 100 || y >= 60) ? padding : (y < 30 ? red : green);
        if (!(pixels[y * 128 + x] == expected) && wrong++ < 5) {
          const Rgba& got = pixels[y * 128 + x];
          ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << int(got.r) << "," << int(got.g) << ","
                        << int(got.b) << "," << int(got.a);
        }
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

TEST_F(SpriteSheetTest, PowerOfTwoImageIsNotEnlarged) {
  Orv::SpriteSheet sheet;
  ASSERT_TRUE(sheet.LoadPixelsFromFile(DataPath("blue_256.png")));
  EXPECT_EQ(sheet.GetTextureWidth(), 256u);
  EXPECT_EQ(sheet.GetTextureHeight(), 256u);
  EXPECT_EQ(sheet.GetImageWidth(), 256u);
  EXPECT_EQ(sheet.GetImageHeight(), 256u);
}

TEST_F(SpriteSheetTest, ClipMapsToTextureCoordinatesOfThePaddedTexture) {
  Orv::SpriteSheet sheet;
  ASSERT_TRUE(sheet.LoadPixelsFromFile(DataPath("pattern_100x60.png")));
  ASSERT_TRUE(sheet.LoadTextureFromPixels32());
  sheet.AddClip({0, 0, 100, 60});
  sheet.AddClip({10, 20, 30, 40});
  ASSERT_TRUE(sheet.GenerateDataBuffer());
  ASSERT_NE(sheet.GetVertexBuffer(), 0u);

  std::array<float, 32> vertices{};
  glBindBuffer(GL_ARRAY_BUFFER, sheet.GetVertexBuffer());
  glGetBufferSubData(GL_ARRAY_BUFFER, 0, sizeof vertices, vertices.data());
  const std::array<float, 32> expected{
      0, 0, 0, 0, 100, 0, 0.78125f, 0, 100, 60, 0.78125f, 0.9375f, 0, 60, 0, 0.9375f,
      0, 0, 10 / 128.0f, 20 / 64.0f, 30, 0, 40 / 128.0f, 20 / 64.0f, 30, 40, 40 / 128.0f, 60 / 64.0f, 0, 40, 10 / 128.0f, 60 / 64.0f,
  };
  for (size_t i = 0; i < vertices.size(); ++i) EXPECT_FLOAT_EQ(vertices[i], expected[i]) << "float " << i;

  std::array<GLuint, 4> indices{};
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, sheet.GetIndexBuffer(1));
  glGetBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, sizeof indices, indices.data());
  EXPECT_EQ(indices, (std::array<GLuint, 4>{4, 5, 6, 7}));
}

TEST_F(SpriteSheetTest, SecondTextureFromTheSamePixelsIsRefused) {
  Orv::SpriteSheet sheet;
  ASSERT_TRUE(sheet.LoadPixelsFromFile(DataPath("blue_256.png")));
  ASSERT_TRUE(sheet.LoadTextureFromPixels32());
  const GLuint texture = sheet.GetTexture();
  CaptureStdout();
  EXPECT_FALSE(sheet.LoadTextureFromPixels32());
  EXPECT_EQ(GetCapturedStdout(), "Cannot load texture from current pixels! A texture is already loaded!\n");
  EXPECT_EQ(sheet.GetTexture(), texture);
}

TEST_F(SpriteSheetTest, BuffersNeedATextureAndClips) {
  Orv::SpriteSheet sheet;
  CaptureStdout();
  EXPECT_FALSE(sheet.GenerateDataBuffer());
  EXPECT_FALSE(sheet.LoadTextureFromPixels32());
  EXPECT_EQ(GetCapturedStdout(),
            "No texture to render with!\nNo clips to generate vertex data from!\n"
            "Cannot load texture from current pixels! No pixels to create texture from!\n");

  ASSERT_TRUE(sheet.LoadPixelsFromFile(DataPath("blue_256.png")));
  ASSERT_TRUE(sheet.LoadTextureFromPixels32());
  sheet.AddClip({0, 0, 8, 8});
  ASSERT_TRUE(sheet.GenerateDataBuffer());
  sheet.FreeVBO();
  EXPECT_TRUE(sheet.GetClips().empty());
  EXPECT_EQ(sheet.GetVertexBuffer(), 0u);
  CaptureStdout();
  EXPECT_FALSE(sheet.GenerateDataBuffer());
  EXPECT_EQ(GetCapturedStdout(), "No clips to generate vertex data from!\n");
}

TEST_F(SpriteSheetTest, MissingImageIsReportedAndLeavesNoImageBehind) {
  ILuint probe = 0;
  ilGenImages(1, &probe);
  ilDeleteImages(1, &probe);

  Orv::SpriteSheet sheet;
  CaptureStdout();
  CaptureStderr();
  EXPECT_FALSE(sheet.LoadPixelsFromFile("res/textures/none.png"));
  EXPECT_EQ(GetCapturedStdout(), "Error loading texture from: res/textures/none.png\n");
  EXPECT_EQ(GetCapturedStderr(), "Error loading texture from file\nres/textures/none.png\n");
  EXPECT_EQ(sheet.GetTexture(), 0u);
  EXPECT_FALSE(sheet.HasPixels32());

  // The image library hands out the freed name again only if the failed load
  // gave its image back.
  ILuint next = 0;
  ilGenImages(1, &next);
  EXPECT_EQ(next, probe);
  ilDeleteImages(1, &next);
}

TEST_F(SpriteSheetTest, AlphaPixelsArePaddedRowByRow) {
  // The font builder's path: an 8-bit image whose stride is its width.
  struct Alpha : Orv::SpriteSheet {
    void Fill(unsigned w, unsigned h) {
      imageWidth_ = textureWidth_ = w;
      imageHeight_ = h;
      pixels8_.resize(static_cast<size_t>(w) * h);
      for (size_t i = 0; i < pixels8_.size(); ++i) pixels8_[i] = static_cast<uint8_t>(i + 1);
    }
  } sheet;
  sheet.Fill(3, 3);
  sheet.CopyPixels8();
  EXPECT_EQ(sheet.GetTextureWidth(), 4u);
  EXPECT_EQ(sheet.GetTextureHeight(), 4u);
  ASSERT_TRUE(sheet.LoadTextureFromPixels8());
  EXPECT_EQ(sheet.GetFormat(), static_cast<GLenum>(GL_ALPHA));

  std::array<uint8_t, 16> alpha{};
  glBindTexture(GL_TEXTURE_2D, sheet.GetTexture());
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_ALPHA, GL_UNSIGNED_BYTE, alpha.data());
  glBindTexture(GL_TEXTURE_2D, 0);
  EXPECT_EQ(alpha, (std::array<uint8_t, 16>{1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 0, 0, 0, 0}));
}

TEST_F(SpriteSheetTest, EmptyTextureForAFrameBufferKeepsItsExactSize) {
  Orv::SpriteSheet sheet;
  ASSERT_TRUE(sheet.CreateFromPixels(300, 200));
  EXPECT_NE(sheet.GetTexture(), 0u);
  EXPECT_EQ(sheet.GetTextureWidth(), 300u);
  EXPECT_EQ(sheet.GetTextureHeight(), 200u);
  sheet.FreeTexture();
  EXPECT_EQ(sheet.GetTexture(), 0u);
  EXPECT_EQ(sheet.GetTextureWidth(), 0u);
}

}  // namespace
