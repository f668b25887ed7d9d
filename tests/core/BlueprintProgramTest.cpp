// Blueprints and the spawn list in the real program.
#include <gtest/gtest.h>

#include "support/ProgramRun.h"

using namespace OrvTest;

TEST(BlueprintProgram, SpawnListCreatesTheFirstSceneAndGoesOnAfterAFailure) {
  ContentFolder folder;
  folder.WriteConfig(ConfigJson(320, 200, "Scene", 60, 2));
  folder.Write("data/gameobjects/Crate.txt",
               R"({"name":"Crate","id":3,"components":[{"type":"transform","data":[1.5, {"speed":2}]}]})");
  folder.Write("data/gameobjects/Broken.txt", R"({"name":"Broken","id":3,"components":[)");
  folder.Write("data/summoner.ini", R"({"spawn":[
      {"name":"Crate","id":1,"params":{}},
      {"name":"Nope","id":2,"params":{}},
      {"name":"Crate","id":3,"params":{"transform":{"index":0,"value":128.5}}}]})");
  RunOptions options;
  options.triggers.push_back(TerminateWhen("Game Object(Crate) is created!\nGame Object(Crate)", 0.2));
  RunResult run = RunOrv(folder, options);
  EXPECT_TRUE(RanCleanly(run));
  std::size_t at = 0;
  for (const char* line : {"Inspecting GO of Crate...\n\n", " ->Adding Component transform to GO type Crate...\n",
                           "  ->Crate.transform[0] = 1.5 [D]\n", "  ->Crate.transform[speed] = 2 [I]\n",
                           " ->Component transform(3471576713) added!\n\n",
                           "Blueprint of type: Crate registered\n\n", "Summoner says aloha!\n",
                           "Game Object(Crate) is created!\n", "Game Object(Crate) is created!\n"}) {
    const std::size_t found = run.out.find(line, at);
    ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << "\nin:\n" << run.out;
    at = found + 1;
  }
  EXPECT_NE(run.err.find("Error! Object of type Nope cannot be created!!\n"), std::string::npos) << run.err;
  // Once, saying where the file broke.
  EXPECT_EQ(Count(run.err, "Error! Unable to load data/gameobjects/Broken.txt: line 1, column"), 1u) << run.err;
  EXPECT_EQ(Count(run.out + run.err, "Broken.txt"), 1u) << run.out << run.err;
}

// Files load in name order and the last wins: an old copy left beside the
// real file replaces it, and the console names both.
TEST(BlueprintProgram, ASecondFileForOneTypeSaysWhichItReplaced) {
  ContentFolder folder;
  WriteScriptScene(folder, "Twice", {{"Hero", "print('new script') function Update() Shutdown() end"}},
                   {{"Hero", 1}});
  folder.Write("data/scripts/Hero.old.lua", "print('old script') function Update() Shutdown() end");
  folder.Write("data/gameobjects/Hero copy.txt", R"({"name":"Hero","id":7,"components":[]})");
  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));
  EXPECT_EQ(Count(run.out, "Blueprint 'Hero' of data/gameobjects/Hero.txt replaces the one of "
                           "data/gameobjects/Hero copy.txt\n"),
            1u)
      << run.out;
  EXPECT_EQ(Count(run.out, "Script data/scripts/Hero.old.lua replaces data/scripts/Hero.lua for Hero\n"), 1u)
      << run.out;
  EXPECT_EQ(Count(run.out, "old script\n"), 1u) << "the later file is the one that runs";
  EXPECT_EQ(Count(run.out, "new script\n"), 0u);
}
