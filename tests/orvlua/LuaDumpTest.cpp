// Output sinks and value dumps: the dump text, its destinations, and the
// tostring that shows a table's dump.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "LuaDump.h"
#include "LuaStateOutFile.h"
#include "ScriptLibState.h"
#include "support/ProgramRun.h"

namespace {

using OrvTest::ScriptLibState;

TEST(LuaDumpTest, DumpOfTableSortsKeys) {
  ScriptLibState lua;
  EXPECT_EQ(lua.Eval("LuaDumpObject({b = 1, a = 2})"), "\n{\n\ta = 2,\n\tb = 1\n}");
  EXPECT_EQ(lua.Eval("dumpobject == LuaDumpObject and dumpfile == LuaDumpObject and LuaDumpFile == dumpobject"),
            "true");
}

TEST(LuaDumpTest, KeysAndValuesAreWrittenAsLuaSource) {
  ScriptLibState lua;
  EXPECT_EQ(lua.Eval(R"(LuaDumpObject({10, 20, name = "n", ["two words"] = 1, ["end"] = 2, [1.5] = 3,
                                      [true] = 4, [false] = 5, [-1] = 6}))"),
            "\n{\n\t10,\n\t20,\n\t[-1] = 6,\n\t[1.5] = 3,\n\t[\"end\"] = 2,\n\tname = \"n\",\n"
            "\t[\"two words\"] = 1,\n\t[false] = 5,\n\t[true] = 4\n}");
  EXPECT_EQ(lua.Eval(R"(LuaDumpObject({s = "a\"b\\c\n\t\1\255", w = towstring("é☺"), n = 1/3, b = false}))"),
            "\n{\n\tb = false,\n\tn = 0.33333333333333,\n\ts = \"a\\\"b\\\\c\\n\\t\\x01\\xff\",\n"
            "\tw = \"\\x00e9\\x263a\"\n}");
  EXPECT_EQ(lua.Eval("LuaDumpObject({a = {b = {}}, {1}})"),
            "\n{\n\t{\n\t\t1\n\t},\n\ta = \n\t{\n\t\tb = \n\t\t{\n\t\t}\n\t}\n}");
}

TEST(LuaDumpTest, ToStringOfTableIsAddressAndDump) {
  ScriptLibState lua;
  lua_State* L = lua.L;
  ASSERT_EQ(luaL_dostring(L, "t = {x = 1} return t, tostring(t), tostring({}), tostring(setmetatable({}, "
                             "{__tostring = function() return 'own' end})), tostring(5), tostring(nil)"),
            0);
  char address[64];
  std::snprintf(address, sizeof address, "table: %p", lua_topointer(L, 1));
  EXPECT_EQ(std::string(lua_tostring(L, 2)), std::string(address) + "\n{\n\tx = 1\n}");
  EXPECT_EQ(std::string(lua_tostring(L, 3)).substr(0, 7), "table: ");
  EXPECT_EQ(std::string(lua_tostring(L, 3)).substr(std::string(lua_tostring(L, 3)).find('\n')), "\n{\n}");
  EXPECT_STREQ(lua_tostring(L, 4), "own");
  EXPECT_STREQ(lua_tostring(L, 5), "5");
  EXPECT_STREQ(lua_tostring(L, 6), "nil");
  lua_settop(L, 0);

  testing::internal::CaptureStdout();
  EXPECT_EQ(lua.Run("print({y = 2})"), "");
  std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_NE(printed.find("\n{\n\ty = 2\n}\n"), std::string::npos) << printed;
}

TEST(LuaDumpTest, CyclesAndDeepNestingFinish) {
  ScriptLibState lua;
  EXPECT_EQ(lua.Run(R"lua(
    local t = {name = "t"}
    t.self = t
    t.list = {t, {t}}
    local text = tostring(t)
    local _, cycles = text:gsub("'!!!CYCLE!!!'", "")
    assert(cycles == 3, text)
    -- A table met twice on different paths is no cycle: both are written.
    local shared = {v = 1}
    local twice = LuaDumpObject({a = shared, b = shared})
    assert(select(2, twice:gsub("v = 1", "")) == 2, twice)
    local deep = {}
    local node = deep
    for i = 1, 2000 do node.next = {} node = node.next end
    assert(tostring(deep):find("'!!!TOO DEEP!!!'", 1, true))
  )lua"),
            "");
}

TEST(LuaDumpTest, SharedTablesCannotBlowUpTheDump) {
  // Thirty small tables, each holding the next one twice: written out in
  // full the dump would run to gigabytes, so it stops with a mark instead.
  ScriptLibState lua;
  EXPECT_EQ(lua.Run(R"lua(
    local t = {}
    for i = 1, 30 do t = {t, t} end
    local text = tostring(t)
    assert(#text < 9 * 1024 * 1024, #text)
    assert(text:sub(-#"'!!!TOO LONG!!!'") == "'!!!TOO LONG!!!'", text:sub(-40))
    -- Ordinary dumps never meet the limit.
    assert(not tostring({1, {2}}):find("TOO LONG", 1, true))
  )lua"),
            "");
}

TEST(LuaDumpTest, DumpsToFilesMayGrowPastTheLimitOfStrings) {
  OrvTest::ContentFolder folder;
  ScriptLibState lua;
  lua_pushstring(lua.L, (folder.Path() + "/big.lua").c_str());
  lua_setglobal(lua.L, "path");
  EXPECT_EQ(lua.Run(R"lua(
    big = {s = string.rep("x", 9 * 1024 * 1024)}
    assert(tostring(big):find("'!!!TOO LONG!!!'", 1, true))
    assert(LuaDumpObject(path, "big", big))
  )lua"),
            "");
  std::string text = folder.Read("big.lua");
  EXPECT_EQ(text.size(), 9u * 1024 * 1024 + 19);
  EXPECT_EQ(text.find("TOO LONG"), std::string::npos);
}

TEST(LuaDumpTest, LongStringIsWrittenWhole) {
  ScriptLibState lua;
  EXPECT_EQ(lua.Run(R"lua(
    local long = string.rep("0123456789", 500)
    local text = LuaDumpObject({s = long})
    assert(text == '\n{\n\ts = "' .. long .. '"\n}', #text)
  )lua"),
            "");
}

TEST(LuaDumpTest, DumpToFilesReplacesOrAppends) {
  OrvTest::ContentFolder folder;
  ScriptLibState lua;
  std::string path = folder.Path() + "/dump.lua";
  lua_pushstring(lua.L, path.c_str());
  lua_setglobal(lua.L, "path");
  EXPECT_EQ(lua.Run(R"lua(
    assert(LuaDumpObject(path, "first", {1}) == true)
    assert(LuaDumpFile(path, "second", 2) == true)
  )lua"),
            "");
  EXPECT_EQ(folder.Read("dump.lua"), "second = 2\n");
  EXPECT_EQ(lua.Run(R"lua(
    assert(dumpfile("+" .. path, "third", "x"))
    assert(LuaDumpObject("+" .. path, "fourth", {b = {1, 2}}, false, 0, 1))
  )lua"),
            "");
  EXPECT_EQ(folder.Read("dump.lua"), "second = 2\nthird = \"x\"\nfourth = \n{b = {1, 2}}\n");
  EXPECT_EQ(lua.Eval("LuaDumpObject(path .. '/no/such/folder', 't', {})"), "false");
}

TEST(LuaDumpTest, MaxIndentLevelPutsDeeperTablesOnOneLine) {
  OrvTest::ContentFolder folder;
  ScriptLibState lua;
  lua_pushstring(lua.L, (folder.Path() + "/d.lua").c_str());
  lua_setglobal(lua.L, "path");
  EXPECT_EQ(lua.Run("LuaDumpObject(path, 't', {1, {2, 3}, x = {y = 1}}, true, 0, 2)"), "");
  EXPECT_EQ(folder.Read("d.lua"), "t = \n{\n\t1,\n\t{2, 3},\n\tx = \n\t{y = 1}\n}\n");
  EXPECT_EQ(lua.Run("LuaDumpObject(path, 't', {a = {b = 1}}, true, 2)"), "");
  EXPECT_EQ(folder.Read("d.lua"), "\t\tt = \n\t\t{\n\t\t\ta = \n\t\t\t{\n\t\t\t\tb = 1\n\t\t\t}\n\t\t}\n");
}

TEST(LuaDumpTest, FunctionsAndUserdataAreComments) {
  OrvTest::ContentFolder folder;
  ScriptLibState lua;
  lua_pushstring(lua.L, (folder.Path() + "/d.lua").c_str());
  lua_setglobal(lua.L, "path");
  ASSERT_EQ(lua.Run("function f()\nend\nLuaDumpObject(path, 'f', f)"), "");
  EXPECT_EQ(folder.Read("d.lua"), "-- f = '!!!FUNCTION!!! test 1'\n");
  ASSERT_EQ(lua.Run("LuaDumpObject(path, 'p', print)"), "");
  EXPECT_EQ(folder.Read("d.lua"), "-- p = '!!!CFUNCTION!!!'\n");
  ASSERT_EQ(lua.Run("LuaDumpObject(path, 'u', io.stdout)"), "");
  EXPECT_EQ(folder.Read("d.lua"), "-- u = '!!!USERDATA!!!'\r\n");

  ASSERT_EQ(lua.Run("LuaDumpObject(path, 't', {f = f, 1})"), "");
  EXPECT_EQ(folder.Read("d.lua"), "t = \n{\n\t1\n}\n") << "left out without writeAll";
  ASSERT_EQ(lua.Run("LuaDumpObject(path, 't', {f = f, 1}, true, 0, -1, true)"), "");
  EXPECT_EQ(folder.Read("d.lua"), "t = \n{\n\t1,\n\t-- 'function: test 1'\n}\n");
  ASSERT_EQ(lua.Run("LuaDumpObject(path, 't', {f = f}, true, 0, 0, true)"), "");
  EXPECT_EQ(folder.Read("d.lua"), "t = \n{--[[ 'function: test 1' ]]}\n") << "one line keeps its brace";
}

TEST(LuaDumpTest, DestinationsAreHandlesNamesAndDebugOutput) {
  OrvTest::ContentFolder folder;
  ScriptLibState lua;
  lua_pushstring(lua.L, (folder.Path() + "/h.lua").c_str());
  lua_setglobal(lua.L, "path");
  ASSERT_EQ(lua.Run("local f = io.open(path, 'w') f:write('-- head\\n') LuaDumpObject(f, 't', {1}) f:close()"), "");
  EXPECT_EQ(folder.Read("h.lua"), "-- head\nt = \n{\n\t1\n}\n");

  testing::internal::CaptureStderr();
  ASSERT_EQ(lua.Run("LuaDumpObject('@', 'shown', 42)"), "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "shown = 42\n");

  std::string error = lua.Run("LuaDumpObject({}, 't', 1)");
  EXPECT_NE(error.find("file handle or file name expected"), std::string::npos) << error;
}

TEST(LuaDumpTest, GlobalsDumpFinishesWithoutRepeatingGlobals) {
  ScriptLibState lua;
  testing::internal::CaptureStderr();
  ASSERT_EQ(lua.Run("answer = 42 LuaDumpGlobals('@')"), "");
  std::string text = testing::internal::GetCapturedStderr();
  EXPECT_NE(text.find("answer = 42\n"), std::string::npos);
  EXPECT_NE(("\n" + text).find("\nmath = \n{\n\thuge = inf,\n\tpi = 3.1415926535898\n}\n"), std::string::npos);
  EXPECT_NE(text.find("\t\t_G = '!!!CYCLE!!!'"), std::string::npos) << "package.loaded._G";
  EXPECT_EQ(text.find("\n_G = "), std::string::npos) << "the globals table itself is skipped";
  EXPECT_EQ(lua.Eval("LuaDumpGlobals == dumpglobals"), "true");
}

TEST(LuaDumpTest, TablesWithFormattedWriteWriteThemselves) {
  ScriptLibState lua;
  EXPECT_EQ(lua.Run(R"lua(
    local seen
    local point = {__index = {}, FormattedWrite = function(t, alphabetical, indent, maxIndent, writeAll)
      seen = {alphabetical, indent, maxIndent, writeAll}
      LuaFilePrint("Point(" .. t.x .. ", " .. t.y .. ")")
    end}
    local text = LuaDumpObject({p = setmetatable({x = 1, y = 2}, point)})
    assert(text == "\n{\n\tp = Point(1, 2)\n}", text)
    assert(seen[1] == true and seen[2] == 1 and seen[3] == -1 and seen[4] == true)

    local indented = {FormattedWrite = function(t) LuaFilePrint("{\n") LuaFileIndent(2) LuaFilePrint("}") end}
    text = LuaDumpObject({setmetatable({}, indented)})
    assert(text == "\n{\n\t{\n\t\t}\n}", text)
    assert(not pcall(LuaFilePrint, "outside a dump"))
  )lua"),
            "");
  testing::internal::CaptureStderr();
  EXPECT_EQ(lua.Eval("LuaDumpObject({a = setmetatable({}, {FormattedWrite = function() error('broken writer', 0) end}), "
                     "b = 1})"),
            "\n{\n\ta = ,\n\tb = 1\n}");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "broken writer\n");
}

TEST(LuaDumpTest, DumpObjectToStringGivesNilForNothing) {
  ScriptLibState lua;
  lua_State* L = lua.L;
  lua_pushcfunction(L, OrvLua::DumpObjectToString);
  lua_pushnil(L);
  lua_call(L, 1, 1);
  EXPECT_TRUE(lua_isnil(L, -1));
  lua_pushcfunction(L, OrvLua::DumpObjectToString);
  lua_pushnumber(L, 2.5);
  lua_call(L, 1, 1);
  EXPECT_STREQ(lua_tostring(L, -1), "2.5");
  lua_settop(L, 0);
}

TEST(LuaStateOutFileTest, StringSinkGrowsByWholeSteps) {
  OrvLua::LuaStateOutString out(4);
  EXPECT_EQ(out.GetBuffer(), nullptr);
  out.Print("%s", "");
  EXPECT_EQ(out.GetBuffer(), nullptr) << "nothing printed yet";
  out.Print("ab%d", 1);
  out.Print("%s", "-");
  std::string big(5000, 'q');
  out.Print("%s|", big.c_str());
  EXPECT_EQ(out.GetLength(), 5u + 5000u);
  EXPECT_EQ(std::string(out.GetBuffer()), "ab1-" + big + "|");
}

TEST(LuaStateOutFileTest, FileSinkOpensAppendsAndCloses) {
  OrvTest::ContentFolder folder;
  std::string path = folder.Path() + "/sink.txt";
  {
    OrvLua::LuaStateOutFile out;
    out.Print("dropped: no stream");
    ASSERT_TRUE(out.Open(path.c_str()));
    out.Print("%d-%s", 7, "x");
    out.Close();
  }
  EXPECT_EQ(folder.Read("sink.txt"), "7-x");
  {
    OrvLua::LuaStateOutFile out;
    ASSERT_TRUE(out.Open(path.c_str()));
    out.Print("dropped without Close");
  }
  EXPECT_EQ(folder.Read("sink.txt"), "7-x") << "a writer dropped on an error leaves the file";
  {
    OrvLua::LuaStateOutFile out;
    ASSERT_TRUE(out.Open(("+" + path).c_str()));
    out.Print("+more");
    out.Close();
    out.Print("after close");
  }
  EXPECT_EQ(folder.Read("sink.txt"), "7-x+more");
  OrvLua::LuaStateOutFile out;
  EXPECT_FALSE(out.Open((path + "/not/a/folder").c_str()));
}

}  // namespace
