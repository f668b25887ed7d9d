#pragma once
// The physics engine's script functions of one object's own body, each made
// for that object. Setters multiply what they are given by 60 (an amount per
// sixtieth of a second becomes one per second); getters hand the stored
// values back. On an object that is dead or has lost its script or body a
// setter does nothing and a getter gives nil.
#include "LuaObject.h"
#include "core/ObjectFunc.h"

namespace Orv {

struct SetVelocityFunc : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  void operator()(double x, double y);
};

struct GetVelocityFunc : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  OrvLua::LuaObject operator()();
};

// Also "AddVelocity", which replaces the x velocity as this does.
struct SetVelocityX : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  void operator()(double v);
};

struct SetVelocityY : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  void operator()(double v);
};

struct SetAccelFunc : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  void operator()(double x, double y);
};

struct GetAccelFunc : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  OrvLua::LuaObject operator()();
};

struct AddAccelFunc : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  void operator()(double x, double y);
};

struct SetAngularVelocityFunc : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  void operator()(double v);
};

struct GetAngularVelocityFunc : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  OrvLua::LuaObject operator()();
};

struct AddAngularVelocityFunc : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  void operator()(double v);
};

struct SetImpulseFunc : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  void operator()(double x, double y);
};

struct SetForceFunc : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  void operator()(double x, double y);
};

struct GetForceFunc : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  OrvLua::LuaObject operator()();
};

struct AddForceFunc : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  void operator()(double x, double y);
};

struct GetDirectionFunc : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  OrvLua::LuaObject operator()();
};

struct SetDirectionFunc : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  void operator()(double x1, double y1, double x2, double y2);
};

struct SetBouncy : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  void operator()(double v);
};

struct GetBouncy : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  OrvLua::LuaObject operator()();
};

struct SetWallBouncingTrue : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  void operator()();
};

struct SetWallBouncingFalse : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  void operator()();
};

}  // namespace Orv
