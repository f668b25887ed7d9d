// FindPath in the real program where a careless script meets its limits: a
// goal off the map gives its empty path at once, and a search cut short by
// its step limit says so, once.
#include <gtest/gtest.h>

#include "support/ProgramRun.h"

using namespace OrvTest;

TEST(PathSearchProgram, GoalsOffTheMapAndSearchesCutShort) {
  ContentFolder folder;
  WriteScriptScene(folder, "OrvPathSearch", {{"Walker", R"(
function Init()
  CreateNewTileMap(1, 64, 64)
  print("off the map: " .. #FindPath(1, 16, 16, 5000, 16, 32, 32, 100000))
  print("below zero: " .. #FindPath(1, 16, 16, -40, -40, 32, 32, 100000))
  print("cut short: " .. #FindPath(1, 16, 16, 1800, 1800, 32, 32, 3))
  print("cut short again: " .. #FindPath(1, 16, 16, 1800, 1800, 32, 32, 4))
  print("whole: " .. #FindPath(1, 16, 16, 1800, 16, 32, 32, 100000))
  Shutdown()
end
)"}},
                   {{"Walker", 1}});
  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));
  for (const char* line :
       {"off the map: 0\n", "below zero: 0\n", "cut short: 0\n", "cut short again: 0\n", "whole: 57\n"}) {
    EXPECT_EQ(Count(run.out, line), 1u) << line << run.out;
  }
  EXPECT_EQ(Count(run.out, "FindPath: a search stopped at its limit of 3 steps before reaching its goal"), 1u)
      << run.out;
  EXPECT_EQ(Count(run.out, "FindPath: a search stopped"), 1u) << run.out;
}
