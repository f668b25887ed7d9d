#include "render/WidgetCaption.h"

#include <GL/glew.h>

#include <cmath>

#include "NumberConversion.h"
#include "core/Report.h"
#include "core/ReportOnce.h"
#include "render/DrawPrimitives.h"
#include "render/RenderState.h"
#include "resources/ResourceManager.h"

namespace Orv {

int MeasureCaption(const Font& font, const std::string& text) {
  double width = 0.0;
  for (const char ch : text) {
    // Bytes above 127 are glyphs of their own, not negative indices.
    const auto code = static_cast<unsigned char>(ch);
    if (code == '\n') break;
    width += font.Advance(code);
    width = std::trunc(width);
  }
  return OrvLua::SaturateToInt(width);
}

void WidgetCaption::SetFont(const char* fontId, const char* function) {
  font_ = ResourceManager::GetInstance().GetFont(fontId);
  // A caption without a font draws nothing at all: say which name missed.
  if (!font_.Exists() && fontId != nullptr && *fontId != '\0') {
    PrintErrorLineOnce("SetFont: no font", fontId,
                       std::string(function) + ": no font has the id \"" + QuotedName(fontId) +
                           "\" in res/loadfonts.ini; a caption in it draws nothing");
  }
}

void WidgetCaption::SetText(const char* text) {
  text_ = text;
  auto font = font_.Lock();
  const int width = font ? MeasureCaption(*font, text_) : 0;
  halfWidth_ = OrvLua::SaturateToInt(width * 0.5);
}

void WidgetCaption::Draw(int x, int y) const {
  LoadIdentity();
  SetColour(colour[0], colour[1], colour[2], colour[3]);
  auto font = font_.Lock();
  if (!font) return;
  Translate2D(static_cast<float>(-halfWidth_), -0.5f * static_cast<float>(font->GetPixelSize()));
  DrawFontText(*font, static_cast<float>(x), static_cast<float>(y), text_);
}

float ColourChannel(const WidgetColour& colour, int channel) {
  return channel >= 0 && channel < 4 ? colour[static_cast<std::size_t>(channel)] : 0.0f;
}

ObjectLockPtr<SpriteFrame> WidgetFrame(const char* frameId) {
  ObjectLockPtr<SpriteFrame> frame = ResourceManager::GetInstance().GetSprite(frameId);
  if (!frame.Exists() && frameId != nullptr && *frameId != '\0') {
    PrintErrorLineOnce("Widget texture: no sprite frame", frameId,
                       "Widget texture: no sprite frame is named \"" + QuotedName(frameId) +
                           "\" in res/textures/*.pack; that part of the widget is not drawn");
  }
  return frame;
}

}  // namespace Orv
