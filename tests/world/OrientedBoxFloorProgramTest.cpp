// Oriented boxes falling on an axis-aligned floor in the real program, at 60
// frames a second and at frames of 0.1 s: turned ones and ones at no angle
// land on it and stay there.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

constexpr double kFloorTop = 600;
constexpr double kHalf = 15;
constexpr double kSeconds = 3;

// Adds gravity of 320 a second each frame (the setter takes a frame's worth
// at 60 a second), notes the lowest its centre ever was and prints, at the
// last frame, where it started and where it is.
std::string BoxScript(int frames) {
  char text[700];
  std::snprintf(text, sizeof text,
                "n = 0 deepest = -1e9 startX = 0\n"
                "function Update(dt)\n"
                "  n = n + 1\n"
                "  local v = GetVelocity()\n"
                "  SetVelocity(v.x / 60, (v.y + 320 * dt) / 60)\n"
                "  local p = GetPos()\n"
                "  if n == 1 then startX = p.x end\n"
                "  deepest = math.max(deepest, p.y)\n"
                "  if n == %d then\n"
                "    print(string.format('box %%.1f %%.4f %%.4f %%.4f %%.3f', startX, p.x, p.y, deepest, v.y))\n"
                "  end\n"
                "end\n",
                frames);
  return text;
}

std::string BoxSpawn(double x, double y, double degrees) {
  char text[200];
  std::snprintf(text, sizeof text,
                R"({"name":"Box","id":2,"params":{"collision":{"value":{"pos x":%.2f,"pos y":%.2f,)"
                R"("orientation":%.1f}}}})",
                x, y, degrees);
  return text;
}

struct Box {
  double startX, x, y, deepest, fall;
};

}  // namespace

TEST(OrientedBoxFloorProgram, TurnedAndUnturnedBoxesLandOnAnAxisAlignedFloorAndStayOnIt) {
  // The angle and the gap under each box's lowest corner.
  const struct {
    double degrees, gap;
  } drops[] = {{0, 2}, {0, 40}, {10, 20}, {30, 5}, {45, 30}, {45, 0.5}, {60, 60}, {90, 10}, {-20, 25}};
  for (const int fps : {60, 10}) {
    SCOPED_TRACE(fps == 60 ? "60 frames a second" : "frames of 0.1 s");
    const int frames = static_cast<int>(kSeconds * fps);
    ContentFolder folder;
    WriteScriptScene(folder, "Boxes",
                     {{"Box", BoxScript(frames)},
                      {"Ender", "n = 0\nfunction Update(dt) n = n + 1 if n == " + std::to_string(frames) +
                                    " then Shutdown() end end\n"}},
                     {});
    folder.WriteConfig(ConfigJson(320, 200, "Boxes", fps, 1));
    folder.Write("data/gameobjects/Box.txt",
                 R"({"name":"Box","id":2,"components":[{"type":"transform","data":[]},)"
                 R"({"type":"collision","data":["OBB", {"width": 30.0, "height": 30.0}]},)"
                 R"({"type":"rigidbody","data":[{"mass": 1.0}]},{"type":"script","data":[]}]})");
    folder.Write("data/gameobjects/Floor.txt",
                 R"({"name":"Floor","id":1,"components":[{"type":"transform","data":[]},)"
                 R"({"type":"collision","data":["AABB", {"pos x": 500.0, "pos y": 650.0, "width": 1000.0,)"
                 R"( "height": 100.0}]}]})");
    std::vector<std::string> spawn = {R"({"name":"Floor","id":1,"params":{}})"};
    double x = 60;
    for (const auto& drop : drops) {
      const double radians = drop.degrees * M_PI / 180;
      const double reach = kHalf * (std::fabs(std::cos(radians)) + std::fabs(std::sin(radians)));
      spawn.push_back(BoxSpawn(x, kFloorTop - reach - drop.gap, drop.degrees));
      x += 100;
    }
    spawn.push_back(R"({"name":"Ender","id":9,"params":{}})");
    WriteSpawnList(folder, spawn);

    const RunResult run = RunOrv(folder);
    ASSERT_TRUE(RanCleanly(run));
    std::vector<Box> boxes;
    for (const std::string& line : LinesStartingWith(run.out, "box ")) {
      Box b{};
      ASSERT_EQ(std::sscanf(line.c_str(), "box %lf %lf %lf %lf %lf", &b.startX, &b.x, &b.y, &b.deepest, &b.fall), 5)
          << line;
      std::printf("%d fps: %s\n", fps, line.c_str());
      boxes.push_back(b);
    }
    ASSERT_EQ(boxes.size(), std::size(drops)) << run.out;
    for (const Box& b : boxes) {
      SCOPED_TRACE("the box from x " + std::to_string(b.startX));
      // A box of 30 lies at least 15 above the floor's top, on a face, and at
      // most 15 times the square root of 2, on a corner.
      EXPECT_LT(b.deepest, kFloorTop) << "its centre never passes the floor's top";
      EXPECT_LE(b.y, kFloorTop - kHalf + 1) << "it ends on the floor, not in it";
      EXPECT_GE(b.y, kFloorTop - kHalf * std::sqrt(2.0) - 1) << "it ends on the floor, not above it";
      EXPECT_LT(std::fabs(b.x - b.startX), 2 * kHalf) << "it lands where it fell";
      EXPECT_LT(std::fabs(b.fall), 40) << "it does not fall on for ever";
    }
  }
}
