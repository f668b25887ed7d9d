// The world in the real program where a body meets a tile's centre line, a
// round obstacle stands between two objects, and an oriented box is given
// its place by named data in the spawn list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

std::string Circle(const std::string& type, double x, double y, double radius, bool body) {
  return R"({"name":")" + type + R"(","id":1,"components":[{"type":"transform","data":[]},)" +
         R"({"type":"collision","data":["Circle", {"pos x": )" + std::to_string(x) + R"(, "pos y": )" +
         std::to_string(y) + R"(, "radius": )" + std::to_string(radius) + "}]}" +
         (body ? R"(,{"type":"rigidbody","data":[]})" : "") + R"(,{"type":"script","data":[]}]})";
}

// Prints "<name> <frame>: <x> <y>" and each contact record as " <id><S|T|E>".
std::string Reporter(const std::string& name) {
  return "n = 0\n"
         "function Update(dt)\n"
         "  n = n + 1\n"
         "  local p = GetPos()\n"
         "  local line = string.format('" +
         name +
         " %d: %.2f %.2f', n, p.x, p.y)\n"
         "  for i, c in ipairs(GetContactManifolds()) do\n"
         "    line = line .. ' ' .. c.contactID .. (c.collisionStart and 'S' or '') .. (c.collisionStay and 'T' or "
         "'')\n"
         "      .. (c.collisionEnd and 'E' or '')\n"
         "  end\n"
         "  print(line)\n"
         "  if name == 'ghost' and n == 4 then Shutdown() end\n"
         "end\n";
}

// Makes its target and prints, every frame, whether a third collider stands
// on the line between them.
std::string Eye(const std::string& name, const std::string& target) {
  return "n = 0\n"
         "function Init() target = CreateGameObject('" +
         target +
         "', 40) end\n"
         "function Update(dt)\n"
         "  n = n + 1\n"
         "  print('" +
         name + " ' .. n .. ': ' .. tostring(CallRaycast(GetUniqueID(), target)))\n" + "end\n";
}

}  // namespace

// A 40 x 30 map of 32-pixel cells, solid along row 12 from column 0 to 15 (y
// 368 to 400) and down column 12 from row 0 to 11 (x 368 to 400). The
// dropped ball lies on column 4's centre line, 4 pixels into the floor; the
// walker on row 9's centre line, 14 pixels into the wall column. Two eyes
// look 200 pixels along y = 600 and 700: a circle of radius 5 stands midway
// on the first line and 10 pixels beside the second. The oriented box lies
// 800 pixels below a resting body.
TEST(WallsSightAndFirstFrameProgram, CentreLinesHoldRoundObstaclesBlockAndTheFirstFrameHasNoGhost) {
  ContentFolder folder;
  WriteScriptScene(folder, "World",
                   {{"Builder",
                     "function Init()\n"
                     "  CreateNewTileMap(1, 40, 30) SetWriteLayer(1) SetWriteValue(1)\n"
                     "  for x = 0, 15 do WriteValue(x * 32, 384) end\n"
                     "  for y = 0, 11 do WriteValue(384, y * 32) end\n"
                     "end\n"}},
                   {{"Level", 1},
                    {"Builder", 2},
                    {"Dropped", 3},
                    {"Walker", 4},
                    {"Blocker", 5},
                    {"Beside", 6},
                    {"EyeBlocked", 7},
                    {"EyeClear", 8},
                    {"Ghost", 9}});
  folder.Write("data/gameobjects/Level.txt", R"({"name":"Level","id":1,"components":[{"type":"tilemap","data":)"
                                             R"([{"tilemapid":1,"tilewidth":32,"tileheight":32}]}]})");
  const struct {
    const char* type;
    double x, y, radius;
    bool body;
    std::string script;
  } objects[] = {
      {"Dropped", 128, 360, 12, true, Reporter("dropped")},
      {"Walker", 370, 288, 12, true, Reporter("walker")},
      {"Blocker", 700, 600, 5, false, ""},
      {"Beside", 700, 710, 5, false, ""},
      {"EyeBlocked", 600, 600, 4, false, Eye("blocked", "TargetBlocked")},
      {"TargetBlocked", 800, 600, 4, false, ""},
      {"EyeClear", 600, 700, 4, false, Eye("clear", "TargetClear")},
      {"TargetClear", 800, 700, 4, false, ""},
      {"Ghost", 1000, 0, 5, true, "name = 'ghost'\n" + Reporter("ghost")},
  };
  for (const auto& o : objects) {
    folder.Write(std::string("data/gameobjects/") + o.type + ".txt", Circle(o.type, o.x, o.y, o.radius, o.body));
    folder.Write(std::string("data/scripts/") + o.type + ".lua", o.script);
  }
  folder.Write("data/gameobjects/Box.txt",
               R"({"name":"Box","id":1,"components":[{"type":"collision","data":["OBB"]}]})");
  // The spawn list as the scene writer made it, plus the box placed by name.
  std::string spawn = folder.Read("data/summoner.ini");
  spawn.insert(spawn.rfind(']'), R"(,{"name":"Box","id":10,"params":{"collision":{"value":)"
                                 R"({"pos x":1000.0,"pos y":800.0,"width":20.0,"height":20.0}}}})");
  folder.Write("data/summoner.ini", spawn);

  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));
  const auto line = [&](const std::string& prefix) {
    const std::vector<std::string> lines = LinesStartingWith(run.out, prefix);
    return lines.empty() ? "(none)" : lines.front();
  };
  // Pushed out along the axis that has a direction, leaving 0.01 of overlap.
  EXPECT_EQ(line("dropped 3:"), "dropped 3: 128.00 356.01") << run.out;
  EXPECT_EQ(line("walker 3:"), "walker 3: 356.01 288.00") << run.out;
  for (int frame = 1; frame <= 3; ++frame) {
    const std::string at = " " + std::to_string(frame) + ":";
    EXPECT_EQ(line("blocked" + at), "blocked" + at + " true") << run.out;
    EXPECT_EQ(line("clear" + at), "clear" + at + " false") << run.out;
    EXPECT_EQ(line("ghost" + at), "ghost" + at + " 1000.00 0.00") << "no push, no record: " << run.out;
  }
}
