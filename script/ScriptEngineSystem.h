#pragma once
#include "core/BasicEntitySystem.h"

namespace Orv {

// Calls each script's Update; identity, messages and removal for scripts.
class ScriptEngineSystem : public BasicEntitySystem {
 public:
  using BasicEntitySystem::BasicEntitySystem;
  void OnRegistered() override {}
  void Init(unsigned width, unsigned height) override {}
  void Start() override {}

 protected:
  void UpdateEntity(EntityRecord& entity, float dt) override {}
};

}  // namespace Orv
