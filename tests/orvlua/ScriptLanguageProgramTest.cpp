// The engine's Lua as an object script meets it in the real program: the
// `continue` statement in every kind of loop and in files the script loads,
// its load errors, and the script-side libraries (wide strings, dumps,
// packing, command pipes). Scripts report with print; a clock object ends
// each run through "Shutdown".
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

// Ends the program in its third frame, after every Init has run.
constexpr const char* kClock = "frames = 0\nfunction Update() frames = frames + 1 if frames == 3 then Shutdown() end end\n";

// One object per script, spawned in the order given, and a clock after them.
void WriteScene(const ContentFolder& folder, ScriptedTypes scripts) {
  scripts.emplace_back("Clock", kClock);
  SpawnList spawn;
  for (const auto& entry : scripts) spawn.emplace_back(entry.first, 1);
  WriteScriptScene(folder, "Language", scripts, spawn);
}

// No script failed to load or run.
void ExpectNoScriptError(const RunResult& run) {
  for (const char* error : {"Error running script", "Error in "}) {
    EXPECT_EQ(Count(run.out + run.err, error), 0u) << run.out << run.err;
  }
}

void ExpectLines(const RunResult& run, std::initializer_list<const char*> lines) {
  for (const char* line : lines) EXPECT_EQ(Count(run.out, line), 1u) << line << "\nin:\n" << run.out << run.err;
}

TEST(ScriptLanguageProgram, ContinueEndsOneIterationOfEveryKindOfLoop) {
  ContentFolder folder;
  WriteScene(folder, {{"Loops",
                       "function Init()\n"
                       "  local s, i = '', 0\n"
                       "  while i < 6 do i = i + 1 if i % 2 == 0 then continue end s = s .. i end\n"
                       "  print('while ' .. s)\n"
                       "  s = ''\n"
                       "  for k = 1, 10 do if k % 3 == 0 then continue end if k == 8 then break end s = s .. k end\n"
                       "  print('for ' .. s)\n"
                       "  s = ''\n"
                       "  for _, v in ipairs({'a', 'b', 'c', 'd'}) do if v == 'b' then continue end s = s .. v end\n"
                       "  print('generic for ' .. s)\n"
                       "  s, i = '', 0\n"
                       "  repeat\n"
                       "    i = i + 1\n"
                       "    local stop = i >= 5\n"
                       "    if i % 2 == 1 then continue end\n"
                       "    s = s .. i\n"
                       "  until stop\n"
                       "  print('repeat ' .. s)\n"
                       "  local continue = 0\n"
                       "  for k = 1, 3 do continue = continue + k end\n"
                       "  print('old name ' .. continue)\n"
                       "end\n"}});
  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));
  // The repeat leaves at 5 through its until, which sees `stop` after a continue.
  ExpectLines(run, {"while 135\n", "for 12457\n", "generic for acd\n", "repeat 24\n", "old name 6\n"});
  ExpectNoScriptError(run);
}

TEST(ScriptLanguageProgram, ContinueErrorsNameTheScriptAndItsLineAndTheProgramGoesOn) {
  ContentFolder folder;
  WriteScene(folder, {{"Stray", "function Init() print('stray init') end\nlocal x = 1\nif x then continue end\n"},
                      {"Late",
                       "function Init()\n"
                       "  for i = 1, 2 do\n"
                       "    if i == 1 then continue end\n"
                       "    print('late loop ' .. i)\n"
                       "    error('after the continue')\n"
                       "  end\n"
                       "end\n"},
                      {"Next", "function Init() print('next init') end\n"}});
  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));
  const std::string stray = "Error running script: data/scripts/Stray.lua:3: no loop to continue\n";
  EXPECT_EQ(Count(run.out, stray), 1u) << run.out;
  EXPECT_EQ(Count(run.err, stray), 1u) << run.err;
  EXPECT_EQ(Count(run.err, "Error in Init of data/scripts/Late.lua:5: after the continue\n"), 1u) << run.err;
  EXPECT_EQ(run.out.find("stray init"), std::string::npos);
  ExpectLines(run, {"late loop 2\n", "next init\n"});
}

TEST(ScriptLanguageProgram, FilesLoadedByDofileAndRequireMayUseContinue) {
  ContentFolder folder;
  // require looks in the content folder, the program's working folder.
  folder.Write("evens.lua",
               "local M = {}\n"
               "function M.Evens(n)\n"
               "  local t = {}\n"
               "  for i = 1, n do if i % 2 == 1 then continue end t[#t + 1] = i end\n"
               "  return table.concat(t, ',')\n"
               "end\n"
               "return M\n");
  folder.Write("data/lib/odds.lua",
               "local t, i = {}, 0\n"
               "while i < 7 do i = i + 1 if i % 2 == 0 then continue end t[#t + 1] = i end\n"
               "return table.concat(t, ',')\n");
  folder.Write("data/lib/broken.lua", "local n = 0\nrepeat n = n + 1 if n < 2 then continue end until n > 2\nerror('at four')\n");
  WriteScene(folder, {{"Loader",
                       "function Init()\n"
                       "  print('require ' .. require('evens').Evens(8))\n"
                       "  print('dofile ' .. dofile('data/lib/odds.lua'))\n"
                       "  print('loadfile', select(2, pcall(dofile, 'data/lib/broken.lua')))\n"
                       "end\n"}});
  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));
  ExpectLines(run, {"require 2,4,6,8\n", "dofile 1,3,5,7\n", "loadfile\tdata/lib/broken.lua:3: at four\n"});
  ExpectNoScriptError(run);
}

TEST(ScriptLanguageProgram, ScriptSideLibrariesReachEveryObjectScript) {
  ContentFolder folder;
  WriteScene(folder,
             {{"Libraries",
               "function Init()\n"
               "  local w = towstring(12.5)\n"
               "  print('wide ' .. type(w) .. ' ' .. #w .. ' ' .. tostring(towstring('ab') .. towstring('cd')))\n"
               "  print('upper ' .. tostring(wstring.upper(towstring('été ω'))) .. ' ' .. tostring(towstring('ÀΩ'):lower()))\n"
               "  local keys, n = {}, 0\n"
               "  keys[towstring('k')] = 1\n"
               "  keys[towstring('k')] = 2\n"
               "  for _ in pairs(keys) do n = n + 1 end\n"
               "  print('wide keys ' .. n .. ' ' .. keys[towstring('k')])\n"
               "  print('tostring ' .. (tostring({x = 1}):gsub('^table: [^\\n]+', 'ADDRESS')))\n"
               "  print('dump' .. LuaDumpObject({b = 1, a = 2}))\n"
               "  local ring = {name = 'ring'}\n"
               "  ring.self = ring\n"
               "  print('cycle', (select(2, tostring(ring):gsub('!!!CYCLE!!!', ''))))\n"
               "  local packed = string.pack('>H', 258)\n"
               "  print('pack', #packed, packed:byte(1, 2))\n"
               "  print('unpack', string.unpack(packed, '>H'))\n"
               "  print('round trip', string.unpack(string.pack('<i z d B', -7, 'name', 0.25, true), '<i z d B'))\n"
               "  local pipe = io.popen('echo hi', 'rt')\n"
               "  print('popen ' .. pipe:read('*l'))\n"
               "  pipe:close()\n"
               "end\n"}});
  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));
  ExpectLines(run, {"wide wstring 4 abcd\n", "upper ÉTÉ Ω àω\n", "wide keys 1 2\n",
                    "tostring ADDRESS\n{\n\tx = 1\n}\n", "dump\n{\n\ta = 2,\n\tb = 1\n}\n", "cycle\t1\n",
                    "pack\t2\t1\t2\n", "unpack\t3\t258\n", "round trip\t19\t-7\tname\t0.25\ttrue\n", "popen hi\n"});
  ExpectNoScriptError(run);
}

TEST(ScriptLanguageProgram, PrintingLinkedWaypointsFinishes) {
  // Every waypoint knows the next one and the one after it: written out
  // whole, the text of the first would never end.
  ContentFolder folder;
  WriteScene(folder, {{"Graph",
                       "function Init()\n"
                       "  local nodes = {}\n"
                       "  for i = 1, 40 do nodes[i] = {id = i} end\n"
                       "  for i = 1, 38 do\n"
                       "    nodes[i].next = nodes[i + 1]\n"
                       "    nodes[i].skip = nodes[i + 2]\n"
                       "  end\n"
                       "  local text = tostring(nodes[1])\n"
                       "  print('graph ' .. tostring(#text < 9 * 1024 * 1024) .. ' ' .. text:sub(-16))\n"
                       "end\n"}});
  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));
  ExpectLines(run, {"graph true '!!!TOO LONG!!!'\n"});
  ExpectNoScriptError(run);
}

// A save the script could not write whole leaves the old one in place and
// answers false; a complete one replaces or extends it.
TEST(ScriptLanguageProgram, FailedDumpKeepsTheOldFileAndAnswersFalse) {
  ContentFolder folder;
  const std::string old = "level = 3\n";
  folder.Write("save.lua", old);
  WriteScene(folder,
             {{"Saver",
               "local broken = setmetatable({}, {FormattedWrite = function()\n"
               "  LuaFilePrint('{ half') error('broken writer') end})\n"
               "function Init()\n"
               "  print('nil ' .. tostring(LuaDumpObject('save.lua', 'n', nil)))\n"
               "  print('table error ' .. tostring(LuaDumpObject('save.lua', 's', {a = 1, b = broken})))\n"
               "  print('append error ' .. tostring(LuaDumpObject('+save.lua', 's', broken)))\n"
               "  print('globals error ' .. tostring(LuaDumpGlobals('save.lua')))\n"
               "  print('no folder ' .. tostring(LuaDumpObject('none/save.lua', 's', 1)))\n"
               "  print('written ' .. tostring(LuaDumpObject('other.lua', 's', {1})))\n"
               "  print('appended ' .. tostring(LuaDumpObject('+other.lua', 't', 2)))\n"
               "end\n"
               "brokenGlobal = broken\n"}});
  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));
  ExpectLines(run, {"nil false\n", "table error false\n", "append error false\n", "globals error false\n",
                    "no folder false\n", "written true\n", "appended true\n"});
  EXPECT_EQ(folder.Read("save.lua"), old);
  EXPECT_EQ(folder.Read("other.lua"), "s = \n{\n\t1\n}\nt = 2\n");
  EXPECT_EQ(Shell("ls -a " + folder.Path() + " | grep -c dumping"), "0\n") << "no temporary file is left";
}

}  // namespace

namespace {

// Script and data files as editors leave them: a zero byte, a byte-order mark
// in front, shared scripts that fail, a folder where a file belongs.
TEST(ScriptLanguageProgram, ScriptTextIsReadWholeAndFailuresNameTheirFile) {
  ContentFolder folder;
  const std::string bom = "\xEF\xBB\xBF";
  const std::string zero(1, '\0');
  WriteScene(folder, {{"Zero", "s = 'a" + zero + "b'\nprint('zero ' .. #s)\nprint('after zero')\n"},
                      {"Stray", "x = 1\n" + zero + "\nprint('stray ran')\n"},
                      {"Bom", bom + "print('bom ran ' .. shared)\n"},
                      {"Second", "print('second ran')\n"}});
  folder.WriteConfig(ConfigJson(320, 200, "Language", 60, 2));
  folder.Write("data/gameobjects/Bom.txt", bom + R"({"name":"Bom","id":1,"components":[]})");
  folder.Write("data/scripts/extra/a_broken.lua", "local = 1\n");
  folder.Write("data/scripts/extra/b_failing.lua", "error('shared failure')\n");
  folder.Write("data/scripts/extra/c_marked.lua", bom + "shared = 'from shared'\n");
  folder.Write("res/loadfonts.ini/inside", "");
  const RunResult run = RunOrv(folder);
  ASSERT_FALSE(run.timedOut) << run.out << run.err;
  EXPECT_EQ(run.exitCode, 0) << run.err;
  ExpectLines(run, {"zero 3\n", "after zero\n", "bom ran from shared\n", "second ran\n",
                    "Error in script file: data/scripts/extra/a_broken.lua:1: '<name>' expected near '='\n",
                    "Error running script file: data/scripts/extra/b_failing.lua:1: shared failure\n",
                    "data/scripts/extra/b_failing.lua script loaded!\n",
                    "data/scripts/extra/c_marked.lua script loaded!\n",
                    // The core names no token for a zero byte outside a string.
                    "Error running script: data/scripts/Stray.lua:2: unexpected symbol\n",
                    "res/loadfonts.ini: a folder, not a file\n"});
  for (const char* wrong : {"a_broken.lua script loaded!", "stray ran"}) {
    EXPECT_EQ(Count(run.out, wrong), 0u) << wrong << "\n" << run.out;
  }
}

}  // namespace
