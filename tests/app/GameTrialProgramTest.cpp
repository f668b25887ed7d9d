// Mistakes a game's author makes in content, met in the real program.
#include <gtest/gtest.h>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

// The scene's common part: a small window at debug level 1 and the spawn
// list given (none: an empty one).
void WriteTrial(const ContentFolder& folder, const std::string& spawnList = R"({"spawn":[]})") {
  folder.WriteConfig(ConfigJson(320, 200, "Trial", 60, 1));
  folder.Write("data/summoner.ini", spawnList);
}

// Runs until the first scene has been made.
RunResult RunUntilSummoned(const ContentFolder& folder) {
  RunOptions options;
  options.triggers.push_back(TerminateWhen("Summoner says aloha!", 0.2));
  return RunOrv(folder, options);
}

}  // namespace

TEST(GameTrialProgram, BrokenSpawnListSaysWhereItWentWrong) {
  ContentFolder folder;
  WriteTrial(folder, "{ \"spawn\": [\n  { \"name\": \"Crate\", \"id\": 1, \"params\": {} },\n] }");
  folder.Write("data/gameobjects/Crate.txt", R"({"name":"Crate","id":3,"components":[]})");
  RunOptions options;
  options.triggers.push_back(TerminateWhen("aborting...", 0.2));
  RunResult run = RunOrv(folder, options);
  EXPECT_TRUE(RanCleanly(run));
  EXPECT_NE(run.out.find("Error loading summoner file! aborting...\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("data/summoner.ini: line 3, column"), std::string::npos)
      << "the file and the place of the typo are named\n"
      << run.out;
}

TEST(GameTrialProgram, MisspeltComponentNamesTheBlueprintFile) {
  ContentFolder folder;
  WriteTrial(folder, R"({"spawn":[{"name":"Crate","id":1,"params":{}}]})");
  folder.Write("data/gameobjects/Crate.txt", R"({"name":"Crate","id":3,"components":[{"type":"transfrom","data":[]}]})");
  RunResult run = RunUntilSummoned(folder);
  EXPECT_TRUE(RanCleanly(run));
  // Once, naming the file among many blueprints.
  EXPECT_EQ(Count(run.err, "data/gameobjects/Crate.txt: transfrom component does not exist!\n"), 1u) << run.err;
  EXPECT_EQ(Count(run.out + run.err, "transfrom"), 1u) << run.out << run.err;
  EXPECT_NE(run.err.find("Error! Object of type Crate cannot be created!!\n"), std::string::npos) << run.err;
}

TEST(GameTrialProgram, SpawnEntryWithoutParamsSaysWhichEntryAndWhatItNeeds) {
  ContentFolder folder;
  WriteTrial(folder, R"({"spawn":[{"name":"Crate","id":1,"params":{}},{"name":"Crate","id":2}]})");
  folder.Write("data/gameobjects/Crate.txt", R"({"name":"Crate","id":3,"components":[]})");
  RunOptions options;
  options.triggers.push_back(TerminateWhen("the other entries are made", 0.2));
  RunResult run = RunOrv(folder, options);
  EXPECT_TRUE(RanCleanly(run));
  EXPECT_EQ(Count(run.out, "Game Object(Crate) is created!\n"), 1u) << run.out;
  EXPECT_NE(run.out.find("data/summoner.ini: spawn entry 2 (Crate) is not made: \"params\" is missing (\"params\": "
                         "{} makes the object as its blueprint stands); the other entries are made\n"),
            std::string::npos)
      << run.out;
}

TEST(GameTrialProgram, ConfigurationWithATypoEndsWithALineSayingWhere) {
  ContentFolder folder;
  folder.WriteConfig("{ \"width\": 320, \"height\": 200,\n  \"title\": \"Trial\" \"fps\": 60, \"debug\": 1 }");
  RunResult run = RunOrv(folder);
  EXPECT_TRUE(RanCleanly(run, 1));
  EXPECT_NE(run.err.find("config/config.ini: line 2, column"), std::string::npos)
      << "a comma left out must not end the program without a word\n"
      << run.err;
}

TEST(GameTrialProgram, SoundListWithATypoIsNotCalledMissing) {
  ContentFolder folder;
  WriteTrial(folder);
  folder.Write("res/audio/loadaudio.ini", "{\"sounds\": [\n  {\"id\": \"shot\", \"filename\": \"shot.wav\"},\n]}");
  RunResult run = RunUntilSummoned(folder);
  EXPECT_TRUE(RanCleanly(run));
  EXPECT_NE(run.out.find("res/audio/loadaudio.ini: line 3, column"), std::string::npos)
      << "the file is there; the console says where it broke\n"
      << run.out;
}

TEST(GameTrialProgram, ResourceFilesWithATypoSayWhereTheyBroke) {
  ContentFolder folder;
  WriteTrial(folder);
  folder.Write("res/anims/hero.anim", "{ \"walk\": [\"a\", \"b\"], }");
  folder.Write("res/textures/tiles.tileset", "{ \"name\": \"t\" \"mapping\": [] }");
  folder.Write("res/textures/sheet.pack", "{ \"file\": \"sheet.png\",\n  \"frames\": [ ] ");
  RunResult run = RunUntilSummoned(folder);
  EXPECT_TRUE(RanCleanly(run));
  for (const char* line : {"Error loading anim file: res/anims/hero.anim: line 1, column",
                           "Error loading tileset file: res/textures/tiles.tileset: line 1,",
                           "Can't load pack file: res/textures/sheet.pack\nres/textures/sheet.pack: line 2,"}) {
    EXPECT_NE(run.out.find(line), std::string::npos) << "a file that is there is not only called missing: " << line
                                                     << "\n"
                                                     << run.out;
  }
}

TEST(GameTrialProgram, FontListWithATypoSaysWhereItBroke) {
  ContentFolder folder;
  WriteTrial(folder);
  folder.Write("res/loadfonts.ini", "{ \"fonts\": [\n  {\"id\": \"default\" \"size\": 16} ] }");
  RunResult run = RunUntilSummoned(folder);
  EXPECT_TRUE(RanCleanly(run));
  EXPECT_NE(run.err.find("Error loading Font Resource file\n"), std::string::npos) << run.err;
  EXPECT_NE(run.out.find("res/loadfonts.ini: line 2, column"), std::string::npos) << run.out;
}
