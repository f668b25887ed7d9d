// io.popen through the command shell.
#include <gtest/gtest.h>

#include <string>

#include "ScriptLibState.h"
#include "support/ProgramRun.h"

namespace {

using OrvTest::ScriptLibState;

TEST(LuaPipeTest, ReadsTheCommandsOutput) {
  ScriptLibState lua;
  EXPECT_EQ(lua.Run(R"lua(
    local f = io.popen("echo hi", "rt")
    assert(io.type(f) == "file")
    assert(f:read("*l") == "hi")
    assert(f:read("*l") == nil)
    assert(f:close() == true)
    assert(io.type(f) == "closed file")
    local lines = {}
    for line in io.popen("printf 'a\\nb\\n'"):lines() do lines[#lines + 1] = line end
    assert(#lines == 2 and lines[1] == "a" and lines[2] == "b")
  )lua"),
            "");
}

TEST(LuaPipeTest, OnlyReadAndWriteModesOpen) {
  struct Case {
    const char* mode;
    const char* type;
  };
  const Case cases[] = {{"'r'", "file"}, {"'rb'", "file"}, {"'w'", "file"}, {"'wt'", "file"},
                        {"'x'", "nil"},  {"''", "nil"},    {"'a'", "nil"},  {"nil", "file"}};
  ScriptLibState lua;
  for (const Case& c : cases) {
    std::string code = std::string("local f = io.popen('true', ") + c.mode + ") local t = io.type(f) or 'nil' " +
                       "if f then f:close() end return t";
    ASSERT_EQ(luaL_dostring(lua.L, code.c_str()), 0) << lua_tostring(lua.L, -1);
    EXPECT_STREQ(lua_tostring(lua.L, -1), c.type) << c.mode;
    lua_settop(lua.L, 0);
  }
}

TEST(LuaPipeTest, WritesTheCommandsInputAndCloseWaits) {
  OrvTest::ContentFolder folder;
  ScriptLibState lua;
  lua_pushstring(lua.L, (folder.Path() + "/piped.txt").c_str());
  lua_setglobal(lua.L, "path");
  ASSERT_EQ(lua.Run(R"lua(
    local f = io.popen("sleep 0.2; cat > '" .. path .. "'", "w")
    f:write("one ", 2, "\n")
    f:close()
  )lua"),
            "");
  EXPECT_EQ(folder.Read("piped.txt"), "one 2\n");
}

TEST(LuaPipeTest, ErrorOutputIsInheritedUnlessMerged) {
  ScriptLibState lua;
  testing::internal::CaptureStderr();
  EXPECT_EQ(lua.Run(R"lua(
    local f = io.popen("echo to-stderr 1>&2; echo to-stdout")
    local text = f:read("*a")
    f:close()
    assert(text == "to-stdout\n", text)
    f = io.popen("sh -c 'echo merged 1>&2' 2>&1")
    text = f:read("*a")
    f:close()
    assert(text == "merged\n", text)
  )lua"),
            "");
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("to-stderr\n"), std::string::npos) << err;
  EXPECT_EQ(err.find("merged"), std::string::npos) << err;
}

}  // namespace
