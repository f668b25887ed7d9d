// string.pack and string.unpack.
#include <gtest/gtest.h>

#include <string>

#include "ScriptLibState.h"

namespace {

using OrvTest::ScriptLibState;

TEST(LuaPackTest, CodesPackToTheirBytes) {
  struct Case {
    const char* expression;  // Lua, giving the packed string
    std::string bytes;
  };
  const Case cases[] = {
      {"string.pack('>H', 258)", std::string("\1\2", 2)},
      {"string.pack('<H', 258)", std::string("\2\1", 2)},
      {"string.pack('<i', -2)", std::string("\xfe\xff\xff\xff", 4)},
      {"string.pack('>I', 0x01020304)", std::string("\1\2\3\4", 4)},
      {"string.pack('<l', 1)", std::string("\1\0\0\0", 4)},
      {"string.pack('>L', 2^32 - 1)", std::string("\xff\xff\xff\xff", 4)},
      {"string.pack('b', 300)", std::string("\x2c", 1)},
      {"string.pack('c', -1.5)", std::string("\xff", 1)},
      {"string.pack('<h', -1.9)", std::string("\xff\xff", 2)},
      {"string.pack('<h', 2.9)", std::string("\2\0", 2)},
      {"string.pack('>f', 1.5)", std::string("\x3f\xc0\0\0", 4)},
      {"string.pack('>d', -2)", std::string("\xc0\0\0\0\0\0\0\0", 8)},
      {"string.pack('<n', 1)", std::string("\0\0\0\0\0\0\xf0\x3f", 8)},
      {"string.pack('BB', true, false)", std::string("\1\0", 2)},
      {"string.pack('z', 'ab')", std::string("ab\0", 3)},
      {"string.pack('A', 'ab')", "ab"},
      {"string.pack('A2', 'ab', 'cd')", "abcd"},
      {"string.pack('p', 'abc')", "\3abc"},
      {"string.pack('>P', 'ab')", std::string("\0\2ab", 4)},
      {"string.pack('<a', 'ab')", std::string("\2\0\0\0ab", 6)},
      {"string.pack('>a', 12)", std::string("\0\0\0\2" "12", 6)},
      {"string.pack('b3', 1, 2, 3)", "\1\2\3"},
      {"string.pack('<h >h =h', 1, 1, 1)", std::string("\1\0\0\1\1\0", 6)},
      {"string.pack('b, b', 1, 2)", "\1\2"},
      {"string.pack('<wp', towstring('hé'))", std::string("\2h\0\xe9\0", 5)},
      {"string.pack('>wz', towstring('a'))", std::string("\0a\0\0", 4)},
      {"string.pack('>wA', towstring('☺'))", std::string("\x26\x3a", 2)},
      {"string.pack('<wa', towstring('x'))", std::string("\1\0\0\0x\0", 6)},
      {"string.pack('@4:255 b @0 b', 1, 2)", std::string("\1\xff\xff\xff\2", 5)},
      {"string.pack('@3 b', 7)", std::string("\7\0\0", 3)},
      {"string.pack('@1 h', 1)", std::string("\1\0", 2)},
      {"string.pack('')", ""},
  };
  ScriptLibState lua;
  for (const Case& c : cases) EXPECT_EQ(lua.Eval(c.expression), c.bytes) << c.expression;
}

TEST(LuaPackTest, UnpackReadsValuesAndStopsAtTheEnd) {
  struct Case {
    const char* call;  // Lua, the arguments of string.unpack
    const char* results;  // every result, through tostring, joined by ","
  };
  const Case cases[] = {
      {"'\\3abc', 'p'", "5,abc"},
      {"'\\1\\2', 'i'", "1"},
      {"'\\1\\2\\3', 'b2 i'", "3,1,2"},
      {"'\\255\\127', 'cc'", "3,-1,127"},
      {"'\\255\\255', '<h'", "3,-1"},
      {"'\\255\\255', '<H'", "3,65535"},
      {"'\\1\\0\\0\\128', '<i'", "5,-2147483647"},
      {"'\\1\\0\\0\\128', '<L'", "5,2147483649"},
      {"'abcdef', 'A4'", "5,abcd"},
      {"'abc', 'A4'", "1"},
      {"'ab\\0cd', 'zz'", "4,ab"},
      {"'\\0\\1', 'BB'", "3,false,true"},
      {"'\\10ab', 'p'", "1"},
      {"'\\255\\255\\255\\255x', 'a'", "1"},
      {"'\\0\\3ab', '>P'", "1"},
      {"'\\1\\2\\3', 'b', 3", "4,3"},
      {"'\\1\\2\\3', 'b', 9", "9"},
      {"'xy', ''", "1"},
  };
  ScriptLibState lua;
  ASSERT_EQ(lua.Run(R"lua(
    function unpacked(...)
      local t = {}
      for i = 1, select("#", ...) do t[i] = tostring((select(i, ...))) end
      return table.concat(t, ",")
    end
  )lua"),
            "");
  for (const Case& c : cases) {
    EXPECT_EQ(lua.Eval(std::string("unpacked(string.unpack(") + c.call + "))"), c.results) << c.call;
  }
}

TEST(LuaPackTest, WideStringsRoundTripInEitherOrder) {
  ScriptLibState lua;
  EXPECT_EQ(lua.Run(R"lua(
    local w = towstring("☺ é x")
    for _, order in ipairs({"<", ">", "="}) do
      for _, code in ipairs({"wz", "wp", "wP", "wa"}) do
        local data = string.pack(order .. code .. "b", w, 9)
        local pos, back, nine = string.unpack(data, order .. code .. "b")
        assert(back == w and nine == 9 and pos == #data + 1, order .. code)
      end
      local pos, back = string.unpack(string.pack(order .. "wA", w), order .. "wA" .. #w)
      assert(back == w and type(back) == "wstring")
    end
  )lua"),
            "");
}

TEST(LuaPackTest, BadInputRaisesArgumentErrors) {
  struct Case {
    const char* call;
    const char* message;
  };
  const Case cases[] = {
      {"string.pack('B', 1)", "bad argument #2 to 'pack' (expected a boolean)"},
      {"string.pack('bB', 1)", "bad argument #3 to 'pack' (expected a boolean)"},
      {"string.pack('q', 1)", "bad argument #1 to 'pack' (bad code `q')"},
      {"string.pack('wb', 1)", "bad argument #1 to 'pack' (bad code `w')"},
      {"string.pack('i')", "bad argument #2 to 'pack' (number expected, got no value)"},
      {"string.pack('z', {})", "bad argument #2 to 'pack' (string expected, got table)"},
      {"string.pack('wz', 'narrow')", "bad argument #2 to 'pack' (wstring expected, got string)"},
      {"string.pack('p', string.rep('x', 256))", "bad argument #2 to 'pack' (string too long for its length prefix)"},
      {"string.pack('@3:256')", "bad argument #1 to 'pack' (bad fill byte after `@')"},
      {"string.unpack('ab', 'b@')", "bad argument #2 to 'unpack' (bad code `@')"},
      {"string.unpack('ab', 'b', 0)", "bad argument #3 to 'unpack' (initial position out of range)"},
  };
  ScriptLibState lua;
  for (const Case& c : cases) {
    EXPECT_EQ(lua.Run(std::string("local r = ") + c.call), std::string("test:1: ") + c.message) << c.call;
  }
  EXPECT_EQ(lua.Eval("#string.pack('P', string.rep('x', 65535))"), "65537");
}

// Whatever is packed comes back from unpack with the same format.
TEST(LuaPackTest, RandomValuesRoundTrip) {
  ScriptLibState lua;
  EXPECT_EQ(lua.Run(R"lua(
    math.randomseed(4242)
    local ranges = {b = {0, 255}, c = {-128, 127}, h = {-32768, 32767}, H = {0, 65535},
                    i = {-2147483648, 2147483647}, I = {0, 4294967295},
                    l = {-2147483648, 2147483647}, L = {0, 4294967295}}
    local function randomBytes(allowZero)
      local t = {}
      for i = 1, math.random(0, 20) do t[i] = string.char(math.random(allowZero and 0 or 1, 255)) end
      return table.concat(t)
    end
    local function value(code)
      if ranges[code] then
        local lo, hi = ranges[code][1], ranges[code][2]
        return math.min(hi, lo + math.floor(math.random() * (hi - lo + 1)))
      end
      if code == "f" then return math.random(-1000, 1000) / 8 end
      if code == "d" or code == "n" then return (math.random() - 0.5) * 10 ^ math.random(-300, 300) end
      if code == "B" then return math.random(2) == 1 end
      if code == "z" then return randomBytes(false) end
      return randomBytes(true)
    end
    local codes = {"b", "c", "h", "H", "i", "I", "l", "L", "f", "d", "n", "B", "z", "p", "P", "a"}
    for round = 1, 2000 do
      local format, values = {}, {}
      for k = 1, math.random(1, 8) do
        local code = codes[math.random(#codes)]
        local count = math.random(1, 3)
        format[#format + 1] = ({"", "<", ">", "="})[math.random(4)] .. code .. (count > 1 and count or "")
        for n = 1, count do values[#values + 1] = value(code) end
      end
      format = table.concat(format, " ")
      local data = string.pack(format, unpack(values))
      local back = {string.unpack(data, format)}
      assert(back[1] == #data + 1, format)
      assert(#back == #values + 1, format)
      for n = 1, #values do
        assert(back[n + 1] == values[n], ("%s: value %d is %s, packed %s"):format(format, n, tostring(back[n + 1]),
                                                                                    tostring(values[n])))
      end
    end
  )lua"),
            "");
}

}  // namespace
