// Circles at the corners of solid tiles in the real program, at 60 frames a
// second and in frames of 0.1 s. Each site is a tile floor with a wall on it.
// Walkers go right under a script's gravity, press on the wall, jump straight
// up still pressing and land at its foot; jumpers jump high enough to clear
// the wall's top beside it and fall back; two circles start just off a wall's
// top corner moving down and right, one nearer the top face and one nearer
// the side. The map's maker busy-waits in Init, so the start is slow, and a
// body made at 1500 px/s just above the floor, which a first step as long as
// the start would carry through it, is held.
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

constexpr double kRadius = 12;
// Cells of 32 centred on multiples of 32. The floor's top row is 12, under
// y 368; the walls stand on it in rows 9 to 11, from y 272, but the walkers'
// walls go up one row further, above the highest their jumps reach whatever
// the frames' steps.
constexpr double kFloorTop = 368;
constexpr double kWallTop = 272;
constexpr int kSiteColumns = 8;
constexpr int kWallColumn = 6;  // within a site
constexpr int kRuns = 8;
// Game time the scene runs for, in seconds: pressing until 1.2 s, then a jump
// that is down again by about 2 s, then standing.
constexpr double kPressUntil = 1.2;
constexpr double kEndAt = 3.5;
// The fast body, and the longest step at which the floor is sure to hold it
// from 20 px above.
constexpr double kFastSpeed = 1500;
constexpr double kHeldUpTo = (20 + 32 + 2 * kRadius) / kFastSpeed;

double WallLeft(int site) { return 32.0 * (site * kSiteColumns + kWallColumn) - 16; }

// A body under a gravity of 0.4 px a frame per frame (frames of 1/60 s),
// walking right at 3 px a frame until it jumps straight up, then at
// afterJump (3 goes on pressing on the wall). It falls no
// faster than 31 px a step: at 0.1 s a step faster would leap over a row,
// more than tiles promise. Prints its site, the time, where it is, its
// velocity as the tiles and the step left it, the frame's time and the fall
// it sets for the next step.
std::string Body(const std::string& name, double jump, double afterJump) {
  char text[1200];
  std::snprintf(text, sizeof text,
                "t = 0 jumped = false site = 0\n"
                "function Init() site = math.floor(GetPos().x / 256) end\n"
                "function Update(dt)\n"
                "  local p, v = GetPos(), GetVelocity()\n"
                "  local frames = math.max(dt, 1 / 60) * 60\n"
                "  local vy = math.min(v.y / 60 + 0.4 * frames, 31 / frames)\n"
                "  if not jumped and t + dt >= %g then jumped = true vy = -%g end\n"
                "  print(string.format('%s %%d %%.4f %%.4f %%.4f %%.4f %%.5f %%.4f', site, t, p.x, p.y, v.y, dt, vy))\n"
                "  t = t + dt\n"
                "  SetVelocity(jumped and %g or 3, vy)\n"
                "end\n",
                kPressUntil, jump, name.c_str(), afterJump);
  return text;
}

struct Sample {
  double t, x, y, vy, dt, nextVy;
};

// Each site's samples, in order.
std::map<int, std::vector<Sample>> ReadSamples(const std::string& out, const std::string& name) {
  std::map<int, std::vector<Sample>> samples;
  for (const std::string& line : LinesStartingWith(out, name + " ")) {
    int site = 0;
    Sample s{};
    if (std::sscanf(line.c_str() + name.size() + 1, "%d %lf %lf %lf %lf %lf %lf", &site, &s.t, &s.x, &s.y, &s.vy,
                    &s.dt, &s.nextVy) == 7) {
      samples[site].push_back(s);
    }
  }
  return samples;
}

}  // namespace

TEST(TileCornerProgram, CirclesHoldAtAWallsFootAndLeaveItsTopCornerByTheFaceTheyReachedLast) {
  for (const int fps : {60, 10}) {
    const int sites = 2 * kRuns + 3;
    ContentFolder folder;
    char builder[600];
    std::snprintf(builder, sizeof builder,
                  "function Init()\n"
                  "  local start = os.clock() while os.clock() - start < 0.3 do end\n"
                  "  CreateNewTileMap(1, %d, 24) SetWriteLayer(1) SetWriteValue(1)\n"
                  "  for x = 0, %d do WriteValue(x * 32, 12 * 32) end\n"
                  "  for s = 0, %d do\n"
                  "    for y = s < %d and 8 or 9, 11 do WriteValue((s * %d + %d) * 32, y * 32) end\n"
                  "  end\n"
                  "end\n",
                  sites * kSiteColumns, sites * kSiteColumns - 1, sites - 1, kRuns, kSiteColumns, kWallColumn);
    ScriptedTypes types = {{"Builder", builder},
                           {"Walker", Body("walker", 8.5, 3)},
                           {"Jumper", Body("jumper", 9.5, 0)},
                           // Down and right at 3 px a frame, no gravity.
                           {"Corner", "site = 0\n"
                                      "function Init() site = math.floor(GetPos().x / 256) SetVelocity(3, 3) end\n"
                                      "function Update(dt)\n"
                                      "  local p = GetPos()\n"
                                      "  print(string.format('corner %d %.4f %.4f', site, p.x, p.y))\n"
                                      "  SetVelocity(3, 3)\n"
                                      "end\n"},
                           {"Fast", "function Init() SetVelocity(0, " + std::to_string(kFastSpeed / 60) +
                                        ") end\n"
                                        "function Update(dt) print(string.format('fast %.5f %.4f', dt, GetPos().y)) "
                                        "end\n"},
                           {"Ender", "t = 0\nfunction Update(dt) t = t + dt if t >= " + std::to_string(kEndAt) +
                                         " then Shutdown() end end\n"}};
    WriteScriptScene(folder, "Corners", types, {});
    folder.WriteConfig(ConfigJson(320, 200, "Corners", fps, 1));
    folder.Write("data/gameobjects/Level.txt", R"({"name":"Level","id":1,"components":[{"type":"tilemap","data":)"
                                               R"([{"tilemapid":1,"tilewidth":32,"tileheight":32}]}]})");
    for (const std::string type : {"Walker", "Jumper", "Corner", "Fast"}) {
      folder.Write("data/gameobjects/" + type + ".txt",
                   R"({"name":")" + type + R"(","id":2,"components":[{"type":"transform","data":[]},)" +
                       R"({"type":"collision","data":["Circle", {"radius": 12.0}]},)" +
                       R"({"type":"rigidbody","data":[]}]})");
    }
    std::vector<std::string> spawn = {R"({"name":"Level","id":1,"params":{}})",
                                      R"({"name":"Builder","id":1,"params":{}})"};
    // Each run on a site of its own, about 100 px left of its wall, starting
    // a little further right than the one before so that each meets the wall
    // at another point of its step.
    for (int k = 0; k < 2 * kRuns; ++k) {
      spawn.push_back(SpawnAt(k < kRuns ? "Walker" : "Jumper", 2, WallLeft(k) - 100 - kRadius + 0.4 * (k % kRuns),
                              kFloorTop - kRadius + 0.01));
    }
    // Off the corner by 1 along x and 0.2 along y: the top face is reached
    // first, the side last. And the other way round.
    spawn.push_back(SpawnAt("Corner", 2, WallLeft(2 * kRuns) - 1 - kRadius, kWallTop - 0.2 - kRadius));
    spawn.push_back(SpawnAt("Corner", 2, WallLeft(2 * kRuns + 1) - 0.2 - kRadius, kWallTop - 1 - kRadius));
    // In the last column, right of the last wall.
    spawn.push_back(SpawnAt("Fast", 2, WallLeft(sites - 1) + 48, kFloorTop - kRadius - 20));
    spawn.push_back(R"({"name":"Ender","id":9,"params":{}})");
    WriteSpawnList(folder, spawn);

    const RunResult run = RunOrv(folder);
    ASSERT_TRUE(RanCleanly(run));
    int judged = 0;
    for (const std::string name : {"walker", "jumper"}) {
      const std::map<int, std::vector<Sample>> sites = ReadSamples(run.out, name);
      ASSERT_EQ(sites.size(), static_cast<std::size_t>(kRuns)) << run.out.substr(0, 3000);
      for (const auto& [site, samples] : sites) {
        const std::string where = "fps " + std::to_string(fps) + ", " + name + " at site " + std::to_string(site);
        const double wallLeft = WallLeft(site);
        double intoWall = -1e9, intoFloor = -1e9, highest = 1e9, pressed = -1e9, standingFall = 0, standingOff = 0;
        bool beyondOneCell = false;
        for (std::size_t i = 0; i < samples.size(); ++i) {
          const Sample& s = samples[i];
          intoWall = std::max(intoWall, s.x + kRadius - wallLeft);
          intoFloor = std::max(intoFloor, s.y + kRadius - kFloorTop);
          highest = std::min(highest, s.y + kRadius);
          // A loaded machine's long frames may carry a fall further.
          if (i > 0 && samples[i - 1].nextVy * std::max(s.dt, 1.0 / 60) * 60 > 31.5) beyondOneCell = true;
          // Standing: pressing on the wall before the jump, and in the last
          // second, long after it landed.
          if ((s.t >= kPressUntil - 0.4 && s.t + s.dt < kPressUntil) || s.t >= kEndAt - 1) {
            standingFall = std::max(standingFall, s.vy);
            standingOff = std::max(standingOff, std::fabs(s.y + kRadius - kFloorTop - 0.01));
          }
          if (s.t + s.dt < kPressUntil) pressed = s.x + kRadius - wallLeft;
        }
        std::printf("%s: at most %.4f into the wall and %.4f into the floor, lowest point rose to %.2f above the "
                    "floor, fastest fall while standing %.2f px/s, ends at %.4f %.4f\n",
                    where.c_str(), intoWall, intoFloor, kFloorTop - highest, standingFall, samples.back().x,
                    samples.back().y);
        if (beyondOneCell) {
          std::printf("  a step longer than a cell: not judged\n");
          continue;
        }
        ++judged;
        EXPECT_NEAR(pressed, 0.01, 0.02) << where << ": pressed on the wall before the jump";
        EXPECT_LE(intoWall, 0.02) << where << ": never in the wall";
        EXPECT_LE(intoFloor, 0.02) << where << ": never in the floor";
        EXPECT_LE(standingOff, 0.02) << where << ": on the floor while it stands";
        EXPECT_LE(standingFall, 0.5) << where << ": the floor stops its fall every frame";
        if (name == std::string("jumper")) {
          EXPECT_LT(highest, kWallTop) << where << ": cleared the wall's top beside it";
        }
        // Back at the wall's foot.
        EXPECT_NEAR(samples.back().x + kRadius, wallLeft + 0.01, 0.02) << where;
        EXPECT_NEAR(samples.back().y + kRadius, kFloorTop + 0.01, 0.02) << where;
      }
    }
    // Frames of 0.1 s are the same on any machine: their steps are all judged.
    if (fps == 10) {
      EXPECT_EQ(judged, 2 * kRuns);
    }
    // The corner bodies, at their first Update (after two steps) and at the
    // end: the one that reached the side last went back across it and slid
    // down into the wall's foot; the one that reached the top last stands on
    // it, then walks off it and on to the next wall's foot.
    std::map<int, std::vector<std::pair<double, double>>> corners;
    for (const std::string& line : LinesStartingWith(run.out, "corner ")) {
      int site = 0;
      double x = 0, y = 0;
      ASSERT_EQ(std::sscanf(line.c_str(), "corner %d %lf %lf", &site, &x, &y), 3) << line;
      corners[site].emplace_back(x, y);
    }
    ASSERT_EQ(corners.size(), 2u) << run.out.substr(0, 3000);
    const auto& side = corners[2 * kRuns];
    const auto& top = corners[2 * kRuns + 1];
    std::printf("fps %d: corner reached by its side last, first at %.4f %.4f, last at %.4f %.4f; by its top last, "
                "first at %.4f %.4f, last at %.4f %.4f\n",
                fps, side[0].first, side[0].second, side.back().first, side.back().second, top[0].first,
                top[0].second, top.back().first, top.back().second);
    EXPECT_NEAR(side[0].first + kRadius, WallLeft(2 * kRuns) + 0.01, 0.02) << "fps " << fps << ": back beside it";
    EXPECT_GT(side[0].second + kRadius, kWallTop) << "fps " << fps << ": going down beside it";
    EXPECT_NEAR(side.back().first + kRadius, WallLeft(2 * kRuns) + 0.01, 0.02) << "fps " << fps;
    EXPECT_NEAR(side.back().second + kRadius, kFloorTop + 0.01, 0.02) << "fps " << fps << ": at the wall's foot";
    EXPECT_NEAR(top[0].second + kRadius, kWallTop + 0.01, 0.02) << "fps " << fps << ": on the top";
    EXPECT_GT(top[0].first + kRadius, WallLeft(2 * kRuns + 1)) << "fps " << fps << ": going along it";
    EXPECT_NEAR(top.back().first + kRadius, WallLeft(sites - 1) + 0.01, 0.02) << "fps " << fps;
    EXPECT_NEAR(top.back().second + kRadius, kFloorTop + 0.01, 0.02) << "fps " << fps << ": at the wall's foot";
    // A script has its first Update in the frame after the one its object
    // was made for: where the fast body is then shows the first frame's step.
    // At 0.1 s a step it is carried over the floor, as tiles do not promise.
    if (fps == 10) continue;
    std::vector<std::string> fast = LinesStartingWith(run.out, "fast ");
    ASSERT_FALSE(fast.empty()) << run.out.substr(0, 3000);
    double dt = 0, low = 0;
    ASSERT_EQ(std::sscanf(fast[0].c_str(), "fast %lf %lf", &dt, &low), 2) << fast[0];
    low += kRadius - kFloorTop;
    // Not held, it fell freely for both steps.
    const double firstStep = (low + 20) / kFastSpeed - dt;
    std::printf("fps %d: fast body's lowest point %.4f past the floor's top at its first Update\n", fps, low);
    if (low > 0.03) {
      // Only a first frame stalled past what the floor holds lets it through.
      EXPECT_GT(firstStep, kHeldUpTo) << "not held by the floor: " << fast[0];
      EXPECT_LT(firstStep, 0.0999) << "the first frame's step was the start's: " << fast[0];
    }
  }
}
