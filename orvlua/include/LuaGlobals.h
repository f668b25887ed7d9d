#pragma once
// The globals table as the engine reads and writes it many times per object:
// raw while nothing guards it, through its metamethods once a script does.
#include <lua.hpp>

namespace OrvLua {

// True while nobody has given the globals table a metatable: a raw write or
// read then has the same effect as a plain one, and costs less.
bool HasPlainGlobals(lua_State* L);

// Pushes globals[name] and returns true when it is a function; otherwise
// pushes nothing. The raw read serves the calls made every frame; a name
// missing under an __index metamethod is read protected, so a script that
// guards its globals (an error for an undefined name) cannot end the program
// when the engine looks for a callback the script does not define: such a
// callback is simply absent.
bool PushGlobalFunction(lua_State* L, const char* name);

}  // namespace OrvLua
