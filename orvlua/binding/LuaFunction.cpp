#include "LuaFunction.h"

#include "LuaAssert.h"
#include "ScriptInterrupt.h"

namespace OrvLua::Detail {

LuaObject CallScriptFunction(const LuaObject& function, const double* number, const LuaObject* argument) {
  if (!ORVLUA_CHECK("LuaFunction", function.IsBound())) return LuaObject();
  lua_State* L = function.GetCState();
  int top = lua_gettop(L);
  if (!lua_checkstack(L, 3)) {
    ReportAssertion("lua_checkstack(L, 3)", "LuaFunction");
    return LuaObject(function.GetState());
  }
  function.Push(L);
  int nargs = 0;
  if (number) {
    lua_pushnumber(L, *number);
    ++nargs;
  }
  if (argument) {
    ORVLUA_CHECK("LuaFunction", argument->GetCState() == L);
    argument->Push(L);
    ++nargs;
  }
  {
    RunningScript running(L);
    if (lua_pcall(L, nargs, 1, 0) != 0) ReportScriptError(L, "LuaFunction");
  }
  // Most calls (every Update) give nothing back: no handle for that.
  if (lua_isnil(L, -1)) {
    lua_settop(L, top);
    return LuaObject();
  }
  LuaObject result(L, -1);
  lua_settop(L, top);
  return result;
}

}  // namespace OrvLua::Detail
