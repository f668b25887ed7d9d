#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

#include "LuaObject.h"
#include "LuaTestSupport.h"

namespace {

using OrvLua::LuaObject;

int CountReports(const std::string& text) {
  int n = 0;
  for (size_t at = text.find("Assertion failed"); at != std::string::npos; at = text.find("Assertion failed", at + 1)) {
    ++n;
  }
  return n;
}

TEST(LuaObjectTest, SetStringStoresRemovesAndKeepsZeros) {
  OrvTest::TestState lua;
  LuaObject globals = lua.state()->GetGlobals();
  globals.SetString("s", "text");
  EXPECT_EQ(lua.Run("return s"), "text");
  globals.SetString("s", "a\0b", 3);
  EXPECT_EQ(lua.Run("return #s .. (s:byte(2))"), "30");
  globals.SetString("s", nullptr);
  EXPECT_EQ(lua.Run("return type(s)"), "nil");
}

TEST(LuaObjectTest, GetByNameHonoursIndexButGetByIndexIsRaw) {
  OrvTest::TestState lua;
  lua.Run("t = setmetatable({}, {__index = function(_, k) return 'meta' end})");
  LuaObject t = lua.state()->GetGlobal("t");
  EXPECT_STREQ(t.GetByName("missing").GetString(), "meta");
  EXPECT_STREQ(t["missing"].GetString(), "meta");
  EXPECT_TRUE(t.GetByIndex(1).IsNil());
  EXPECT_TRUE(t[7].IsNil());
  EXPECT_EQ(lua_gettop(lua.L()), 0);
}

struct NumberCase {
  double value;
  int integer;
};

TEST(LuaObjectTest, GetIntegerTruncatesAndSaturates) {
  OrvTest::TestState lua;
  const NumberCase cases[] = {{2.9, 2},       {-2.9, -2},       {0.0, 0},        {2147483647.0, INT_MAX},
                              {1e12, INT_MAX}, {-1e12, INT_MIN}, {NAN, 0},        {-2147483648.0, INT_MIN}};
  for (const NumberCase& c : cases) {
    LuaObject n;
    n.AssignNumber(lua.state(), c.value);
    EXPECT_EQ(n.GetInteger(), c.integer) << c.value;
  }
}

TEST(LuaObjectTest, GetBooleanOfNilIsFalseAndOfOthersReports) {
  OrvTest::TestState lua;
  LuaObject value(lua.state());
  EXPECT_FALSE(value.GetBoolean());
  lua_pushboolean(lua.L(), 1);
  value.AssignFromStack(lua.L(), -1);
  lua_pop(lua.L(), 1);
  EXPECT_TRUE(value.GetBoolean());
  value.AssignNumber(lua.state(), 0);
  ::testing::internal::CaptureStderr();
  EXPECT_TRUE(value.GetBoolean());
  EXPECT_EQ(CountReports(::testing::internal::GetCapturedStderr()), 1);
}

TEST(LuaObjectTest, CopiesAndAssignmentsOfUnboundHandles) {
  OrvTest::TestState lua;
  LuaObject unbound;
  LuaObject copy(unbound);
  EXPECT_FALSE(copy.IsBound());
  LuaObject bound = lua.state()->GetGlobals();
  EXPECT_TRUE(bound.IsTable());
  bound = unbound;
  EXPECT_FALSE(bound.IsBound());
  EXPECT_TRUE(bound.IsNil());
}

TEST(LuaObjectTest, AssignNilMovesTheHandleToTheOtherState) {
  OrvTest::TestState other;
  LuaObject handle;
  {
    OrvTest::TestState first;
    handle.AssignNewTable(first.state());
    handle.AssignNil(other.state());
    EXPECT_EQ(handle.GetState(), other.state());
  }
  // Closing the first state left it alone.
  EXPECT_EQ(handle.GetState(), other.state());
  handle.AssignString(other.state(), "moved");
  EXPECT_STREQ(handle.GetString(), "moved");
}

TEST(LuaObjectTest, SetMetatableOnANumberIsSharedByAllNumbers) {
  OrvTest::TestState lua;
  LuaObject number;
  number.AssignNumber(lua.state(), 5);
  LuaObject meta;
  meta.AssignNewTable(lua.state());
  meta.CreateTable("__index").SetInteger("answer", 42);
  number.SetMetatable(meta);
  EXPECT_EQ(lua.Run("return (7).answer"), "42");
}

TEST(LuaObjectTest, CreateTableIsVisibleThroughItsKey) {
  OrvTest::TestState lua;
  LuaObject child = lua.state()->GetGlobals().CreateTable("child");
  child.SetNumber("x", 1.5);
  child.SetInteger(1, 9);
  child.SetBoolean("flag", true);
  EXPECT_EQ(lua.Run("return child.x .. child[1] .. tostring(child.flag)"), "1.59true");
}

TEST(LuaObjectTest, FailingMetamethodsAreReportedAndTheStackKept) {
  OrvTest::TestState lua;
  lua.Run("t = setmetatable({}, {__index = function() error('index failed') end, "
          "__newindex = function() error('write failed') end})");
  LuaObject t = lua.state()->GetGlobal("t");
  ::testing::internal::CaptureStderr();
  EXPECT_TRUE(t.GetByName("x").IsNil());
  t.SetNumber("x", 1);
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(CountReports(err), 2) << err;
  EXPECT_NE(err.find("unit LuaObject: test:1: index failed"), std::string::npos) << err;
  EXPECT_NE(err.find("write failed"), std::string::npos) << err;
  EXPECT_EQ(lua_gettop(lua.L()), 0);
}

TEST(LuaObjectTest, InsertShiftsWithoutTheScriptsTableLibrary) {
  OrvTest::TestState lua;
  lua.Run("t = {1, 2, 3} table.insert = function() error('replaced') end");
  LuaObject t = lua.state()->GetGlobal("t");
  LuaObject value;
  value.AssignString(lua.state(), "x");
  t.Insert(2, value);
  EXPECT_EQ(lua.Run("return table.concat(t, ',')"), "1,x,2,3");
  t.Insert(6, value);
  EXPECT_EQ(lua.Run("return tostring(t[5]) .. t[6]"), "nilx");
  EXPECT_EQ(lua_gettop(lua.L()), 0);
}

TEST(LuaObjectTest, ReadsOfOtherTypesReportAndGiveNothing) {
  OrvTest::TestState lua;
  LuaObject number;
  number.AssignNumber(lua.state(), 3);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(number.GetString(), nullptr);
  EXPECT_TRUE(number.GetByIndex(1).IsNil());
  EXPECT_EQ(number.StrLen(), 0u);
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(CountReports(err), 3) << err;
  EXPECT_NE(err.find("unit LuaObject"), std::string::npos);
}

TEST(LuaObjectTest, WideStringReadsGiveItsCharacters) {
  OrvTest::TestState lua;
  lua_State* L = lua.L();
  ASSERT_EQ(lua.Run("w = towstring('h\\195\\169llo') .. towstring('\\0z') return 1"), "1");
  LuaObject w = lua.state()->GetGlobal("w");
  ASSERT_TRUE(w.IsWString());
  EXPECT_EQ(w.StrLen(), 7u);
  ASSERT_NE(w.GetWString(), nullptr);
  EXPECT_EQ(std::u16string(w.GetWString(), w.StrLen()), std::u16string(u"h\u00e9llo\0z", 7));
  EXPECT_EQ(w.GetWString()[7], u'\0');
  EXPECT_EQ(lua_gettop(L), 0);
}

TEST(LuaObjectTest, PushMakesRoomOnAFullStack) {
  OrvTest::TestState lua;
  lua_State* L = lua.L();
  LuaObject value;
  value.AssignNumber(lua.state(), 1);
  for (int i = 0; i < 500; ++i) value.Push();
  EXPECT_EQ(lua_gettop(L), 500);
  lua_settop(L, 0);
}

}  // namespace
