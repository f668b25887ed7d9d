// Bodies against static colliders in the real program, by measurement: a
// circle resting on a thick floor under the gravity its script adds, a
// circle whose centre starts inside a box, and piles of circles in closed
// boxes of static walls, undamped and damped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

constexpr double kRadius = 8;
// The box's inside: walls 100 thick stand around it.
constexpr double kBoxWidth = 800, kBoxHeight = 600, kWall = 100;
constexpr int kColumns = 40, kRows = 5;
constexpr double kSpacing = 19;
constexpr int kFrames = 300;

// Adds gravity of 320 a second each frame (the setters take a frame's worth)
// and notes, every frame, how far its centre lies past a face of the box
// whose left side is at `left`; prints that and where it is at the last
// frame. With everyFrame it prints every frame instead. A circle counts as
// out once it lies wholly past a face in a frame of at most a thirtieth of a
// second: on a loaded machine frames reach the longest step, and a pile
// pressed that hard may leave a circle in a wall for a frame before it is
// pushed back (the fixed-step scene in StaticContactTest holds every centre
// inside at every step).
std::string BallScript(const std::string& name, double left, bool everyFrame) {
  char text[900];
  std::snprintf(text, sizeof text,
                "n = 0 deepest = -1e9 outside = 0\n"
                "function Update(dt)\n"
                "  n = n + 1\n"
                "  local v = GetVelocity()\n"
                "  SetVelocity(v.x / 60, (v.y + 320 * dt) / 60)\n"
                "  local p = GetPos()\n"
                "  local x = p.x - %g\n"
                "  local past = math.max(-x, x - %g, -p.y, p.y - %g)\n"
                "  deepest = math.max(deepest, past)\n"
                "  if past >= %g and dt <= 1 / 30 then outside = outside + 1 end\n"
                "  if n == %d or %s then\n"
                "    print(string.format('%s %%d %%.4f %%.4f %%.3f %%d', n, p.x, p.y, deepest, outside))\n"
                "  end\n"
                "end\n",
                left, kBoxWidth, kBoxHeight, kRadius, kFrames, everyFrame ? "true" : "false", name.c_str());
  return text;
}

std::string BodyBlueprint(const std::string& type, double friction) {
  char text[400];
  std::snprintf(text, sizeof text,
                R"({"name":"%s","id":1,"components":[{"type":"transform","data":[]},)"
                R"({"type":"collision","data":["Circle", {"radius": %.1f}]},)"
                R"({"type":"rigidbody","data":[{"mass": 1.0, "friction": %.2f}]},)"
                R"({"type":"script","data":[]}]})",
                type.c_str(), kRadius, friction);
  return text;
}

std::string WallSpawn(double x, double y, double width, double height) {
  char text[240];
  std::snprintf(text, sizeof text,
                R"({"name":"Wall","id":5,"params":{"collision":{"value":{"pos x":%.1f,"pos y":%.1f,)"
                R"("width":%.1f,"height":%.1f}}}})",
                x, y, width, height);
  return text;
}

struct Point {
  double x, y;
  // How far the centre ever lay past a face of its box, and in how many frames.
  double deepest;
  int outside;
};

// The positions printed under a name at the last frame.
std::vector<Point> Positions(const std::string& out, const std::string& name) {
  std::vector<Point> points;
  for (const std::string& line : LinesStartingWith(out, name + " ")) {
    int frame = 0;
    Point p{};
    if (std::sscanf(line.c_str() + name.size(), " %d %lf %lf %lf %d", &frame, &p.x, &p.y, &p.deepest, &p.outside) ==
            5 &&
        frame == kFrames) {
      points.push_back(p);
    }
  }
  return points;
}

struct PileFigures {
  int inside = 0;
  int everOutside = 0;
  double deepest = -1e9;
  std::size_t touching = 0;
  double pairOverlap = 0;
  double wallOverlap = 0;
  double meanY = 0;
};

// Inside means the centre lies within the box; a wall overlap is how far a
// circle reaches past a wall's face.
PileFigures Measure(const std::vector<Point>& balls, double left) {
  PileFigures f;
  for (std::size_t i = 0; i < balls.size(); ++i) {
    const double x = balls[i].x - left, y = balls[i].y;
    f.meanY += y / static_cast<double>(balls.size());
    if (x > 0 && x < kBoxWidth && y > 0 && y < kBoxHeight) ++f.inside;
    if (balls[i].outside > 0) ++f.everOutside;
    f.deepest = std::max(f.deepest, balls[i].deepest);
    for (double reach : {kRadius - x, x + kRadius - kBoxWidth, kRadius - y, y + kRadius - kBoxHeight}) {
      f.wallOverlap = std::max(f.wallOverlap, reach);
    }
    for (std::size_t j = i + 1; j < balls.size(); ++j) {
      const double d = std::hypot(balls[j].x - balls[i].x, balls[j].y - balls[i].y);
      if (d <= 2 * kRadius) {
        ++f.touching;
        f.pairOverlap = std::max(f.pairOverlap, 2 * kRadius - d);
      }
    }
  }
  return f;
}

}  // namespace

// Two boxes side by side with 200 circles each, five rows resting just above
// the floor, one pile undamped, one damped by a tenth a step. The frames of a
// sanitized build under load are long, up to the longest step of 0.1 s: a
// pile this size holds even then, as the whole 1000 of a falling pile does
// at steps of 1/60 (StaticContactTest). Far to the right a lone circle falls
// 142 onto a floor 100 thick, and another starts with its centre 5 inside a
// box's top face.
TEST(StaticContactProgram, ARestingCircleStaysOnTheFloorAndBothPilesKeepEveryCircleInTheirBox) {
  ContentFolder folder;
  WriteScriptScene(folder, "Piles",
                   {{"Ball", BallScript("ball", 0, false)},
                    {"Damped", BallScript("damped", 1000, false)},
                    {"Lone", BallScript("lone", 2000, true)},
                    {"Sunk", BallScript("sunk", 2000, true)},
                    {"Ender",
                     "n = 0 longest = 0 total = 0 lastLongest = 0\n"
                     "function Update(dt)\n"
                     "  n = n + 1 total = total + dt longest = math.max(longest, dt)\n"
                     "  if n > " +
                         std::to_string(kFrames - 10) +
                         " then lastLongest = math.max(lastLongest, dt) end\n"
                         "  if n == " +
                         std::to_string(kFrames) +
                         " then\n"
                         "    print(string.format('frames: mean %.4f longest %.4f last ten %.4f', total / n, longest, "
                         "lastLongest))\n"
                         "    Shutdown()\n"
                         "  end\n"
                         "end\n"}},
                   {});
  folder.Write("data/gameobjects/Ball.txt", BodyBlueprint("Ball", 0.0));
  folder.Write("data/gameobjects/Damped.txt", BodyBlueprint("Damped", 0.1));
  folder.Write("data/gameobjects/Lone.txt", BodyBlueprint("Lone", 0.0));
  folder.Write("data/gameobjects/Sunk.txt", BodyBlueprint("Sunk", 0.0));
  folder.Write("data/gameobjects/Wall.txt", R"({"name":"Wall","id":5,"components":[{"type":"transform","data":[]},)"
                                            R"({"type":"collision","data":["AABB"]}]})");
  std::vector<std::string> spawn;
  // The walls first, as a level would place them.
  for (double left : {0.0, 1000.0}) {
    spawn.push_back(WallSpawn(left + kBoxWidth / 2, -kWall / 2, kBoxWidth + 2 * kWall, kWall));
    spawn.push_back(WallSpawn(left + kBoxWidth / 2, kBoxHeight + kWall / 2, kBoxWidth + 2 * kWall, kWall));
    spawn.push_back(WallSpawn(left - kWall / 2, kBoxHeight / 2, kWall, kBoxHeight));
    spawn.push_back(WallSpawn(left + kBoxWidth + kWall / 2, kBoxHeight / 2, kWall, kBoxHeight));
  }
  // The lone circle's floor and the sunk one's box: their tops at 650.
  spawn.push_back(WallSpawn(2200, 700, 200, 100));
  spawn.push_back(WallSpawn(2600, 700, 200, 100));
  for (int row = 0; row < kRows; ++row) {
    for (int column = 0; column < kColumns; ++column) {
      const double x = 20.5 + kSpacing * column, y = kBoxHeight - 10 - kSpacing * row;
      spawn.push_back(SpawnAt("Ball", 2, x, y));
      spawn.push_back(SpawnAt("Damped", 2, 1000 + x, y));
    }
  }
  spawn.push_back(SpawnAt("Lone", 2, 2200, 500));
  spawn.push_back(SpawnAt("Sunk", 2, 2600, 655));
  spawn.push_back(R"({"name":"Ender","id":9,"params":{}})");
  WriteSpawnList(folder, spawn);

  RunOptions options;
  options.timeoutSeconds = 240;
  const RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  double lastTen = 1;
  for (const std::string& line : LinesStartingWith(run.out, "frames: ")) {
    std::printf("%s\n", line.c_str());
    const std::size_t at = line.find("last ten ");
    if (at != std::string::npos) lastTen = std::atof(line.c_str() + at + 9);
  }
  // Where the piles end is judged at the steps a game runs at; a machine so
  // loaded that its last frames take the longest step gets the ever-outside
  // count alone (the fixed-step scene holds the end at every step).
  const bool judgeEnd = lastTen <= 1.0 / 30;

  const std::vector<Point> balls = Positions(run.out, "ball"), damped = Positions(run.out, "damped");
  ASSERT_EQ(balls.size(), static_cast<std::size_t>(kColumns * kRows)) << run.out.substr(0, 4000);
  ASSERT_EQ(damped.size(), balls.size()) << run.out.substr(0, 4000);
  for (const auto& [name, pile, left] : {std::tuple{"undamped", &balls, 0.0}, std::tuple{"damped", &damped, 1000.0}}) {
    const PileFigures f = Measure(*pile, left);
    std::printf(
        "%s pile after %d frames: %d of %zu inside, %d ever outside, deepest centre %.3f past a face; mean y "
        "%.1f, %zu touching pairs, largest overlap %.3f between circles and %.3f with a wall\n",
        name, kFrames, f.inside, pile->size(), f.everOutside, f.deepest, f.meanY, f.touching, f.pairOverlap,
        f.wallOverlap);
    if (!judgeEnd) std::printf("  its last frames took up to %.3f s: where it ends is not judged\n", lastTen);
    if (judgeEnd) {
      EXPECT_EQ(f.inside, kColumns * kRows) << name;
      EXPECT_LT(f.wallOverlap, kRadius) << name;
    }
    EXPECT_EQ(f.everOutside, 0) << name << ": no circle ever lay wholly past a wall's face";
  }

  // Resting: after its landing, the lone circle lies on the floor's top at 650.
  const std::vector<std::string> lone = LinesStartingWith(run.out, "lone ");
  ASSERT_EQ(lone.size(), static_cast<std::size_t>(kFrames)) << run.out.substr(0, 4000);
  double deepest = -1e9, highest = 1e9;
  for (std::size_t i = lone.size() - 100; i < lone.size(); ++i) {
    int frame = 0;
    double x = 0, y = 0;
    ASSERT_EQ(std::sscanf(lone[i].c_str(), "lone %d %lf %lf", &frame, &x, &y), 3) << lone[i];
    deepest = std::max(deepest, y + kRadius - 650);
    highest = std::min(highest, y + kRadius - 650);
  }
  std::printf("lone circle over its last 100 frames: lowest edge %.4f to %.4f from the floor's top\n", highest,
              deepest);
  EXPECT_LT(deepest, 0.05) << "it rests on the floor, not in it";
  EXPECT_GT(highest, -0.05) << "it rests on the floor, not above it";

  // A centre 5 inside the top face is taken out to touch it, and stays.
  const std::vector<std::string> sunk = LinesStartingWith(run.out, "sunk ");
  ASSERT_GE(sunk.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    int frame = 0;
    double x = 0, y = 0;
    ASSERT_EQ(std::sscanf(sunk[i].c_str(), "sunk %d %lf %lf", &frame, &x, &y), 3) << sunk[i];
    std::printf("sunk circle, frame %d: lowest edge %.4f from the box's top\n", frame, y + kRadius - 650);
    EXPECT_NEAR(y + kRadius, 650, 0.05) << sunk[i];
    EXPECT_EQ(x, 2600) << sunk[i];
  }
}
