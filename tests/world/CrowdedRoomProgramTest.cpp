// Crowds in closed rooms in the real program, at 60 fps and with frames of
// 0.1 s: 80 circles r 8 in a room 200 x 200 and 400 in one 1000 x 1000, walls
// 10 px thick, each circle driven at up to 1600 px/s each way, a new way
// every half second. However they shove one another into the walls and
// corners, no circle's centre ever gets past a wall's middle.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/ProgramRun.h"
#include "world/SpawnEntries.h"

using namespace OrvTest;

namespace {

// Seconds of game time each run plays.
constexpr double kPlay = 6;

struct Room {
  std::string tag;
  double left, top, side;
  int bodies;
};

// Drives its circle each frame at a way drawn every half second; notes how
// far its centre ever got past the room's inside faces, and prints it.
std::string CrowdScript(const Room& room) {
  char text[1400];
  std::snprintf(text, sizeof text,
                "t = 0 next = 0 vx = 0 vy = 0 worst = -1e9 said = false\n"
                "function Update(dt)\n"
                "  local p = GetPos()\n"
                "  if t == 0 then math.randomseed(math.floor(p.x * 7919 + p.y * 104729)) end\n"
                "  t = t + dt\n"
                "  if t >= next then\n"
                "    next = next + 0.5\n"
                "    vx, vy = math.random() * 3200 - 1600, math.random() * 3200 - 1600\n"
                "  end\n"
                "  SetVelocity(vx / 60, vy / 60)\n"
                "  local past = math.max(%.3f - p.x, p.x - %.3f, %.3f - p.y, p.y - %.3f)\n"
                "  worst = math.max(worst, past)\n"
                "  if t >= %.3f and not said then\n"
                "    said = true\n"
                "    print(string.format('%s %%.3f %%.3f %%.3f', worst, p.x, p.y))\n"
                "  end\n"
                "end\n",
                room.left, room.left + room.side, room.top, room.top + room.side, kPlay, room.tag.c_str());
  return text;
}

std::string PlacedBox(double left, double top, double width, double height) {
  char text[260];
  std::snprintf(text, sizeof text,
                R"({"name":"Wall","id":5,"params":{"collision":{"value":{"pos x":%.2f,"pos y":%.2f,)"
                R"("width":%.2f,"height":%.2f}}}})",
                left + width / 2, top + height / 2, width, height);
  return text;
}

}  // namespace

TEST(CrowdedRoomProgram, NoCircleShovedThroughAWallOfAClosedRoomAtAnyFrameRate) {
  const std::vector<Room> rooms = {{"small", 1000, 1000, 200, 80}, {"large", 3000, 1000, 1000, 400}};
  for (const int fps : {60, 10}) {
    SCOPED_TRACE(fps == 60 ? "60 frames a second" : "frames of 0.1 s");
    ContentFolder folder;
    ScriptedTypes types;
    for (const Room& room : rooms) types.push_back({room.tag, CrowdScript(room)});
    types.push_back({"Ender", "t = 0\nfunction Update(dt) t = t + dt if t >= " + std::to_string(kPlay + 0.3) +
                                  " then Shutdown() end end\n"});
    WriteScriptScene(folder, "Crowd", types, {});
    folder.WriteConfig(ConfigJson(320, 200, "Crowd", fps, 1));
    for (const Room& room : rooms) {
      folder.Write("data/gameobjects/" + room.tag + ".txt",
                   SceneBlueprint(room.tag, R"("Circle", {"radius": 8.0})", kMassOne, 2));
    }
    folder.Write("data/gameobjects/Wall.txt", SceneBlueprint("Wall", R"("AABB")", "", 2));
    std::vector<std::string> spawn;
    for (const Room& room : rooms) {
      const double l = room.left, t = room.top, s = room.side;
      spawn.push_back(PlacedBox(l - 10, t - 10, s + 20, 10));
      spawn.push_back(PlacedBox(l - 10, t + s, s + 20, 10));
      spawn.push_back(PlacedBox(l - 10, t, 10, s));
      spawn.push_back(PlacedBox(l + s, t, 10, s));
      // On a lattice, apart and clear of the walls.
      int per = 1;
      while (per * per < room.bodies) ++per;
      const double pitch = s / per;
      for (int k = 0; k < room.bodies; ++k) {
        spawn.push_back(SpawnAt(room.tag, 2, l + pitch * (k % per + 0.5), t + pitch * (k / per + 0.5)));
      }
    }
    spawn.push_back(R"({"name":"Ender","id":9,"params":{}})");
    WriteSpawnList(folder, spawn);

    const RunResult run = RunOrv(folder);
    ASSERT_TRUE(RanCleanly(run)) << run.err.substr(0, 2000);
    for (const Room& room : rooms) {
      const std::vector<std::string> lines = LinesStartingWith(run.out, room.tag + " ");
      ASSERT_EQ(lines.size(), static_cast<std::size_t>(room.bodies)) << room.tag;
      int out = 0;
      double worst = -1e9;
      std::string escaped;
      for (const std::string& line : lines) {
        double past = 0, x = 0, y = 0;
        ASSERT_EQ(std::sscanf(line.c_str() + room.tag.size(), "%lf %lf %lf", &past, &x, &y), 3) << line;
        worst = std::max(worst, past);
        // Past the middle of a wall 10 px thick.
        if (past > 5) out += 1, escaped += line + "\n";
      }
      std::printf(
          "fps %d, %d circles in a room %.0f x %.0f: %d got past a wall's middle; the deepest centre %.2f px "
          "past an inside face\n",
          fps, room.bodies, room.side, room.side, out, worst);
      EXPECT_EQ(out, 0) << escaped;
    }
  }
}
