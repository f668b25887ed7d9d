#include "render/Button.h"

#include <GL/glew.h>

#include "render/DrawPrimitives.h"

namespace Orv {

Button::Button(const ButtonDesc& desc)
    : scaleX_(desc.width),
      scaleY_(desc.height),
      halfScaleX_(desc.width / 2.0),
      halfScaleY_(desc.height / 2.0),
      x_(desc.x),
      y_(desc.y),
      id_(desc.id) {
  SetTextureDown(desc.textureDown.c_str());
  SetTextureUp(desc.textureUp.c_str());
  SetTextureHover(desc.textureHover.c_str());
  caption_.Set(desc.caption);
}

void Button::SetPosition(int x, int y) {
  x_ = x;
  y_ = y;
}

bool Button::Inside(int px, int py) const {
  auto up = up_.Lock();
  if (!up) return false;
  const double w = up->quad.sizeX * halfScaleX_;
  const double h = up->quad.sizeY * halfScaleY_;
  return x_ - w < px && px < x_ + w && y_ - h < py && py < y_ + h;
}

bool Button::HoverTest(int x, int y) {
  previousDown_ = down_;
  down_ = false;
  const bool inside = Inside(x, y);
  if (inside) hover_ = true;
  return inside;
}

void Button::Press() {
  previousDown_ = down_;
  down_ = true;
}

void Button::SkipFrame() {
  previousDown_ = down_;
  down_ = false;
}

void Button::Render() {
  if (!visible_) return;
  LoadIdentity();
  SetColour(colour_[0], colour_[1], colour_[2], colour_[3]);
  Translate2D(static_cast<float>(x_), static_cast<float>(y_));
  Scale2D(static_cast<float>(scaleX_), static_cast<float>(scaleY_));
  const ObjectLockPtr<SpriteFrame>& texture = forceHover_ ? hoverTexture_
                                              : down_     ? downTexture_
                                              : hover_    ? hoverTexture_
                                                          : up_;
  DrawSpriteQuad(texture);

  if (hasThumb_) {
    auto thumb = thumb_.Lock();
    // A frame of no size has no scale to fit.
    if (thumb && thumb->quad.sizeX != 0 && thumb->quad.sizeY != 0) {
      LoadIdentity();
      SetColour(1.0f, 1.0f, 1.0f, 1.0f);
      Translate2D(static_cast<float>(x_), static_cast<float>(y_));
      Scale2D(thumbWidth_ / static_cast<float>(thumb->quad.sizeX),
              thumbHeight_ / static_cast<float>(thumb->quad.sizeY));
      DrawSpriteQuad(thumb_);
    }
  }

  caption_.Draw(x_, y_);
  SetColour(1.0f, 1.0f, 1.0f, 1.0f);
  LoadIdentity();
}

void Button::SetTextureUp(const char* frameId) { up_ = WidgetFrame(frameId); }
void Button::SetTextureDown(const char* frameId) { downTexture_ = WidgetFrame(frameId); }
void Button::SetTextureHover(const char* frameId) { hoverTexture_ = WidgetFrame(frameId); }

void Button::SetTextureThumb(const char* frameId) {
  thumb_ = WidgetFrame(frameId);
  auto thumb = thumb_.Lock();
  if (!thumb) return;
  thumbWidth_ = static_cast<float>(thumb->quad.sizeX);
  thumbHeight_ = static_cast<float>(thumb->quad.sizeY);
  // Without an up texture the button has no size to fit into: the
  // thumbnail keeps its own. A side of no size is never divided by.
  if (auto up = up_.Lock()) {
    const float fitWidth = static_cast<float>(up->quad.sizeX * scaleX_);
    const float fitHeight = static_cast<float>(up->quad.sizeY * scaleY_);
    if (thumbWidth_ > 0.0f && thumbWidth_ > fitWidth) {
      thumbHeight_ = thumbHeight_ * fitWidth / thumbWidth_;
      thumbWidth_ = fitWidth;
    }
    if (thumbHeight_ > 0.0f && thumbHeight_ > fitHeight) {
      thumbWidth_ = thumbWidth_ * fitHeight / thumbHeight_;
      thumbHeight_ = fitHeight;
    }
  }
  hasThumb_ = true;
}

void Button::SetFontColor(OrvCall::Finite<float> r, OrvCall::Finite<float> g, OrvCall::Finite<float> b) {
  caption_.SetRGB(r, g, b);
}

void Button::SetButtonRGBA(OrvCall::Finite<float> r, OrvCall::Finite<float> g, OrvCall::Finite<float> b,
                           OrvCall::Finite<float> a) {
  colour_ = {r, g, b, a};
}

void Button::SetRGBA(OrvCall::Finite<float> r, OrvCall::Finite<float> g, OrvCall::Finite<float> b,
                     OrvCall::Finite<float> a) {
  colour_ = {r, g, b, a};
  caption_.colour = {r, g, b, a};
}

}  // namespace Orv
