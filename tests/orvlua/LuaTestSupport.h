#pragma once
// A state made and closed per test, and running Lua text in it.
#include <string>

#include "ChunkLoader.h"
#include "LuaState.h"

namespace OrvTest {

class TestState {
 public:
  TestState() : state_(OrvLua::LuaState::Create()) {}
  ~TestState() { OrvLua::LuaState::Close(state_); }
  TestState(const TestState&) = delete;
  TestState& operator=(const TestState&) = delete;

  OrvLua::LuaState* state() const { return state_; }
  lua_State* L() const { return state_->GetCState(); }

  // Loads and runs the text; "error: <message>" on failure, else the first
  // result as text ("nil" when there is none or it has no text form).
  std::string Run(const std::string& code, const char* chunkname = "=test") const {
    lua_State* L = state_->GetCState();
    int top = lua_gettop(L);
    std::string result;
    if (OrvLua::LoadBuffer(L, code.data(), code.size(), chunkname) != 0 || lua_pcall(L, 0, 1, 0) != 0) {
      result = std::string("error: ") + (lua_tostring(L, -1) ? lua_tostring(L, -1) : "?");
    } else {
      const char* text = lua_tostring(L, -1);
      result = text ? text : (lua_isboolean(L, -1) ? (lua_toboolean(L, -1) ? "true" : "false") : "nil");
    }
    lua_settop(L, top);
    return result;
  }

 private:
  OrvLua::LuaState* state_;
};

}  // namespace OrvTest
