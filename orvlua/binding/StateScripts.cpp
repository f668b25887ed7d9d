#include "StateScripts.h"

#include "ChunkLoader.h"
#include "LuaGlobals.h"
#include "LuaObject.h"
#include "LuaState.h"
#include "ScriptInterrupt.h"

namespace OrvLua {

namespace {

int AppendTo(lua_State*, const void* block, size_t size, void* out) {
  static_cast<std::string*>(out)->append(static_cast<const char*>(block), size);
  return 0;
}

int LoadKeepingCompiled(lua_State* L, const std::string& text, std::string& compiled, const std::string& chunkName) {
  if (!compiled.empty()) return luaL_loadbuffer(L, compiled.data(), compiled.size(), chunkName.c_str());
  const size_t skipped = ByteOrderMarkLength(text.data(), text.size());
  const int status = LoadBuffer(L, text.data() + skipped, text.size() - skipped, chunkName.c_str());
  if (status == 0) {
    std::string dumped;
    if (lua_dump(L, &AppendTo, &dumped) == 0) compiled = std::move(dumped);
  }
  return status;
}

void SetGlobalOnTop(lua_State* L, std::string_view name) {
  if (HasPlainGlobals(L)) {
    lua_pushlstring(L, name.data(), name.size());
    lua_insert(L, -2);
    lua_rawset(L, LUA_GLOBALSINDEX);
    return;
  }
  LuaObject globals = LuaState::CastState(L)->GetGlobals();
  globals.SetObject(std::string(name).c_str(), LuaObject(L, -1));
  lua_pop(L, 1);
}

}  // namespace

std::string ScriptError::Describe() const { return text ? *text : "(error object is a " + typeName + " value)"; }

bool RunChunk(LuaState* state, const std::string& text, std::string& compiled, const std::string& chunkName,
              ScriptError& error) {
  lua_State* L = state->GetCState();
  const int top = lua_gettop(L);
  bool ok = false;
  {
    RunningScript running(L);
    ok = LoadKeepingCompiled(L, text, compiled, chunkName) == 0 && lua_pcall(L, 0, LUA_MULTRET, 0) == 0;
  }
  if (!ok) {
    const int type = lua_type(L, -1);
    if (type == LUA_TSTRING || type == LUA_TNUMBER) {
      error.text = lua_tostring(L, -1);
    } else {
      error.text.reset();
    }
    error.typeName = lua_typename(L, type);
  }
  lua_settop(L, top);
  return ok;
}

bool Compiles(const std::string& text, std::string& compiled, const std::string& chunkName, std::string& message) {
  lua_State* L = luaL_newstate();
  if (L == nullptr) return true;
  const bool ok = LoadKeepingCompiled(L, text, compiled, chunkName) == 0;
  if (!ok) message = lua_isstring(L, -1) ? lua_tostring(L, -1) : "?";
  lua_close(L);
  return ok;
}

void SetGlobalNumber(LuaState* state, std::string_view name, double value) {
  lua_State* L = state->GetCState();
  lua_checkstack(L, 3);
  lua_pushnumber(L, value);
  SetGlobalOnTop(L, name);
}

void SetGlobalString(LuaState* state, std::string_view name, std::string_view value) {
  lua_State* L = state->GetCState();
  lua_checkstack(L, 3);
  lua_pushlstring(L, value.data(), value.size());
  SetGlobalOnTop(L, name);
}

void HoldCollector(LuaState* state) { lua_gc(state->GetCState(), LUA_GCSTOP, 0); }

void ReleaseCollector(LuaState* state) { lua_gc(state->GetCState(), LUA_GCRESTART, 0); }

}  // namespace OrvLua
