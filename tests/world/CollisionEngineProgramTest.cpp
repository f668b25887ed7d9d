// The collision engine in the real program, as scripts meet it: a contact's
// life, a trigger, two layers, the answers of the collision functions, and a
// script's pause that outlasts the window's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

// Prints "<name> <frame>:" and then each contact record as
// "<contact id><S|T|E>[<kind>]".
std::string Logger(const std::string& name) {
  return "n = 0\n"
         "function Update(dt)\n"
         "  n = n + 1\n"
         "  local line = '" +
         name +
         " ' .. n .. ':'\n"
         "  for i, c in ipairs(GetContactManifolds()) do\n"
         "    line = line .. ' ' .. c.contactID .. (c.collisionStart and 'S' or '') .. (c.collisionStay and 'T' or "
         "'')\n"
         "      .. (c.collisionEnd and 'E' or '') .. (c.kind and ('[' .. c.kind .. ']') or '')\n"
         "  end\n"
         "  print(line)\n"
         "end\n";
}

std::string Blueprint(const std::string& type, const std::string& collision, bool body) {
  return R"({"name":")" + type + R"(","id":1,"components":[{"type":"transform","data":[]},)" +
         R"({"type":"collision","data":["Circle", {)" + collision + "}]}" +
         (body ? R"(,{"type":"rigidbody","data":[]})" : "") + "]}";
}

// The mover lies on the logger in its frames 2 to 4 and leaves; in its
// eighth frame it pauses collisions and the engine, a delayed object brings
// the engine back, and in its fourteenth it resumes collisions. The trigger
// and its neighbour overlap all along; the layered body lies on the logger
// on another layer.
TEST(CollisionEngineProgram, ContactsTriggersLayersAnswersAndAPauseThatOutlastsTheWindows) {
  ContentFolder folder;
  WriteScriptScene(
      folder, "Collisions",
      {{"Logger", Logger("logger")},
       {"Mover",
        "n = 0\n"
        "function Init() SetContactInfoString('kind', 'mover') end\n"
        "function Update(dt)\n"
        "  n = n + 1\n"
        "  print(string.format('mover %d: %g', n, GetPos().x))\n"
        "  if n <= 3 then SetPos(15, 0) else SetPos(300, 0) end\n"
        "  if n == 8 then PauseCollisions() PauseEngineActivate() CreateDelayedGameObject('Waker', 0) end\n"
        "  if n == 14 then ResumeCollisions() end\n"
        "  if n == 17 then Shutdown() end\n"
        "end\n"},
       {"Layered", ""},
       {"Trigger", Logger("trigger")},
       {"Touched", Logger("touched")},
       {"Probe",
        "function Init()\n"
        "  local r = GetBoundingRec() local d = GetDirectionVector(10, 20) local m = GetContactManifolds()\n"
        "  SetZColl(3) SetAvoidTrigger(true) SetContactInfoReal('r', 1.5)\n"
        "  print(string.format('probe %g %g %g %g | %g %g | %s %d | %g %d %g | %s %s %d', r.Top, r.Left, r.Right,\n"
        "    r.Bottom, d.x, d.y, type(m), #m, GetZColl().zColl, GetAvoidTrigger().avoidTrigger,\n"
        "    GetContactInfoReal('r'), GetContactInfoString('r'), tostring(CallRaycast(GetUniqueID(), 99999)),\n"
        "    GetCollisionCount()))\n"
        "end\n"},
       {"Waker", "function Init() print('waker ' .. tostring(IsGamePaused())) PauseEngineDeactivate() end\n"}},
      {{"Logger", 1}, {"Mover", 2}, {"Layered", 3}, {"Trigger", 4}, {"Touched", 5}, {"Probe", 6}});
  folder.Write("data/gameobjects/Logger.txt", Blueprint("Logger", R"("radius": 10.0)", false));
  folder.Write("data/gameobjects/Mover.txt", Blueprint("Mover", R"("pos x": 300.0, "radius": 10.0)", true));
  folder.Write("data/gameobjects/Layered.txt", Blueprint("Layered", R"("radius": 10.0, "z_collision": 1.0)", true));
  folder.Write("data/gameobjects/Trigger.txt",
               Blueprint("Trigger", R"("pos y": 100.0, "radius": 10.0, "avoidTrigger": "true")", false));
  folder.Write("data/gameobjects/Touched.txt",
               Blueprint("Touched", R"("pos x": 5.0, "pos y": 100.0, "radius": 10.0)", true));
  folder.Write("data/gameobjects/Probe.txt",
               Blueprint("Probe", R"("pos x": 10.0, "pos y": 20.0, "radius": 5.0)", false));
  folder.Write("data/gameobjects/Waker.txt", R"({"name":"Waker","id":1,"components":[]})");

  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));
  const std::vector<std::string> logger = LinesStartingWith(run.out, "logger ");
  ASSERT_GE(logger.size(), 7u) << run.out;
  EXPECT_EQ(std::vector<std::string>(logger.begin(), logger.begin() + 7),
            (std::vector<std::string>{"logger 1:", "logger 2: 2S[mover]", "logger 3: 2T[mover]", "logger 4: 2T[mover]",
                                      "logger 5: 2E[mover]", "logger 6:", "logger 7:"}))
      << run.out;
  // Pushed by the whole overlap of 5 along the normal; the logger has no body and stays.
  const std::vector<std::string> mover = LinesStartingWith(run.out, "mover ");
  ASSERT_GE(mover.size(), 5u) << run.out;
  EXPECT_EQ(mover[1], "mover 2: 20");
  EXPECT_EQ(mover[4], "mover 5: 300");

  for (const char* record : {" 3S", " 3T", " 3E"})
    EXPECT_EQ(Count(run.out, record), 0u) << "another layer: " << run.out;
  EXPECT_NE(run.out.find("probe 15 5 15 25 | 0 0 | table 0 | 3 1 1.5 |  false 0\n"), std::string::npos) << run.out;

  EXPECT_NE(run.out.find("waker true\n"), std::string::npos) << run.out;
  // The engine's pause skips the rest of that frame's scripts, so the trigger
  // counts one frame fewer from then on: compare what its lines say.
  std::vector<std::string> trigger, touched;
  for (const std::string& line : LinesStartingWith(run.out, "trigger ")) trigger.push_back(line.substr(line.find(':')));
  for (const std::string& line : LinesStartingWith(run.out, "touched ")) touched.push_back(line.substr(line.find(':')));
  ASSERT_GE(trigger.size(), 10u) << run.out;
  ASSERT_EQ(touched.size(), trigger.size()) << run.out;
  EXPECT_EQ(trigger[0], ": 5S 5T") << "the first Update comes a frame after the first contact";
  for (std::size_t i = 1; i < 7; ++i) {
    EXPECT_EQ(trigger[i], ": 5T") << i << run.out;
    EXPECT_EQ(touched[i], ": 4T") << i << run.out;
  }
  // Paused from the mover's frame 9 to its frame 14 (PreUpdate), whatever the window did.
  EXPECT_EQ(std::count(trigger.begin(), trigger.end(), ":"), 6) << run.out;
  EXPECT_EQ(std::count(touched.begin(), touched.end(), ":"), 6) << run.out;
  EXPECT_EQ(trigger.back(), ": 5T") << "collisions resumed, the contact stays: " << run.out;
  EXPECT_EQ(touched.back(), ": 4T") << run.out;
}

// Prints where the body is, its velocity and the cells it was told of since
// its last line; once it moves up it ends the scene a few frames later if
// it is the one that lands last.
std::string Faller(const std::string& name, bool ends) {
  return "n = 0 cells = ''\n"
         "function Init() SetWallBouncingTrue() end\n"
         "function OnTileCollide(cell) cells = cells .. ' ' .. cell.x .. ',' .. cell.y end\n"
         "function Update(dt)\n"
         "  n = n + 1\n"
         "  if n == 1 then SetVelocity(0, 0.1) return end\n"
         "  local p = GetPos()\n"
         "  print(string.format('" +
         name +
         " %g %.3f %g%s', p.x, p.y, GetVelocity().y, cells))\n"
         "  cells = ''\n"
         "  if GetVelocity().y < 0 and not up then up = n end\n" +
         (ends ? "  if (up and n >= up + 3) or n == 3000 then Shutdown() end\n" : "") + "end\n";
}

// A map made by a script with a solid row 5 (y 72 to 88 in cells of 16). Two
// bouncing bodies fall onto it from just above: one centred on a cell border
// spans two cells, a narrower one lands on a single cell, right of its
// centre line. They fall 6 pixels a second, so even a frame of a whole second
// sinks them less deep than half their width: the push stays vertical
// however long the frames of a busy machine are.
TEST(CollisionEngineProgram, FallingBodiesArePushedBackUpOnlyAndBounceOffTheFloorTheyTouch) {
  ContentFolder folder;
  WriteScriptScene(folder, "Tiles",
                   {{"Builder",
                     "function Init()\n"
                     "  CreateNewTileMap(1, 10, 10) SetWriteLayer(1) SetWriteValue(1)\n"
                     "  for x = 0, 9 do WriteValue(x * 16, 80) end\n"
                     "end\n"},
                    {"Faller", Faller("faller", true)},
                    {"Narrow", Faller("narrow", false)}},
                   {{"Level", 1}, {"Builder", 2}, {"Narrow", 3}, {"Faller", 4}});
  folder.Write("data/gameobjects/Level.txt", R"({"name":"Level","id":1,"components":[{"type":"tilemap","data":)"
                                             R"([{"tilemapid":1,"tilewidth":16,"tileheight":16}]}]})");
  // 3 pixels above the floor, and 2 for the narrow one, which lands first.
  folder.Write("data/gameobjects/Faller.txt",
               Blueprint("Faller", R"("pos x": 40.0, "pos y": 61.0, "radius": 8.0)", true));
  folder.Write("data/gameobjects/Narrow.txt",
               Blueprint("Narrow", R"("pos x": 82.0, "pos y": 66.0, "radius": 4.0)", true));
  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));
  struct Case {
    const char* name;
    double x, radius;
    const char* cells;
  };
  for (const Case& c : {Case{"faller", 40, 8, " 2,5 3,5"}, Case{"narrow", 82, 4, " 5,5"}}) {
    const std::vector<std::string> lines = LinesStartingWith(run.out, std::string(c.name) + " ");
    ASSERT_GE(lines.size(), 4u) << run.out;
    int touches = 0;
    bool bounced = false;
    double lowest = -1e9;
    for (const std::string& line : lines) {
      double x = 0, y = 0, vy = 0;
      ASSERT_EQ(std::sscanf(line.c_str() + std::string(c.name).size(), " %lf %lf %lf", &x, &y, &vy), 3) << line;
      EXPECT_EQ(x, c.x) << "never pushed sideways: " << line;
      // Pushed back to touch it, which may print as 72.000 to three places.
      EXPECT_LE(y + c.radius, 72.0005) << "never left in the floor: " << line;
      lowest = std::max(lowest, y + c.radius);
      if (line.find(',') != std::string::npos) {
        ++touches;
        EXPECT_EQ(line.substr(line.size() - std::string(c.cells).size()), c.cells)
            << "each solid cell it overlaps, once: " << line;
        bounced = true;
      }
      EXPECT_EQ(vy, bounced ? -6.0 : 6.0) << line;
    }
    std::printf("%s: lowest edge at %.3f, floor at 72\n", c.name, lowest);
    EXPECT_EQ(touches, 1) << run.out;
    EXPECT_TRUE(bounced) << run.out;
  }
}

}  // namespace

// A body walks at 180 pixels a second towards a wall one tile thick (y 176 to
// 208: cells are centred on multiples of their size), and its
// script holds one frame for 0.6 s on the way: a step that long would carry
// it past the wall's middle and out the far side. The step is bounded, so
// the body slows for that frame and stops at the wall. The script reads the
// position after the frame's move and before the wall pushes back, so a body
// at the wall shows up to the frame's step inside it: on a busy machine any
// frame may be long.
TEST(CollisionEngineProgram, AStalledFrameDoesNotCarryABodyThroughAWall) {
  ContentFolder folder;
  WriteScriptScene(folder, "Wall",
                   {{"Builder",
                     "function Init()\n"
                     "  CreateNewTileMap(1, 10, 10) SetWriteLayer(1) SetWriteValue(1)\n"
                     "  for x = 0, 9 do WriteValue(x * 32, 192) end\n"
                     "end\n"},
                    {"Walker",
                     "n = 0\n"
                     "function Update(dt)\n"
                     "  n = n + 1\n"
                     "  SetVelocity(0, 3)\n"
                     "  print(string.format('walker %.3f %.4f', GetPos().y, dt))\n"
                     "  if n == 3 then local t = os.clock() while os.clock() - t < 0.6 do end end\n"
                     "  if n == 40 then Shutdown() end\n"
                     "end\n"}},
                   {{"Level", 1}, {"Builder", 2}, {"Walker", 3}});
  folder.Write("data/gameobjects/Level.txt", R"({"name":"Level","id":1,"components":[{"type":"tilemap","data":)"
                                             R"([{"tilemapid":1,"tilewidth":32,"tileheight":32}]}]})");
  folder.Write("data/gameobjects/Walker.txt",
               Blueprint("Walker", R"("pos x": 48.0, "pos y": 110.0, "radius": 12.0)", true));
  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));
  const std::vector<std::string> lines = LinesStartingWith(run.out, "walker ");
  ASSERT_EQ(lines.size(), 40u) << run.out;
  double longest = 0, y = 0, dt = 0;
  int atTheTop = 0;
  for (const std::string& line : lines) {
    ASSERT_EQ(std::sscanf(line.c_str(), "walker %lf %lf", &y, &dt), 2) << line;
    EXPECT_LT(y, 192.0) << "never past the wall's middle: " << line;
    EXPECT_LE(y + 12.0, 176.5 + 180.0 * dt) << "no deeper in the wall than this frame's step: " << line;
    if (std::abs(y + 12.0 - 176.0) <= 0.5) ++atTheTop;
    longest = std::max(longest, dt);
  }
  EXPECT_NEAR(longest, 0.1, 1e-3) << "the held frame's step is bounded: " << run.out;
  EXPECT_GT(atTheTop, 0) << "it stops against the wall's top: " << run.out;
}
