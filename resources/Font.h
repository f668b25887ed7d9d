#pragma once
// A bitmap font: the 256 character codes rendered once into an alpha atlas of
// 16 x 16 cells, one clip and one quad per code; text is drawn a quad per byte
// (render/DrawPrimitives.h).
#include <string>

#include "resources/SpriteSheet.h"

namespace Orv {

class Font : public SpriteSheet {
 public:
  Font() = default;
  ~Font();

  // The process-wide font library; false (after a console line) when it
  // cannot start.
  static bool InitFreeType();

  bool LoadFont(unsigned pixelSize, const std::string& path);
  // Why the last LoadFont failed, in words for the console ("not a font",
  // "size N cannot be built"); empty when it did not, or the file is missing.
  const std::string& GetLoadProblem() const { return loadProblem_; }
  // How far the pen moves past a code: a space half the widest glyph, any
  // other code its clip's width and a small gap.
  float Advance(unsigned char code) const;

  float GetSpaceWidth() const { return spaceWidth_; }
  float GetCellHeight() const { return cellHeight_; }
  float GetAscent() const { return ascent_; }
  unsigned GetPixelSize() const { return pixelSize_; }

 private:
  float spaceWidth_ = 0.0f;
  float cellHeight_ = 0.0f;
  float ascent_ = 0.0f;
  unsigned pixelSize_ = 0;
  std::string loadProblem_;
};

}  // namespace Orv
