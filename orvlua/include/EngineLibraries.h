#pragma once
// What the engine's Lua offers beyond the standard libraries.
struct lua_State;

namespace OrvLua {

// Opens the engine's own libraries in a state whose standard libraries are
// already open: wide strings, dumps, byte-string packing, pipes.
void OpenEngineLibraries(lua_State* L);

}  // namespace OrvLua
