#pragma once
// The collision engine's script functions made for one object. Each does
// nothing, answering its fallback, once the object is dead or has lost its
// collision component or its collider.
#include <string>
#include <utility>

#include "LuaObject.h"
#include "core/ObjectFunc.h"

namespace Orv {

class CollisionComponent;
class ScriptComponent;

struct MoveFunc : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  void operator()(double dx, double dy);
};

// Holds the object's script and collision components as they were at
// registration: a component that replaces either is not read.
class GetPosFunc : public ObjectFunc {
 public:
  GetPosFunc(ObjectLockPtr<GameObject> object, ObjectLockPtr<ScriptComponent> script,
             ObjectLockPtr<CollisionComponent> collision)
      : ObjectFunc(std::move(object)), script_(std::move(script)), collision_(std::move(collision)) {}
  OrvLua::LuaObject operator()();

 private:
  ObjectLockPtr<ScriptComponent> script_;
  ObjectLockPtr<CollisionComponent> collision_;
};

struct SetPosFunc : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  void operator()(double x, double y);
};

struct SetZCollFunc : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  void operator()(double z);
};

struct GetZCollFunc : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  OrvLua::LuaObject operator()();
};

struct SetAvoidTriggerFunc : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  void operator()(bool flag);
};

struct GetAvoidTriggerFunc : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  OrvLua::LuaObject operator()();
};

struct SetOrientation : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  void operator()(double degrees);
};

struct GetDirectionVector : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  OrvLua::LuaObject operator()(float x, float y);
};

struct SetContactInfoString : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  void operator()(const char* key, const char* value);
};

struct SetContactInfoInteger : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  void operator()(const char* key, int value);
};

struct SetContactInfoReal : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  void operator()(const char* key, double value);
};

struct GetContactInfoReal : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  double operator()(const char* key);
};

struct GetContactInfoInteger : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  int operator()(const char* key);
};

class GetContactInfoString : public ObjectFunc {
 public:
  using ObjectFunc::ObjectFunc;
  const char* operator()(const char* key);

 private:
  // The answer lives here until it has been pushed.
  std::string result_;
};

struct GetCollisionCount : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  unsigned operator()();
};

struct GetContactManifolds : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  OrvLua::LuaObject operator()();
};

struct SetEnableOcclusion : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  void operator()(bool flag);
};

struct GetBoundingRec : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  OrvLua::LuaObject operator()();
};

}  // namespace Orv
