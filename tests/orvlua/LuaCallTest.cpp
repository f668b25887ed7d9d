#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LuaCall.h"
#include "LuaFunction.h"
#include "LuaTableIterator.h"
#include "LuaTestSupport.h"

namespace {

using OrvLua::LuaCall;
using OrvLua::LuaFunction;
using OrvLua::LuaObject;
using OrvLua::LuaRun;
using OrvLua::LuaTableIterator;

int CountReports(const std::string& text) {
  int n = 0;
  for (size_t at = text.find("Assertion failed"); at != std::string::npos; at = text.find("Assertion failed", at + 1)) {
    ++n;
  }
  return n;
}

TEST(LuaTableIteratorTest, EmptyTableIsDoneAtOnce) {
  OrvTest::TestState lua;
  LuaObject t;
  t.AssignNewTable(lua.state());
  LuaTableIterator it(t);
  EXPECT_FALSE(it.IsValid());
}

TEST(LuaTableIteratorTest, WalksTheArrayPartThenTheHashPart) {
  OrvTest::TestState lua;
  lua.Run("t = {10, 20, x = 'a'}");
  std::vector<std::string> seen;
  for (LuaTableIterator it(lua.state()->GetGlobal("t")); it; ++it) {
    LuaObject& key = it.GetKey();
    if (key.IsNumber()) {
      seen.push_back(std::to_string(key.GetInteger()) + "=" + std::to_string(it.GetValue().GetInteger()));
    } else {
      seen.push_back(std::string(key.GetString()) + "=" + it.GetValue().GetString());
    }
    EXPECT_EQ(lua_gettop(lua.L()), 0);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"1=10", "2=20", "x=a"}));
}

TEST(LuaTableIteratorTest, AKeyLostUnderTheWalkEndsItWithAReport) {
  OrvTest::TestState lua;
  lua.Run("t = {a = 1}");
  LuaObject t = lua.state()->GetGlobal("t");
  LuaTableIterator it(t);
  ASSERT_TRUE(it.IsValid());
  // Remove the current key and grow the table: the rehash drops the key.
  lua.Run("t.a = nil for i = 1, 100 do t['k' .. i] = i end");
  ::testing::internal::CaptureStderr();
  it.Next();
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_FALSE(it.IsValid());
  EXPECT_NE(err.find("unit LuaTableIterator: invalid key to 'next'"), std::string::npos) << err;
  EXPECT_EQ(lua_gettop(lua.L()), 0);
}

TEST(LuaTableIteratorTest, AWalkWhoseStateClosedEndsWithAReport) {
  OrvLua::LuaState* state = OrvLua::LuaState::Create();
  LuaObject t = state->GetGlobals();
  LuaTableIterator it(t);
  ASSERT_TRUE(it.IsValid());
  OrvLua::LuaState::Close(state);
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(it.Next());
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_FALSE(it.IsValid());
  EXPECT_TRUE(it.GetKey().IsNil());
  EXPECT_NE(err.find("unit LuaTableIterator"), std::string::npos) << err;
}

TEST(LuaFunctionTest, ScriptErrorGivesOneReportAndTheMessage) {
  OrvTest::TestState lua;
  lua.Run("function Update(dt) error('bad update ' .. dt) end");
  LuaFunction<LuaObject> update(lua.state()->GetGlobal("Update"));
  ::testing::internal::CaptureStderr();
  LuaObject result = update(0.5);
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(CountReports(err), 1) << err;
  EXPECT_NE(err.find("unit LuaFunction: test:1: bad update 0.5"), std::string::npos) << err;
  ASSERT_TRUE(result.IsString());
  EXPECT_STREQ(result.GetString(), "test:1: bad update 0.5");
  EXPECT_EQ(lua_gettop(lua.L()), 0);
}

TEST(LuaFunctionTest, ResultsAndArgumentForms) {
  OrvTest::TestState lua;
  lua.Run("function None() end function Two() return 'first', 'second' end "
          "function OnMessage(n, t) return n .. t.x end function Echo(v) return v end");
  EXPECT_TRUE(LuaFunction<LuaObject>(lua.state()->GetGlobal("None"))().IsNil());
  EXPECT_STREQ(LuaFunction<LuaObject>(lua.state()->GetGlobal("Two"))().GetString(), "first");
  LuaObject message;
  message.AssignNewTable(lua.state());
  message.SetString("x", "-hello");
  EXPECT_STREQ(LuaFunction<LuaObject>(lua.state()->GetGlobal("OnMessage"))(3, message).GetString(), "3-hello");
  EXPECT_TRUE(LuaFunction<LuaObject>(lua.state()->GetGlobal("Echo"))(message).IsTable());
  EXPECT_EQ(lua_gettop(lua.L()), 0);
}

TEST(LuaCallTest, RunsAndLeavesResultsForTheCaller) {
  OrvTest::TestState lua;
  lua.Run("function Add(a, b) return a + b.v, 'more' end function Throw() error({}) end");
  lua_State* L = lua.L();
  LuaObject arg;
  arg.AssignNewTable(lua.state());
  arg.SetInteger("v", 5);
  OrvLua::LuaStackObject first = LuaCall(lua.state()->GetGlobal("Add")) << 2 << arg << LuaRun(1);
  EXPECT_EQ(first.index, 1);
  EXPECT_EQ(lua_tonumber(L, first.index), 7);
  EXPECT_EQ(lua_gettop(L), 1);
  lua_settop(L, 0);

  ::testing::internal::CaptureStderr();
  LuaCall(lua.state()->GetGlobal("Throw")) << LuaRun();
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("unit LuaCall: unknown lua error, code: 2"), std::string::npos) << err;
  lua_settop(L, 0);
}

}  // namespace
