#include "LuaState.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ChunkLoader.h"
#include "EngineLibraries.h"
#include "LuaAssert.h"
#include "LuaObject.h"
#include "StateRecord.h"
#include "core/Report.h"
#include "orvlua/memory/PageSource.h"

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
      {"", luaopen_base},
      {LUA_LOADLIBNAME, luaopen_package},
      {LUA_TABLIBNAME, luaopen_table},
      {LUA_IOLIBNAME, luaopen_io},
      {LUA_OSLIBNAME, luaopen_os},
      {LUA_STRLIBNAME, luaopen_string},
      {LUA_MATHLIBNAME, luaopen_math},
      {LUA_DBLIBNAME, luaopen_debug},
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

void LuaState::SetOwner(lua_State* L, const Orv::GameObject* owner) {
  if (Detail::StateRecord* record = Detail::RecordOf(L)) record->owner = owner;
}

const Orv::GameObject* LuaState::OwnerOf(lua_State* L) {
  const Detail::StateRecord* record = Detail::RecordOf(L);
  return record != nullptr ? record->owner : nullptr;
}

LuaObject LuaState::GetGlobals() { return LuaObject(GetCState(), LUA_GLOBALSINDEX); }

LuaObject LuaState::GetGlobal(const char* name) { return LuaObject::GetField(GetCState(), LUA_GLOBALSINDEX, name); }

namespace {

// Where a block of a state lives, by its size: small ones in the state's
// pool, middling ones as runs of whole pages, the rare large one on the heap.
enum class Home { Pool, Pages, Heap };

Home HomeOf(size_t size) {
  if (size <= Detail::SmallBlockPool::kLargest) return Home::Pool;
  return size <= Detail::PageSource::kLargestRun * Detail::PageSource::kPageSize ? Home::Pages : Home::Heap;
}

void* Allocate(Detail::StateRecord& record, size_t size) {
  switch (HomeOf(size)) {
    case Home::Pool: return record.pool.Allocate(size);
    case Home::Pages: return Detail::PageSource::Take(Detail::PageSource::PagesFor(size));
    case Home::Heap: break;
  }
  return std::malloc(size);
}

void Release(Detail::StateRecord& record, void* block, size_t size) {
  switch (HomeOf(size)) {
    case Home::Pool: return record.pool.Free(block, size);
    case Home::Pages: return Detail::PageSource::Give(block, Detail::PageSource::PagesFor(size));
    case Home::Heap: break;
  }
  std::free(block);
}

bool Fits(size_t oldSize, size_t newSize) {
  const Home home = HomeOf(oldSize);
  if (home != HomeOf(newSize)) return false;
  if (home == Home::Pool) return Detail::SmallBlockPool::SameStep(oldSize, newSize);
  return home == Home::Pages && Detail::PageSource::PagesFor(oldSize) == Detail::PageSource::PagesFor(newSize);
}

}  // namespace

// The core always tells a block's size, which tells where the block lives.
void* OrvLuaAlloc(void* ud, void* block, size_t oldSize, size_t newSize) {
  auto* record = static_cast<Detail::StateRecord*>(ud);
  if (newSize == 0) {
    if (!block) return nullptr;
    if (block == record->mainBlock && record->mainThread) {
      // The state is gone: whatever handles are left read nil from now on.
      // The block itself lies in the pool, which goes with the record.
      record->UnbindAll();
      delete record;
    } else {
      Release(*record, block, oldSize);
    }
    return nullptr;
  }
  if (block && Fits(oldSize, newSize)) return block;
  if (block && HomeOf(oldSize) == Home::Heap && HomeOf(newSize) == Home::Heap) return std::realloc(block, newSize);
  void* moved = Allocate(*record, newSize);
  if (!moved) return nullptr;
  if (block) {
    std::memcpy(moved, block, std::min(oldSize, newSize));
    Release(*record, block, oldSize);
  }
  // The core's first block holds the main thread and the global state.
  if (!record->mainBlock) record->mainBlock = moved;
  return moved;
}

int LuaPanic(lua_State* L) {
  int type = lua_type(L, -1);
  if (type == LUA_TSTRING || type == LUA_TNUMBER) Orv::PrintErrorLine(lua_tostring(L, -1));
  ReportAssertion("0", "OrvLua");
  return -1;
}

}  // namespace OrvLua
