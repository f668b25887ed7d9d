#pragma once
// Screen transitions that scripts start: fades to and from black over a
// duration, drawn over everything but the cursor. They run on while the
// engine is paused.
#include <memory>
#include <vector>

#include "core/System.h"

namespace Orv {

class ScriptComponent;

class Transition {
 public:
  Transition(int id, float duration) : id(id), duration(duration) {}
  virtual ~Transition() = default;
  // t in 0..1, over the logical screen of width x height.
  virtual void Draw(unsigned width, unsigned height, float t) = 0;

  // How far along the transition is, at most 1; a zero or negative duration
  // counts as already at its end.
  float Progress() const;

  int id;
  float elapsed = 0.0f;
  float duration;
};

class Fade2BlackTransition : public Transition {
 public:
  using Transition::Transition;
  void Draw(unsigned width, unsigned height, float t) override;
};

class FadeFrmBlackTransition : public Transition {
 public:
  using Transition::Transition;
  void Draw(unsigned width, unsigned height, float t) override;
};

class TransitionEventSystem : public PlainSystem {
 public:
  static constexpr int kFadeToBlack = 0;
  static constexpr int kFadeFromBlack = 1;

  using PlainSystem::PlainSystem;

  void OnRegistered() override;
  void Update(float dt) override;
  void LateUpdate(float dt) override;
  void Render() override;
  void RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object);

  // Script functions. An unknown type starts nothing.
  void StartTransition(int type, int id, float duration);
  bool IsTransitionEnd(int id);
  void StopTransition(int id);
  // Starts only when no active transition has that id, so a script may call
  // it every frame without stacking fades.
  void StartUniqueTransition(int type, int id, float duration);

  const std::vector<std::unique_ptr<Transition>>& Active() const { return active_; }

 private:
  std::vector<std::unique_ptr<Transition>> active_;
};

}  // namespace Orv
