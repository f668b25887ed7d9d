#pragma once
// string.pack and string.unpack: numbers, booleans and strings packed into
// byte strings by a format of one-letter codes, with 32-bit sizes whatever
// the host's long is.
struct lua_State;

namespace OrvLua {

int StringPack(lua_State* L);
int StringUnpack(lua_State* L);

// Adds pack and unpack to the string library's table.
void OpenPackLibrary(lua_State* L);

}  // namespace OrvLua
