// Bodies at rest on one another in the real program, under a script's
// gravity of 320 px/s², at 60 frames a second and with frames that hand the
// longest step (0.1 s): two stacks of ten 32 x 32 boxes on a static floor,
// one without gaps and one with 1 px between the boxes, and a pile of circles
// in a static trough, in columns. No contact may make a body faster than its fall can,
// none ends in the floor, the stacks stand and the pile comes to rest.
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

constexpr double kGravity = 320;
constexpr double kFloorTop = 500;
constexpr double kBox = 32;
constexpr int kStackHeight = 10;
constexpr double kRadius = 8;
// Seconds of the scene; the pile's motion is measured over the last one.
constexpr double kSeconds = 6;

// Falls under its own gravity; remembers its fastest speed and how far its
// lowest edge ever reached past the floor's top; says so, with where it is
// and how far it moved in the last second, once the scene is over.
std::string Body(const std::string& name, double halfHeight, bool ends) {
  char text[1200];
  std::snprintf(text, sizeof text,
                "t, fastest, deepest = 0, 0, -1e9\n"
                "function Update(dt)\n"
                "  local v = GetVelocity()\n"
                "  local step = math.max(dt, 1 / 60)\n"
                "  SetVelocity(v.x / 60, (v.y + %g * step) / 60)\n"
                "  local p = GetPos()\n"
                "  if not start then start = p end\n"
                "  fastest = math.max(fastest, math.sqrt(v.x * v.x + v.y * v.y))\n"
                "  deepest = math.max(deepest, p.y + %g - %g)\n"
                "  t = t + dt\n"
                "  if t >= %g and not late then late = p end\n"
                "  if t >= %g then\n"
                "    print(string.format('body %s %%.3f %%.3f %%.3f %%.3f %%.3f %%.3f', start.x, start.y,\n"
                "      p.y, fastest, deepest, math.sqrt((p.x - late.x) ^ 2 + (p.y - late.y) ^ 2)))\n"
                "    %s\n"
                "    t = -1e9\n"
                "  end\n"
                "end\n",
                kGravity, halfHeight, kFloorTop, kSeconds - 1, kSeconds, name.c_str(), ends ? "Shutdown()" : "");
  return text;
}

struct Seen {
  std::string name;
  double x, startY, y, fastest, deepest, lastSecond;
};

}  // namespace

TEST(StackAndPileProgram, StacksStandAPileComesToRestAndNoContactOutrunsAFall) {
  for (const int fps : {60, 10}) {
    SCOPED_TRACE("fps " + std::to_string(fps));
    ContentFolder folder;
    std::vector<std::string> spawn;
    ScriptedTypes types;
    std::vector<std::pair<std::string, std::string>> blueprints;
    int count = 0;
    const auto add = [&](const std::string& shape, double halfHeight, bool last) {
      const std::string name = "B" + std::to_string(count++);
      types.push_back({name, Body(name, halfHeight, last)});
      blueprints.push_back({name, SceneBlueprint(name, shape, kMassOne)});
      spawn.push_back(R"({"name":")" + name + R"(","id":1,"params":{}})");
    };
    // Static ground: a floor, and the trough's two walls.
    const std::string statics[] = {BoxShape(400, kFloorTop + 20, 800, 40), BoxShape(470, 420, 20, 160),
                                   BoxShape(730, 420, 20, 160)};
    for (int k = 0; k < 3; ++k) {
      const std::string name = "Ground" + std::to_string(k);
      blueprints.push_back({name, SceneBlueprint(name, statics[k], "")});
      spawn.push_back(R"({"name":")" + name + R"(","id":1,"params":{}})");
    }
    for (const double gap : {0.0, 1.0}) {
      for (int i = 0; i < kStackHeight; ++i) {
        add(BoxShape(gap == 0 ? 100 : 300, kFloorTop - kBox / 2 - i * (kBox + gap), kBox, kBox), kBox / 2, false);
      }
    }
    // Columns of ten circles, 4 px apart every way, as a pile starts from a
    // grid of spawns.
    for (int row = 0; row < 10; ++row) {
      for (int k = 0; k < 11; ++k) {
        char shape[100];
        std::snprintf(shape, sizeof shape, R"("Circle", {"pos x": %.1f, "pos y": %.1f, "radius": %.1f})",
                      490 + kRadius + 20 * k, kFloorTop - kRadius - 2 - 20 * row, kRadius);
        add(shape, kRadius, row == 9 && k == 10);
      }
    }
    WriteScriptScene(folder, "Stacks", types, {});
    for (const auto& [name, blueprint] : blueprints) folder.Write("data/gameobjects/" + name + ".txt", blueprint);
    folder.WriteConfig(ConfigJson(800, 600, "Stacks", fps, 1));
    WriteSpawnList(folder, spawn);
    const RunResult run = RunOrv(folder);
    ASSERT_TRUE(RanCleanly(run));

    std::vector<Seen> seen;
    for (const std::string& line : LinesStartingWith(run.out, "body ")) {
      char name[32];
      Seen s;
      ASSERT_EQ(std::sscanf(line.c_str(), "body %31s %lf %lf %lf %lf %lf %lf", name, &s.x, &s.startY, &s.y, &s.fastest,
                            &s.deepest, &s.lastSecond),
                7)
          << line;
      s.name = name;
      seen.push_back(s);
    }
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(count)) << run.out;

    // Free fall from a body's height above the floor, and one longest step
    // of gravity that a contact has not yet taken out.
    const double oneStep = kGravity * 0.1;
    int pileMoving = 0;
    double pileFastest = 0, stackFastest = 0;
    for (const Seen& s : seen) {
      const bool circle = s.x > 450;
      const double height = kFloorTop - s.startY - (circle ? kRadius : kBox / 2);
      EXPECT_LE(s.fastest, std::sqrt(2 * kGravity * std::max(height, 0.0)) + oneStep)
          << s.name << " at height " << height << " outran its fall";
      // A step ends where the body's speed took it; the next pair pass puts
      // it back on the floor.
      EXPECT_LE(s.deepest, s.fastest * 0.1 + 0.02) << s.name << " went into the floor";
      if (circle) {
        pileMoving += s.lastSecond > 1 ? 1 : 0;
        pileFastest = std::max(pileFastest, s.fastest);
      } else {
        stackFastest = std::max(stackFastest, s.fastest);
      }
    }
    // The top box of each stack: where it began, less the gaps closed.
    for (const Seen* top : {&seen[kStackHeight - 1], &seen[2 * kStackHeight - 1]}) {
      const double gaps = top->x > 200 ? kStackHeight - 1 : 0;
      std::printf("fps %d: the stack at x %g: top box %.3f px below its place, fastest box %.1f px/s\n", fps, top->x,
                  top->y - top->startY, stackFastest);
      EXPECT_NEAR(top->y - top->startY, gaps, 1) << "the stack at x " << top->x << " stands";
    }
    std::printf("fps %d: pile: %d of %d circles moved more than 1 px in the last second, fastest %.1f px/s\n", fps,
                pileMoving, count - 2 * kStackHeight, pileFastest);
    EXPECT_EQ(pileMoving, 0) << "the pile comes to rest";
  }
}
