#pragma once
// Moves every rigid body once a frame: forces into velocity, velocity into
// position, turning, friction; takes each body's place from its collider
// first and hands it back after, with a copy in the object's transform.
#include <vector>

#include "core/ObjectLockPtr.h"
#include "core/System.h"

namespace Orv {

class GameObject;
class ScriptComponent;

class PhysicEngine : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
  void OnRegistered() override;

  // Drops the objects that are gone or dead.
  void PreUpdate(float dt) override;
  void Update(float dt) override;
  void Pause() override { paused_ = true; }
  // A pause a script asked for outlasts the engine's own resume.
  void Resume() override;
  void OnGameObjectAdded(ObjectLockPtr<GameObject> object) override;

  // Script functions, for every scripted object.
  void PausePhysics();
  void ResumePhysics();

  bool IsPaused() const { return paused_; }
  bool IsPausedByScript() const { return pausedByScript_; }

 private:
  // The body's functions when the object has a body, then the pause pair.
  void RegisterScriptFunctions(ScriptComponent& component, const ObjectLockPtr<GameObject>& object);
  void Step(GameObject& object, float dt);

  // In the order offered; an object offered twice is stepped twice.
  std::vector<ObjectLockPtr<GameObject>> objects_;
  bool paused_ = false;
  bool pausedByScript_ = false;
};

}  // namespace Orv
