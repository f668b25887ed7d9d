#include "LuaPipe.h"

#include <lua.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/CommandPipe.h"

namespace OrvLua {
namespace {

// The io library closes a file through the __close of the file's
// environment table; ours waits for the command so no process is left
// behind unreaped.
int ClosePipe(lua_State* L) {
  auto* file = static_cast<std::FILE**>(luaL_checkudata(L, 1, "FILE*"));
  int status = Orv::Platform::CloseCommandPipe(*file);
  *file = nullptr;
  if (status == -1) {
    int error = errno;
    lua_pushnil(L);
    lua_pushstring(L, std::strerror(error));
    lua_pushinteger(L, error);
    return 3;
  }
  lua_pushboolean(L, 1);
  return 1;
}

// io.popen(command, mode): "r..." reads the command's output, "w..." writes
// its input; any other mode gives nil. The command runs under /bin/sh, and
// its standard error stays the program's own unless the command redirects it
// ("2>&1").
int Popen(lua_State* L) {
  const char* command = luaL_checkstring(L, 1);
  const char* mode = luaL_optstring(L, 2, "r");
  if (mode[0] != 'r' && mode[0] != 'w') {
    lua_pushnil(L);
    return 1;
  }
  // The handle exists before the process does, so running out of memory
  // here cannot leave a command without its stream.
  auto* file = static_cast<std::FILE**>(lua_newuserdata(L, sizeof(std::FILE*)));
  *file = nullptr;
  luaL_getmetatable(L, "FILE*");
  lua_setmetatable(L, -2);
  lua_pushvalue(L, lua_upvalueindex(1));
  lua_setfenv(L, -2);

  std::fflush(nullptr);  // what we wrote so far comes before the command's
  *file = Orv::Platform::OpenCommandPipe(command, mode[0] == 'w');
  if (*file == nullptr) {
    int error = errno;
    lua_pushnil(L);
    lua_pushfstring(L, "%s: %s", command, std::strerror(error));
    lua_pushinteger(L, error);
    return 3;
  }
  std::setvbuf(*file, nullptr, _IONBF, 0);
  return 1;
}

}  // namespace

void OpenPipeLibrary(lua_State* L) {
  lua_getglobal(L, "io");
  luaL_getmetatable(L, "FILE*");
  bool hasIo = lua_istable(L, -2) && lua_istable(L, -1);
  lua_pop(L, 1);
  if (hasIo) {
    lua_createtable(L, 0, 1);
    lua_pushcfunction(L, ClosePipe);
    lua_setfield(L, -2, "__close");
    lua_pushcclosure(L, Popen, 1);
    lua_setfield(L, -2, "popen");
  }
  lua_pop(L, 1);
}

}  // namespace OrvLua
