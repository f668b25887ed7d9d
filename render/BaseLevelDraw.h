#pragma once
// The base draw pass: layer-0 sprites under the shadows, each followed by its
// script's Render. Tinted only while its lighting is on and a light exists.
#include <vector>

#include "core/GameObject.h"
#include "core/ObjectLockPtr.h"
#include "core/System.h"

namespace Orv {

class ScriptComponent;

class BaseLevelDraw : public System {
 public:
  using System::System;
  void OnRegistered() override;
  void Init(unsigned width, unsigned height) override;
  void Start() override {}
  void Update(float /*dt*/) override {}
  void Shutdown() override {}
  void LateUpdate(float dt) override;
  void Render() override;
  void OnGameObjectAdded(ObjectLockPtr<GameObject> object) override;

  // Script function "EnableBaseLighting".
  void EnableBaseLighting(bool on) { lightingEnabled_ = on; }
  bool IsLightingEnabled() const { return lightingEnabled_; }
  // In draw order.
  const std::vector<ObjectLockPtr<GameObject>>& GetBaseSprites();
  const std::vector<ObjectLockPtr<GameObject>>& GetLights() const { return lights_; }

 private:
  void RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object);
  void AddBaseSprite(ObjectLockPtr<GameObject> object);
  void SortIfAdmitted();
  void DrawEntry(const ObjectLockPtr<GameObject>& object);

  unsigned width_ = 0;
  unsigned height_ = 0;
  // In draw order, but for what was admitted since unsorted_ was set.
  std::vector<ObjectLockPtr<GameObject>> baseSprites_;
  bool unsorted_ = false;
  std::vector<ObjectLockPtr<GameObject>> lights_;
  // Objects made by a script's Render while the pass walks its list wait here
  // and join the list after the walk.
  std::vector<ObjectLockPtr<GameObject>> admittedDuringPass_;
  bool rendering_ = false;
  bool lightingEnabled_ = true;
};

}  // namespace Orv
