// Mistakes a game's author makes in content, met in the real program.
#include <gtest/gtest.h>

#include "support/ProgramRun.h"

using namespace OrvTest;

TEST(GameTrialProgram, BrokenSpawnListSaysWhereItWentWrong) {
  ContentFolder folder;
  folder.WriteConfig(ConfigJson(320, 200, "Trial", 60, 1));
  folder.Write("data/gameobjects/Crate.txt", R"({"name":"Crate","id":3,"components":[]})");
  folder.Write("data/summoner.ini", "{ \"spawn\": [\n  { \"name\": \"Crate\", \"id\": 1, \"params\": {} },\n] }");
  RunOptions options;
  options.triggers.push_back(TerminateWhen("aborting...", 0.2));
  RunResult run = RunOrv(folder, options);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.out.find("Error loading summoner file! aborting...\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("data/summoner.ini: line 3, column"), std::string::npos)
      << "the file and the place of the typo are named\n"
      << run.out;
}
