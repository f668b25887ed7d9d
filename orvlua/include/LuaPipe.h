#pragma once
// io.popen: a command run through the command shell with a pipe to its
// output ("r...") or its input ("w...").
struct lua_State;

namespace OrvLua {

// Replaces the io library's popen.
void OpenPipeLibrary(lua_State* L);

}  // namespace OrvLua
