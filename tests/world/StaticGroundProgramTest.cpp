// Bodies against walls in the real program, at 60 frames a second and with
// frames that hand 0.1 s: circles falling onto a floor 10 thick and onto a
// floor of 10 x 10 boxes, their scripts adding 1 px a frame to their fall
// each frame; circles driven at 2000 px/s into a wall 10 thick from 34 start
// offsets 1 px apart; a circle made where two static boxes overlap, floating
// and falling; and immovable walls (rigid bodies of mass 0): a pile in a box
// of them, circles driven into one, and a ball bouncing on one.
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

constexpr double kRadius = 8;
constexpr int kFrames = 60;
// The floors' tops, the fast wall's face and the overlapping boxes' tops.
constexpr double kFloorTop = 500, kWallFace = 1000, kBoxTop = 0;

// Each frame: the x velocity (px a frame) or the one it has, its fall plus
// fall px a frame; it prints at the last frame where it is, how far right
// and down it ever was, and how high it rose after it first reached land.
std::string BodyScript(const std::string& tag, const std::string& vx, double fall, double land) {
  char text[900];
  std::snprintf(text, sizeof text,
                "n = 0 right = -1e9 low = -1e9 landed = false top = 1e9\n"
                "function Update(dt)\n"
                "  n = n + 1\n"
                "  local v = GetVelocity()\n"
                "  SetVelocity(%s, v.y / 60 + %g)\n"
                "  local p = GetPos()\n"
                "  right = math.max(right, p.x) low = math.max(low, p.y)\n"
                "  if p.y >= %g then landed = true end\n"
                "  if landed then top = math.min(top, p.y) end\n"
                "  if n == %d then\n"
                "    print(string.format('%s %%.3f %%.3f %%.3f %%.3f %%.3f', p.x, p.y, right, low, top))\n"
                "  end\n"
                "end\n",
                vx.c_str(), fall, land, kFrames, tag.c_str());
  return text;
}

// The same fall of 1 px a frame per frame, straight down; it prints at the
// last frame how low it ever was, the fastest fall it was given and the
// fastest rise it then had. A bounce happens within a frame's steps, with
// nothing slowing the rise before the frame ends, so those two speeds hold
// at any frame length, where a height read once a frame does not.
std::string BouncerScript() {
  char text[600];
  std::snprintf(text, sizeof text,
                "n = 0 low = -1e9 fall = 0 rise = 0\n"
                "function Init() SetBouncy(0.5) end\n"
                "function Update(dt)\n"
                "  n = n + 1\n"
                "  local v = GetVelocity()\n"
                "  rise = math.max(rise, -v.y)\n"
                "  SetVelocity(0, v.y / 60 + 1)\n"
                "  fall = math.max(fall, v.y + 60)\n"
                "  low = math.max(low, GetPos().y)\n"
                "  if n == %d then print(string.format('bouncer %%.3f %%.3f %%.3f', low, fall, rise)) end\n"
                "end\n",
                kFrames);
  return text;
}

std::string BodyBlueprint(const std::string& type) {
  return R"({"name":")" + type + R"(","id":2,"components":[{"type":"transform","data":[]},)" +
         R"({"type":"collision","data":["Circle", {"radius": 8.0}]},)" +
         R"({"type":"rigidbody","data":[{"mass": 1.0}]},{"type":"script","data":[]}]})";
}

// A box wall: static, or an immovable rigid body (mass 0).
std::string WallBlueprint(const std::string& type, bool immovable, bool script) {
  return R"({"name":")" + type + R"(","id":5,"components":[{"type":"transform","data":[]},)" +
         R"({"type":"collision","data":["AABB"]})" + (immovable ? R"(,{"type":"rigidbody","data":[]})" : "") +
         (script ? R"(,{"type":"script","data":[]})" : "") + "]}";
}

struct Body {
  double x, y, right, low, top;
};

std::vector<Body> Bodies(const std::string& out, const std::string& tag) {
  std::vector<Body> bodies;
  for (const std::string& line : LinesStartingWith(out, tag + " ")) {
    Body b{};
    if (std::sscanf(line.c_str() + tag.size(), "%lf %lf %lf %lf %lf", &b.x, &b.y, &b.right, &b.low, &b.top) == 5) {
      bodies.push_back(b);
    }
  }
  return bodies;
}

// The lines a tag printed, for a failure's message.
std::string Lines(const std::string& out, const std::string& tag) {
  std::string text;
  for (const std::string& line : LinesStartingWith(out, tag + " ")) text += line + "\n";
  return text;
}

}  // namespace

TEST(StaticGroundProgram, NoBodyPassesAThinFloorAWallOverlappingBoxesOrAnImmovableWallAtAnyFrameRate) {
  for (const int fps : {60, 10}) {
    ContentFolder folder;
    const std::string keep = "v.x / 60", dart = "2000 / 60";
    WriteScriptScene(folder, "Ground",
                     {{"Thin", BodyScript("thin", keep, 1, kFloorTop - kRadius - 1)},
                      {"Tiled", BodyScript("tiled", keep, 1, kFloorTop - kRadius - 1)},
                      {"Dart", BodyScript("dart", dart, 0, 1e9)},
                      {"Floater", BodyScript("floater", keep, 0, 1e9)},
                      {"Sinker", BodyScript("sinker", keep, 1, 1e9)},
                      {"Piled", BodyScript("piled", keep, 320.0 / 3600, 1e9)},
                      {"Still", BodyScript("still", dart, 0, 1e9)},
                      {"Bouncer", BouncerScript()},
                      {"Ender", "n = 0\nfunction Update(dt) n = n + 1 if n == " + std::to_string(kFrames) +
                                    " then Shutdown() end end\n"}},
                     {});
    folder.WriteConfig(ConfigJson(320, 200, "Ground", fps, 1));
    for (const char* type : {"Thin", "Tiled", "Dart", "Floater", "Sinker", "Piled", "Still", "Bouncer"}) {
      folder.Write(std::string("data/gameobjects/") + type + ".txt", BodyBlueprint(type));
    }
    folder.Write("data/gameobjects/Wall.txt", WallBlueprint("Wall", false, false));
    folder.Write("data/gameobjects/Immovable.txt", WallBlueprint("Immovable", true, false));
    folder.Write("data/gameobjects/Springy.txt", WallBlueprint("Springy", true, true));
    folder.Write("data/scripts/Springy.lua", "function Init() SetBouncy(0.5) end\n");
    std::vector<std::string> spawn;
    // A floor 200 x 10; a floor of forty 10 x 10 boxes; a wall 10 thick.
    spawn.push_back(WallAt("Wall", 0, kFloorTop, 200, 10));
    for (int k = 0; k < 40; ++k) spawn.push_back(WallAt("Wall", 300 + 10 * k, kFloorTop, 10, 10));
    spawn.push_back(WallAt("Wall", kWallFace, -100, 10, 800));
    // Two pairs of boxes overlapping by 20, each with a circle made inside both.
    for (const double left : {1200.0, 1500.0}) {
      spawn.push_back(WallAt("Wall", left, kBoxTop, 100, 100));
      spawn.push_back(WallAt("Wall", left + 80, kBoxTop, 100, 100));
    }
    // A box of immovable walls 20 thick around 200 x 300; an immovable wall
    // 10 thick; a springy immovable floor.
    spawn.push_back(WallAt("Immovable", 1980, 600, 240, 20));
    spawn.push_back(WallAt("Immovable", 1980, 280, 240, 20));
    spawn.push_back(WallAt("Immovable", 1980, 300, 20, 300));
    spawn.push_back(WallAt("Immovable", 2200, 300, 20, 300));
    spawn.push_back(WallAt("Immovable", 2600, -100, 10, 800));
    spawn.push_back(WallAt("Springy", 2800, kFloorTop, 200, 10));
    for (int k = 0; k < 10; ++k) {
      const double high = 100 + 60.0 * k / 9;
      spawn.push_back(SpawnAt("Thin", 2, 10 + 20 * k, kFloorTop - kRadius - high));
    }
    for (int k = 0; k < 19; ++k) {
      const double high = 100 + 60.0 * k / 18;
      spawn.push_back(SpawnAt("Tiled", 2, 313 + 20 * k, kFloorTop - kRadius - high));
    }
    for (int k = 0; k < 34; ++k) spawn.push_back(SpawnAt("Dart", 2, kWallFace - 120 + k, 20 * k));
    spawn.push_back(SpawnAt("Floater", 2, 1290, 50));
    spawn.push_back(SpawnAt("Sinker", 2, 1590, 50));
    for (int row = 0; row < 10; ++row) {
      for (int column = 0; column < 10; ++column) {
        spawn.push_back(SpawnAt("Piled", 2, 2010 + 19 * column, 590 - 19 * row));
      }
    }
    for (int k = 0; k < 10; ++k) spawn.push_back(SpawnAt("Still", 2, 2600 - 120 + k, 20 + 60 * k));
    spawn.push_back(SpawnAt("Bouncer", 2, 2900, kFloorTop - kRadius - 100));
    spawn.push_back(R"({"name":"Ender","id":9,"params":{}})");
    WriteSpawnList(folder, spawn);

    const RunResult run = RunOrv(folder);
    ASSERT_TRUE(RanCleanly(run));
    const auto count = [](const std::vector<Body>& bodies, auto through) {
      return std::count_if(bodies.begin(), bodies.end(), through);
    };
    // A body resting on a floor sinks into it by at most what its script
    // adds in one frame before the next pass takes it out.
    const double sink = fps == 60 ? 1.1 : 6.1;
    const std::vector<Body> thin = Bodies(run.out, "thin"), tiled = Bodies(run.out, "tiled");
    ASSERT_EQ(thin.size(), 10u) << run.out.substr(0, 3000);
    ASSERT_EQ(tiled.size(), 19u);
    for (const auto& [name, bodies] : {std::pair{"thin floor", &thin}, std::pair{"floor of boxes", &tiled}}) {
      const auto through = count(*bodies, [&](const Body& b) { return b.low > kFloorTop - kRadius + sink; });
      const auto resting =
          count(*bodies, [&](const Body& b) { return std::fabs(b.y - (kFloorTop - kRadius)) <= sink; });
      const auto below = count(*bodies, [&](const Body& b) { return b.y > kFloorTop + 10; });
      std::printf("fps %d, %s: %td of %zu ever deeper than their script's frame, %td resting on it, %td below it\n",
                  fps, name, through, bodies->size(), resting, below);
      EXPECT_EQ(through, 0) << fps << " " << name << "\n"
                            << Lines(run.out, name == std::string("thin floor") ? "thin" : "tiled");
      EXPECT_EQ(resting, static_cast<std::ptrdiff_t>(bodies->size())) << fps << " " << name;
    }
    // Stopped at the face at the first step that reaches it, from every offset.
    const std::vector<Body> darts = Bodies(run.out, "dart"), still = Bodies(run.out, "still");
    ASSERT_EQ(darts.size(), 34u);
    ASSERT_EQ(still.size(), 10u);
    for (const auto& [name, bodies, wallFace, tag] : {std::tuple{"static wall", &darts, kWallFace, "dart"},
                                                      std::tuple{"immovable wall", &still, 2600.0, "still"}}) {
      const double face = wallFace;
      const auto past = count(*bodies, [&](const Body& b) { return b.right > face - kRadius + 0.05; });
      const auto atFace = count(*bodies, [&](const Body& b) { return std::fabs(b.x - (face - kRadius)) <= 0.05; });
      const auto beyond = count(*bodies, [&](const Body& b) { return b.x > face + 10; });
      std::printf("fps %d, %s at 2000 px/s: %td of %zu ever past its face, %td ending on it, %td beyond it\n", fps,
                  name, past, bodies->size(), atFace, beyond);
      EXPECT_EQ(past, 0) << fps << " " << name << "\n" << Lines(run.out, tag);
      EXPECT_EQ(atFace, static_cast<std::ptrdiff_t>(bodies->size())) << fps << " " << name << "\n"
                                                                     << Lines(run.out, tag);
    }
    // Out of both boxes, the shortest way: above them; the falling one lands
    // on their top.
    const std::vector<Body> floater = Bodies(run.out, "floater"), sinker = Bodies(run.out, "sinker");
    ASSERT_EQ(floater.size(), 1u);
    ASSERT_EQ(sinker.size(), 1u);
    std::printf(
        "fps %d, made inside two overlapping boxes: floating at %.3f %.3f, falling at %.3f %.3f (lowest %.3f)\n", fps,
        floater[0].x, floater[0].y, sinker[0].x, sinker[0].y, sinker[0].low);
    EXPECT_NEAR(floater[0].y, kBoxTop - kRadius, 0.05);
    EXPECT_NEAR(sinker[0].y, kBoxTop - kRadius, sink);
    EXPECT_LE(sinker[0].low, kBoxTop - kRadius + sink);
    // The pile stays in its box of immovable walls.
    const std::vector<Body> piled = Bodies(run.out, "piled");
    ASSERT_EQ(piled.size(), 100u);
    const auto outside = count(piled, [](const Body& b) { return b.x < 2000 || b.x > 2200 || b.low > 600; });
    std::printf("fps %d, pile in a box of immovable walls: %td of 100 ever below its floor or out at the end\n", fps,
                outside);
    EXPECT_EQ(outside, 0) << fps;
    // The ball keeps its bounce on a springy immovable floor, and stays on it:
    // it leaves at half the speed it met the floor with, neither more nor less.
    double low = 0, fall = 0, rise = 0;
    const std::vector<std::string> bouncer = LinesStartingWith(run.out, "bouncer ");
    ASSERT_EQ(bouncer.size(), 1u);
    ASSERT_EQ(std::sscanf(bouncer[0].c_str(), "bouncer %lf %lf %lf", &low, &fall, &rise), 3) << bouncer[0];
    std::printf("fps %d, ball on a springy immovable floor: met it at %.3f px/s, left at %.3f, lowest %.3f\n", fps,
                fall, rise, low);
    EXPECT_GT(fall, 300) << fps;
    EXPECT_NEAR(rise / fall, 0.5, 0.02) << fps;
    EXPECT_LE(low, kFloorTop - kRadius + sink) << fps;
  }
}
