#include "LuaState.h"

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "ChunkLoader.h"
#include "EngineLibraries.h"
#include "LuaAssert.h"
#include "LuaObject.h"
#include "StateRecord.h"
#include "core/Report.h"

namespace OrvLua {

namespace Detail {

void StateRecord::UnbindAll() {
  // The registry goes with the state, so the anchors are not released one
  // by one; each handle just forgets the state.
  HandleLink* link = head;
  while (link != &sentinel) {
    HandleLink* next = link->next;
    static_cast<LuaObject*>(link)->ForgetState();
    link = next;
  }
  head = &sentinel;
  sentinel.prev = &head;
}

namespace {
int Trampoline(lua_State* L) {
  auto fn = reinterpret_cast<lua_CFunction>(lua_touserdata(L, 1));
  lua_remove(L, 1);
  return fn(L);
}
}  // namespace

int ProtectedCall(lua_State* L, lua_CFunction fn, int nargs, int nresults) {
  StateRecord* record = RecordOf(L);
  lua_checkstack(L, 2);
  lua_pushlightuserdata(L, reinterpret_cast<void*>(fn));
  lua_insert(L, -(nargs + 1));
  if (record) {
    lua_rawgeti(L, LUA_REGISTRYINDEX, record->trampolineRef);
  } else {
    lua_pushcfunction(L, Trampoline);
  }
  lua_insert(L, -(nargs + 2));
  return lua_pcall(L, nargs + 1, nresults, 0);
}

}  // namespace Detail

namespace {

constexpr int kGlobalsSize = 512;

int OpenLibraries(lua_State* L) {
  // An object's state ends up with a few hundred globals (the libraries, then
  // every system's functions and constants); a table made at that size spares
  // the rehashes on the way there.
  lua_createtable(L, 0, kGlobalsSize);
  lua_replace(L, LUA_GLOBALSINDEX);
  static const luaL_Reg libraries[] = {
      {"", luaopen_base},         {LUA_LOADLIBNAME, luaopen_package}, {LUA_TABLIBNAME, luaopen_table},
      {LUA_IOLIBNAME, luaopen_io}, {LUA_OSLIBNAME, luaopen_os},        {LUA_STRLIBNAME, luaopen_string},
      {LUA_MATHLIBNAME, luaopen_math}, {LUA_DBLIBNAME, luaopen_debug},
  };
  for (const luaL_Reg& library : libraries) {
    lua_pushcfunction(L, library.func);
    lua_pushstring(L, library.name);
    lua_call(L, 1, 0);
  }
  InstallChunkLoaders(L);
  return 0;
}

int OpenEngineLibrariesProtected(lua_State* L) {
  OpenEngineLibraries(L);
  return 0;
}

}  // namespace

LuaState* LuaState::Create() {
  auto* record = new Detail::StateRecord;
  lua_State* L = lua_newstate(&OrvLuaAlloc, record);
  if (!L) {
    delete record;
    return nullptr;
  }
  record->mainThread = L;
  lua_atpanic(L, &LuaPanic);
  lua_pushcfunction(L, Detail::Trampoline);
  record->trampolineRef = luaL_ref(L, LUA_REGISTRYINDEX);

  // The libraries only add what they keep: nothing to collect meanwhile.
  lua_gc(L, LUA_GCSTOP, 0);
  int top = lua_gettop(L);
  if (lua_cpcall(L, &OpenLibraries, nullptr) != 0) ReportScriptError(L, "OrvLua");
  lua_settop(L, top);
  if (lua_cpcall(L, &OpenEngineLibrariesProtected, nullptr) != 0) ReportScriptError(L, "OrvLua");
  lua_settop(L, top);
  lua_gc(L, LUA_GCRESTART, 0);
  return CastState(L);
}

void LuaState::Close(LuaState* state) {
  if (!state) return;
  lua_State* L = state->GetCState();
  if (Detail::StateRecord* record = Detail::RecordOf(L)) record->UnbindAll();
  lua_close(L);
}

LuaObject LuaState::GetGlobals() { return LuaObject(GetCState(), LUA_GLOBALSINDEX); }

LuaObject LuaState::GetGlobal(const char* name) { return LuaObject::GetField(GetCState(), LUA_GLOBALSINDEX, name); }

void* OrvLuaAlloc(void* ud, void* block, size_t oldSize, size_t newSize) {
  auto* record = static_cast<Detail::StateRecord*>(ud);
  constexpr size_t kSmall = Detail::SmallBlockPool::kLargest;
  // The core always tells a block's size: every block of a small size but
  // the first (the main thread's, allocated before the pool is in use) is
  // the pool's.
  const bool inPool = block && oldSize <= kSmall && block != record->mainBlock;
  if (newSize == 0) {
    if (block && block == record->mainBlock && record->mainThread) {
      // The state is gone: whatever handles are left read nil from now on.
      record->UnbindAll();
      delete record;
      std::free(block);
    } else if (inPool) {
      record->pool.Free(block, oldSize);
    } else {
      std::free(block);
    }
    return nullptr;
  }
  if (record->mainBlock && newSize <= kSmall) {
    if (inPool && Detail::SmallBlockPool::SameStep(oldSize, newSize)) return block;
    void* moved = record->pool.Allocate(newSize);
    if (moved && block) {
      std::memcpy(moved, block, std::min(oldSize, newSize));
      if (inPool) {
        record->pool.Free(block, oldSize);
      } else {
        std::free(block);
      }
    }
    return moved;
  }
  if (inPool) {
    void* moved = std::malloc(newSize);
    if (moved) {
      std::memcpy(moved, block, oldSize);
      record->pool.Free(block, oldSize);
    }
    return moved;
  }
  void* result = std::realloc(block, newSize);
  if (!block && !record->mainBlock) record->mainBlock = result;
  return result;
}

int LuaPanic(lua_State* L) {
  int type = lua_type(L, -1);
  if (type == LUA_TSTRING || type == LUA_TNUMBER) Orv::PrintErrorLine(lua_tostring(L, -1));
  ReportAssertion("0", "OrvLua");
  return -1;
}

}  // namespace OrvLua
