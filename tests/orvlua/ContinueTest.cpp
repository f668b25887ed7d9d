#include <gtest/gtest.h>

#include <string>

#include "ContinueRewriter.h"
#include "LuaTestSupport.h"

namespace {

struct Case {
  const char* name;
  const char* code;
  const char* expected;
};

class ContinueCases : public ::testing::TestWithParam<Case> {};

TEST_P(ContinueCases, GivesTheExpectedResult) {
  OrvTest::TestState lua;
  EXPECT_EQ(lua.Run(GetParam().code), GetParam().expected) << GetParam().code;
}

const Case kCases[] = {
    {"NumericFor",
     "local s = '' for i = 1, 6 do if i % 2 == 0 then continue end s = s .. i end return s", "135"},
    {"WhileRetestsItsCondition",
     "local i, s = 0, '' while i < 5 do i = i + 1 if i == 3 then continue end s = s .. i end return s", "1245"},
    {"GenericFor",
     "local s = '' for k, v in ipairs({'a','b','c'}) do if v == 'b' then continue end s = s .. v end return s",
     "ac"},
    {"RepeatEvaluatesUntil",
     "local i, s = 0, '' repeat i = i + 1 if i < 3 then continue end s = s .. i until i >= 4 return s", "34"},
    {"RepeatUntilSeesLocalsBeforeContinue",
     "local n = 0 repeat n = n + 1 local done = n >= 3 if true then continue end until done return n", "3"},
    {"RepeatLocalsAfterContinueReadNil",
     "local y, n = 'outer', 0 repeat n = n + 1 if n < 3 then continue end local y = 'inner' until y == 'inner' "
     "or n > 9 return n",
     "3"},
    {"BreakStillLeavesTheLoop",
     "local s = '' for i = 1, 9 do if i == 2 then continue end if i == 4 then break end s = s .. i end return s",
     "13"},
    {"BreakInRepeatSkipsUntil",
     "local n = 0 repeat n = n + 1 if n == 1 then continue end break until n > 1 and error('until ran') return n",
     "2"},
    {"InnermostLoopOnly",
     "local s = '' for i = 1, 2 do for j = 1, 3 do if j == 2 then continue end s = s .. i .. j end s = s .. ';' "
     "end return s",
     "1113;2123;"},
    {"ContinueMidBlockSkipsTheRest",
     "local s = '' for i = 1, 3 do s = s .. i continue s = s .. 'x' end return s", "123"},
    {"ClosuresCaptureEachIteration",
     "local f = {} for i = 1, 4 do if i == 2 then continue end f[#f + 1] = function() return i end end "
     "local s = '' for _, g in ipairs(f) do s = s .. g() end return s",
     "134"},
    {"NestedFunctionHasItsOwnLoops",
     "local s = '' for i = 1, 3 do local function g() for j = 1, 2 do if j == 1 then continue end s = s .. j end "
     "end g() if i == 2 then continue end s = s .. i end return s",
     "21223"},
    {"RepeatLocalFunctionInUntil",
     "local n = 0 repeat n = n + 1 local function big() return n > 2 end if n == 1 then continue end "
     "until big() return n",
     "3"},
    {"ContinueAsNameStillWorks",
     "local continue = 1 continue = continue + 1 local t = {continue = 5} t.continue = t.continue + continue "
     "return t.continue",
     "7"},
    {"ContinueCalledAsFunction",
     "local s = '' function continue(x) s = s .. type(x) .. ';' end continue() continue(2) continue 'x' "
     "continue {} return s",
     "nil;number;string;table;"},
    {"ContinueInStringOrCommentIsText", "-- continue\nreturn 'continue'", "continue"},
    {"NoLoopToContinue", "local x = 1\nif x then continue end", "error: test:2: no loop to continue"},
    {"NoLoopInsideFunctionInLoop",
     "for i = 1, 2 do\n local f = function()\n continue\n end\nend", "error: test:3: no loop to continue"},
    {"SyntaxErrorKeepsItsLine", "for i = 1, 2 do\n if i then continue end\n x = = 1\nend",
     "error: test:3: unexpected symbol near '='"},
    {"RuntimeErrorKeepsItsLine",
     "local n = 0\nwhile n < 3 do\n n = n + 1\n if n == 1 then continue end\n error('line five')\nend",
     "error: test:5: line five"},
    {"RepeatErrorInUntilKeepsItsLine",
     "local n = 0\nrepeat\n n = n + 1\n if n < 2 then continue end\n local v = nil\nuntil v.x\n",
     "error: test:6: attempt to index local 'v' (a nil value)"},
    {"RepeatShadowedLocalIsRenamed",
     "local v, n = 10, 0 repeat n = n + 1 local v = v + n if n < 2 then continue end until v > 12 return n",
     "3"},
};

INSTANTIATE_TEST_SUITE_P(Continue, ContinueCases, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(ContinueRewriterTest, AddsNoLine) {
  const char* source =
      "local s = 0\nfor i = 1, 3 do\n if i == 2 then continue end\n if i == 3 then break end\n s = s + i\nend\n"
      "repeat\n local a = 1\n continue\nuntil a\n";
  OrvLua::ContinueRewrite rewrite = OrvLua::ContinueRewriter::Rewrite(source);
  ASSERT_EQ(rewrite.status, OrvLua::ContinueRewrite::Status::Rewritten);
  auto lines = [](const std::string& text) { return std::count(text.begin(), text.end(), '\n'); };
  EXPECT_EQ(lines(rewrite.text), lines(source)) << rewrite.text;
}

TEST(ContinueRewriterTest, LeavesTextWithoutContinueStatementsAlone) {
  EXPECT_EQ(OrvLua::ContinueRewriter::Rewrite("for i = 1, 2 do end").status,
            OrvLua::ContinueRewrite::Status::Unchanged);
  EXPECT_EQ(OrvLua::ContinueRewriter::Rewrite("local continue = 1 for i = 1, 2 do continue = i end").status,
            OrvLua::ContinueRewrite::Status::Unchanged);
  EXPECT_EQ(OrvLua::ContinueRewriter::Rewrite("while x do if y then break end end -- continue").status,
            OrvLua::ContinueRewrite::Status::Unchanged);
}

TEST(ContinueRewriterTest, DeepNestingIsAnErrorNotACrash) {
  // The core refuses nesting this deep with its own message; reading it for
  // `continue` must not exhaust the stack first.
  OrvTest::TestState lua;
  const std::string deep = "for i = 1, 2 do continue end " + [] {
    std::string text;
    for (int i = 0; i < 100000; ++i) text += "do ";
    for (int i = 0; i < 100000; ++i) text += "end ";
    return text;
  }();
  lua_State* L = lua.L();
  ASSERT_EQ(OrvLua::LoadBuffer(L, deep.data(), deep.size(), "=deep"), LUA_ERRSYNTAX);
  EXPECT_NE(std::string(lua_tostring(L, -1)).find("chunk has too many syntax levels"), std::string::npos)
      << lua_tostring(L, -1);
  lua_settop(L, 0);
  // Nesting the core accepts still loads and runs.
  EXPECT_EQ(lua.Run("local n = 0 for i = 1, 3 do do do do if i == 2 then continue end end end end n = n + i end "
                    "return n"),
            "4");
}

TEST(ContinueLoadersTest, EveryLoaderAcceptsContinue) {
  std::string dir = ::testing::TempDir() + "orv_continue_loaders";
  std::string mkdir = "mkdir -p " + dir;
  ASSERT_EQ(std::system(mkdir.c_str()), 0);
  std::string file = dir + "/skipper.lua";
  FILE* f = std::fopen(file.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fputs("#!/shebang line\nlocal s = '' for i = 1, 4 do if i == 2 then continue end s = s .. i end\n"
             "return s\n", f);
  std::fclose(f);

  OrvTest::TestState lua;
  const std::string body = "'local s = 0 for i = 1, 4 do if i > 2 then continue end s = s + i end return s'";
  EXPECT_EQ(lua.Run("return loadstring(" + body + ")()"), "3");
  EXPECT_EQ(lua.Run("local done = false return load(function() if done then return nil end done = true "
                    "return " + body + " end)()"),
            "3");
  EXPECT_EQ(lua.Run("return loadfile('" + file + "')()"), "134");
  EXPECT_EQ(lua.Run("return dofile('" + file + "')"), "134");
  EXPECT_EQ(lua.Run("package.path = '" + dir + "/?.lua' return require('skipper')"), "134");
  EXPECT_EQ(lua.Run("local f, e = loadstring('\\ncontinue', '=named') return e"), "named:2: no loop to continue");
  EXPECT_EQ(lua.Run("local f, e = loadfile('" + dir + "/missing.lua') return e"),
            "cannot open " + dir + "/missing.lua: No such file or directory");
}

TEST(ContinueLoadersTest, PrecompiledChunksLoad) {
  OrvTest::TestState lua;
  EXPECT_EQ(lua.Run("local f = loadstring('local s = 0 for i = 1, 3 do if i == 2 then continue end s = s + i end "
                    "return s') return loadstring(string.dump(f))()"),
            "4");
}

}  // namespace
