#pragma once
// Any Lua value written out as Lua source text: the dump base functions of
// every state, and the text that `tostring` appends to a table.
struct lua_State;

namespace OrvLua {

// A C function: dumps the value at stack index 1 with no name, sorted keys
// and every value, and pushes the text (nil when nothing was written).
int DumpObjectToString(lua_State* L);

// Registers LuaDumpObject/dumpobject, LuaDumpFile/dumpfile,
// LuaDumpGlobals/dumpglobals and the table-dumping `tostring`.
void OpenDumpLibrary(lua_State* L);

}  // namespace OrvLua
