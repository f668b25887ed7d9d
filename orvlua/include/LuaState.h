#pragma once
// A Lua state of the engine: one per scripted object. A LuaState pointer and
// the core's lua_State pointer are the same address; there is no wrapper
// object, so either can be handed to the core or to the binding.
#include <lua.hpp>

namespace Orv {
class GameObject;
}

namespace OrvLua {

class LuaObject;

class LuaState {
 public:
  LuaState() = delete;
  LuaState(const LuaState&) = delete;
  LuaState& operator=(const LuaState&) = delete;

  // A new state with the standard libraries, our chunk loading (the
  // `continue` statement) and the engine's own libraries.
  static LuaState* Create();
  // Closes the state. Handles still bound to it are unbound first and read
  // nil afterwards; a plain lua_close does the same.
  static void Close(LuaState* state);

  static LuaState* CastState(lua_State* L) { return reinterpret_cast<LuaState*>(L); }
  lua_State* GetCState() { return reinterpret_cast<lua_State*>(this); }

  // The object this state scripts (null for none), for lines that name it.
  static void SetOwner(lua_State* L, const Orv::GameObject* owner);
  static const Orv::GameObject* OwnerOf(lua_State* L);

  // The globals table of this thread.
  LuaObject GetGlobals();
  // globals[name], honouring an __index metamethod of the globals table.
  LuaObject GetGlobal(const char* name);
};

// Handed to the core: the allocator, and the panic function that reports an
// error raised outside every protected call before the process ends.
void* OrvLuaAlloc(void* ud, void* block, size_t oldSize, size_t newSize);
int LuaPanic(lua_State* L);

}  // namespace OrvLua
