#pragma once
// Moves every rigid body once a frame: forces into velocity, velocity into
// position, turning, friction; takes each body's place from its collider
// first and hands it back after, with a copy in the object's transform.
#include <utility>
#include <vector>

#include "LuaObject.h"
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

  // The script functions of one object's own body, each made for that
  // object. Setters multiply what they are given by 60 (an amount per
  // sixtieth of a second becomes one per second); getters hand the stored
  // values back. On an object that is dead or has lost its script or body a
  // setter does nothing and a getter gives nil.
  class BodyFunc {
   public:
    explicit BodyFunc(ObjectLockPtr<GameObject> object) : object_(std::move(object)) {}

   protected:
    ObjectLockPtr<GameObject> object_;
  };
  struct SetVelocityFunc : BodyFunc {
    using BodyFunc::BodyFunc;
    void operator()(double x, double y);
  };
  struct GetVelocityFunc : BodyFunc {
    using BodyFunc::BodyFunc;
    OrvLua::LuaObject operator()();
  };
  // Also "AddVelocity", which replaces the x velocity as this does.
  struct SetVelocityX : BodyFunc {
    using BodyFunc::BodyFunc;
    void operator()(double v);
  };
  struct SetVelocityY : BodyFunc {
    using BodyFunc::BodyFunc;
    void operator()(double v);
  };
  struct SetAccelFunc : BodyFunc {
    using BodyFunc::BodyFunc;
    void operator()(double x, double y);
  };
  struct GetAccelFunc : BodyFunc {
    using BodyFunc::BodyFunc;
    OrvLua::LuaObject operator()();
  };
  struct AddAccelFunc : BodyFunc {
    using BodyFunc::BodyFunc;
    void operator()(double x, double y);
  };
  struct SetAngularVelocityFunc : BodyFunc {
    using BodyFunc::BodyFunc;
    void operator()(double v);
  };
  struct GetAngularVelocityFunc : BodyFunc {
    using BodyFunc::BodyFunc;
    OrvLua::LuaObject operator()();
  };
  struct AddAngularVelocityFunc : BodyFunc {
    using BodyFunc::BodyFunc;
    void operator()(double v);
  };
  struct SetImpulseFunc : BodyFunc {
    using BodyFunc::BodyFunc;
    void operator()(double x, double y);
  };
  struct SetForceFunc : BodyFunc {
    using BodyFunc::BodyFunc;
    void operator()(double x, double y);
  };
  struct GetForceFunc : BodyFunc {
    using BodyFunc::BodyFunc;
    OrvLua::LuaObject operator()();
  };
  struct AddForceFunc : BodyFunc {
    using BodyFunc::BodyFunc;
    void operator()(double x, double y);
  };
  struct GetDirectionFunc : BodyFunc {
    using BodyFunc::BodyFunc;
    OrvLua::LuaObject operator()();
  };
  struct SetDirectionFunc : BodyFunc {
    using BodyFunc::BodyFunc;
    void operator()(double x1, double y1, double x2, double y2);
  };
  struct SetBouncy : BodyFunc {
    using BodyFunc::BodyFunc;
    void operator()(double v);
  };
  struct GetBouncy : BodyFunc {
    using BodyFunc::BodyFunc;
    OrvLua::LuaObject operator()();
  };
  struct SetWallBouncingTrue : BodyFunc {
    using BodyFunc::BodyFunc;
    void operator()();
  };
  struct SetWallBouncingFalse : BodyFunc {
    using BodyFunc::BodyFunc;
    void operator()();
  };

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
