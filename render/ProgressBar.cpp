#include "render/ProgressBar.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>

#include "NumberConversion.h"
#include "render/DrawPrimitives.h"

namespace Orv {

ProgressBar::ProgressBar(const ProgressBarDesc& desc)
    : width_(desc.width),
      height_(desc.height),
      halfWidth_(desc.width / 2.0),
      halfHeight_(desc.height / 2.0),
      barWidth_(desc.barWidth),
      barHeight_(desc.barHeight),
      halfBarWidth_(desc.barWidth / 2.0),
      halfBarHeight_(desc.barHeight / 2.0),
      frameX_(desc.x),
      frameY_(desc.y),
      barX_(desc.x),
      barY_(desc.y),
      id_(desc.id) {
  SetTextureFrame(desc.textureFrame.c_str());
  SetTextureBar(desc.textureBar.c_str());
  caption_.Set(desc.caption);
}

void ProgressBar::Render() {
  if (!visible_) return;
  LoadIdentity();
  SetColour(frameColour_[0], frameColour_[1], frameColour_[2], frameColour_[3]);
  Translate2D(static_cast<float>(frameX_), static_cast<float>(frameY_));
  Scale2D(static_cast<float>(width_), static_cast<float>(height_));
  DrawSpriteQuad(frameTexture_);

  LoadIdentity();
  SetColour(barColour_[0], barColour_[1], barColour_[2], barColour_[3]);
  Translate2D(static_cast<float>(barX_), static_cast<float>(barY_));
  Scale2D(static_cast<float>(amount_ * barWidth_), static_cast<float>(barHeight_));
  DrawSpriteQuad(barTexture_);

  caption_.Draw(frameX_, frameY_);
  SetColour(1.0f, 1.0f, 1.0f, 1.0f);
}

void ProgressBar::SetPosition(int x, int y) {
  // Widened: positions near the ends of the range must not overflow.
  const long long offset = static_cast<long long>(barX_) - frameX_;
  frameX_ = x;
  frameY_ = y;
  barX_ = OrvLua::SaturateToInt(static_cast<double>(x + offset));
  barY_ = y;
}

void ProgressBar::PlaceBar() {
  auto bar = barTexture_.Lock();
  const double reach = (bar ? bar->quad.sizeX : 0) * halfBarWidth_;
  const double placed = static_cast<double>(frameX_) + std::trunc(reach * amount_) - std::trunc(reach);
  barX_ = OrvLua::SaturateToInt(placed);
}

void ProgressBar::SetTextureFrame(const char* frameId) { frameTexture_ = WidgetFrame(frameId); }

void ProgressBar::SetTextureBar(const char* frameId) { barTexture_ = WidgetFrame(frameId); }

void ProgressBar::SetFontColor(OrvCall::Finite<float> r, OrvCall::Finite<float> g, OrvCall::Finite<float> b) {
  caption_.SetRGB(r, g, b);
}

void ProgressBar::SetBarAmount(OrvCall::Finite<double> amount) {
  if (amount < 0.0) {
    amount_ = 0.0;
  } else if (amount > 1.0) {
    amount_ = 1.0;
  } else {
    target_ = amount;
    if (std::fabs(amount_ - amount) < 0.0001) {
      amount_ = amount;
    } else {
      amount_ += 0.05 * (amount - amount_);
    }
  }
  PlaceBar();
}

void ProgressBar::SetImmediateAmount(OrvCall::Finite<double> amount) {
  amount_ = std::clamp(amount.value, 0.0, 1.0);
  PlaceBar();
}

void ProgressBar::SetFrameRGBA(OrvCall::Finite<float> r, OrvCall::Finite<float> g, OrvCall::Finite<float> b,
                               OrvCall::Finite<float> a) {
  frameColour_ = {r, g, b, a};
}

void ProgressBar::SetBarRGBA(OrvCall::Finite<float> r, OrvCall::Finite<float> g, OrvCall::Finite<float> b,
                             OrvCall::Finite<float> a) {
  barColour_ = {r, g, b, a};
}

void ProgressBar::SetRGBA(OrvCall::Finite<float> r, OrvCall::Finite<float> g, OrvCall::Finite<float> b,
                          OrvCall::Finite<float> a) {
  caption_.colour = {r, g, b, a};
  frameColour_ = {r, g, b, a};
  barColour_ = {r, g, b, a};
}

}  // namespace Orv
