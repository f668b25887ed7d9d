// Squeezes between static walls in the real program, at 60 fps and with
// frames of 0.1 s: a 32-px box and a circle r 16 made in a 31-px gap between
// two walls 40 x 300 over a floor stay in their gap, never thrown through a
// wall, and fall to the floor.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "support/ProgramRun.h"
#include "world/SpawnEntries.h"

using namespace OrvTest;

namespace {

// Seconds of game time each run plays.
constexpr double kPlay = 4;

// Falls at 320 px/s²; prints where it is at the end, and its leftmost and
// rightmost centre.
std::string FallerScript(const std::string& tag) {
  return "t = 0 low = 1e9 high = -1e9 said = false\n"
         "function Update(dt)\n"
         "  local v = GetVelocity()\n"
         "  SetVelocity(v.x / 60, (v.y + 320 * dt) / 60)\n"
         "  local p = GetPos()\n"
         "  low = math.min(low, p.x) high = math.max(high, p.x)\n"
         "  t = t + dt\n"
         "  if t >= " +
         std::to_string(kPlay) +
         " and not said then\n"
         "    said = true\n"
         "    print(string.format('" +
         tag +
         " %.3f %.3f %.3f %.3f', p.x, p.y, low, high))\n"
         "  end\n"
         "end\n";
}

std::vector<std::vector<double>> Numbers(const std::string& out, const std::string& tag, std::size_t count) {
  std::vector<std::vector<double>> rows;
  for (const std::string& line : LinesStartingWith(out, tag + " ")) {
    std::vector<double> row(count);
    int used = 0;
    const char* at = line.c_str() + tag.size();
    for (std::size_t k = 0; k < count && std::sscanf(at, "%lf%n", &row[k], &used) == 1; ++k) at += used;
    rows.push_back(row);
  }
  return rows;
}

}  // namespace

TEST(WallSqueezeProgram, ABodyMadeInAGapNarrowerThanItStaysInItAndFallsAtAnyFrameRate) {
  for (const int fps : {60, 10}) {
    ContentFolder folder;
    WriteScriptScene(folder, "Squeeze",
                     {{"GapBox", FallerScript("box")},
                      {"GapBall", FallerScript("ball")},
                      {"Ender", "t = 0\nfunction Update(dt) t = t + dt if t >= " + std::to_string(kPlay + 0.3) +
                                    " then Shutdown() end end\n"}},
                     {});
    folder.WriteConfig(ConfigJson(320, 200, "Squeeze", fps, 1));
    folder.Write("data/gameobjects/GapBox.txt", SceneBlueprint("GapBox", R"("AABB")", kMassOne, 2));
    folder.Write("data/gameobjects/GapBall.txt",
                 SceneBlueprint("GapBall", R"("Circle", {"radius": 16.0})", kMassOne, 2));
    folder.Write("data/gameobjects/Wall.txt", SceneBlueprint("Wall", R"("AABB")", "", 2));
    std::vector<std::string> spawn;
    // Two walls 40 x 300 with a 31-px gap over a floor, twice: a 32-px box
    // made in one gap, a circle r 16 in the other.
    for (const double left : {1600.0, 1800.0}) {
      spawn.push_back(WallAt("Wall", left, 200, 40, 300));
      spawn.push_back(WallAt("Wall", left + 71, 200, 40, 300));
      spawn.push_back(WallAt("Wall", left - 50, 500, 211, 20));
    }
    spawn.push_back(WallAt("GapBox", 1600 + 40 - 0.5, 300, 32, 32));
    spawn.push_back(SpawnAt("GapBall", 2, 1800 + 40 + 15.5, 316));
    spawn.push_back(R"({"name":"Ender","id":9,"params":{}})");
    WriteSpawnList(folder, spawn);

    const RunResult run = RunOrv(folder);
    ASSERT_TRUE(RanCleanly(run));
    // In the gap, at most a step's fall from the floor, never sideways by
    // more than the overlap it was made with.
    for (const auto& [tag, centre, half] :
         {std::tuple{"box", 1640 + 15.5, 16.0}, std::tuple{"ball", 1840 + 15.5, 16.0}}) {
      const auto rows = Numbers(run.out, tag, 4);
      ASSERT_EQ(rows.size(), 1u) << tag;
      const auto& r = rows[0];
      std::printf("fps %d, %s made in a 31-px gap: ends at %.3f %.3f, x from %.3f to %.3f\n", fps, tag, r[0], r[1],
                  r[2], r[3]);
      EXPECT_GE(r[2], centre - 1) << fps << " " << tag;
      EXPECT_LE(r[3], centre + 1) << fps << " " << tag;
      EXPECT_NEAR(r[1], 500 - half, fps == 60 ? 1.1 : 6.1) << fps << " " << tag;
    }
  }
}
