#pragma once
// Every way Lua text gets into a state goes through here, so the engine's
// scripts and the scripts' own loadstring, load, loadfile, dofile and
// require all accept the `continue` statement.
#include <cstddef>

#include <lua.hpp>

namespace OrvLua {

// As luaL_loadbuffer: pushes the compiled chunk, or an error message and
// returns the core's error status. Precompiled chunks are loaded unchanged.
int LoadBuffer(lua_State* L, const char* buffer, size_t size, const char* chunkname);
// As luaL_loadfile; a null name reads standard input. A UTF-8 byte-order mark
// at the start is skipped.
int LoadFile(lua_State* L, const char* filename);

// The length of a UTF-8 byte-order mark at the start of text (3), or 0.
// Editors on the original platform put one in front of the files they save.
size_t ByteOrderMarkLength(const char* text, size_t size);

// Replaces loadstring, load, loadfile, dofile and the Lua-file searcher of
// require in a state whose base and package libraries are open.
void InstallChunkLoaders(lua_State* L);

}  // namespace OrvLua
