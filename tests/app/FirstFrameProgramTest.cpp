// The first frame's step in the real program, after a start made slow by a
// script that busy-waits in Init: it is one frame's, not the start's, at 60
// frames a second and uncapped, so that a body made in that Init at 1500 px/s
// just above a one-row tile floor is held by it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

constexpr int kFrames = 30;
// The floor is row 12 of 32-px cells, from y 368 to 400, with nothing under it.
constexpr double kFloorTop = 368;
constexpr double kRadius = 12;
constexpr double kSpeed = 1500;
// Past this step the body's box can leap over the floor's row.
constexpr double kHeldUpTo = (20 + 32 + 2 * kRadius) / kSpeed;

}  // namespace

TEST(FirstFrameProgram, TheFirstFrameStepsOneFramesTimeAfterASlowStart) {
  for (const int fps : {60, -1}) {
    ContentFolder folder;
    WriteScriptScene(
        folder, "First",
        {{"Builder",
          "function Init()\n"
          "  CreateNewTileMap(1, 20, 24) SetWriteLayer(1) SetWriteValue(1)\n"
          "  for x = 0, 19 do WriteValue(x * 32, 12 * 32) end\n"
          "end\n"},
         {"Faller",
          "n = 0\n"
          "function Init()\n"
          "  local start = os.clock()\n"
          "  while os.clock() - start < 0.3 do end\n"
          "  SetVelocity(0, " +
              std::to_string(kSpeed / 60) +
              ")\n"
              "end\n"
              "function Update(dt)\n"
              "  n = n + 1\n"
              "  print(string.format('frame %d %.5f %.4f', n, dt, GetPos().y))\n"
              "  if n == " +
              std::to_string(kFrames) +
              " then Shutdown() end\n"
              "end\n"}},
        {});
    folder.WriteConfig(ConfigJson(320, 200, "First", fps, 1));
    folder.Write("data/gameobjects/Level.txt", R"({"name":"Level","id":1,"components":[{"type":"tilemap","data":)"
                                               R"([{"tilemapid":1,"tilewidth":32,"tileheight":32}]}]})");
    folder.Write("data/gameobjects/Faller.txt",
                 R"({"name":"Faller","id":2,"components":[{"type":"transform","data":[]},)"
                 R"({"type":"collision","data":["Circle", {"radius": 12.0}]},{"type":"rigidbody","data":[]}]})");
    // Its lowest point 20 px above the floor.
    WriteSpawnList(folder, {R"({"name":"Level","id":1,"params":{}})", R"({"name":"Builder","id":1,"params":{}})",
                            SpawnAt("Faller", 2, 100, kFloorTop - kRadius - 20)});

    const RunResult run = RunOrv(folder);
    ASSERT_TRUE(RanCleanly(run));
    const std::vector<std::string> lines = LinesStartingWith(run.out, "frame ");
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kFrames)) << run.out.substr(0, 3000);
    std::vector<double> steps, lows;
    for (const std::string& line : lines) {
      int frame = 0;
      double dt = 0, y = 0;
      ASSERT_EQ(std::sscanf(line.c_str(), "frame %d %lf %lf", &frame, &dt, &y), 3) << line;
      steps.push_back(dt);
      lows.push_back(y + kRadius - kFloorTop);
    }
    // An object's script has its first Update in the frame after the one it
    // was made for, so the first frame's step shows only in where the body is
    // then: had it not met the floor, it would have fallen for both steps.
    const double firstStep = (lows[0] + 20) / kSpeed - steps[0];
    const double longestLater = *std::max_element(steps.begin() + 1, steps.end());
    std::printf("fps %d: lowest point %.4f past the floor's top at the first Update, %.4f at the last; later steps "
                "up to %.5f s\n",
                fps, lows[0], lows.back(), longestLater);
    if (longestLater > kHeldUpTo / 2) {
      std::printf("  frames long enough to carry it over the floor: not judged\n");
      continue;
    }
    EXPECT_NEAR(lows[0], 0.01, 0.02) << "fps " << fps << ": on the floor at its first Update; the first frame's "
                                     << "step was about " << firstStep << " s";
    EXPECT_NEAR(lows.back(), 0.01, 0.02) << "fps " << fps << ": and still on it";
  }
}
