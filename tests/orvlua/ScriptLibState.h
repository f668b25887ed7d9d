#pragma once
// A Lua state with the standard libraries and the engine's own, for the tests
// of the script-side libraries. Chunks run protected: a failing assertion in
// the script comes back as its message.
#include <lua.hpp>

#include <string>

#include "EngineLibraries.h"

namespace OrvTest {

class ScriptLibState {
 public:
  ScriptLibState() : L(luaL_newstate()) {
    luaL_openlibs(L);
    OrvLua::OpenEngineLibraries(L);
  }
  ~ScriptLibState() { lua_close(L); }
  ScriptLibState(const ScriptLibState&) = delete;
  ScriptLibState& operator=(const ScriptLibState&) = delete;

  // Runs the chunk; "" on success, else the error message.
  std::string Run(const std::string& code) {
    int top = lua_gettop(L);
    std::string error;
    if (luaL_loadbuffer(L, code.data(), code.size(), "=test") != 0 || lua_pcall(L, 0, 0, 0) != 0) {
      const char* message = lua_tostring(L, -1);
      error = message != nullptr ? message : "(error object is not a string)";
    }
    lua_settop(L, top);
    return error.empty() ? "" : error;
  }

  // The value of an expression, through tostring; "error: ..." on failure.
  std::string Eval(const std::string& expression) {
    int top = lua_gettop(L);
    std::string chunk = "return tostring(" + expression + ")";
    std::string result;
    if (luaL_loadbuffer(L, chunk.data(), chunk.size(), "=test") != 0 || lua_pcall(L, 0, 1, 0) != 0) {
      const char* message = lua_tostring(L, -1);
      result = std::string("error: ") + (message != nullptr ? message : "?");
    } else {
      std::size_t len = 0;
      const char* text = lua_tolstring(L, -1, &len);
      result.assign(text != nullptr ? text : "", len);
    }
    lua_settop(L, top);
    return result;
  }

  lua_State* const L;
};

}  // namespace OrvTest
