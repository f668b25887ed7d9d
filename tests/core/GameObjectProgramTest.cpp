// Game objects in the real program, as a script writer meets them.
#include <gtest/gtest.h>

#include <string>

#include "support/ProgramRun.h"

namespace {

using OrvTest::ConfigJson;
using OrvTest::ContentFolder;
using OrvTest::RunOrv;
using OrvTest::RunOptions;
using OrvTest::TerminateWhen;

std::string Blueprint(const std::string& type) {
  return "{\"name\":\"" + type + "\",\"id\":1,\"components\":[{\"type\":\"transform\",\"data\":[1.0]}]}";
}

// Objects still alive at quit are let go with their scripts' states, and a
// collector hook of such a state runs script code then: it may read its
// object's attributes and make new objects, and the program still ends well.
TEST(GameObjectProgram, ScriptsReachingBackWhileObjectsAreLetGoAtQuit) {
  ContentFolder folder;
  folder.WriteConfig(ConfigJson(320, 200, "Release", 60, 1));
  folder.Write("res/audio/loadaudio.ini", R"({"sounds":[]})");
  for (const char* type : {"Main", "Crate"}) {
    folder.Write(std::string("data/gameobjects/") + type + ".txt", Blueprint(type));
  }
  folder.Write("data/scripts/Main.lua",
               "keep = newproxy(true)\n"
               "getmetatable(keep).__gc = function()\n"
               "  SetRealAttribKey('transform', 'posX', 5.0)\n"
               "  print('released', GetRealAttribKey('transform', 'posX'))\n"
               "  CreateGameObject('Crate', 9)\n"
               "  print('made at quit') io.flush()\n"
               "end\n"
               "function Init() print('main init') io.flush() end\n");
  folder.Write("data/scripts/Crate.lua", "function Init() print('crate init') io.flush() end\n");
  folder.Write("data/summoner.ini", R"({"spawn":[{"name":"Main","id":3,"params":{}}]})");
  RunOptions options;
  options.triggers.push_back(TerminateWhen("main init\n", 0.2));
  const OrvTest::RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  const std::size_t released = run.out.find("released\t");
  ASSERT_NE(released, std::string::npos) << run.out;
  const std::size_t made = run.out.find("crate init\nmade at quit\n", released);
  EXPECT_NE(made, std::string::npos) << run.out;
}

// A collector hook that makes an object of its own type again at quit would
// keep the quit going for ever; after a few rounds creation is refused with
// the usual error line, and the program ends.
TEST(GameObjectProgram, AHookThatRemakesItsOwnKindAtQuitStillLetsTheProgramEnd) {
  ContentFolder folder;
  folder.WriteConfig(ConfigJson(320, 200, "Renewing", 60, 1));
  folder.Write("res/audio/loadaudio.ini", R"({"sounds":[]})");
  folder.Write("data/gameobjects/Crate.txt", Blueprint("Crate"));
  folder.Write("data/scripts/Crate.lua",
               "keep = newproxy(true)\n"
               "getmetatable(keep).__gc = function() CreateGameObject('Crate', 9) end\n"
               "function Init() print('crate init') io.flush() end\n");
  folder.Write("data/summoner.ini", R"({"spawn":[{"name":"Crate","id":4,"params":{}}]})");
  RunOptions options;
  options.triggers.push_back(TerminateWhen("crate init\n", 0.2));
  const OrvTest::RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  EXPECT_NE(run.err.find("Error! Object of type Crate cannot be created!!\n"), std::string::npos) << run.err;
}

}  // namespace
