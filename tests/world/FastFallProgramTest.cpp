// Bodies falling fast onto a tile floor in the real program, at 60 frames a
// second and uncapped: each stops on the floor's top at 600, 1200 and 1900
// pixels a second, on a column's centre line, on a column boundary and off
// both; and a box standing on a column's centre line deep in a floor two rows
// thick is pushed out of both rows at once. A body resting on the floor while
// its script adds 60 px/s to its fall every frame stays on it: past a tile a
// step, speed kept into the floor would carry it through.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

constexpr int kFrames = 60;
// Cells of 32 centred on multiples of 32: the floor's rows 12 to 18 span y
// 368 to 592, seven rows, so that even a step held to the longest a frame may
// take (0.1 s) ends inside it, never beyond.
constexpr double kFloorTop = 368;
constexpr double kRadius = 12;

// Still for its first two frames, whose steps the start-up may make long;
// then falls at its speed, set again every frame until it touches the floor,
// and stops there. Prints where it is, the frame's time and whether it fell
// in that frame's step.
std::string Faller(int speed) {
  char text[700];
  std::snprintf(text, sizeof text,
                "n = 0 landed = false falling = 0\n"
                "function Update(dt)\n"
                "  n = n + 1\n"
                "  local p = GetPos()\n"
                "  print(string.format('fall %d %%d %%.4f %%.4f %%.5f %%d', n, p.x, p.y, dt, falling))\n"
                "  if p.y + %g >= %g then landed = true end\n"
                "  falling = (n >= 2 and not landed) and 1 or 0\n"
                "  SetVelocity(0, falling * %d / 60)\n"
                "end\n",
                speed, kRadius, kFloorTop - 0.5, speed);
  return text;
}

struct Landing {
  int lines = 0;
  double deepest = -1e9;
  double lastY = 0;
  // A frame in which it fell further than a cell.
  bool beyondOneCell = false;
  // The first line that shows it pushed sideways, if any.
  std::string sideways;
};

}  // namespace

TEST(FastFallProgram, FastBodiesStopOnTheFloorAtAnyFrameRateAndAStandingBoxLeavesBothRows) {
  for (const int fps : {60, 100000}) {
    ContentFolder folder;
    WriteScriptScene(folder, "Fast",
                     {{"Builder",
                       "function Init()\n"
                       "  CreateNewTileMap(1, 40, 24) SetWriteLayer(1) SetWriteValue(1)\n"
                       "  for x = 0, 39 do for y = 12, 18 do WriteValue(x * 32, y * 32) end end\n"
                       "end\n"},
                      {"Fall600", Faller(600)},
                      {"Fall1200", Faller(1200)},
                      {"Fall1900", Faller(1900)},
                      {"Standing",
                       "n = 0\n"
                       "function Update(dt)\n"
                       "  n = n + 1\n"
                       "  local p = GetPos()\n"
                       "  print(string.format('standing %d %.4f %.4f', n, p.x, p.y))\n"
                       "end\n"},
                      {"Rester",
                       "n = 0\n"
                       "function Update(dt)\n"
                       "  n = n + 1\n"
                       "  local p, v = GetPos(), GetVelocity()\n"
                       "  print(string.format('resting %d %.4f %.4f', n, p.y, v.y))\n"
                       "  SetVelocity(0, (v.y + 60) / 60)\n"
                       "end\n"},
                      {"Ender", "n = 0\nfunction Update(dt) n = n + 1 if n == " + std::to_string(kFrames) +
                                    " then Shutdown() end end\n"}},
                     {});
    folder.WriteConfig(ConfigJson(320, 200, "Fast", fps, 1));
    folder.Write("data/gameobjects/Level.txt", R"({"name":"Level","id":1,"components":[{"type":"tilemap","data":)"
                                               R"([{"tilemapid":1,"tilewidth":32,"tileheight":32}]}]})");
    for (const int speed : {0, 600, 1200, 1900}) {
      const std::string type = speed == 0 ? "Rester" : "Fall" + std::to_string(speed);
      folder.Write("data/gameobjects/" + type + ".txt",
                   R"({"name":")" + type + R"(","id":2,"components":[{"type":"transform","data":[]},)" +
                       R"({"type":"collision","data":["Circle", {"radius": 12.0}]},)" +
                       R"({"type":"rigidbody","data":[]}]})");
    }
    // 20 wide and 50 tall on column 30's centre line, 34 into the floor: two
    // rows under it, its centre above the first row's.
    folder.Write("data/gameobjects/Standing.txt",
                 R"({"name":"Standing","id":3,"components":[{"type":"transform","data":[]},)"
                 R"({"type":"collision","data":["AABB", {"pos x": 960.0, "pos y": 377.0, "width": 20.0,)"
                 R"( "height": 50.0}]},{"type":"rigidbody","data":[]}]})");
    std::vector<std::string> spawn = {R"({"name":"Level","id":1,"params":{}})",
                                      R"({"name":"Builder","id":1,"params":{}})"};
    // For each speed a body on a column boundary, one on a column's centre
    // line and one off both, far enough apart not to meet.
    std::map<double, int> speedAt;
    for (int k = 0; k < 3; ++k) {
      const int speed = k == 0 ? 600 : k == 1 ? 1200 : 1900;
      for (const double x : {48.0 + 256 * k, 128.0 + 256 * k, 200.0 + 256 * k}) {
        spawn.push_back(SpawnAt("Fall" + std::to_string(speed), 2, x, kFloorTop - kRadius - 40));
        speedAt[x] = speed;
      }
    }
    spawn.push_back(R"({"name":"Standing","id":3,"params":{}})");
    spawn.push_back(SpawnAt("Rester", 2, 1100, kFloorTop - kRadius));
    spawn.push_back(R"({"name":"Ender","id":9,"params":{}})");
    WriteSpawnList(folder, spawn);

    const RunResult run = RunOrv(folder);
    ASSERT_TRUE(RanCleanly(run));
    std::map<double, Landing> landings;
    for (const int speed : {600, 1200, 1900}) {
      const std::string prefix = "fall " + std::to_string(speed) + " ";
      for (const std::string& line : LinesStartingWith(run.out, prefix)) {
        int frame = 0, falling = 0;
        double x = 0, y = 0, dt = 0;
        ASSERT_EQ(std::sscanf(line.c_str() + prefix.size(), "%d %lf %lf %lf %d", &frame, &x, &y, &dt, &falling), 5)
            << line;
        // Spawned at whole numbers: a sideways push leaves no such x. The
        // bodies stand 72 or more apart, a push moves one at most a radius.
        auto at = speedAt.lower_bound(x - 2 * kRadius);
        ASSERT_TRUE(at != speedAt.end() && std::abs(at->first - x) <= 2 * kRadius) << line;
        EXPECT_EQ(at->second, speed) << line;
        Landing& landing = landings[at->first];
        if (x != at->first && landing.sideways.empty()) landing.sideways = line;
        ++landing.lines;
        landing.deepest = std::max(landing.deepest, y + kRadius - kFloorTop);
        landing.lastY = y;
        // Steps are never shorter than 1/60 s. What the tiles promise holds
        // for a body that moves at most a cell a step; a loaded machine's
        // longer frames carry the fastest one further.
        if (falling != 0 && speed * std::max(dt, 1.0 / 60) > 32) landing.beyondOneCell = true;
      }
    }
    ASSERT_EQ(landings.size(), 9u) << run.out.substr(0, 3000);
    for (const auto& [x, landing] : landings) {
      std::printf("fps %d, %d px/s at x %g: lowest edge at most %.4f past the floor's top, last at y %.4f\n", fps,
                  speedAt[x], x, landing.deepest, landing.lastY);
      EXPECT_EQ(landing.lines, kFrames) << x;
      if (landing.beyondOneCell) {
        std::printf("  a frame long enough to carry it over a whole row: not judged\n");
        continue;
      }
      EXPECT_EQ(landing.sideways, "") << "fps " << fps << ": pushed sideways";
      // Pushed back to touch the floor, with the 0.01 of overlap a push leaves.
      EXPECT_LE(landing.deepest, 0.02) << "fps " << fps << ", x " << x << ": never in the floor";
      EXPECT_NEAR(landing.lastY, kFloorTop - kRadius + 0.01, 0.02) << "fps " << fps << ", x " << x << ": on it";
    }
    const std::vector<std::string> resting = LinesStartingWith(run.out, "resting ");
    EXPECT_EQ(resting.size(), static_cast<std::size_t>(kFrames));
    double fastest = 0, lowest = -1e9;
    for (const std::string& line : resting) {
      int frame = 0;
      double y = 0, vy = 0;
      ASSERT_EQ(std::sscanf(line.c_str(), "resting %d %lf %lf", &frame, &y, &vy), 3) << line;
      fastest = std::max(fastest, vy);
      lowest = std::max(lowest, y + kRadius - kFloorTop);
    }
    std::printf("fps %d, resting body: lowest edge %.4f past the floor's top, fastest fall %.1f px/s\n", fps, lowest,
                fastest);
    EXPECT_LE(lowest, 0.02) << "fps " << fps << ": it stays on the floor";
    EXPECT_LE(fastest, 60) << "fps " << fps << ": the floor stops it every frame";
    const std::vector<std::string> standing = LinesStartingWith(run.out, "standing ");
    ASSERT_GE(standing.size(), 2u) << run.out.substr(0, 3000);
    for (std::size_t i = 0; i < 2; ++i) {
      int frame = 0;
      double x = 0, y = 0;
      ASSERT_EQ(std::sscanf(standing[i].c_str(), "standing %d %lf %lf", &frame, &x, &y), 3) << standing[i];
      std::printf("fps %d, standing box, frame %d: at %.4f %.4f, its bottom %.4f past the floor's top\n", fps, frame, x,
                  y, y + 25 - kFloorTop);
      EXPECT_EQ(x, 960) << standing[i];
      EXPECT_NEAR(y + 25, kFloorTop + 0.01, 0.001) << "out of both rows in the first frame: " << standing[i];
    }
  }
}
