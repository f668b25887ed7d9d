// The collision engine in the real program, as scripts meet it: a contact's
// life, a trigger, two layers, the answers of the collision functions, and a
// script's pause that outlasts the window's.
#include <gtest/gtest.h>

#include <algorithm>
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

// A map made by a script with a solid row 5 (y 72 to 88 in cells of 16); a
// bouncing body falls onto it from above, centred on a cell border. It
// starts once the program runs at its frame rate: the first frame is long.
// The scene ends a few frames after the bounce, so a slow machine's long
// frames cannot carry it up to the solid edge above the map.
TEST(CollisionEngineProgram, AFallingBodyIsPushedBackUpOnlyAndBouncesOffTheFloorItTouches) {
  ContentFolder folder;
  WriteScriptScene(folder, "Tiles",
                   {{"Builder",
                     "function Init()\n"
                     "  CreateNewTileMap(1, 10, 10) SetWriteLayer(1) SetWriteValue(1)\n"
                     "  for x = 0, 9 do WriteValue(x * 16, 80) end\n"
                     "end\n"},
                    {"Faller",
                     "n = 0 cells = ''\n"
                     "function Init() SetWallBouncingTrue() end\n"
                     "function OnTileCollide(cell) cells = cells .. ' ' .. cell.x .. ',' .. cell.y end\n"
                     "function Update(dt)\n"
                     "  n = n + 1\n"
                     "  if n == 1 then SetVelocity(0, 2) return end\n"
                     "  local p = GetPos()\n"
                     "  print(string.format('faller %g %.3f %g%s', p.x, p.y, GetVelocity().y, cells))\n"
                     "  cells = ''\n"
                     "  if GetVelocity().y < 0 and not up then up = n end\n"
                     "  if (up and n >= up + 3) or n == 600 then Shutdown() end\n"
                     "end\n"}},
                   {{"Level", 1}, {"Builder", 2}, {"Faller", 3}});
  folder.Write("data/gameobjects/Level.txt", R"({"name":"Level","id":1,"components":[{"type":"tilemap","data":)"
                                             R"([{"tilemapid":1,"tilewidth":16,"tileheight":16}]}]})");
  folder.Write("data/gameobjects/Faller.txt",
               Blueprint("Faller", R"("pos x": 40.0, "pos y": 30.0, "radius": 8.0)", true));
  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));
  const std::vector<std::string> lines = LinesStartingWith(run.out, "faller ");
  ASSERT_GE(lines.size(), 4u) << run.out;
  int touches = 0;
  double previousY = 0;
  bool bounced = false;
  for (const std::string& line : lines) {
    double x = 0, y = 0, vy = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "faller %lf %lf %lf", &x, &y, &vy), 3) << line;
    EXPECT_EQ(x, 40.0) << "never pushed sideways: " << line;
    EXPECT_LT(y + 8, 72.0) << "never left in the floor: " << line;
    if (line.find(',') != std::string::npos) {
      ++touches;
      EXPECT_NE(line.find(" 2,5 3,5"), std::string::npos) << "each solid cell it overlaps, once: " << line;
      EXPECT_EQ(line.substr(line.size() - 8), " 2,5 3,5") << line;
      EXPECT_LT(y, previousY + 2.1) << "pushed back toward smaller y: " << line;
      bounced = true;
    }
    EXPECT_EQ(vy, bounced ? -120.0 : 120.0) << line;
    previousY = y;
  }
  EXPECT_EQ(touches, 1) << run.out;
  EXPECT_TRUE(bounced) << run.out;
}

}  // namespace
