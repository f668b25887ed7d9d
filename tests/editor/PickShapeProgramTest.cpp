// Editable objects written the usual way, without a sprite, are picked by
// their collider's shape: RemoveObject near a coin's middle removes it and the
// next save leaves it out. And a save into a folder that does not exist says
// so, naming the file, whatever saves it.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace fs = std::filesystem;

TEST(PickShapeProgram, ObjectsWithoutASpriteArePickedByTheirColliderAndSavesIntoMissingFoldersSaySo) {
  ContentFolder folder;
  const fs::path user = fs::path(folder.Path()) / "documents" / "Kelvane";
  RunOptions options;
  options.env = {{"HOME", folder.Path() + "/home"}, {"XDG_DOCUMENTS_DIR", user.parent_path().string()}};
  WriteScriptScene(folder, "OrvPickShape", {{"editor", R"(
local frame = 0
function Update(dt)
  frame = frame + 1
  if frame == 1 then
    AddObject(100, 50, 7, "coin")
    AddObject(-100, 50, 8, "box")
    AddObject(0, -80, 9, "turned")
  elseif frame == 2 then
    SaveObjects("before.json")
    -- 2 px from the coin's centre, inside the box and the turned box.
    RemoveObject(102, 50)
    RemoveObject(-91, 46)
    RemoveObject(3, -78)
    SaveObjects("after.json")
    print("dumped", LuaDumpObject("no such folder/state.lua", "state", {a = 1}))
    SaveObjects("no such folder/level.json")
    Shutdown()
  end
end
)"}},
                   {{"editor", 1}});
  // The docs' usual form: an editable with no data, a collider and no sprite.
  folder.Write("data/gameobjects/coin.txt", R"({"name":"coin","id":2,"components":[
    {"type":"transform","data":[]},
    {"type":"collision","data":["Circle", {"radius": 10.0}]},
    {"type":"editable","data":[]}]})");
  folder.Write("data/gameobjects/box.txt", R"({"name":"box","id":3,"components":[
    {"type":"collision","data":["AABB", {"width": 24.0, "height": 12.0}]},
    {"type":"editable","data":[]}]})");
  folder.Write("data/gameobjects/turned.txt", R"({"name":"turned","id":4,"components":[
    {"type":"transform","data":[]},
    {"type":"collision","data":["OBB", {"width": 20.0, "height": 10.0}]},
    {"type":"editable","data":[]}]})");

  const RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));

  // Saved with the collider's shape, so a later load picks them too.
  const std::string before = ReadFile(user / "before.json");
  // Sizes 6 and 7 are written whole, as a blueprint gives them.
  for (const char* line : {R"({ "index" : 5, "value" : "Circle" },)", R"({ "index" : 8, "value" : 10.0 },)",
                           R"({ "index" : 5, "value" : "AABB" },)", R"({ "index" : 6, "value" : 24.0 },)",
                           R"({ "index" : 7, "value" : 12.0 },)", R"({ "index" : 5, "value" : "OBB" },)",
                           R"({ "index" : 6, "value" : 20.0 },)", R"({ "index" : 7, "value" : 10.0 },)"}) {
    EXPECT_NE(before.find(line), std::string::npos) << line << "\n" << before;
  }
  EXPECT_EQ(before.find(R"("value" : "" })"), std::string::npos) << before;
  const std::string after = ReadFile(user / "after.json");
  ASSERT_NE(after.find("\"spawn\""), std::string::npos) << after;
  for (const char* name : {"coin", "box", "turned"}) {
    EXPECT_EQ(after.find(name), std::string::npos) << name << " is still saved:\n" << after;
  }

  // One line each, naming the file and what went wrong.
  EXPECT_NE(run.out.find("dumped\tfalse"), std::string::npos) << run.out;
  const std::string dumpLine = "Error! LuaDumpObject cannot write \"no such folder/state.lua\": No such file or directory";
  EXPECT_EQ(Count(run.err, dumpLine), 1u) << run.err;
  EXPECT_NE(run.err.find("to save the level objects to " + (user / "no such folder/level.json").string() +
                         ": No such file or directory"),
            std::string::npos)
      << run.err;
}
