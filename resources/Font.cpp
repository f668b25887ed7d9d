#include "resources/Font.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "core/Report.h"

namespace Orv {

namespace {

FT_Library gFreeType = nullptr;

void PrintFreeTypeError(const char* format, FT_Error error) {
  char line[128];
  std::snprintf(line, sizeof line, format, static_cast<unsigned>(error));
  Print(line);
}

struct GlyphImage {
  unsigned width = 0;
  unsigned rows = 0;
  std::vector<uint8_t> pixels;
};

}  // namespace

bool Font::InitFreeType() {
  // Both the resource manager and start-up ask for the library; the second
  // start replaces the first instead of losing it.
  if (gFreeType != nullptr) {
    FT_Done_FreeType(gFreeType);
    gFreeType = nullptr;
  }
  if (FT_Init_FreeType(&gFreeType) != 0) {
    gFreeType = nullptr;
    PrintLine("FreeType library initialization failed!");
    return false;
  }
  return true;
}

Font::~Font() {
  FreeVBO();
  FreeTexture();
  spaceWidth_ = 0.0f;
  cellHeight_ = 0.0f;
  ascent_ = 0.0f;
}

bool Font::LoadFont(unsigned pixelSize, const std::string& path) {
  pixelSize_ = pixelSize;
  loadProblem_.clear();
  const std::string sizeProblem = "size " + std::to_string(pixelSize) + " cannot be built";
  // Clip c must be character c: nothing of an earlier build may stay.
  FreeVBO();
  std::array<GlyphImage, 256> glyphs;
  std::array<FT_Glyph_Metrics, 256> metrics{};

  FT_Face face = nullptr;
  FT_Error error = gFreeType != nullptr ? FT_New_Face(gFreeType, path.c_str(), 0, &face)
                                        : static_cast<FT_Error>(FT_Err_Invalid_Library_Handle);
  if (error != 0) {
    PrintFreeTypeError("Unable to load load font face. FreeType error:%X\n", error);
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) {
      loadProblem_ = "a folder, not a font";
    } else if (error != FT_Err_Cannot_Open_Resource) {
      loadProblem_ = "not a font";
    }
    return false;
  }
  error = FT_Set_Pixel_Sizes(face, 0, pixelSize);
  if (error != 0) {
    PrintFreeTypeError("Unable to set font size. FreeType error:%X\n", error);
    loadProblem_ = sizeProblem;
    FT_Done_Face(face);
    return false;
  }
  // A size whose 16 x 16 grid could never fit in a texture would only fill
  // memory with glyphs first.
  GLint maxTextureSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
  if (static_cast<unsigned long>(pixelSize) * 16 > static_cast<unsigned long>(std::max(maxTextureSize, 0))) {
    Print("Unable to create texture from generated bitmap font!\n");
    loadProblem_ = sizeProblem;
    FT_Done_Face(face);
    return false;
  }

  unsigned maxWidth = 0;
  long ascent = 0;
  long bottom = 0;
  for (unsigned c = 0; c < 256; ++c) {
    error = FT_Load_Char(face, c, FT_LOAD_RENDER);
    if (error != 0) {
      PrintFreeTypeError("Unable to load glyph. FreeType error:%X\n", error);
      continue;
    }
    const FT_GlyphSlot slot = face->glyph;
    metrics[c] = slot->metrics;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.width > 0 && bitmap.rows > 0 && bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
      GlyphImage& image = glyphs[c];
      image.width = bitmap.width;
      image.rows = bitmap.rows;
      image.pixels.resize(static_cast<size_t>(bitmap.width) * bitmap.rows);
      for (unsigned row = 0; row < bitmap.rows; ++row) {
        const uint8_t* from = bitmap.buffer + static_cast<long>(row) * bitmap.pitch;
        std::copy(from, from + bitmap.width, image.pixels.begin() + static_cast<long>(row) * bitmap.width);
      }
    }
    ascent = std::max(ascent, static_cast<long>(slot->metrics.horiBearingY / 64));
    maxWidth = std::max(maxWidth, static_cast<unsigned>(slot->metrics.width / 64));
    bottom = std::min(bottom, static_cast<long>((slot->metrics.horiBearingY - slot->metrics.height) / 64));
  }

  const long cellHeight = ascent - bottom;
  const unsigned atlasWidth = maxWidth * 16;
  const long atlasHeight = cellHeight * 16;
  const auto fitsTexture = [maxTextureSize](long side) {
    return side <= maxTextureSize && NextPowerOfTwo(static_cast<unsigned>(side)) <= static_cast<unsigned>(maxTextureSize);
  };
  const bool fits = fitsTexture(static_cast<long>(atlasWidth)) && fitsTexture(atlasHeight);
  const bool haveAtlas = atlasWidth > 0 && atlasHeight > 0 && fits;
  if (haveAtlas) {
    DropTextureAndPixels();
    pixels8_.assign(static_cast<size_t>(atlasWidth) * static_cast<size_t>(atlasHeight), 0);
    imageWidth_ = atlasWidth;
    textureWidth_ = atlasWidth;
    imageHeight_ = static_cast<unsigned>(atlasHeight);
    format_ = GL_ALPHA;
  }

  for (unsigned r = 0; r < 16; ++r) {
    for (unsigned k = 0; k < 16; ++k) {
      const unsigned c = 16 * r + k;
      const long x = static_cast<long>(k * maxWidth);
      const long y = static_cast<long>(r) * cellHeight;
      const GlyphImage& image = glyphs[c];
      if (haveAtlas && !image.pixels.empty()) {
        // Every glyph sits on a baseline ascent pixels below its cell's top;
        // whatever would fall outside the atlas is cut off.
        const long top = y + ascent - metrics[c].horiBearingY / 64;
        for (unsigned i = 0; i < image.rows; ++i) {
          const long atlasRow = top + static_cast<long>(i);
          if (atlasRow < 0 || atlasRow >= atlasHeight) continue;
          for (unsigned j = 0; j < image.width; ++j) {
            const long atlasColumn = x + static_cast<long>(j);
            if (atlasColumn >= static_cast<long>(atlasWidth)) break;
            pixels8_[static_cast<size_t>(atlasRow) * atlasWidth + static_cast<size_t>(atlasColumn)] =
                image.pixels[static_cast<size_t>(i) * image.width + j];
          }
        }
      }
      clips_.push_back(SpriteClip{static_cast<float>(x), static_cast<float>(y),
                                  static_cast<float>(metrics[c].width) * 0.015625f, static_cast<float>(cellHeight)});
    }
  }

  CopyPixels8();
  bool result = LoadTextureFromPixels8();
  if (!result) {
    Print("Unable to create texture from generated bitmap font!\n");
    loadProblem_ = sizeProblem;
  } else if (!GenerateDataBuffer()) {
    Print("Unable to create vertex buffer for bitmap font!");
    result = false;
  }

  if (texture_ != 0) {
    glBindTexture(GL_TEXTURE_2D, texture_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_BORDER);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_BORDER);
  }
  spaceWidth_ = static_cast<float>(maxWidth) * 0.5f;
  cellHeight_ = static_cast<float>(cellHeight);
  ascent_ = static_cast<float>(ascent);

  FT_Done_Face(face);
  return result;
}

float Font::Advance(unsigned char code) const {
  if (code == ' ') return spaceWidth_;
  return (code < clips_.size() ? clips_[code].w : 0.0f) + static_cast<float>(pixelSize_) * 0.04f;
}

}  // namespace Orv
