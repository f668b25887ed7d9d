#include "OrvCall.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "LuaState.h"
#include "core/GameObject.h"
#include "core/ReportOnce.h"

namespace OrvCall {

void NoCalleeBuffer(lua_State* L) {
  luaL_error(L, "this engine function has nothing to call");
  // luaL_error does not return; this keeps the compiler sure of it.
  std::abort();
}

void RaiseScriptError(lua_State* L, const std::string& message) {
  lua_pushlstring(L, message.data(), message.size());
  lua_error(L);
  std::abort();
}

void ReportNotFinite(lua_State* L) {
  // The name it was registered under: through pcall or a local the call site
  // names nothing, or something else.
  if (lua_type(L, lua_upvalueindex(2)) == LUA_TSTRING) {
    ReportNotFinite(L, lua_tostring(L, lua_upvalueindex(2)));
    return;
  }
  lua_Debug call;
  const char* name = "?";
  if (lua_getstack(L, 0, &call) && lua_getinfo(L, "n", &call) && call.name != nullptr) name = call.name;
  ReportNotFinite(L, name);
}

void ReportNotFinite(lua_State* L, const char* function) {
  const Orv::GameObject* owner = L != nullptr ? OrvLua::LuaState::OwnerOf(L) : nullptr;
  Orv::ReportNotFiniteIgnored(function, owner != nullptr ? Orv::ObjectName(*owner) : std::string());
}

bool FiniteOrReport(lua_State* L, double value, const char* function) {
  if (std::isfinite(value)) return true;
  ReportNotFinite(L, function);
  return false;
}

namespace {

// The engine's object blocks carry no metatable; a full userdata that has one
// is a script's own value (a wide string, an open file), whose first bytes
// are no object to call, and an empty one (newproxy) holds no object at all.
bool IsForeignUserData(lua_State* L, int idx) {
  if (lua_objlen(L, idx) == 0) return true;
  if (!lua_getmetatable(L, idx)) return false;
  lua_pop(L, 1);
  return true;
}

}  // namespace

void* GetObjectUserData(lua_State* L) {
  switch (lua_type(L, 1)) {
    case LUA_TUSERDATA: {
      void* object = nullptr;
      if (lua_objlen(L, 1) >= sizeof object && !IsForeignUserData(L, 1))
        std::memcpy(&object, lua_touserdata(L, 1), sizeof object);
      if (object) return object;
      break;
    }
    case LUA_TTABLE: {
      lua_pushstring(L, "__object");
      lua_rawget(L, 1);
      int type = lua_type(L, -1);
      void* object = type == LUA_TLIGHTUSERDATA || (type == LUA_TUSERDATA && !IsForeignUserData(L, -1))
                         ? lua_touserdata(L, -1)
                         : nullptr;
      lua_pop(L, 1);
      // A null light userdata would be called as an object: refuse it too.
      if (object) return object;
      luaL_error(L, "The table does not have a userdata member called __object.");
      return nullptr;
    }
    default: break;
  }
  luaL_argerror(L, 1, "must be userdata or a table with a userdata member called __object");
  return nullptr;
}

namespace {

struct ObjectTable {
  const char* kind;
  const OrvLua::LuaObject* table;
};

std::unordered_map<const void*, ObjectTable>& BoundObjects() {
  static std::unordered_map<const void*, ObjectTable> objects;
  return objects;
}

}  // namespace

void BindObjectTable(void* object, const char* kind, const OrvLua::LuaObject* table) {
  if (object && kind && table) BoundObjects()[object] = {kind, table};
}

void UnbindObjectTable(void* object) { BoundObjects().erase(object); }

void* GetBoundObjectUserData(lua_State* L, const char* kind) {
  void* object = GetObjectUserData(L);
  const auto& objects = BoundObjects();
  const auto found = objects.find(object);
  if (found == objects.end()) {
    luaL_error(L, "no live %s behind this table", kind);
    return nullptr;
  }
  const ObjectTable& bound = found->second;
  // The bound handle keeps its table alive, so no other live table can share
  // its address.
  if (lua_type(L, 1) != LUA_TTABLE || !bound.table->IsBound() || bound.table->GetLuaPointer() != lua_topointer(L, 1)) {
    luaL_error(L, "this table is not the one its %s was made with", bound.kind);
    return nullptr;
  }
  if (std::strcmp(bound.kind, kind) != 0) {
    luaL_error(L, "a %s method called on a %s", kind, bound.kind);
    return nullptr;
  }
  return object;
}

}  // namespace OrvCall
