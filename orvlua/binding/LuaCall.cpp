#include "LuaCall.h"

#include <cstdio>

#include "LuaAssert.h"
#include "ScriptInterrupt.h"

namespace OrvLua {

namespace {
constexpr const char* kUnit = "LuaCall";
}

LuaCall::LuaCall(const LuaObject& function) {
  if (!ORVLUA_CHECK(kUnit, function.IsBound())) return;
  ORVLUA_CHECK(kUnit, function.IsFunction());
  state_ = function.GetCState();
  startResults_ = lua_gettop(state_) + 1;
  function.Push(state_);
}

LuaCall& LuaCall::operator<<(int value) {
  if (!state_) return *this;
  lua_checkstack(state_, 1);
  lua_pushnumber(state_, value);
  ++numArgs_;
  return *this;
}

LuaCall& LuaCall::operator<<(const LuaObject& value) {
  if (!state_) return *this;
  ORVLUA_CHECK(kUnit, value.GetCState() == state_);
  value.Push(state_);
  ++numArgs_;
  return *this;
}

LuaStackObject LuaCall::operator<<(const LuaRun& run) {
  if (!state_) return {};
  int status = 0;
  {
    RunningScript running(state_);
    status = lua_pcall(state_, numArgs_, run.numResults, run.errorHandler);
  }
  if (status != 0) {
    int type = lua_type(state_, -1);
    if (type == LUA_TSTRING || type == LUA_TNUMBER) {
      ReportAssertion("0", kUnit, lua_tostring(state_, -1));
    } else {
      char text[64];
      std::snprintf(text, sizeof text, "unknown lua error, code: %d", status);
      ReportAssertion("0", kUnit, text);
    }
  }
  return {state_, startResults_};
}

}  // namespace OrvLua
