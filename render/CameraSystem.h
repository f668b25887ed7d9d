#pragma once
// The one camera of the game: its centre in the world moves to the average of
// the focus points scripts asked for in the previous frame, and every
// object's screen position is its world position seen from there. It also
// hands its view to the tile maps and moves children with their parents.
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "FiniteArg.h"
#include "core/BasicEntitySystem.h"

namespace Orv {

class ScriptComponent;

// The camera centre as the last camera update left it, for the passes that
// draw in world coordinates (particles, trails).
extern float g_cameraCentreX;
extern float g_cameraCentreY;

class CameraSystem : public BasicEntitySystem {
 public:
  using BasicEntitySystem::BasicEntitySystem;
  void OnRegistered() override;
  // Keeps half the logical size; a resize does not change it.
  void Init(unsigned width, unsigned height) override;
  void Start() override {}

  void AddFocus(float x, float y);

  // Script functions bound to the camera itself. Values that are not finite
  // are ignored: one bad frame must not lose the camera for good.
  void SetCameraFocus(OrvCall::Finite<float> x, OrvCall::Finite<float> y);
  void MoveCameraX(OrvCall::Finite<float> d);
  void MoveCameraY(OrvCall::Finite<float> d);
  void SetCameraX(OrvCall::Finite<float> v);
  void SetCameraY(OrvCall::Finite<float> v);
  float GetCameraX() const { return centreX_; }
  float GetCameraY() const { return centreY_; }

  // The cursor in world pixels: trunc(centre - half size) + cursor, each part
  // saturated.
  std::pair<int, int> WorldCursor() const;
  // (x - centre x) + half width, likewise for y, in single precision.
  std::pair<float, float> WorldToScreen(float x, float y) const;

  unsigned GetHalfWidth() const { return halfWidth_; }

 protected:
  void UpdateEntity(EntityRecord& entity, float dt) override;
  void PreUpdateEntity(EntityRecord& entity, float dt) override;
  bool WalksObject(const GameObject& object) const override;
  void OnUpdate(float dt) override;

 private:
  void RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object);

  std::vector<std::pair<float, float>> focus_;
  float centreX_ = 0.0f;
  float centreY_ = 0.0f;
  // Nothing changes it; it is copied into transforms and tile maps.
  float cameraFactor_ = 1.0f;
  unsigned halfWidth_ = 0;
  unsigned halfHeight_ = 0;
};

}  // namespace Orv
