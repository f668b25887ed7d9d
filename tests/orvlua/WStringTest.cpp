// Wide strings: the value type, the wstring library and the engine-side
// operations.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "ScriptLibState.h"
#include "WString.h"

namespace {

using OrvTest::ScriptLibState;

TEST(WStringTest, TowstringOfNumberIsFourCharacters) {
  ScriptLibState lua;
  EXPECT_EQ(lua.Run(R"lua(
    local w = towstring(12.5)
    assert(type(w) == "wstring", type(w))
    assert(wstring.len(w) == 4 and #w == 4 and w:len() == 4)
    local a, b, c, d = wstring.byte(w, 1, -1)
    assert(a == 49 and b == 50 and c == 46 and d == 53)
    assert(tostring(w) == "12.5")
  )lua"),
            "");
}

TEST(WStringTest, EqualWideStringsAreOneTableKey) {
  ScriptLibState lua;
  EXPECT_EQ(lua.Run(R"lua(
    local t = {}
    t[towstring("ab")] = 1
    collectgarbage("collect")
    local joined = towstring("a") .. towstring("b")
    assert(rawequal(joined, towstring("ab")))
    assert(t[joined] == 1 and t[wstring.char(97, 98)] == 1)
    t[joined] = 2
    local n = 0
    for _ in pairs(t) do n = n + 1 end
    assert(n == 1 and t[towstring("ab")] == 2)
    assert(t[towstring("ba")] == nil and t["ab"] == nil)
  )lua"),
            "");
}

TEST(WStringTest, UnheldWideStringsAreCollectedAndMadeAnew) {
  ScriptLibState lua;
  EXPECT_EQ(lua.Run(R"lua(
    collectgarbage("collect")
    local before = collectgarbage("count")
    for i = 1, 20000 do local w = towstring(string.rep("x", 50) .. i) end
    collectgarbage("collect")
    collectgarbage("collect")
    assert(collectgarbage("count") < before + 200, collectgarbage("count") - before)
    assert(towstring("x" .. 7) == towstring("x7"))
  )lua"),
            "");
}

TEST(WStringTest, CompareConcatenateAndCallMethods) {
  ScriptLibState lua;
  EXPECT_EQ(lua.Run(R"lua(
    local a, b = towstring("abc"), towstring("abd")
    assert(a < b and a <= b and not (b < a) and a <= a and b > a)
    assert(towstring("ab") < towstring("abc"))
    assert(wstring.char(0xFFFF) > wstring.char(0x7F))
    assert(tostring(a .. 5) == "abc5" and tostring(1.5 .. a) == "1.5abc")
    assert(a:upper() == towstring("ABC") and a:sub(2) == towstring("bc"))
    local ok, err = pcall(function() return a .. "x" end)
    assert(not ok and err:find("attempt to concatenate a string value", 1, true), err)
    ok, err = pcall(function() return a .. {} end)
    assert(not ok and err:find("attempt to concatenate a table value", 1, true), err)
  )lua"),
            "");
}

TEST(WStringTest, CaseAndClassesWorkBeyondAscii) {
  ScriptLibState lua;
  EXPECT_EQ(lua.Run(R"lua(
    local w = towstring("été Ωmega")
    assert(tostring(w:upper()) == "ÉTÉ ΩMEGA", tostring(w:upper()))
    assert(tostring(towstring("ÀÉΩ"):lower()) == "àéω")
    assert(tostring(w:wmatch(towstring("%a+"))) == "été")
    assert(w:find(towstring("%u")) == 5)
    assert(select(2, w:gsub(towstring("%l"), towstring(""))) == 7)
    assert(#towstring("😀") == 2 and tostring(towstring("😀")) == "😀")
  )lua"),
            "");
}

TEST(WStringTest, LibraryHasEveryFunctionAndGfindIsWgmatch) {
  ScriptLibState lua;
  EXPECT_EQ(lua.Run(R"lua(
    for _, name in ipairs({"byte", "char", "find", "format", "gfind", "wgmatch", "gsub", "len", "lower",
                           "wmatch", "rep", "reverse", "sub", "upper", "lualex"}) do
      assert(type(wstring[name]) == "function", name)
    end
    assert(wstring.gfind == wstring.wgmatch)
    assert(getmetatable(towstring("")).__index == wstring)
    assert(package.loaded.wstring == wstring)
  )lua"),
            "");
}

// The same calls through the string library on ASCII text and through the
// wstring library on its wide copy must agree on results and on errors.
TEST(WStringTest, AgreesWithStringLibraryOnRandomAsciiInput) {
  ScriptLibState lua;
  EXPECT_EQ(lua.Run(R"lua(
    math.randomseed(20261207)
    local subjectChars = {"a", "b", "c", "x", "y", " ", "1", "2", "(", ")", "-", ".", "%", "[", "]", "A", "Z"}
    local pieces = {"a", "b", "x", ".", "%a", "%d", "%s", "%w", "%p", "%l", "%u", "%x", "%c", "%A", "%S", "%W",
                    "[ab]", "[^a]", "[a-c]", "[%d%s]", "[]]", "*", "+", "-", "?", "(", ")", "()", "^", "$",
                    "%b()", "%f[%w]", "%f[%W]", "%1", "%2", "1", " ", "%%", "%.", "%", "[", "%z"}
    local function randomText(chars, maxLength)
      local t = {}
      for i = 1, math.random(0, maxLength) do t[i] = chars[math.random(#chars)] end
      return table.concat(t)
    end
    local function results(ok, ...)
      local r = {ok, n = select("#", ...) + 1, ...}
      for i = 1, r.n do
        if type(r[i]) == "wstring" then r[i] = tostring(r[i]) end
      end
      return r
    end
    local function check(what, narrow, wide)
      local same = narrow.n == wide.n
      for i = 1, math.max(narrow.n, wide.n) do same = same and narrow[i] == wide[i] end
      if not same then
        local function show(r)
          local t = {}
          for i = 1, r.n do t[i] = tostring(r[i]) end
          return table.concat(t, " | ")
        end
        error(what .. "\n  string:  " .. show(narrow) .. "\n  wstring: " .. show(wide), 0)
      end
    end
    local function collect(iterator, ...)
      local all, count = {}, 0
      local f = iterator(...)
      for step = 1, 50 do
        local r = results(pcall(f))
        for i = 1, r.n do all[count + i] = r[i] end
        count = count + r.n
        if not r[1] or r[2] == nil then break end
      end
      all.n = count
      return all
    end
    local W = towstring
    local upper = function(c) if type(c) == "number" then return c end return c:upper() end

    for round = 1, 3000 do
      local s, p = randomText(subjectChars, 12), randomText(pieces, 5)
      local ws, wp = W(s), W(p)
      local init = math.random(-4, 14)
      local label = ("round %d: s=%q p=%q init=%d"):format(round, s, p, init)
      check("find " .. label, results(pcall(string.find, s, p, init)), results(pcall(wstring.find, ws, wp, init)))
      check("plain find " .. label, results(pcall(string.find, s, p, init, true)),
            results(pcall(wstring.find, ws, wp, init, true)))
      check("match " .. label, results(pcall(string.match, s, p, init)), results(pcall(wstring.wmatch, ws, wp, init)))
      check("gmatch " .. label, collect(string.gmatch, s, p), collect(wstring.wgmatch, ws, wp))
      local repl = randomText({"x", "%0", "%1", "%2", "%%", "<", ">", "%"}, 4)
      local limit = math.random(0, 3)
      check("gsub " .. label .. " repl=" .. repl, results(pcall(string.gsub, s, p, repl)),
            results(pcall(wstring.gsub, ws, wp, W(repl))))
      check("gsub narrow repl " .. label, results(pcall(string.gsub, s, p, repl, limit)),
            results(pcall(wstring.gsub, ws, wp, repl, limit)))
      check("gsub function " .. label, results(pcall(string.gsub, s, p, upper)),
            results(pcall(wstring.gsub, ws, wp, upper)))
      check("gsub table " .. label, results(pcall(string.gsub, s, p, {a = "A", x = false, b = 7})),
            results(pcall(wstring.gsub, ws, wp, {[W"a"] = "A", [W"x"] = false, [W"b"] = 7})))

      local i, j = math.random(-15, 15), math.random(-15, 15)
      check("sub " .. label, results(pcall(string.sub, s, i, j)), results(pcall(wstring.sub, ws, i, j)))
      check("byte " .. label, results(pcall(string.byte, s, i, j)), results(pcall(wstring.byte, ws, i, j)))
      check("rep " .. label, results(pcall(string.rep, s, i)), results(pcall(wstring.rep, ws, i)))
      check("len/reverse/case " .. label,
            results(true, s:len(), s:reverse(), s:upper(), s:lower()),
            results(true, ws:len(), ws:reverse(), ws:upper(), ws:lower()))
    end

    local formats = {"%d", "%5d", "%-5d|", "%+.3d", "%x", "%X", "%#o", "%5.2f", "%e", "%g", "%G", "%c", "%s",
                     "%-8s|", "%.2s", "%10.3s|", "%q", "%%", "%i", "%u", "%05.1f"}
    for round = 1, 1000 do
      local f, args, wargs = {}, {}, {}
      for k = 1, math.random(1, 4) do
        local item = formats[math.random(#formats)]
        f[#f + 1] = randomText({"a", " ", "-"}, 2) .. item
        if item:find("[sq]") then
          local text = randomText(subjectChars, 10) .. (math.random(4) == 1 and "\0\n\"\\\r" or "")
          args[#args + 1], wargs[#wargs + 1] = text, W(text)
        elseif item ~= "%%" then
          local n = item:find("c") and math.random(32, 126) or (math.random() - 0.5) * 10 ^ math.random(0, 8)
          args[#args + 1], wargs[#wargs + 1] = n, n
        end
      end
      f = table.concat(f)
      check(("format %q"):format(f), results(pcall(string.format, f, unpack(args))),
            results(pcall(wstring.format, W(f), unpack(wargs))))
    end
    local long = string.rep("long text ", 20)
    check("format long", results(pcall(string.format, "[%s]", long)), results(pcall(wstring.format, W"[%s]", W(long))))
  )lua"),
            "");
}

TEST(WStringTest, ErrorsNameTheProblem) {
  struct Case {
    const char* call;
    const char* message;
  };
  const Case cases[] = {
      {"wstring.char(65536)", "bad argument #1 to 'char' (invalid value)"},
      {"wstring.char(65, -1)", "bad argument #2 to 'char' (invalid value)"},
      {"wstring.len('abc')", "bad argument #1 to 'len' (wstring expected, got string)"},
      {"wstring.upper()", "bad argument #1 to 'upper' (wstring expected, got no value)"},
      {"wstring.find(W'abc', W'%')", "malformed pattern (ends with '%')"},
      {"wstring.find(W'abc', W'[a')", "malformed pattern (missing ']')"},
      {"wstring.find(W'abc', W'%b')", "unbalanced pattern"},
      {"wstring.find(W'abc', W'%fa')", "missing '[' after '%f' in pattern"},
      {"wstring.find(W'abc', W'%1')", "invalid capture index"},
      {"wstring.wmatch(W'abc', W'a)')", "invalid pattern capture"},
      {"wstring.wmatch(W'abc', W'(a')", "unfinished capture"},
      {"wstring.find(W'abc', W(string.rep('()', 33)))", "too many captures"},
      {"wstring.find(W(string.rep('a', 300)), W(string.rep('a?', 300)))", "pattern too complex"},
      {"wstring.gsub(W'abc', W'a', true)", "bad argument #3 to 'gsub' (string/wstring/function/table expected)"},
      {"wstring.gsub(W'abc', W'a', {[W'a'] = {}})", "invalid replacement value (a table)"},
      {"wstring.gsub(W'abc', W'a', function() return io.stdout end)", "invalid replacement value (a userdata)"},
      {"wstring.format(W'%------d', 1)", "invalid format (repeated flags)"},
      {"wstring.format(W'%100d', 1)", "invalid format (width or precision too long)"},
      {"wstring.format(W'%.123f', 1)", "invalid format (width or precision too long)"},
      {"wstring.format(W'%1$d', 1)", "obsolete `format' option (d$)"},
      {"wstring.format(W'%d')", "bad argument #2 to 'format' (no value)"},
      {"wstring.format(W'%y', 1)", "invalid option '%y' to 'format'"},
      {"wstring.format(W'%s', 'narrow')", "bad argument #2 to 'format' (wstring expected, got string)"},
  };
  ScriptLibState lua;
  ASSERT_EQ(lua.Run("W = towstring"), "");
  for (const Case& c : cases) {
    // Raised from the chunk's line 1, so the core puts its place in front.
    EXPECT_EQ(lua.Run(std::string("local r = ") + c.call), std::string("test:1: ") + c.message);
  }
}

TEST(WStringTest, FormatQuotesZeroAsThreeDigits) {
  ScriptLibState lua;
  EXPECT_EQ(lua.Eval("wstring.format(towstring('%q'), towstring('a\\0b\"'))"), "\"a\\000b\\\"\"");
  EXPECT_EQ(lua.Eval("wstring.format(towstring('%s=%5.1f'), towstring('é'), 2.25)"), "é=  2.2");
  EXPECT_EQ(lua.Eval("wstring.format(towstring('%c%c'), 0x263A, 65)"), "☺A");
}

TEST(WStringTest, LualexReplacesEscapes) {
  struct Case {
    const char* source;  // Lua text of the argument
    int wide;
    const char16_t* expected;
  };
  const Case cases[] = {
      {R"('a\\nb\\tc')", 0, u"a\nb\tc"},
      {R"('\\a\\b\\f\\r\\v')", 0, u"\a\b\f\r\v"},
      {R"('\\x41\\x4a')", 0, u"AJ"},
      {R"('\\x263A')", 1, u"\u263A"},
      {R"('\\x263A')", 0, u"&3A"},
      {R"('\\xg')", 0, u"xg"},
      {R"('\\65\\0066\\9')", 0, u"A\u00066\t"},
      {R"('\\q\\\\\\"')", 0, u"q\\\""},
      {R"('end\\')", 0, u"end\\"},
  };
  ScriptLibState lua;
  for (const Case& c : cases) {
    std::string code = "return wstring.lualex(towstring(" + std::string(c.source) + "), " + std::to_string(c.wide) + ")";
    ASSERT_EQ(luaL_loadstring(lua.L, code.c_str()), 0);
    ASSERT_EQ(lua_pcall(lua.L, 0, 1, 0), 0) << lua_tostring(lua.L, -1);
    std::size_t len = 0;
    const OrvLua::lua_WChar* chars = OrvLua::lua_tolwstring(lua.L, -1, &len);
    ASSERT_NE(chars, nullptr) << c.source;
    EXPECT_EQ(std::u16string(chars, len), std::u16string(c.expected)) << c.source;
    lua_pop(lua.L, 1);
  }
}

TEST(WStringTest, EngineSideOperations) {
  ScriptLibState lua;
  lua_State* L = lua.L;
  const OrvLua::lua_WChar text[] = {u'a', 0, u'\u263A'};
  OrvLua::lua_pushlwstring(L, text, 3);
  EXPECT_TRUE(OrvLua::lua_iswstring(L, -1));
  std::size_t len = 0;
  const OrvLua::lua_WChar* back = OrvLua::lua_tolwstring(L, -1, &len);
  ASSERT_EQ(len, 3u);
  EXPECT_EQ(std::u16string(back, len), std::u16string(text, 3));
  EXPECT_EQ(back[3], 0) << "characters stay zero-terminated";

  OrvLua::lua_pushwstring(L, nullptr);
  EXPECT_TRUE(lua_isnil(L, -1));
  OrvLua::lua_pushwstring(L, u"ab");
  OrvLua::lua_pushlwstring(L, u"abc", 2);
  EXPECT_TRUE(lua_rawequal(L, -1, -2)) << "interned";

  lua_pushnumber(L, -3.25);
  EXPECT_EQ(OrvLua::luaV_towstring(L, -1), 1);
  EXPECT_EQ(std::u16string(OrvLua::lua_towstring(L, -1)), u"-3.25");
  lua_pushliteral(L, "abc");
  EXPECT_EQ(OrvLua::luaV_towstring(L, -1), 0);
  EXPECT_EQ(OrvLua::lua_tolwstring(L, -1, &len), nullptr);
  EXPECT_EQ(len, 0u);
  EXPECT_FALSE(OrvLua::lua_iswstring(L, -1));
  lua_getglobal(L, "io");
  lua_getfield(L, -1, "stdout");
  EXPECT_FALSE(OrvLua::lua_iswstring(L, -1)) << "other userdata";
  EXPECT_STREQ(OrvLua::WTypeName(L, -1), "userdata");
  lua_settop(L, 0);
}

TEST(WStringTest, ForeignUserdataWithTheMetatableIsNoWideString) {
  ScriptLibState lua;
  EXPECT_EQ(lua.Run(R"lua(
    local u = newproxy()
    debug.setmetatable(u, getmetatable(towstring("x")))
    local ok, err = pcall(wstring.len, u)
    assert(not ok and err:find("wstring expected", 1, true), err)
  )lua"),
            "");
}

TEST(WStringTest, ReadsNumbersFromWideText) {
  struct Case {
    const char16_t* text;
    bool ok;
    double value;
    std::size_t consumed;
  };
  const Case cases[] = {
      {u"12.5e1x", true, 125.0, 6}, {u"-3", true, -3.0, 2},     {u".5", true, 0.5, 2},
      {u"0x1F", true, 31.0, 4},     {u"0x1.8p1", true, 3.0, 7}, {u"7e", true, 7.0, 1},
      {u"0xg", true, 0.0, 1},       {u"abc", false, 0.0, 0},    {u" 1", false, 0.0, 0},
      {u"inf", false, 0.0, 0},      {u"-", false, 0.0, 0},
  };
  for (const Case& c : cases) {
    double value = -1;
    const OrvLua::lua_WChar* end = nullptr;
    EXPECT_EQ(OrvLua::luaO_wstr2d(c.text, &value, &end), c.ok) << static_cast<int>(c.text[0]);
    EXPECT_EQ(static_cast<std::size_t>(end - c.text), c.consumed) << static_cast<int>(c.text[0]);
    if (c.ok) {
      EXPECT_DOUBLE_EQ(value, c.value);
    }
  }
}

TEST(WStringTest, Utf8CrossesBothWays) {
  EXPECT_EQ(OrvLua::WidenUtf8("aé☺"), u"aé☺");
  EXPECT_EQ(OrvLua::WidenUtf8("\xF0\x9F\x98\x80"), u"\xD83D\xDE00");
  EXPECT_EQ(OrvLua::WidenUtf8("a\xFF\xC3"), u"a\u00FF\u00C3") << "stray bytes stand for themselves";
  EXPECT_EQ(OrvLua::WidenUtf8("\xC0\xAF"), u"\u00C0\u00AF") << "overlong form";
  EXPECT_EQ(OrvLua::NarrowToUtf8(u"aé☺\xD83D\xDE00"), "aé☺\xF0\x9F\x98\x80");
}

}  // namespace
