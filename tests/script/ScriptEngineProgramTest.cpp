// The script engine system in the real program: Update and Shutdown,
// channel messages, Kill and TimeKill, and removals while paused. Scripts
// report with print; the program ends itself through "Shutdown".
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

// A content folder whose spawn list makes one object per (type, id), in order.
void WriteScene(const ContentFolder& folder, const ScriptedTypes& scripts, const SpawnList& spawn) {
  WriteScriptScene(folder, "Script engine", scripts, spawn);
}

TEST(ScriptEngineProgram, UpdateGetsTheFrameTimeAndShutdownEndsTheProgram) {
  ContentFolder folder;
  WriteScene(folder,
             {{"First",
               "n = 0\n"
               "function Update(dt)\n"
               "  n = n + 1\n"
               "  print('first ' .. n .. ' ' .. string.format('%.6f', dt))\n"
               "  if n == 5 then Shutdown() end\n"
               "end\n"},
              {"Second", "n = 0 function Update(dt) n = n + 1 print('second ' .. n) end\n"}},
             {{"First", 1}, {"Second", 2}});
  const auto start = std::chrono::steady_clock::now();
  const RunResult run = RunOrv(folder);
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ASSERT_TRUE(RanCleanly(run));
  // In seconds: no frame is shorter than the 60 fps interval, and together
  // they took no longer than the whole run did by the test's own clock (a
  // busy machine may make any one frame long).
  const std::vector<std::string> frames = LinesStartingWith(run.out, "first ");
  ASSERT_EQ(frames.size(), 5u) << run.out;
  double total = 0.0;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const std::string head = "first " + std::to_string(i + 1) + " ";
    ASSERT_EQ(frames[i].rfind(head, 0), 0u) << frames[i];
    const double dt = std::atof(frames[i].c_str() + head.size());
    EXPECT_GT(dt, 0.016) << frames[i];
    total += dt;
  }
  EXPECT_LT(total, wall) << run.out;
  // Walked after the first: its fifth Update never comes.
  EXPECT_EQ(LinesStartingWith(run.out, "second ").size(), 4u) << run.out;
}

TEST(ScriptEngineProgram, ChannelMessagesGoOutByUniqueIdAndDepthFirst) {
  ContentFolder folder;
  const std::string node =
      "local uid = GetUniqueID()\n"
      "function Init() if uid == 12 or uid == 7 then SubMsgChannel('news') end end\n"
      "frames = 0\n"
      "function Update(dt)\n"
      "  frames = frames + 1\n"
      "  if frames == 1 and uid == 3 then SubMsgChannel('news') end\n"
      "  if frames == 2 and uid == 7 then\n"
      "    SendMsgToChannel('news', 1.9, {a = 1, b = 'two', 5, f = function() end, t = {c = true}})\n"
      "    print('sent')\n"
      "    Shutdown()\n"
      "  end\n"
      "end\n"
      "function OnMessage(n, t)\n"
      "  local keys = {}\n"
      "  for k, v in pairs(t) do keys[#keys + 1] = k .. '=' .. (type(v) == 'table' and 'table' or tostring(v)) end\n"
      "  table.sort(keys)\n"
      "  print('got ' .. uid .. ' ' .. n .. ' ' .. table.concat(keys, ','))\n"
      "  if uid == 3 and n == 1 then SendMsgToChannel('news', 2, {}) end\n"
      "end\n";
  std::vector<std::pair<std::string, int>> spawn(12, {"Node", 0});
  WriteScene(folder, {{"Node", node}}, spawn);
  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));
  std::vector<std::string> seen = LinesStartingWith(run.out, "got ");
  seen.push_back(LinesStartingWith(run.out, "sent").empty() ? "" : "sent");
  EXPECT_EQ(seen, (std::vector<std::string>{"got 3 1 a=1,b=two,t=table", "got 3 2 ", "got 7 2 ", "got 12 2 ",
                                            "got 7 1 a=1,b=two,t=table", "got 12 1 a=1,b=two,t=table", "sent"}))
      << run.out;
}

TEST(ScriptEngineProgram, KillInUpdateEndsTheObjectThatFrame) {
  ContentFolder folder;
  WriteScene(folder,
             {{"Watcher",
               "n = 0\n"
               "function Update(dt)\n"
               "  n = n + 1\n"
               "  print('watch ' .. n .. ' ' .. #GetEventGroupList('victims'))\n"
               "  if n == 6 then Shutdown() end\n"
               "end\n"},
              {"Victim",
               "n = 0\n"
               "function Init() SubscribeToEventGroup('victims') end\n"
               "function Update(dt) n = n + 1 print('victim ' .. n) if n == 3 then Kill() end end\n"}},
             {{"Watcher", 1}, {"Victim", 2}});
  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));
  std::vector<std::string> seen;
  std::istringstream in(run.out);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("watch ", 0) == 0 || line.rfind("victim ", 0) == 0) seen.push_back(line);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"watch 1 1", "victim 1", "watch 2 1", "victim 2", "watch 3 1", "victim 3",
                                            "watch 4 0", "watch 5 0", "watch 6 0"}));
}

// The seconds printed by the lines that start with prefix.
std::vector<double> Times(const std::string& out, const std::string& prefix) {
  std::vector<double> times;
  for (const std::string& line : LinesStartingWith(out, prefix)) times.push_back(std::atof(line.c_str() + prefix.size()));
  return times;
}

// How many of the times (printed to the millisecond) are past the delay: the
// object ends within two frames of it, however long a frame took on a busy
// machine.
std::ptrdiff_t FramesPast(const std::vector<double>& times, double delay) {
  return std::count_if(times.begin(), times.end(), [delay](double t) { return t > delay; });
}

TEST(ScriptEngineProgram, TheFirstTimedKillDelayStands) {
  ContentFolder folder;
  WriteScene(folder,
             {{"Timed",
               "t = 0\n"
               "function Init() TimeKill(2) TimeKill(5) end\n"
               "function Update(dt) t = t + dt print(string.format('timed %.3f', t)) end\n"},
              {"Clock", "t = 0 function Update(dt) t = t + dt if t > 3 then Shutdown() end end\n"}},
             {{"Timed", 1}, {"Clock", 2}});
  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));
  const std::vector<double> times = Times(run.out, "timed ");
  ASSERT_FALSE(times.empty()) << run.out;
  std::printf("last Update of the timed object at %.3f s\n", times.back());
  EXPECT_GE(times.back(), 1.99);
  EXPECT_LE(FramesPast(times, 2.0), 2) << run.out;
}

TEST(ScriptEngineProgram, WhilePausedTheCountdownStopsAndRemovalsStillRun) {
  ContentFolder folder;
  // The pauser pauses after half a second and asks for the doomed object's
  // removal; a chain of tickers, made one per frame by delayed creation
  // (which goes on while paused), counts 30 paused frames and resumes.
  WriteScene(folder,
             {{"Timed",
               "t = 0\n"
               "function Init() TimeKill(1) end\n"
               "function Update(dt) t = t + dt print(string.format('counting %.3f', t)) end\n"},
              {"Doomed", "function Init() SubscribeToEventGroup('doomed') end\n"},
              {"Pauser",
               "t = 0\n"
               "function Update(dt)\n"
               "  t = t + dt\n"
               "  if t > 0.5 and not paused then\n"
               "    paused = true\n"
               "    PauseEngineActivate()\n"
               "    RemoveAllGameObjectsOfType(9)\n"
               "    SetGlobalVarInt('ticks', 0)\n"
               "    CreateDelayedGameObject('Ticker', 0)\n"
               "    print('paused')\n"
               "  end\n"
               "  if t > 3 then Shutdown() end\n"
               "end\n"},
              {"Ticker",
               "function Init()\n"
               "  local k = GetGlobalVar('ticks') + 1\n"
               "  SetGlobalVarInt('ticks', k)\n"
               "  print('tick ' .. k .. ' ' .. tostring(IsGamePaused()) .. ' ' .. #GetEventGroupList('doomed'))\n"
               "  Kill()\n"
               "  if k < 30 then CreateDelayedGameObject('Ticker', 0) else PauseEngineDeactivate() end\n"
               "end\n"}},
             {{"Timed", 1}, {"Doomed", 9}, {"Pauser", 2}});
  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));
  const std::vector<std::string> ticks = LinesStartingWith(run.out, "tick ");
  ASSERT_EQ(ticks.size(), 30u) << run.out;
  EXPECT_EQ(ticks.front(), "tick 1 true 0") << "the removal ran in the frame of the pause";
  EXPECT_EQ(ticks.back(), "tick 30 true 0");
  // The timed object's own Update time stands still while paused, and so
  // does its countdown: it dies at about 1 s of that time, not earlier.
  const std::vector<double> times = Times(run.out, "counting ");
  ASSERT_FALSE(times.empty()) << run.out;
  std::printf("last Update of the timed object at %.3f s\n", times.back());
  EXPECT_GE(times.back(), 0.99);
  EXPECT_LE(FramesPast(times, 1.0), 2) << run.out;
  EXPECT_NE(run.out.find("paused\n"), std::string::npos);
}

TEST(ScriptEngineProgram, ScriptsThatNestWithoutEndAreStoppedWithOneLineEachAndTheProgramGoesOn) {
  ContentFolder folder;
  // A type that makes another of itself in its Init, and a message made of a
  // chain of tables far deeper than anyone would write by hand: both used to
  // run the C stack out and take the program down.
  WriteScene(folder,
             {{"Self", "function Init() CreateGameObject('Self', 1) end\n"},
              {"Listener",
               "SubMsgChannel('deep')\n"
               "function OnMessage(n, t)\n"
               "  local d = 0 while t.next do d = d + 1 t = t.next end\n"
               "  print('deep message ' .. n .. ' ' .. d)\n"
               "end\n"},
              {"Sender",
               "n = 0\n"
               "function Update(dt)\n"
               "  n = n + 1\n"
               "  if n == 1 then\n"
               "    local t = {} for i = 1, 100000 do t = {next = t} end\n"
               "    SendMsgToChannel('deep', 7, t)\n"
               "  end\n"
               "  print('frame ' .. n)\n"
               "  if n == 3 then Shutdown() end\n"
               "end\n"}},
             {{"Self", 1}, {"Listener", 2}, {"Sender", 3}});
  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));
  EXPECT_EQ(LinesStartingWith(run.out, "Create GameObject: Self").size(), 1000u);
  EXPECT_EQ(LinesStartingWith(run.out, "deep message "), (std::vector<std::string>{"deep message 7 199"}));
  EXPECT_EQ(LinesStartingWith(run.out, "frame "), (std::vector<std::string>{"frame 1", "frame 2", "frame 3"}));
  EXPECT_EQ(LinesStartingWith(run.err, "Error! "),
            (std::vector<std::string>{
                "Error! Objects created inside one another more than 1000 deep: Self not created",
                "Error! A table nested more than 200 deep was copied without its deeper tables"}));
}

}  // namespace

namespace {

// An object that answers itself nests in its own state, whose core runs out
// of C levels before the messages reach the engine's limit.
TEST(ScriptEngineProgram, AnObjectAnsweringItselfStopsAtTheNestingLimitLikeARing) {
  ContentFolder folder;
  WriteScene(folder,
             {{"Echo",
               "depth, deepest = 0, 0\n"
               "function Init() SubMsgChannel('self') end\n"
               "function OnMessage(n, t)\n"
               "  depth = depth + 1\n"
               "  deepest = math.max(deepest, depth)\n"
               "  SendMsgToChannel('self', n + 1, {n = n + 1})\n"
               "  depth = depth - 1\n"
               "end\n"
               "function Update(dt)\n"
               "  SendMsgToChannel('self', 1, {})\n"
               "  print('deepest ' .. tostring(deepest > 100) .. ' back to ' .. depth)\n"
               "  Shutdown()\n"
               "end\n"}},
             {{"Echo", 1}});
  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));
  EXPECT_EQ(LinesStartingWith(run.out, "deepest "), std::vector<std::string>{"deepest true back to 0"}) << run.out;
  EXPECT_EQ(Count(run.err, "Error! Messages nested more than 200 deep: message "), 1u) << run.err;
  for (const char* wrong : {"Assertion failed", "C stack overflow", "Error in OnMessage"}) {
    EXPECT_EQ(Count(run.out + run.err, wrong), 0u) << wrong << "\n" << run.err;
  }
}

}  // namespace
