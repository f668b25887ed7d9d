#pragma once
// The contract between the engine and each of its systems.
#include "core/ObjectLockPtr.h"
#include "platform/Messages.h"

namespace Orv {

class App;
class GameObject;

class System {
 public:
  explicit System(App* owner) : owner_(owner) {}
  virtual ~System() = default;
  System(const System&) = delete;
  System& operator=(const System&) = delete;

  virtual void OnRegistered() = 0;
  // Before the window and the OpenGL context exist.
  virtual void Init(unsigned width, unsigned height) = 0;
  // First thing in the frame loop, with the context current.
  virtual void Start() = 0;
  virtual void Update(float dt) = 0;
  virtual void Shutdown() = 0;
  virtual void Pause() {}
  virtual void Resume() {}
  virtual void Resize(int /*width*/, int /*height*/, int /*borderWidth*/, int /*borderHeight*/) {}
  virtual void PreUpdate(float /*dt*/) {}
  virtual void LateUpdate(float /*dt*/) {}
  virtual void Render() {}
  virtual void OnWindowMessage(unsigned /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/) {}
  virtual void OnGameObjectAdded(ObjectLockPtr<GameObject> /*object*/) {}
  virtual void OnKeyUp(int /*key*/) {}
  virtual void OnMouseButtonUp(int /*button*/) {}

  App* GetOwner() const { return owner_; }

 protected:
  App* owner_;
};

// A system whose five required operations do nothing.
class PlainSystem : public System {
 public:
  using System::System;
  void OnRegistered() override {}
  void Init(unsigned /*width*/, unsigned /*height*/) override {}
  void Start() override {}
  void Update(float /*dt*/) override {}
  void Shutdown() override {}
};

// The role lists a system belongs to, besides the list of all systems.
enum SystemRole : unsigned {
  RoleNone = 0,
  RoleRender = 1u << 0,
  RoleUpdate = 1u << 1,
  RoleLateUpdate = 1u << 2,
  RoleInput = 1u << 3,
};

}  // namespace Orv
