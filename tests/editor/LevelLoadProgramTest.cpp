// Level files as a careless developer meets them in the real program: loads
// that fail must not cost the level saved before, each entry is made from
// its own values alone, and a save that cannot be written says where and why.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

namespace fs = std::filesystem;

// A level entry of type Pk with collision (x, y), edit data only when saved.
std::string Entry(int id, const std::string& params) {
  return R"({"name":"Pk","id":)" + std::to_string(id) + R"(,"params":{)" + params + "}}";
}
std::string Level(const std::string& entries) { return R"({"spawn":[)" + entries + "]}"; }
constexpr const char* kAt50x5 = R"("collision":[{"index":1,"value":50.0},{"index":2,"value":5.0}])";
constexpr const char* kSaved70 =
    R"("collision":[{"index":1,"value":30.0},{"index":2,"value":40.0}],)"
    R"("editable":[{"index":0,"value":30.0},{"index":1,"value":40.0},{"index":2,"value":70},)"
    R"({"index":3,"value":"Pk"},{"index":4,"value":1},{"index":5,"value":"AABB"}])";

}  // namespace

TEST(LevelLoadProgram, AFailedLoadKeepsTheRecordsAndEachEntryStartsFromTheBlueprint) {
  ContentFolder folder;
  const fs::path user = fs::path(folder.Path()) / "documents" / "Kelvane";
  RunOptions options;
  options.env = {{"HOME", folder.Path() + "/home"}, {"XDG_DOCUMENTS_DIR", (user.parent_path()).string()}};
  WriteScriptScene(folder, "OrvLevelLoad",
                   {{"editor", R"(
local frames = 0
function Update(dt)
  frames = frames + 1
  if frames == 1 then
    LoadObjects("a.json", true)
    LoadObjects("b.json", true)
    LoadObjects("good.json", true)
    LoadObjects("missing.json", true)
    LoadObjects("broken.json", true)
    LoadObjects("nospawn.json", true)
  end
  if frames == 4 then
    SaveObjects("good.json")
    SaveObjects("blocked/level.json")
    print("saved")
    Shutdown()
  end
end
)"},
                    {"Pk", R"(
local shown = false
function Update(dt)
  if shown then return end
  shown = true
  local p = GetPos()
  print("pk " .. GetID() .. " at " .. p.x .. "," .. p.y)
end
)"}},
                   {{"editor", 1}});
  folder.Write("data/gameobjects/Pk.txt", R"({"name":"Pk","id":2,"components":[
    {"type":"transform","data":[0.0, 0.0]},
    {"type":"collision","data":["AABB", {"width": 20.0, "height": 20.0}]},
    {"type":"editable","data":[]}]})");
  WriteFile(user / "a.json", Level(Entry(61, kAt50x5) + "," + Entry(63, "")));
  WriteFile(user / "b.json", Level(Entry(62, "")));
  WriteFile(user / "good.json", Level(Entry(70, kSaved70)));
  WriteFile(user / "broken.json", "{ \"spawn\": [ ");
  WriteFile(user / "nospawn.json", "{}");
  // A save cut short by a kill in an earlier run, and a file where the
  // folder of the next save should be.
  WriteFile(user / "old.json.orv-unfinished", "{ \"spa");
  WriteFile(user / "blocked", "not a folder");

  const RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  EXPECT_NE(run.out.find("pk 61 at 50,5\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("pk 63 at 0,0\n"), std::string::npos) << "the entry before it left nothing\n" << run.out;
  EXPECT_NE(run.out.find("pk 62 at 0,0\n"), std::string::npos) << "nor did an earlier load\n" << run.out;
  EXPECT_NE(run.out.find("pk 70 at 30,40\n"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("Aborting"), std::string::npos) << "nothing aborts\n" << run.out;
  EXPECT_NE(
      run.err.find("Error! LoadObjects(\"missing.json\") loads nothing: neither " + (user / "missing.json").string() +
                   " nor data/missing.json could be loaded; the objects and their records stay as they were\n"),
      std::string::npos)
      << run.err;
  EXPECT_NE(run.out.find("Spawn not found...aborting summoning.."), std::string::npos) << run.out;

  // The loads that failed kept the record of 70, so the save wrote it again.
  const std::string saved = ReadFile(user / "good.json");
  EXPECT_NE(saved.find("\"id\": 70,"), std::string::npos) << saved;
  EXPECT_NE(saved.find("{ \"index\" : 1, \"value\" : 30.0 },"), std::string::npos) << saved;
  EXPECT_EQ(Count(saved, "\"name\""), 1u) << saved;

  EXPECT_FALSE(fs::exists(user / "old.json.orv-unfinished"));
  EXPECT_NE(
      run.err.find("Error! Cannot create " + (user / "blocked/level.json.orv-unfinished").string() +
                   " to save the level objects to " + (user / "blocked/level.json").string() + ": Not a directory"),
      std::string::npos)
      << run.err;
  EXPECT_NE(run.out.find("Creating save file failed!"), std::string::npos) << run.out;
}

// A level's load prints several engine lines per object between frames; they
// reach the console in the order they were made, around what the scripts
// print, and the last frame's lines still reach it when the program ends.
TEST(LevelLoadProgram, TheLinesOfALoadKeepTheirPlaceAmongTheScriptsLines) {
  ContentFolder folder;
  const fs::path user = fs::path(folder.Path()) / "documents" / "Kelvane";
  RunOptions options;
  options.env = {{"HOME", folder.Path() + "/home"}, {"XDG_DOCUMENTS_DIR", (user.parent_path()).string()}};
  WriteScriptScene(folder, "OrvLevelLines",
                   {{"editor", R"(
local frames = 0
function Update(dt)
  frames = frames + 1
  if frames == 1 then
    print("asked")
    LoadObjects("good.json", true)
  end
  if frames == 3 then
    print("done")
    LoadObjects("good.json", true)
    Shutdown()
  end
end
)"},
                    {"Pk", "print('pk body')\nfunction Init() print('pk init') end\n"}},
                   {{"editor", 1}});
  folder.Write("data/gameobjects/Pk.txt", R"({"name":"Pk","id":2,"components":[
    {"type":"transform","data":[0.0, 0.0]},
    {"type":"collision","data":["AABB", {"width": 20.0, "height": 20.0}]},
    {"type":"editable","data":[]}]})");
  WriteFile(user / "good.json", Level(Entry(70, kSaved70)));

  const RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  const std::vector<std::string> order = {"asked\n",
                                          "Loading objects from filepath: ",
                                          "Level Summoner says aloha!\n",
                                          "Game Object(Pk) is created!\n",
                                          "Object stored: Name: Pk | ID: 70 | Position: 30, 40\n",
                                          "pk body\n",
                                          "pk init\n",
                                          "done\n",
                                          "Loading objects from filepath: ",
                                          "Game Object(Pk) is created!\n",
                                          "Object stored: Name: Pk | ID: 70 | Position: 30, 40\n",
                                          "pk body\n"};
  std::size_t at = 0;
  for (const std::string& line : order) {
    const std::size_t found = run.out.find(line, at);
    ASSERT_NE(found, std::string::npos) << "\"" << line << "\" in its place\n" << run.out;
    at = found + line.size();
  }
}
