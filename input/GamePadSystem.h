#pragma once
#include "core/System.h"

namespace Orv {

class ScriptComponent;

// Drives the gamepad device through the frame: the pads are read before the
// scripts run and their buttons remembered after, so a press or a release is
// seen by scripts in exactly one frame. Pausing does not stop the polling.
class GamePadSystem : public System {
 public:
  using System::System;

  void OnRegistered() override;
  void Init(unsigned width, unsigned height) override;
  void Start() override {}
  void Update(float /*dt*/) override {}
  void Shutdown() override;
  void PreUpdate(float dt) override;
  void LateUpdate(float dt) override;
  // The GAMEPAD_* constants and the pad functions, bound to the one device.
  void RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object);
};

}  // namespace Orv
