#pragma once
// Moves every rigid body through the frame's steps (StepsOf): forces into
// velocity, velocity into position, turning, friction; takes each body's
// place from its collider first and hands it back after, with a copy in the
// object's transform. The collision engine takes the steps before the last
// between its own passes (StepBodies); the update takes the rest.
#include <cstdint>
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
  // The frame's steps not yet taken.
  void Update(float dt) override;
  // One of the frame's steps, seconds long, taken early; false, taking none,
  // while paused.
  bool StepBodies(double seconds);
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
  void StepAll(double seconds);
  void Step(GameObject& object, double seconds);

  // In the order offered; an object offered twice is stepped twice.
  std::vector<ObjectLockPtr<GameObject>> objects_;
  bool paused_ = false;
  bool pausedByScript_ = false;
  // Steps of this frame taken before its update, and frames begun.
  int stepsTaken_ = 0;
  std::uint64_t frame_ = 0;
};

}  // namespace Orv
