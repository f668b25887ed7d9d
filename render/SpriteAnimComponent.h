#pragma once
// The object's look: a frame animation from the resource manager, the frame
// shown, how it plays, the draw layer and order, a tint and a trail tint.
#include <string>
#include <string_view>
#include <vector>

#include "core/Component.h"
#include "core/NotFiniteRefusal.h"
#include "core/ObjectLockPtr.h"
#include "render/LightMath.h"
#include "resources/ResourceManager.h"

namespace Orv {

class SpriteAnimComponent : public Component {
 public:
  static constexpr std::string_view RunTimeName = "class Orv::SpriteAnimComponent";

  enum Property : unsigned { TextureId, Frames, Interval, Loop, Omni, Layer, CurrentFrame, LayerOrder };

  void Setup() override;
  void Shutdown() override {}
  void OnAttach(GameObject* owner) override { refusal_.Attach(owner); }
  void OnIntProperty(unsigned index, int value) override;
  void OnStringProperty(unsigned index, const char* value) override;
  void OnRealProperty(unsigned index, double value) override;

  // The animation of that name; on success it plays from its first frame
  // over its whole length.
  void SetAnimation(const std::string& name);
  // One step per call at most, once interval seconds have gathered.
  void Advance(float dt);
  void SetInterval(float seconds);
  void SetCurrentFrame(int index);
  int GetCurrentFrameIndex() const { return currentFrame; }
  std::vector<ObjectLockPtr<SpriteFrame>> GetFrameList() const { return frameReferences; }
  ObjectLockPtr<SpriteFrame> GetCurrentFrame() const;
  // The current frame centred on the origin under the caller's transform.
  void Draw() const;
  float GetFrameWidth() const;
  float GetFrameHeight() const;
  // The setters keep every channel, alpha included, in [0, 1].
  void SetTint(float r, float g, float b);
  void SetAlpha(float a);
  void SetTrailTint(float r, float g, float b);

  ObjectLockPtr<SpriteAnimationHandle> animation;
  float elapsed = 0.0f;
  float interval = 0.0f;
  int frameCount = 1;
  int currentFrame = 0;
  int step = 1;
  int layer = 0;
  // Objects that never set it sort as 0.
  int layerOrder = 0;
  Colour tint{1.0f, 1.0f, 1.0f, 1.0f};
  Colour trailTint{1.0f, 1.0f, 1.0f, 1.0f};
  bool loop = false;
  bool omni = false;
  // Nothing fills it; the editor reads a copy.
  std::vector<ObjectLockPtr<SpriteFrame>> frameReferences;

 private:
  // The frame shown, when the animation is there and the index is inside it.
  std::shared_ptr<SpriteFrame> DrawableFrame() const;
  int AnimationLength() const;

  NotFiniteRefusal refusal_{"Sprite"};
};

}  // namespace Orv
