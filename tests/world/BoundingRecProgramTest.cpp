// GetBoundingRec in the real program answers the box around the collider
// where it stands when asked: in Init, right after the spawn list placed it,
// and right after the script moved it, not only once the collision engine
// has caught up at the end of the frame.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

constexpr const char* kShow = R"(local function Show(when)
  local r = GetBoundingRec()
  print(string.format("%s %s %g %g %g %g", name, when, r.Left, r.Top, r.Right, r.Bottom))
end
local frames = 0
function Init()
  Show("init")
  MovePos(10, 0)
  Show("moved")
end
function Update(dt)
  frames = frames + 1
  if frames == 1 then
    SetPos(0, 0)
    Show("set")
  elseif frames == 3 then
    Show("later")
    if name == "box" then Shutdown() end
  end
end
)";

TEST(BoundingRecProgram, TheBoxStandsWhereTheColliderIsWhenAsked) {
  ContentFolder folder;
  WriteScriptScene(folder, "OrvBoundingRec", {{"Box", kShow}, {"Crate", kShow}}, {});
  // An oriented box and an axis-aligned one, sized by their blueprints and
  // placed by the spawn list.
  folder.Write("data/gameobjects/Box.txt", R"({"name":"Box","id":1,"components":[
    {"type":"transform","data":[]},
    {"type":"collision","data":["OBB",{"width":40.0,"height":10.0}]},
    {"type":"script","data":[{"name":"box"}]}]})");
  folder.Write("data/gameobjects/Crate.txt", R"({"name":"Crate","id":2,"components":[
    {"type":"transform","data":[]},
    {"type":"collision","data":["AABB",{"width":20.0,"height":30.0}]},
    {"type":"script","data":[{"name":"crate"}]}]})");
  folder.Write("data/summoner.ini", R"({"spawn":[
    {"name":"Crate","id":2,"params":{"collision":{"value":{"pos x":50.0,"pos y":60.0}}}},
    {"name":"Box","id":1,"params":{"collision":{"value":{"pos x":100.0,"pos y":300.0}}}}]})");

  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));
  // Left, Top, Right, Bottom.
  EXPECT_EQ(LinesStartingWith(run.out, "box "),
            (std::vector<std::string>{"box init 80 295 120 305", "box moved 90 295 130 305", "box set -20 -5 20 5",
                                      "box later -20 -5 20 5"}))
      << run.out << run.err;
  EXPECT_EQ(LinesStartingWith(run.out, "crate "),
            (std::vector<std::string>{"crate init 40 45 60 75", "crate moved 50 45 70 75", "crate set -10 -15 10 15",
                                      "crate later -10 -15 10 15"}))
      << run.out << run.err;
}

}  // namespace
