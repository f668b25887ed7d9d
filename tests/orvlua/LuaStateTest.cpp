#include <gtest/gtest.h>

#include <string>

#include "LuaObject.h"
#include "LuaState.h"
#include "LuaTestSupport.h"

namespace {

using OrvLua::LuaObject;
using OrvLua::LuaState;

void FullCollect(lua_State* L) {
  for (int i = 0; i < 3; ++i) lua_gc(L, LUA_GCCOLLECT, 0);
}

TEST(LuaStateTest, NewStateHasTheStandardLibraries) {
  OrvTest::TestState lua;
  for (const char* name : {"package", "table", "io", "os", "string", "math", "debug"}) {
    EXPECT_TRUE(lua.state()->GetGlobal(name).IsTable()) << name;
  }
  for (const char* name : {"print", "pairs", "pcall", "loadstring", "require"}) {
    EXPECT_TRUE(lua.state()->GetGlobal(name).IsFunction()) << name;
  }
  EXPECT_EQ(lua_gettop(lua.L()), 0);
}

TEST(LuaStateTest, TableHeldOnlyByAHandleSurvivesCollections) {
  OrvTest::TestState lua;
  lua.Run("probe = setmetatable({}, {__mode = 'v'})");
  {
    LuaObject held;
    held.AssignNewTable(lua.state());
    lua.state()->GetGlobal("probe").SetObject(1, held);
    FullCollect(lua.L());
    FullCollect(lua.L());
    EXPECT_EQ(lua.Run("return type(probe[1])"), "table");
  }
  FullCollect(lua.L());
  EXPECT_EQ(lua.Run("return type(probe[1])"), "nil");
}

TEST(LuaStateTest, HandleAssignedMidCycleKeepsItsTable) {
  OrvTest::TestState lua;
  lua.Run("probe = setmetatable({}, {__mode = 'v'}) junk = {} for i = 1, 2000 do junk[i] = {} end");
  lua_State* L = lua.L();
  LuaObject held(lua.state());
  // Start an incremental cycle, then bind the new table in the middle of it.
  lua_gc(L, LUA_GCSTEP, 1);
  lua_gc(L, LUA_GCSTEP, 1);
  held.AssignNewTable(lua.state());
  lua.state()->GetGlobal("probe").SetObject(1, held);
  while (lua_gc(L, LUA_GCSTEP, 1) == 0) {
  }
  while (lua_gc(L, LUA_GCSTEP, 1) == 0) {
  }
  EXPECT_EQ(lua.Run("return type(probe[1])"), "table");
}

TEST(LuaStateTest, ClosingUnbindsEveryHandle) {
  LuaObject table;
  LuaObject number;
  LuaObject onCoroutine;
  LuaState* state = LuaState::Create();
  table.AssignNewTable(state);
  number.AssignNumber(state, 4);
  lua_State* thread = lua_newthread(state->GetCState());
  lua_newtable(thread);
  onCoroutine.AssignFromStack(thread, -1);
  EXPECT_EQ(onCoroutine.GetState(), state);
  LuaState::Close(state);
  for (const LuaObject* handle : {&table, &number, &onCoroutine}) {
    EXPECT_FALSE(handle->IsBound());
    EXPECT_TRUE(handle->IsNil());
  }
}

TEST(LuaStateTest, PlainLuaCloseUnbindsHandlesToo) {
  LuaState* state = LuaState::Create();
  LuaObject globals = state->GetGlobals();
  LuaObject copy = globals;
  lua_close(state->GetCState());
  EXPECT_FALSE(globals.IsBound());
  EXPECT_FALSE(copy.IsBound());
  copy = globals;  // unbound to unbound: nothing to touch
  EXPECT_FALSE(copy.IsBound());
}

TEST(LuaStateTest, GetGlobalHonoursIndexOfTheGlobals) {
  OrvTest::TestState lua;
  lua.Run("setmetatable(_G, {__index = function(t, k) return k .. '!' end})");
  EXPECT_STREQ(lua.state()->GetGlobal("zzz").GetString(), "zzz!");
}

TEST(LuaStateTest, HandlesRefuseStatesNotMadeByCreate) {
  lua_State* bare = luaL_newstate();
  lua_newtable(bare);
  ::testing::internal::CaptureStderr();
  LuaObject handle(bare, -1);
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_FALSE(handle.IsBound());
  EXPECT_NE(err.find("Assertion failed: state made by LuaState::Create, unit LuaObject"), std::string::npos) << err;
  lua_close(bare);
}

// A state keeps its small blocks apart from the process heap; values that
// grow and shrink across that size, and threads, keep their contents.
TEST(LuaStateTest, ValuesGrowingAndShrinkingAcrossTheSmallBlockSizeKeepTheirContents) {
  OrvTest::TestState lua;
  const char* script = R"lua(
    local parts, check = {}, 0
    for n = 1, 600 do
      local s = string.rep('x', n)
      parts[n] = {s, n, {n}}
      check = check + #parts[n][1] + parts[n][3][1]
      if n % 50 == 0 then collectgarbage() end
    end
    for n = 600, 1, -1 do parts[n] = nil end
    collectgarbage()
    local grown = {}
    for i = 1, 100 do grown[i] = i end
    for i = 100, 2, -1 do grown[i] = nil end
    grown.after = 'rehashed'
    local threads = 0
    for i = 1, 200 do
      local co = coroutine.create(function(a) local t = {a, a * 2} coroutine.yield(t[2]) return t[1] end)
      local _, twice = coroutine.resume(co, i)
      local _, once = coroutine.resume(co)
      if twice == 2 * i and once == i then threads = threads + 1 end
    end
    collectgarbage()
    result = check .. ' ' .. grown[1] .. ' ' .. grown.after .. ' ' .. threads
  )lua";
  ASSERT_EQ(luaL_dostring(lua.L(), script), 0) << lua_tostring(lua.L(), -1);
  EXPECT_STREQ(lua.state()->GetGlobal("result").GetString(), "360600 1 rehashed 200");
}

TEST(LuaStateDeathTest, UnprotectedErrorReportsAndEndsWithStatus1) {
  EXPECT_EXIT(
      {
        LuaState* state = LuaState::Create();
        lua_pushstring(state->GetCState(), "boom outside");
        lua_error(state->GetCState());
      },
      ::testing::ExitedWithCode(1), "boom outside\nAssertion failed: 0, unit OrvLua");
}

}  // namespace
