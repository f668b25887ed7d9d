// Scripted objects in the real program: shared scripts, Init after every
// registration, creation from scripts, and scripts that fail.
#include <gtest/gtest.h>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

std::string Blueprint(const std::string& type, double x) {
  return "{\"name\":\"" + type + "\",\"id\":1,\"components\":[{\"type\":\"transform\",\"data\":[" +
         std::to_string(x) + "]}]}";
}

}  // namespace

TEST(ScriptCreationProgram, ScriptedObjectsStartAndCreateOthersWhileBrokenScriptsAreReportedOnce) {
  ContentFolder folder;
  folder.WriteConfig(ConfigJson(320, 200, "Scripted", 60, 1));
  folder.Write("res/audio/loadaudio.ini", R"({"sounds":[]})");
  folder.Write("data/scripts/extra/shared.lua", "SHARED = 'shared'\nfunction Twice(n) return 2 * n end\n");
  for (const char* type : {"Main", "Box", "Late", "Broken", "Caller"}) {
    folder.Write(std::string("data/gameobjects/") + type + ".txt", Blueprint(type, 10.0));
  }
  folder.Write("data/scripts/Broken.lua", "function Init() print('broken init') end\nlocal x = = 1\n");
  // Its own state: the shared global it changes stays as it was for the others.
  folder.Write("data/scripts/Caller.lua", "SHARED = 'changed'\nCreateGameObject(5)\n");
  folder.Write("data/scripts/Main.lua",
               "print('main top', SHARED)\n"
               "function Init()\n"
               "  print('main init', SHARED, Twice(21), type(CreateGameObject))\n"
               "  SetGlobalVarString('phase', 'boxes')\n"
               "  PushRealParamIndex('transform', 0, 100.5)\n"
               "  CreateGameObject('Box', 1)\n"
               "  CreateGameObject('Box', 2)\n"
               "  ResetParamStack()\n"
               "  print('after boxes')\n"
               "  CreateDelayedGameObject('Late', 3)\n"
               "  print('main init done')\n"
               "end\n");
  folder.Write("data/scripts/Box.lua",
               "function Init() print('box init', SHARED, GetRealAttribIndex('transform', 0), GetGlobalVar('phase')) end\n");
  folder.Write("data/scripts/Late.lua", "function Init() print('late init') io.flush() end\n");
  folder.Write("data/summoner.ini", R"({"spawn":[
      {"name":"Broken","id":1,"params":{}},
      {"name":"Caller","id":2,"params":{}},
      {"name":"Main","id":3,"params":{}}]})");
  RunOptions options;
  options.triggers.push_back(TerminateWhen("late init\n", 0.1));
  const RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));

  std::size_t at = 0;
  for (const char* line : {"main top\tshared\n", "main init\tshared\t42\tfunction\n", "Create GameObject: Box\n",
                           "box init\tshared\t100.5\tboxes\n", "Create GameObject: Box\n", "box init\tshared\t100.5\tboxes\n",
                           "after boxes\n", "main init done\n", "late init\n"}) {
    const std::size_t found = run.out.find(line, at);
    ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << "\nin:\n" << run.out;
    at = found + 1;
  }
  const std::string broken = "Error running script: data/scripts/Broken.lua:2: unexpected symbol near '='\n";
  const std::string caller =
      "Error running script: data/scripts/Caller.lua:2: bad argument #1 to 'CreateGameObject' (bad argument)\n";
  for (const std::string& line : {broken, caller}) {
    EXPECT_EQ(Count(run.out, line), 1u) << run.out;
    EXPECT_EQ(Count(run.err, line), 1u) << run.err;
  }
  EXPECT_EQ(Count(run.out, "Error"), 2u) << run.out;
  EXPECT_EQ(run.out.find("broken init"), std::string::npos);
}

// A hero that carries a mounted crate and makes an escort of two grouped ones.
TEST(ScriptCreationProgram, AHeroStartsWithItsCarriedCrateAndEscort) {
  ContentFolder folder;
  folder.WriteConfig(ConfigJson(320, 200, "demo", 60, 1));
  folder.Write("res/audio/loadaudio.ini", R"({"sounds":[]})");
  const std::string demo = std::string(ORV_SOURCE_DIR) + "/tests/script/data/demo_hero/";
  for (const char* file : {"gameobjects/Hero.txt", "gameobjects/Crate.txt", "summoner.ini", "scripts/Hero.lua",
                           "scripts/extra/common.lua"}) {
    folder.Copy(demo + file, std::string("data/") + file);
  }
  folder.Copy(std::string(ORV_SOURCE_DIR) + "/game/res/loadfonts.ini", "res/loadfonts.ini");
  RunOptions options;
  options.triggers.push_back(TerminateWhen("Orv Demo:\tcarrying", 0.1));
  const RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  std::size_t at = 0;
  // Unique ids: the hero 1, the carried crate 2, the escort 3 and 4.
  for (const char* line : {"Hero's script successfully loaded\n", "Orv Demo:\thero ready at\t512\t384\n",
                           "Create GameObject: Crate\n", "Create GameObject: Crate\n", "Create GameObject: Crate\n",
                           "Orv Demo:\tcarrying\t2\tescorted by\t2\tcrates;\thero is\tready\n"}) {
    const std::size_t found = run.out.find(line, at);
    ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << "\nin:\n" << run.out;
    at = found + 1;
  }
  EXPECT_EQ(run.out.find("Error"), std::string::npos) << run.out;
  EXPECT_EQ(run.err.find("Error"), std::string::npos) << run.err;
}
