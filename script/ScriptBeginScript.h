#pragma once
// The functors the script start makes for each scripted object: the child
// creations and the group functions, each bound to the calling object.
#include <utility>

#include "LuaObject.h"
#include "core/ObjectFunc.h"
#include "script/ScriptBegin.h"

namespace Orv {

// The child creations also hold the system, which makes the child.
class ScriptBegin::CreateChildGameObject : public SystemObjectFunc<ScriptBegin> {
 public:
  using SystemObjectFunc::SystemObjectFunc;
  unsigned operator()(const char* typeName, int id);
};

class ScriptBegin::CreateMountedChildGameObject : public SystemObjectFunc<ScriptBegin> {
 public:
  using SystemObjectFunc::SystemObjectFunc;
  unsigned operator()(const char* typeName, int id);
};

class ScriptBegin::IsGroupLeaderFunc : public ObjectFunc {
 public:
  using ObjectFunc::ObjectFunc;
  bool operator()();
};

class ScriptBegin::GetGroupAverageWorldPosFunc : public ObjectFunc {
 public:
  using ObjectFunc::ObjectFunc;
  OrvLua::LuaObject operator()();
};

class ScriptBegin::SetGroupVarRealFunc : public ObjectFunc {
 public:
  using ObjectFunc::ObjectFunc;
  void operator()(const char* key, double value);
};

class ScriptBegin::SetGroupVarStringFunc : public ObjectFunc {
 public:
  using ObjectFunc::ObjectFunc;
  void operator()(const char* key, const char* value);
};

class ScriptBegin::SetGroupVarIntFunc : public ObjectFunc {
 public:
  using ObjectFunc::ObjectFunc;
  void operator()(const char* key, int value);
};

class ScriptBegin::GetGroupVarFunc : public ObjectFunc {
 public:
  using ObjectFunc::ObjectFunc;
  OrvLua::LuaObject operator()(const char* key);
};

}  // namespace Orv
