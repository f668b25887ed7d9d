#pragma once
// The functors the camera makes for each scripted object. The tables they
// give are made in the object's state; nil once the object is dead or has
// no script.
#include <utility>

#include "LuaObject.h"
#include "core/ObjectFunc.h"
#include "render/CameraSystem.h"

namespace Orv {

// "GetWorldCursor": {x, y}.
class GetWorldCursor : public SystemObjectFunc<CameraSystem> {
 public:
  using SystemObjectFunc::SystemObjectFunc;
  OrvLua::LuaObject operator()();
};

// "GetWorld2Screen": the world point on screen, {x, y}.
class TransformCoords : public SystemObjectFunc<CameraSystem> {
 public:
  using SystemObjectFunc::SystemObjectFunc;
  OrvLua::LuaObject operator()(float x, float y);
};

// "GetScreenPos": the object's screen position, {x, y}; an empty table
// without a transform.
class GetScreenPos : public ObjectFunc {
 public:
  using ObjectFunc::ObjectFunc;
  OrvLua::LuaObject operator()();
};

// "SetFollowParent": the transform's follow-parent flag.
class SetFollowParent : public ObjectFunc {
 public:
  using ObjectFunc::ObjectFunc;
  void operator()(bool on);
};

// "SetFollowParentRotation": the transform's follow-parent-rotation flag.
class SetFollowParentRotationFunc : public ObjectFunc {
 public:
  using ObjectFunc::ObjectFunc;
  void operator()(bool on);
};

}  // namespace Orv
