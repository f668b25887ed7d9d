#include "render/SpriteAnimComponent.h"

#include <algorithm>
#include <cmath>

#include "core/Report.h"
#include "core/ReportOnce.h"
#include "render/DrawPrimitives.h"

namespace Orv {

void SpriteAnimComponent::Setup() {
  propertyNames["textureid"] = TextureId;
  propertyNames["frames"] = Frames;
  propertyNames["interval"] = Interval;
  propertyNames["loop"] = Loop;
  propertyNames["omni"] = Omni;
  propertyNames["layer"] = Layer;
  propertyNames["currentframe"] = CurrentFrame;
  propertyNames["layerorder"] = LayerOrder;
  elapsed = 0.0f;
}

int SpriteAnimComponent::AnimationLength() const {
  auto frames = animation.Lock();
  return frames ? static_cast<int>(std::min<std::size_t>(frames->size(), 0x7FFFFFFF)) : 0;
}

void SpriteAnimComponent::OnIntProperty(unsigned index, int value) {
  switch (index) {
    case Frames: {
      const int length = AnimationLength();
      if (value < 0) {
        frameCount = length;
      } else if (value < length) {
        frameCount = value;
      }
      break;
    }
    case Loop: loop = value != 0; break;
    case Omni: omni = value != 0; break;
    case Layer: layer = value; break;
    case CurrentFrame: currentFrame = (value < 0 || frameCount <= 0) ? 0 : std::min(value, frameCount - 1); break;
    case LayerOrder: layerOrder = value; break;
    default: break;
  }
}

void SpriteAnimComponent::OnStringProperty(unsigned index, const char* value) {
  if (index == TextureId && value != nullptr) SetAnimation(value);
}

void SpriteAnimComponent::OnRealProperty(unsigned index, double value) {
  if (index != Interval) return;
  if (std::isfinite(value)) {
    interval = static_cast<float>(value);
    return;
  }
  refusal_.Refuse("interval");
}

void SpriteAnimComponent::SetAnimation(const std::string& name) {
  animation = ResourceManager::GetInstance().GetAnimation(name);
  if (!animation.Exists()) {
    // In the names a script or a blueprint uses; once per name, as a sprite
    // may be set every frame.
    PrintLineOnce("SetSpriteSet: no animation", name,
                  "Error! No animation is named \"" + QuotedName(name) +
                      "\" in res/anims/*.anim; the sprite shows nothing until it is given one that is");
    return;
  }
  elapsed = 0.0f;
  frameCount = AnimationLength();
  currentFrame = 0;
}

void SpriteAnimComponent::Advance(float dt) {
  if (!loop) return;
  elapsed += dt;
  if (elapsed < interval) return;
  currentFrame += step;
  elapsed = 0.0f;
  if (currentFrame < 0) currentFrame = 0;
  if (currentFrame >= frameCount) currentFrame = omni ? frameCount - 1 : 0;
  if (omni && (currentFrame == frameCount - 1 || currentFrame == 0)) step = -step;
}

void SpriteAnimComponent::SetInterval(float seconds) {
  // The property's own path reports it once and ignores it.
  if (!std::isfinite(seconds)) return OnRealProperty(Interval, seconds);
  interval = seconds;
  elapsed = 0.0f;
}

void SpriteAnimComponent::SetCurrentFrame(int index) {
  if (index < 0 || !animation.Exists()) return;
  currentFrame = index < frameCount ? index : frameCount - 1;
}

std::shared_ptr<SpriteFrame> SpriteAnimComponent::DrawableFrame() const {
  auto frames = animation.Lock();
  if (!frames || currentFrame < 0 || static_cast<std::size_t>(currentFrame) >= frames->size()) return nullptr;
  return (*frames)[static_cast<std::size_t>(currentFrame)].Lock();
}

ObjectLockPtr<SpriteFrame> SpriteAnimComponent::GetCurrentFrame() const {
  auto frames = animation.Lock();
  if (!frames || currentFrame < 0 || static_cast<std::size_t>(currentFrame) >= frames->size()) return {};
  return (*frames)[static_cast<std::size_t>(currentFrame)];
}

void SpriteAnimComponent::Draw() const {
  if (auto frame = DrawableFrame()) DrawSpriteQuad(frame);
}

float SpriteAnimComponent::GetFrameWidth() const {
  auto frame = DrawableFrame();
  return frame ? static_cast<float>(frame->quad.sizeX) : 0.0f;
}

float SpriteAnimComponent::GetFrameHeight() const {
  auto frame = DrawableFrame();
  return frame ? static_cast<float>(frame->quad.sizeY) : 0.0f;
}

void SpriteAnimComponent::SetTint(float r, float g, float b) {
  tint[0] = r;
  tint[1] = g;
  tint[2] = b;
  ClampColour(tint);
}

void SpriteAnimComponent::SetAlpha(float a) {
  tint[3] = a;
  ClampColour(tint);
}

void SpriteAnimComponent::SetTrailTint(float r, float g, float b) {
  trailTint[0] = r;
  trailTint[1] = g;
  trailTint[2] = b;
  ClampColour(trailTint);
}

}  // namespace Orv
