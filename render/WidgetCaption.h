#pragma once
// The line of text a widget carries: its font, text, measure and colour,
// drawn centred on the widget's position. Buttons, progress bars and labels
// all caption the same way.
#include <array>
#include <initializer_list>
#include <string>

#include "core/ObjectLockPtr.h"
#include "resources/Font.h"
#include "resources/SpriteSheet.h"

namespace Orv {

using WidgetColour = std::array<float, 4>;

// What a widget's creation table says of its caption.
struct CaptionDesc {
  std::string font;
  float r = 0.0f;
  float g = 0.0f;
  float b = 0.0f;
  std::string text;
  // The script function the values came from, for the line about a font
  // that is not there.
  const char* maker = "SetFont";
};

class WidgetCaption {
 public:
  // The caption keeps the measure it had: only SetText measures.
  // An unknown id is said once, under the function the script called.
  void SetFont(const char* fontId, const char* function = "SetFont");
  // Measures the text with the font of this moment.
  void SetText(const char* text);
  // Font, colour, then the text, measured with that font.
  void Set(const CaptionDesc& desc) {
    SetFont(desc.font.c_str(), desc.maker);
    SetRGB(desc.r, desc.g, desc.b);
    SetText(desc.text.c_str());
  }
  // Identity, the caption colour, then the text centred horizontally on
  // (x, y) and half the font's pixel size towards smaller y; nothing
  // without a live font.
  void Draw(int x, int y) const;

  // The text's colour, keeping its alpha.
  void SetRGB(float r, float g, float b) {
    colour[0] = r;
    colour[1] = g;
    colour[2] = b;
  }

  const std::string& GetText() const { return text_; }
  int GetHalfWidth() const { return halfWidth_; }
  const ObjectLockPtr<Font>& GetFont() const { return font_; }

  WidgetColour colour{1.0f, 1.0f, 1.0f, 1.0f};

 private:
  ObjectLockPtr<Font> font_;
  std::string text_;
  int halfWidth_ = 0;
};

// The width of text up to its end or first newline: a blank advances by the
// font's space width, any other byte by its glyph's advance, the sum cut to a
// whole number after each step.
int MeasureCaption(const Font& font, const std::string& text);

// A colour channel by number, 0 for any channel outside 0..3.
float ColourChannel(const WidgetColour& colour, int channel);

// The texture frame a widget's part is drawn with, by id. A part without one
// is not drawn; a name that no texture pack has says so, once per name (an
// empty name asks for no picture and says nothing).
ObjectLockPtr<SpriteFrame> WidgetFrame(const char* frameId);

}  // namespace Orv
