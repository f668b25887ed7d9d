// Collision components in the real program: blueprints make their shapes
// through the registered factory and announce them; a script that changes a
// component's data at run time meets the same rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ProgramRun.h"

using namespace OrvTest;

TEST(CollisionProgram, BlueprintShapesAreAnnouncedAndBadValuesRefused) {
  ContentFolder folder;
  WriteScriptScene(folder, "Collision", {{"Driver", ""}},
                   {{"Crate", 1}, {"Ball", 2}, {"Ghost", 3}, {"Typo", 4}, {"Plank", 5}, {"Wire", 6}, {"Driver", 7}});
  const auto blueprint = [&](const std::string& type, const std::string& data) {
    folder.Write("data/gameobjects/" + type + ".txt",
                 R"({"name":")" + type + R"(","id":1,"components":[{"type":"collision","data":)" + data + "}]}");
  };
  blueprint("Crate", R"(["AABB", 1.0, 2.0, {"height": 4.0}])");
  blueprint("Ball", R"([{"Collider_Type": "Circle", "radius": 3.0}])");
  blueprint("Ghost", R"(["Empty"])");
  blueprint("Typo", R"(["Capsule", 5.0])");
  blueprint("Plank", R"(["OBB", {"orientation": 30.0}])");
  blueprint("Wire", R"(["Line"])");
  folder.Write("data/gameobjects/Driver.txt",
               R"({"name":"Driver","id":1,"components":[{"type":"collision","data":["Circle"]}]})");
  folder.Write("data/scripts/Driver.lua",
               "function Update()\n"
               "  print('driver runs')\n"
               "  SetStringAttribKey('collision', 'Collider_Type', 'OBB')\n"
               "  SetRealAttribKey('collision', 'radius', 0/0)\n"
               "  SetRealAttribKey('collision', 'pos x', 1/0)\n"
               "  Shutdown()\n"
               "end\n");
  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));
  EXPECT_EQ(LinesStartingWith(run.out, "set as "),
            (std::vector<std::string>{"set as AABB", "set as Circle", "set as Empty", "set as OBB", "set as Line",
                                      "set as Circle", "set as OBB"}))
      << run.out;
  // The second shape is announced after the script ran, and kept out.
  EXPECT_LT(run.out.find("driver runs"), run.out.rfind("set as OBB")) << run.out;
  EXPECT_EQ(Count(run.err, "is not a finite number"), 1u) << run.err;
  EXPECT_NE(run.err.find("Error! Collision \"radius\" of object 7 (unique id "), std::string::npos) << run.err;
}
