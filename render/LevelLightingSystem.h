#pragma once
// Holds the shadow size that scripts set; it draws nothing.
#include "core/System.h"

namespace Orv {

class ScriptComponent;

class LevelLightingSystem : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
  void OnRegistered() override;

  // Script function "SetShadowSize".
  void SetShadowSize(int width, int height) {
    shadowWidth_ = width;
    shadowHeight_ = height;
  }
  int GetShadowWidth() const { return shadowWidth_; }
  int GetShadowHeight() const { return shadowHeight_; }

 private:
  void RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object);

  int shadowWidth_ = 32;
  int shadowHeight_ = 32;
};

}  // namespace Orv
