// Oriented boxes and the answers of bodies in the real program, at 60 frames
// a second and with frames that hand the longest step (0.1 s), under a
// script's gravity of 320 px/s²: stacks of 3, 5 and 10 boxes of 32 px at no
// angle on an axis-aligned floor and on an oriented one, and beside them the
// scenes that catch a wrong answer: two turned boxes pressed into each other
// between two walls, a ball glancing off another, a bouncy ball dropped on a
// dead immovable platform, and a half-bouncy ball on a half-bouncy one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "support/ProgramRun.h"
#include "world/SpawnEntries.h"

using namespace OrvTest;

namespace {

constexpr double kGravity = 320;
constexpr double kFloorTop = 500;
constexpr double kBox = 32;
constexpr double kSeconds = 10;
const int kHeights[] = {3, 5, 10};

// Each body says, once the scene is over: where it began and ended, its
// fastest speed, the highest and lowest its centre was after its first
// second, and how far apart its highest and lowest were in the last second. Those that fall add
// gravity each frame (the setter takes a frame's worth at 60 a second).
std::string Body(const std::string& name, bool falls, const std::string& init, bool ends) {
  char text[1600];
  std::snprintf(text, sizeof text,
                "t, fastest, highest, lowest, lateHigh, lateLow = 0, 0, 1e9, -1e9, 1e9, -1e9\n"
                "function Init() %s end\n"
                "function Update(dt)\n"
                "  local v = GetVelocity()\n"
                "  if %s then SetVelocity(v.x / 60, (v.y + %g * math.max(dt, 1 / 60)) / 60) end\n"
                "  local p = GetPos()\n"
                "  if not start then start = p end\n"
                "  fastest = math.max(fastest, math.sqrt(v.x * v.x + v.y * v.y))\n"
                "  t = t + dt\n"
                "  if t >= 1 then highest, lowest = math.min(highest, p.y), math.max(lowest, p.y) end\n"
                "  if t >= %g then lateHigh, lateLow = math.min(lateHigh, p.y), math.max(lateLow, p.y) end\n"
                "  if t >= %g then\n"
                "    print(string.format('body %s %%.4f %%.4f %%.4f %%.4f %%.4f %%.4f %%.4f %%.4f %%.4f %%.4f %%.4f',\n"
                "      start.x, start.y, p.x, p.y, fastest, highest, lowest,\n"
                "      lateLow - lateHigh, v.x, v.y, first or 0))\n"
                "    %s\n"
                "    t = -1e9\n"
                "  end\n"
                "  if not first and (v.x ~= 0 or v.y ~= 0) then first = v.y end\n"
                "end\n",
                init.c_str(), falls ? "true" : "false", kGravity, kSeconds - 1, kSeconds, name.c_str(),
                ends ? "Shutdown()" : "");
  return text;
}

std::string Shape(const char* kind, double x, double y, double width, double height, double degrees = 0) {
  char text[240];
  std::snprintf(text, sizeof text,
                R"("%s", {"pos x": %.4f, "pos y": %.4f, "width": %.1f, "height": %.1f, "radius": %.1f, )"
                R"("orientation": %.1f})",
                kind, x, y, width, height, width / 2, degrees);
  return text;
}

struct Seen {
  double startX, startY, x, y, fastest, highest, lowest, lastSecondRange, vx, vy, firstVy;
};

// One run of the program with every scene in it; what each body said.
std::map<std::string, Seen> RunScenes(int fps) {
  ContentFolder folder;
  ScriptedTypes types;
  std::vector<std::pair<std::string, std::string>> blueprints;
  std::vector<std::string> spawn;
  const auto place = [&](const std::string& name, const std::string& shape, const std::string& body,
                         const std::string& script) {
    if (!body.empty()) types.push_back({name, script});
    blueprints.push_back({name, SceneBlueprint(name, shape, body)});
    spawn.push_back(R"({"name":")" + name + R"(","id":1,"params":{}})");
  };
  const std::string mass1 = R"({"mass": 1.0})";
  const auto falling = [&](const std::string& name, const std::string& init = "") {
    return Body(name, true, init, false);
  };
  // The floors, 40 px thick: axis-aligned under the first three stacks, an
  // oriented box at no angle under the other three.
  place("FloorBox", Shape("AABB", 350, kFloorTop + 20, 700, 40), "", "");
  place("FloorTurned", Shape("OBB", 1150, kFloorTop + 20, 700, 40), "", "");
  for (int floor = 0; floor < 2; ++floor) {
    for (int s = 0; s < 3; ++s) {
      const double x = 100 + 800 * floor + 200 * s;
      for (int i = 0; i < kHeights[s]; ++i) {
        const std::string name =
            "S" + std::to_string(floor) + "_" + std::to_string(kHeights[s]) + "_" + std::to_string(i);
        place(name, Shape("OBB", x, kFloorTop - kBox / 2 - kBox * i, kBox, kBox), mass1, falling(name));
      }
    }
  }
  // Two boxes turned 45 degrees between walls 70 apart, each 0.5 px into its
  // wall and into each other by 7.4 px along their faces' normal: pushed out
  // of its wall, each is held by it, and the two still have to part.
  const double half = kBox / 2 * std::sqrt(2.0);
  place("WallLeft", Shape("AABB", 1950, 300, 100, 300), "", "");
  place("WallRight", Shape("AABB", 2120, 300, 100, 300), "", "");
  place("DiamondA", Shape("OBB", 2000 + half - 0.5, 300, kBox, kBox, 45), mass1, Body("DiamondA", false, "", false));
  place("DiamondB", Shape("OBB", 2070 - half + 0.5, 310, kBox, kBox, 45), mass1, Body("DiamondB", false, "", false));
  // A ball glancing off a ball at rest, 0.5 px into it along x when the first
  // pass meets them: 300 px/s along the normal, 60 across it, both bouncing
  // fully so that friction acts.
  place("Glancer", Shape("Circle", 2400, 300, 20, 20), R"({"mass": 1.0, "vel x": 300.0, "vel y": 60.0})",
        Body("Glancer", false, "SetBouncy(1)", false));
  place("Struck", Shape("Circle", 2419.5, 300, 20, 20), mass1, Body("Struck", false, "SetBouncy(1)", false));
  // A bouncy ball dropped 40 px onto a dead immovable platform; a half-bouncy
  // ball on a half-bouncy one.
  place("DeadPlatform", Shape("AABB", 2800, kFloorTop + 10, 200, 20), R"({"mass": 0.0})",
        Body("DeadPlatform", false, "", false));
  place("Bouncy", Shape("Circle", 2800, kFloorTop - 8 - 40, 16, 16), mass1, falling("Bouncy", "SetBouncy(0.9)"));
  place("HalfPlatform", Shape("AABB", 3200, kFloorTop + 10, 200, 20), R"({"mass": 0.0})",
        Body("HalfPlatform", false, "SetBouncy(0.5)", false));
  place("HalfBall", Shape("Circle", 3200, kFloorTop - 8 - 40, 16, 16), mass1,
        Body("HalfBall", true, "SetBouncy(0.5)", true));
  WriteScriptScene(folder, "OrientedStacks", types, {});
  for (const auto& [name, blueprint] : blueprints) folder.Write("data/gameobjects/" + name + ".txt", blueprint);
  folder.WriteConfig(ConfigJson(800, 600, "OrientedStacks", fps, 1));
  WriteSpawnList(folder, spawn);
  const RunResult run = RunOrv(folder);
  std::map<std::string, Seen> seen;
  EXPECT_TRUE(RanCleanly(run));
  if (!RanCleanly(run)) return seen;
  for (const std::string& line : LinesStartingWith(run.out, "body ")) {
    char name[40];
    Seen s{};
    EXPECT_EQ(
        std::sscanf(line.c_str(), "body %39s %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf", name, &s.startX, &s.startY,
                    &s.x, &s.y, &s.fastest, &s.highest, &s.lowest, &s.lastSecondRange, &s.vx, &s.vy, &s.firstVy),
        12)
        << line;
    seen[name] = s;
  }
  EXPECT_EQ(seen.size(), types.size()) << run.out;
  if (seen.size() != types.size()) seen.clear();
  return seen;
}

}  // namespace

TEST(OrientedStackProgram, StacksOfTurnableBoxesStandAndNoAnswerAddsSpeed) {
  for (const int fps : {60, 10}) {
    SCOPED_TRACE(fps == 60 ? "60 frames a second" : "frames of 0.1 s");
    const std::map<std::string, Seen> seen = RunScenes(fps);
    if (seen.empty()) continue;
    for (int floor = 0; floor < 2; ++floor) {
      for (const int height : kHeights) {
        const std::string stack = "S" + std::to_string(floor) + "_" + std::to_string(height) + "_";
        // Nothing in a stack falls further than through the whole stack.
        const double fall = std::sqrt(2 * kGravity * height * kBox);
        double fastest = 0;
        for (int i = 0; i < height; ++i) {
          const Seen& box = seen.at(stack + std::to_string(i));
          fastest = std::max(fastest, box.fastest);
          EXPECT_LE(box.lowest, box.startY + 1) << stack << i << " sank into the box below or the floor";
        }
        const Seen& top = seen.at(stack + std::to_string(height - 1));
        std::printf(
            "fps %d, %s floor, %d boxes: fastest %.1f px/s (a fall through the stack %.0f), top moved %.3f px\n", fps,
            floor == 0 ? "axis-aligned" : "oriented", height, fastest, fall,
            std::hypot(top.x - top.startX, top.y - top.startY));
        EXPECT_LE(fastest, fall) << stack << " gained speed";
        EXPECT_LE(std::hypot(top.x - top.startX, top.y - top.startY), 4) << stack << " top box left its place";
      }
    }

    // Held by their walls, the turned boxes still part: along the normal of
    // their faces, (1, 1) / sqrt 2, they end a box apart, not 7.4 px into
    // each other, and neither ends in its wall.
    const Seen& a = seen.at("DiamondA");
    const Seen& b = seen.at("DiamondB");
    const double apart = ((b.x - a.x) + (b.y - a.y)) / std::sqrt(2.0);
    std::printf("fps %d, turned boxes between walls: %.3f px apart along their faces' normal (a box is %g)\n", fps,
                apart, kBox);
    EXPECT_GE(apart, kBox - 0.5) << "the boxes held by walls stay inside each other";
    EXPECT_GE(a.x - (2000 + kBox / 2 * std::sqrt(2.0)), -0.6) << "in the left wall";
    EXPECT_LE(b.x - (2070 - kBox / 2 * std::sqrt(2.0)), 0.6) << "in the right wall";

    // Friction takes out no more than the slide where the balls touch: for
    // two equal circles that is a sixth of the 60 px/s the struck ball is
    // swept across (its turn and the glancer's take the rest); sized by the
    // give along the normal, it would take three times that and turn the
    // slide back.
    const Seen& struck = seen.at("Struck");
    std::printf("fps %d, glancing ball: the struck ball leaves at (%.3f, %.3f) px/s\n", fps, struck.vx, struck.firstVy);
    EXPECT_NEAR(struck.vx, 300, 1) << "the full bounce along the normal";
    EXPECT_GT(struck.firstVy, 0) << "friction acted";
    EXPECT_LE(struck.firstVy, 60.0 / 6 * 1.2) << "friction took more than the slide";

    // Bounces go by the smaller factor: the dead platform takes the bouncy
    // ball's fall and throws nothing back. The half-bouncy ball comes to rest
    // (at 60 a second; long frames rest once they are stepped as short ones).
    const Seen& bouncy = seen.at("Bouncy");
    const Seen& half = seen.at("HalfBall");
    const double rest = kFloorTop - 8;
    std::printf(
        "fps %d, bouncy ball on a dead platform: highest %.3f px above its rest after the first second; "
        "half-bouncy ball: %.4f px up and down in its last second, highest %.3f above rest\n",
        fps, rest - bouncy.highest, half.lastSecondRange, rest - half.highest);
    EXPECT_LE(rest - bouncy.highest, 1) << "the ball rebounds off a dead platform";
    EXPECT_LE(bouncy.lowest, rest + 1);
    EXPECT_LE(half.lowest, rest + 1);
    if (fps == 60) {
      EXPECT_LT(half.lastSecondRange, 0.001) << "the half-bouncy ball hops for ever";
    }
  }
}
