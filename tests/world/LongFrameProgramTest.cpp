// Long frames in the real program: the same scene at 60 frames a second and
// at 10 (frames of 0.1 s). A pile of 200 circles in a closed box, a ball with
// bounce 0.8 on a floor of mass 0 with bounce 0.8, circles walking over a
// one-cell pit in a tile floor, and the scripts' view of a frame: Update once
// with the frame's time, each contact and each tile cell heard once a frame.
// Gravity is each body's script's, 320 px/s², set every frame.
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
constexpr double kEndAt = 10;

// The pile's box: inside 300..500 across, a floor whose top is at 1000 and a
// lid whose underside is at 580.
constexpr double kPileFloor = 1000;
constexpr double kGrain = 8;
// The ball's floor, a body of mass 0, 200 x 20 with its top at 1500.
constexpr double kBallFloor = 1500;
constexpr double kBall = 8;
constexpr double kDrop = 100;
// Tiles of 32 centred on multiples of 32, in a map of 144 x 60 cells beyond
// which all is solid; the floor's top row is 40 (top at y 1264); each
// walker's site is 16 cells wide with a pit at its column 6.
constexpr double kTileFloor = 1264;
constexpr int kSite = 16;
constexpr int kPit = 6;
constexpr int kWalkers = 8;
constexpr double kWalker = 20;

// Gravity as a game sets it every frame: as an acceleration, which acts in
// each of a frame's steps, or added to the velocity, once a frame.
std::string Gravity() { return "SetAcceleration(0, " + std::to_string(kGravity) + ")\n"; }
std::string Fall(const std::string& vx) {
  return "SetVelocity(" + vx + ", (GetVelocity().y + " + std::to_string(kGravity) + " * math.max(dt, 1 / 60)) / 60)\n";
}

std::string Circle(double radius) { return R"("Circle", {"radius": )" + std::to_string(radius) + "}"; }

struct Grain {
  double x, y, lastSecond;
};

// One line a frame of a body's script: the time, where it is, its velocity.
struct Sample {
  double t, dt, x, y, vx, vy;
};

std::map<int, std::vector<Sample>> ReadSamples(const std::string& out, const std::string& name) {
  std::map<int, std::vector<Sample>> samples;
  for (const std::string& line : LinesStartingWith(out, name + " ")) {
    int which = 0;
    Sample s{};
    if (std::sscanf(line.c_str() + name.size() + 1, "%d %lf %lf %lf %lf %lf %lf", &which, &s.t, &s.dt, &s.x, &s.y,
                    &s.vx, &s.vy) == 7) {
      samples[which].push_back(s);
    }
  }
  return samples;
}

// A script line printing a sample, with which the body is.
std::string PrintSample(const std::string& name) {
  return "  local p, v = GetPos(), GetVelocity()\n"
         "  print(string.format('" +
         name + " %d %.4f %.5f %.4f %.4f %.4f %.4f', which, t, dt, p.x, p.y, v.x, v.y))\n";
}

// The apexes of a bouncing ball, as heights of its lowest point above the
// floor: each flight's highest point, from the samples and the fall still to
// come at a sample going up.
std::vector<double> Apexes(const std::vector<Sample>& samples) {
  std::vector<double> apexes;
  double highest = 1e9;
  bool rising = false;
  for (const Sample& s : samples) {
    if (s.vy < 0 && !rising) {
      rising = true;
      highest = 1e9;
    }
    if (!rising) continue;
    const double top = s.vy < 0 ? s.y - s.vy * s.vy / (2 * kGravity) : s.y;
    highest = std::min(highest, top);
    if (s.vy > 0) {
      rising = false;
      apexes.push_back(kBallFloor - kBall - highest);
    }
  }
  return apexes;
}

struct Seen {
  std::vector<Grain> grains;
  double deepest = 0;
  int grainsMoving = 0;
  // Of each ball.
  std::vector<double> apexes[2];
  double lastSecondHeight[2] = {0, 0};
  // The longest frame of the last four seconds.
  double longestLateFrame = 0;
  double intoCells = 0;
  std::string intoCellsWhere;
};

Seen RunScene(int fps) {
  Seen seen;
  ContentFolder folder;
  ScriptedTypes types;
  std::vector<std::pair<std::string, std::string>> blueprints;
  std::vector<std::string> spawn = {R"({"name":"Level","id":1,"params":{}})",
                                    R"({"name":"Builder","id":1,"params":{}})"};
  const auto add = [&](const std::string& name, const std::string& script, const std::string& blueprint) {
    types.push_back({name, script});
    blueprints.push_back({name, blueprint});
  };
  // Static ground.
  const std::vector<std::string> statics = {BoxShape(400, kPileFloor + 20, 240, 40), BoxShape(290, 800, 20, 400),
                                            BoxShape(510, 800, 20, 400), BoxShape(400, 570, 240, 20),
                                            // Under the resting body.
                                            BoxShape(1000, 520, 200, 20)};
  for (std::size_t k = 0; k < statics.size(); ++k) {
    const std::string name = "Ground" + std::to_string(k);
    blueprints.push_back({name, SceneBlueprint(name, statics[k], "")});
    spawn.push_back(R"({"name":")" + name + R"(","id":1,"params":{}})");
  }
  // The pile: 20 rows of 10 circles, 4 px apart, every other row shifted by
  // 1.5 px so that they do not stand in columns.
  add("Grain",
      "t = 0\n"
      "function Update(dt)\n  " +
          Gravity() +
          "  local p = GetPos()\n"
          "  t = t + dt\n"
          "  if t >= " +
          std::to_string(kEndAt - 1) +
          " and not late then late = p end\n"
          "  if t >= " +
          std::to_string(kEndAt) +
          " and not said then said = true\n"
          "    print(string.format('grain %.4f %.4f %.4f', p.x, p.y, math.sqrt((p.x - late.x) ^ 2 + (p.y - late.y) "
          "^ 2)))\n"
          "  end\n"
          "end\n",
      SceneBlueprint("Grain", Circle(kGrain), kMassOne));
  for (int row = 0; row < 20; ++row) {
    for (int k = 0; k < 10; ++k) {
      spawn.push_back(SpawnAt(
          "Grain", 1, 310 + 20 * k + (row % 2) * (std::getenv("LF_SHIFT") ? std::atof(std::getenv("LF_SHIFT")) : 1.5),
          kPileFloor - kGrain - 2 - 20 * row));
    }
  }
  // The ball and its floor.
  // Two balls, each over a floor of its own: 0 falls by its acceleration, 1
  // by its velocity.
  add("BallFloor", "function Init() SetBouncy(0.8) end\n",
      SceneBlueprint("BallFloor", BoxShape(0, 0, 200, 20), R"({"mass": 0.0})"));
  add("Ball",
      "t = 0\n"
      "function Init() SetBouncy(0.8) which = GetPos().x > 1200 and 1 or 0 end\n"
      "function Update(dt)\n" +
          PrintSample("ball") + "  t = t + dt\n  if which == 0 then " + Gravity() + "  else " + Fall("0") +
          "  end\nend\n",
      SceneBlueprint("Ball", Circle(kBall), kMassOne));
  for (const double x : {1000, 1400}) {
    spawn.push_back(SpawnAt("BallFloor", 1, x, kBallFloor + 10));
    spawn.push_back(SpawnAt("Ball", 1, x, kBallFloor - kBall - kDrop));
  }
  // Walkers over the pits, each a little faster than the one before.
  add("Walker",
      "t = 0\n"
      "function Init() which = math.floor(GetPos().x / " +
          std::to_string(32 * kSite) +
          ") end\n"
          "function Update(dt)\n" +
          PrintSample("walker") + "  t = t + dt\n  local far = p.x > (which * " + std::to_string(kSite) + " + " +
          std::to_string(kPit + 4) + ") * 32\n  " + Fall("far and 0 or 1.5 + 0.75 * which") + "end\n",
      SceneBlueprint("Walker", Circle(kWalker), kMassOne));
  for (int k = 0; k < kWalkers; ++k) {
    spawn.push_back(SpawnAt("Walker", 1, 32.0 * (k * kSite + 2), kTileFloor - kWalker + 0.01));
  }
  // Moves at 120 px/s, far from everything: each Update sees the whole frame.
  add("Mover",
      "which, t = 0, 0\n"
      "function Update(dt)\n" +
          PrintSample("mover") + "  t = t + dt\n  SetVelocity(2, 0)\nend\n",
      SceneBlueprint("Mover", Circle(4), kMassOne));
  spawn.push_back(SpawnAt("Mover", 1, 3000, 100));
  // Rests on a static box and on tiles: how many records and cells a frame.
  for (const std::string name : {"Rester", "TileRester"}) {
    add(name,
        "cells, t = 0, 0\n"
        "function OnTileCollide(cell) cells = cells + 1 end\n"
        "function Update(dt)\n"
        "  local starts, stays, ends = 0, 0, 0\n"
        "  for _, c in ipairs(GetContactManifolds() or {}) do\n"
        "    if c.collisionStart then starts = starts + 1 end\n"
        "    if c.collisionStay then stays = stays + 1 end\n"
        "    if c.collisionEnd then ends = ends + 1 end\n"
        "  end\n"
        "  print(string.format('heard " +
            name +
            " %.4f %d %d %d %d', t, starts, stays, ends, cells))\n"
            "  cells = 0\n"
            "  t = t + dt\n  " +
            Gravity() + "end\n",
        SceneBlueprint(name, BoxShape(0, 0, 24, 24), kMassOne));
  }
  spawn.push_back(SpawnAt("Rester", 1, 1000, 510 - 12 - 20));
  // Across two cells of the tile floor, right of the last site.
  spawn.push_back(SpawnAt("TileRester", 1, 32.0 * (kWalkers * kSite + 2) + 16, kTileFloor - 12 - 20));
  add("Ender",
      "t = 0\nfunction Update(dt) t = t + dt if t >= " + std::to_string(kEndAt + 0.25) + " then Shutdown() end end\n",
      R"({"name":"Ender","id":9,"components":[{"type":"script","data":[]}]})");
  spawn.push_back(R"({"name":"Ender","id":9,"params":{}})");
  const int columns = (kWalkers + 1) * kSite;
  char builder[600];
  std::snprintf(builder, sizeof builder,
                "function Init()\n"
                "  CreateNewTileMap(1, %d, 60) SetWriteLayer(1) SetWriteValue(1)\n"
                "  for x = 0, %d do if x %% %d ~= %d then WriteValue(x * 32, 40 * 32) end end\n"
                "end\n",
                columns, columns - 1, kSite, kPit);
  types.push_back({"Builder", builder});
  WriteScriptScene(folder, "LongFrames", types, {});
  for (const auto& [name, blueprint] : blueprints) folder.Write("data/gameobjects/" + name + ".txt", blueprint);
  folder.Write("data/gameobjects/Level.txt", R"({"name":"Level","id":1,"components":[{"type":"tilemap","data":)"
                                             R"([{"tilemapid":1,"tilewidth":32,"tileheight":32}]}]})");
  folder.WriteConfig(ConfigJson(320, 200, "LongFrames", fps, 1));
  WriteSpawnList(folder, spawn);
  const RunResult run = RunOrv(folder);
  EXPECT_TRUE(RanCleanly(run));
  const std::string where = "fps " + std::to_string(fps);

  // The pile: how deep circles end inside one another, how many still move.
  for (const std::string& line : LinesStartingWith(run.out, "grain ")) {
    Grain g{};
    if (std::sscanf(line.c_str(), "grain %lf %lf %lf", &g.x, &g.y, &g.lastSecond) == 3) seen.grains.push_back(g);
  }
  EXPECT_EQ(seen.grains.size(), 200u) << where;
  for (std::size_t i = 0; i < seen.grains.size(); ++i) {
    seen.grainsMoving += seen.grains[i].lastSecond > 1 ? 1 : 0;
    for (std::size_t j = i + 1; j < seen.grains.size(); ++j) {
      const double d = std::hypot(seen.grains[i].x - seen.grains[j].x, seen.grains[i].y - seen.grains[j].y);
      seen.deepest = std::max(seen.deepest, 2 * kGrain - d);
    }
  }
  // The balls.
  const std::map<int, std::vector<Sample>> balls = ReadSamples(run.out, "ball");
  EXPECT_EQ(balls.size(), 2u) << where;
  for (const auto& [which, samples] : balls) {
    if (which < 0 || which > 1) continue;
    seen.apexes[which] = Apexes(samples);
    for (const Sample& s : samples) {
      if (s.t >= kEndAt - 4) seen.longestLateFrame = std::max(seen.longestLateFrame, s.dt);
      if (s.t >= kEndAt - 1) {
        seen.lastSecondHeight[which] = std::max(seen.lastSecondHeight[which], kBallFloor - kBall - s.y);
      }
    }
  }
  // The walkers: how deep each ever was in a solid cell, as tiles see a
  // circle: the square around it.
  const std::map<int, std::vector<Sample>> walkers = ReadSamples(run.out, "walker");
  EXPECT_EQ(walkers.size(), static_cast<std::size_t>(kWalkers)) << where;
  for (const auto& [which, samples] : walkers) {
    for (const Sample& s : samples) {
      const double bottom = s.y + kWalker;
      if (bottom <= kTileFloor) continue;
      // The cells of the floor row the square spans, the pit's excepted.
      for (long long column = static_cast<long long>(std::floor((s.x - kWalker + 16) / 32));
           column <= static_cast<long long>(std::floor((s.x + kWalker + 16) / 32)); ++column) {
        if (column % kSite == kPit) continue;
        const double left = 32.0 * column - 16, right = left + 32;
        const double depth = std::min({bottom - kTileFloor, s.x + kWalker - left, right - (s.x - kWalker)});
        if (depth > seen.intoCells) {
          seen.intoCells = depth;
          char text[160];
          std::snprintf(text, sizeof text, "walker %d at t %.2f at (%.2f, %.2f), cell %lld", which, s.t, s.x, s.y,
                        column);
          seen.intoCellsWhere = text;
        }
      }
    }
  }

  // Update once a frame, with the frame's time, after the whole frame moved.
  const std::vector<Sample> mover = ReadSamples(run.out, "mover")[0];
  EXPECT_GT(mover.size(), 20u) << where;
  for (std::size_t i = 2; i < mover.size(); ++i) {
    const double dt = mover[i].dt;
    if (fps == 10) {
      EXPECT_NEAR(dt, 0.1, 1e-6) << where << " at " << mover[i].t;
    }
    EXPECT_NEAR(mover[i].x - mover[i - 1].x, 120 * std::max(dt, 1.0 / 60), 0.02) << where << " at " << mover[i].t;
  }
  // One record of the floor a frame, begun once; each cell under it once a
  // frame.
  for (const std::string name : {"Rester", "TileRester"}) {
    int starts = 0, frames = 0, mostRecords = 0, mostCells = 0;
    for (const std::string& line : LinesStartingWith(run.out, "heard " + name + " ")) {
      double t = 0;
      int start = 0, stay = 0, end = 0, cells = 0;
      if (std::sscanf(line.c_str() + 7 + name.size(), "%lf %d %d %d %d", &t, &start, &stay, &end, &cells) != 5) {
        continue;
      }
      ++frames;
      starts += start;
      mostRecords = std::max(mostRecords, start + stay + end);
      mostCells = std::max(mostCells, cells);
    }
    std::printf("%s: %s over %d frames: %d starts, at most %d records and %d cells a frame\n", where.c_str(),
                name.c_str(), frames, starts, mostRecords, mostCells);
    EXPECT_GT(frames, 20) << where << " " << name;
    if (name == std::string("Rester")) {
      EXPECT_EQ(starts, 1) << where << ": the floor's contact begins once";
      EXPECT_EQ(mostRecords, 1) << where << ": one record of the floor a frame";
    } else {
      // Over the border of two cells: told of each once a frame.
      EXPECT_EQ(mostCells, 2) << where << ": each cell under it once a frame";
    }
  }
  return seen;
}

}  // namespace

TEST(LongFrameProgram, AFrameOfATenthMovesTheWorldAsSixFramesOfASixtiethDo) {
  const Seen fast = RunScene(60);
  const Seen slow = RunScene(10);
  for (const Seen* run : {&fast, &slow}) {
    const std::string where = run == &fast ? "fps 60" : "fps 10";
    std::printf(
        "%s: pile deepest overlap %.3f px, %d of %zu moving in the last second; walkers at most %.3f px into "
        "a cell (%s)\n",
        where.c_str(), run->deepest, run->grainsMoving, run->grains.size(), run->intoCells,
        run->intoCellsWhere.c_str());
    // No walker sinks into the cells beside a pit: a body pushed out of tiles
    // is left 0.01 in them, one resting no more than 0.05.
    EXPECT_LE(run->intoCells, 0.06) << where << ": " << run->intoCellsWhere;
    for (int which = 0; which < 2; ++which) {
      std::string apexes;
      for (std::size_t k = 0; k < run->apexes[which].size() && k < 8; ++k) {
        char text[32];
        std::snprintf(text, sizeof text, " %.1f", run->apexes[which][k]);
        apexes += text;
      }
      std::printf("%s: ball %d apexes%s; highest in the last second %.2f px; longest late frame %.3f s\n",
                  where.c_str(), which, apexes.c_str(), run->lastSecondHeight[which], run->longestLateFrame);
    }
    // The ball whose gravity acts in each step: each rebound at most 0.75 of
    // the one before while it still rises a few pixels, and at rest by the
    // last second.
    const std::vector<double>& apex = run->apexes[0];
    EXPECT_GE(apex.size(), 4u) << where;
    for (std::size_t k = 1; k < apex.size() && apex[k - 1] > 4; ++k) {
      EXPECT_LE(apex[k], 0.75 * apex[k - 1]) << where << ": rebound " << k;
    }
    EXPECT_LE(run->lastSecondHeight[0], 1.0) << where << ": at rest";
    // The one a script speeds up once a frame gains up to a frame's fall at
    // each bounce, so it dies down only to where a bounce's loss (a fifth of
    // its speed) meets that gain: it leaves the floor at most at 4 g dt, and
    // rises at most (4 g dt)^2 / 2g, with dt the longest frame near the end.
    // How long the frames are is the machine's to say: a loaded one hands
    // the 60-fps run frames of up to 0.1 s (it rose 11.9 px in its last
    // second), an idle one frames of 1/60 (at rest), so that whole window is
    // taken, with room for the steps' rounding.
    EXPECT_GE(run->apexes[1].size(), 4u) << where;
    const double gain = 4 * kGravity * run->longestLateFrame;
    EXPECT_LE(run->lastSecondHeight[1], 1.5 * gain * gain / (2 * kGravity) + 2)
        << where << ": longest frame of the last four seconds " << run->longestLateFrame << " s";
    // Circles in a pile end no deeper in one another than a quarter of their
    // width (a centre on another's at 0.1 s a step).
    EXPECT_LE(run->deepest, kGrain / 2) << where;
  }
  // A frame of 0.1 s is six steps of 1/60 s: the ball whose gravity acts in
  // each step rises as high as at 60 frames a second. The one a script speeds
  // up once a frame is not compared: how high it rises depends on the frames'
  // lengths, which a loaded machine hands the 60-fps run as it likes.
  ASSERT_TRUE(slow.apexes[0].size() >= 3 && fast.apexes[0].size() >= 3);
  for (std::size_t k = 0; k < 3; ++k) {
    EXPECT_NEAR(slow.apexes[0][k], fast.apexes[0][k], 0.1 * fast.apexes[0][k] + 2) << "apex " << k;
  }
}
