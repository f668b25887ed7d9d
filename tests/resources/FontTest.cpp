#include <GL/glew.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "render/DrawPrimitives.h"
#include "resources/Font.h"
#include "resources/ResourceManager.h"
#include "support/GLContext.h"

namespace {

using OrvTest::GLResourceTest;
using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

constexpr const char* kFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr unsigned kSize = 16;

// The glyph as the font library renders it on its own, to compare the atlas with.
struct Glyph {
  int top = 0;  // rows above the baseline
  unsigned width = 0;
  unsigned rows = 0;
  std::vector<uint8_t> pixels;
};

Glyph RenderGlyph(unsigned char code) {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  Glyph glyph;
  if (FT_Init_FreeType(&library) != 0) return glyph;
  if (FT_New_Face(library, kFontFile, 0, &face) == 0 && FT_Set_Pixel_Sizes(face, 0, kSize) == 0 &&
      FT_Load_Char(face, code, FT_LOAD_RENDER) == 0) {
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    glyph.top = static_cast<int>(face->glyph->metrics.horiBearingY / 64);
    glyph.width = bitmap.width;
    glyph.rows = bitmap.rows;
    for (unsigned r = 0; r < bitmap.rows; ++r) {
      for (unsigned c = 0; c < bitmap.width; ++c) glyph.pixels.push_back(bitmap.buffer[r * bitmap.pitch + c]);
    }
  }
  if (face != nullptr) FT_Done_Face(face);
  FT_Done_FreeType(library);
  return glyph;
}

std::vector<uint8_t> ReadAtlas(const Orv::Font& font) {
  std::vector<uint8_t> alpha(static_cast<size_t>(font.GetTextureWidth()) * font.GetTextureHeight());
  glBindTexture(GL_TEXTURE_2D, font.GetTexture());
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_ALPHA, GL_UNSIGNED_BYTE, alpha.data());
  glBindTexture(GL_TEXTURE_2D, 0);
  return alpha;
}

class FontTest : public GLResourceTest {
 protected:
  void SetUp() override {
    GLResourceTest::SetUp();
    ASSERT_TRUE(Orv::Font::InitFreeType());
  }
};

TEST_F(FontTest, AtlasHoldsEveryCodeInASixteenBySixteenGridOnOneBaseline) {
  Orv::Font font;
  ASSERT_TRUE(font.LoadFont(kSize, kFontFile));
  const unsigned cellWidth = static_cast<unsigned>(font.GetSpaceWidth() * 2);
  const unsigned cellHeight = static_cast<unsigned>(font.GetCellHeight());
  const int ascent = static_cast<int>(font.GetAscent());
  std::printf("cell %u x %u, ascent %d, texture %u x %u\n", cellWidth, cellHeight, ascent, font.GetTextureWidth(),
              font.GetTextureHeight());
  ASSERT_GT(cellWidth, 0u);
  ASSERT_GT(ascent, 0);
  EXPECT_GT(static_cast<int>(cellHeight), ascent) << "a descender reaches below the baseline";
  EXPECT_EQ(font.GetFormat(), static_cast<GLenum>(GL_ALPHA));
  EXPECT_EQ(font.GetImageWidth(), cellWidth * 16);
  EXPECT_EQ(font.GetImageHeight(), cellHeight * 16);
  EXPECT_EQ(font.GetTextureWidth(), Orv::NextPowerOfTwo(cellWidth * 16));
  EXPECT_EQ(font.GetTextureHeight(), Orv::NextPowerOfTwo(cellHeight * 16));

  const std::vector<Orv::SpriteClip>& clips = font.GetClips();
  ASSERT_EQ(clips.size(), 256u);
  for (unsigned c = 0; c < 256; ++c) {
    EXPECT_EQ(clips[c].x, static_cast<float>((c % 16) * cellWidth)) << "code " << c;
    EXPECT_EQ(clips[c].y, static_cast<float>((c / 16) * cellHeight)) << "code " << c;
    EXPECT_EQ(clips[c].h, static_cast<float>(cellHeight)) << "code " << c;
  }
  EXPECT_EQ(clips[' '].w, 0.0f) << "a glyph without ink has no width";
  EXPECT_GT(clips['W'].w, clips['i'].w);

  // A glyph lies in its own cell at the left, its top ascent - bearing rows
  // below the cell's top; compared pixel for pixel with the library's own.
  const std::vector<uint8_t> atlas = ReadAtlas(font);
  const unsigned stride = font.GetTextureWidth();
  for (const int code : {int('A'), int('g'), int('0'), 0xE9}) {
    const Glyph glyph = RenderGlyph(static_cast<unsigned char>(code));
    ASSERT_GT(glyph.rows, 0u) << "code " << int(code);
    const unsigned cellX = (code % 16) * cellWidth;
    const unsigned cellY = (code / 16) * cellHeight;
    const unsigned top = cellY + static_cast<unsigned>(ascent - glyph.top);
    EXPECT_LE(top + glyph.rows, cellY + cellHeight) << "code " << int(code) << " leaves its cell";
    int mismatches = 0;
    for (unsigned r = 0; r < glyph.rows; ++r) {
      for (unsigned k = 0; k < glyph.width && cellX + k < stride; ++k) {
        if (atlas[(top + r) * stride + cellX + k] != glyph.pixels[r * glyph.width + k]) ++mismatches;
      }
    }
    EXPECT_EQ(mismatches, 0) << "code " << int(code);
  }

  // A glyph without ink leaves its cell empty (the space: row 2, column 0),
  // and so is everything past the grid.
  for (unsigned y = 0; y < font.GetTextureHeight(); ++y) {
    for (unsigned x = 0; x < stride; ++x) {
      const bool spaceCell = y >= 2 * cellHeight && y < 3 * cellHeight && x < cellWidth;
      const bool pastGrid = x >= 16 * cellWidth || y >= 16 * cellHeight;
      if (spaceCell || pastGrid) {
        ASSERT_EQ(atlas[y * stride + x], 0) << x << ", " << y;
      }
    }
  }
}

TEST_F(FontTest, MissingFontFileIsReportedAndNotRegistered) {
  Orv::ResourceManager manager;
  WriteFile("res/loadfonts.ini", R"({"fonts": [{"id": "gone", "path": "res/fonts/none.ttf", "size": 12},
                                                {"id": "main", "path": ")" +
                                     std::string(kFontFile) + R"(", "size": 12}]})");
  CaptureStdout();
  CaptureStderr();
  EXPECT_TRUE(manager.LoadFonts());
  EXPECT_EQ(GetCapturedStdout(), "Unable to load load font face. FreeType error:1\n");
  EXPECT_EQ(GetCapturedStderr(), "Error! res/fonts/none.ttf not found!\n");
  EXPECT_FALSE(manager.GetFont("gone").Exists());
  EXPECT_TRUE(manager.GetFont("main").Exists()) << "a bad entry costs only that entry";
}

TEST_F(FontTest, FontListProblemsAreBoxesAndLoadNothing) {
  struct Case {
    const char* file;  // nullptr: no file at all
    const char* box;
  };
  const std::array<Case, 4> cases{{
      {nullptr, "Error loading Font Resource file\n"},
      {"{\"fonts\": [",
       "Error loading Font Resource file\nres/loadfonts.ini: line 1, column 11: ']' expected near end of file\n"},
      {"{\"typefaces\": []}", "Error parsing font loader\n"},
      {"{\"fonts\": {\"id\": \"a\"}}", "Error! json object is not an array\n"},
  }};
  for (const Case& c : cases) {
    RemoveFile("res/loadfonts.ini");
    if (c.file != nullptr) WriteFile("res/loadfonts.ini", c.file);
    Orv::ResourceManager manager;
    CaptureStderr();
    EXPECT_FALSE(manager.LoadFonts());
    EXPECT_EQ(GetCapturedStderr(), c.box) << (c.file ? c.file : "(no file)");
    EXPECT_TRUE(manager.Fonts().empty());
  }
}

TEST_F(FontTest, EntriesWithoutTheirThreeKeysAreSkippedSilently) {
  Orv::ResourceManager manager;
  WriteFile("res/loadfonts.ini", R"({"fonts": [{"id": "a", "path": "x.ttf"}, {"id": 1, "path": "x.ttf", "size": 9},
                                                {"id": "b", "path": "x.ttf", "size": 9.5}, 7]})");
  CaptureStdout();
  CaptureStderr();
  EXPECT_TRUE(manager.LoadFonts());
  EXPECT_EQ(GetCapturedStdout(), "");
  EXPECT_EQ(GetCapturedStderr(), "");
  EXPECT_TRUE(manager.Fonts().empty());
}

TEST_F(FontTest, UnusableSizesAndFilesFailWithoutRegistering) {
  // Not a font, a size far past any texture (and a negative
  // one, which reads as a huge unsigned number).
  CopyData("blue_256.png", "res/fonts/picture.ttf");
  struct Case {
    const char* path;
    long long size;
  };
  const Case cases[] = {{"res/fonts/picture.ttf", 12}, {kFontFile, 5000}, {kFontFile, -5}};
  for (const Case& c : cases) {
    WriteFile("res/loadfonts.ini", "{\"fonts\": [{\"id\": \"f\", \"path\": \"" + std::string(c.path) +
                                       "\", \"size\": " + std::to_string(c.size) + "}]}");
    Orv::ResourceManager manager;
    CaptureStdout();
    CaptureStderr();
    EXPECT_TRUE(manager.LoadFonts());
    const std::string out = GetCapturedStdout();
    EXPECT_EQ(GetCapturedStderr(), "Error! " + std::string(c.path) + " not found!\n") << c.path << " " << c.size;
    EXPECT_FALSE(out.empty()) << "the font builder says why";
    EXPECT_TRUE(manager.Fonts().empty()) << c.path << " " << c.size;
  }
}

// Draws white text on black into the back buffer and returns the rows that
// got ink, top to bottom.
std::vector<int> InkedRows(Orv::Font& font, const std::string& text) {
  glViewport(0, 0, 64, 64);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, 64, 64, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(1, 1, 1, 1);
  // As a frame has them: the font's making leaves its buffers bound.
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
  Orv::DrawFontText(font, 2, 2, text);
  glDisable(GL_BLEND);
  glDisable(GL_TEXTURE_2D);

  std::vector<uint8_t> red(64 * 64);
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, 64, 64, GL_RED, GL_UNSIGNED_BYTE, red.data());
  std::vector<int> rows;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      // Read-back rows run bottom to top.
      if (red[(63 - y) * 64 + x] > 128) {
        rows.push_back(y);
        break;
      }
    }
  }
  return rows;
}

TEST_F(FontTest, LineFeedStartsTheNextLineAscentLowerAndOnlyTheMatrixIsLeftChanged) {
  Orv::Font font;
  ASSERT_TRUE(font.LoadFont(kSize, kFontFile));

  const std::vector<int> one = InkedRows(font, "I");
  const std::vector<int> two = InkedRows(font, "I\nI");
  ASSERT_FALSE(one.empty()) << "nothing drawn";
  ASSERT_FALSE(two.empty());
  const int ascent = static_cast<int>(font.GetAscent());
  std::printf("first ink row %d, last ink row one line %d, two lines %d, ascent %d\n", one.front(), one.back(),
              two.back(), ascent);
  EXPECT_EQ(two.front(), one.front());
  EXPECT_EQ(two.back(), one.back() + ascent);

  std::array<GLfloat, 16> matrix{};
  glGetFloatv(GL_MODELVIEW_MATRIX, matrix.data());
  EXPECT_EQ(matrix, (std::array<GLfloat, 16>{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
  // A sprite batch draws from client memory with no buffer bound: the text
  // leaves none bound.
  GLint arrayBuffer = -1, elementBuffer = -1;
  glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &arrayBuffer);
  glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &elementBuffer);
  EXPECT_EQ(arrayBuffer, 0);
  EXPECT_EQ(elementBuffer, 0);
  EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY) || glIsEnabled(GL_TEXTURE_COORD_ARRAY));
}

TEST_F(FontTest, FontWithoutTextureDrawsNothingAndKeepsTheMatrix) {
  Orv::Font font;
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(5, 6, 0);
  Orv::DrawFontText(font, 1, 1, "abc");
  std::array<GLfloat, 16> matrix{};
  glGetFloatv(GL_MODELVIEW_MATRIX, matrix.data());
  EXPECT_EQ(matrix[12], 5.0f);
  EXPECT_EQ(matrix[13], 6.0f);
  glLoadIdentity();
}

}  // namespace
