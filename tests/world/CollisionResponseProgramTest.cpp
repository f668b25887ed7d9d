// How bodies answer a contact in the real program, by measurement: the
// bounce of a pair, the slide that contact friction takes out, and bodies
// that already part.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

struct Body {
  const char* name;
  double x, y, vx, vy, bouncy;
};

// Pairs of circles of radius 10 and mass 1, 18 apart, so every pair touches
// in the first pair pass; the first of a pair comes first in the engine's
// list. Physics is paused from Init: nothing moves but what the response
// does, however long the frames are, and every velocity holds still after it.
const Body kBodies[] = {
    {"BouncyMover", -60, -70, 60, 0, 0.8}, {"DeadStill", -42, -70, 0, 0, 0.2},     {"DeadMover", -60, -25, 60, 0, 0.2},
    {"BouncyStill", -42, -25, 0, 0, 0.8},  {"Slider", -60, 20, 60, 0, 0.5},        {"Crosser", -42, 20, 0, 40, 0.5},
    {"PartingLeft", -60, 65, -30, 0, 0.5}, {"PartingRight", -42, 65, 30, 10, 0.5},
};

std::string Script(const Body& body, bool last) {
  char text[600];
  std::snprintf(text, sizeof text,
                "n = 0\n"
                "local function Say(when)\n"
                "  local v = GetVelocity()\n"
                "  print(string.format('%s %%s %%.6f %%.6f %%.6f', when, v.x, v.y, GetAngularVel().AngularVel))\n"
                "end\n"
                "function Init() SetBouncy(%g) PausePhysics() Say('before') end\n"
                "function Update(dt)\n"
                "  n = n + 1\n"
                "  Say('after')\n"
                "  %s\n"
                "end\n",
                body.name, body.bouncy, last ? "if n == 6 then Shutdown() end" : "");
  return text;
}

struct Velocity {
  // Turning in degrees per second.
  double x = NAN, y = NAN, turn = NAN;
};

}  // namespace

TEST(CollisionResponseProgram, ThePairBouncesByTheSmallerBouncinessFrictionTakesTheSlideAndPartingBodiesKeepTheirs) {
  ContentFolder folder;
  ScriptedTypes types;
  SpawnList spawn;
  for (const Body& body : kBodies) {
    types.push_back({body.name, Script(body, &body == &kBodies[std::size(kBodies) - 1])});
    spawn.push_back({body.name, static_cast<int>(spawn.size()) + 1});
  }
  WriteScriptScene(folder, "Response", types, spawn);
  for (const Body& body : kBodies) {
    char blueprint[600];
    std::snprintf(blueprint, sizeof blueprint,
                  R"({"name":"%s","id":1,"components":[{"type":"transform","data":[]},)"
                  R"({"type":"collision","data":["Circle", {"pos x": %.1f, "pos y": %.1f, "radius": 10.0}]},)"
                  R"({"type":"rigidbody","data":[{"mass": 1.0, "vel x": %.1f, "vel y": %.1f}]},)"
                  R"({"type":"script","data":[]}]})",
                  body.name, body.x, body.y, body.vx, body.vy);
    folder.Write(std::string("data/gameobjects/") + body.name + ".txt", blueprint);
  }
  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));

  std::map<std::string, Velocity> before, after;
  for (const Body& body : kBodies) {
    for (const std::string& line : LinesStartingWith(run.out, std::string(body.name) + " ")) {
      char when[16];
      Velocity v;
      ASSERT_EQ(std::sscanf(line.c_str() + std::string(body.name).size(), " %15s %lf %lf %lf", when, &v.x, &v.y,
                            &v.turn),
                4)
          << line;
      (std::string(when) == "before" ? before : after)[body.name] = v;
    }
    ASSERT_TRUE(before.count(body.name) && after.count(body.name)) << body.name << "\n" << run.out;
  }
  // Along the normal (1, 0) of each pair; the tangent is y.
  const auto measure = [&](const char* a, const char* b) {
    const double in = before[b].x - before[a].x, out = after[b].x - after[a].x;
    const double slideIn = before[b].y - before[a].y, slideOut = after[b].y - after[a].y;
    std::printf("%s/%s: normal speed %.4f -> %.4f, ratio %.4f; slide %.4f -> %.4f; momentum x %.4f -> %.4f\n", a, b, in,
                out, -out / in, slideIn, slideOut, before[a].x + before[b].x, after[a].x + after[b].x);
    EXPECT_NEAR(after[a].x + after[b].x, before[a].x + before[b].x, 1e-4) << a << " momentum kept";
    return std::pair{-out / in, std::pair{slideIn, slideOut}};
  };

  // A bouncy body meeting a dead one bounces by the dead one's 0.2, whichever
  // of the two the engine lists first.
  EXPECT_NEAR(measure("BouncyMover", "DeadStill").first, 0.2, 0.01);
  EXPECT_NEAR(measure("DeadMover", "BouncyStill").first, 0.2, 0.01);

  // A glancing contact that parts again: the normal impulse is large enough
  // for friction to take the whole slide out where the circles touch, on
  // the Slider's face 10 px along the normal, 8 px short of the Crosser's
  // centre; what it takes turns them.
  const auto [ratio, slide] = measure("Slider", "Crosser");
  EXPECT_NEAR(ratio, 0.5, 0.01);
  EXPECT_GT(std::abs(slide.first), 0.5);
  const double radians = 3.14159265358979 / 180;
  const double slideAtContact = slide.second + (after["Crosser"].turn * -8 - after["Slider"].turn * 10) * radians;
  std::printf("slide where they touch %.6f, turning %.4f and %.4f degrees a second\n", slideAtContact,
              after["Slider"].turn, after["Crosser"].turn);
  EXPECT_NEAR(slideAtContact, 0.0, 1e-4);
  EXPECT_LT(std::abs(slide.second), std::abs(slide.first)) << "friction took some of the slide";

  // Overlapping but already moving apart: no impulse at all.
  for (const char* name : {"PartingLeft", "PartingRight"}) {
    EXPECT_NEAR(after[name].x, before[name].x, 1e-6) << name;
    EXPECT_NEAR(after[name].y, before[name].y, 1e-6) << name;
  }
  EXPECT_GT(before["PartingRight"].x - before["PartingLeft"].x, 0.5) << "they do part";
}
