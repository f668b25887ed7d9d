// Fast bodies against turned and round static walls in the real program, at
// 60 frames a second and with frames of 0.1 s: circles and 16-px oriented
// boxes driven at 2000 px/s into a wall 10 x 3000 turned 45 and 30 degrees;
// sixty circles, boxes and oriented boxes driven at 600-2500 px/s inside a
// closed square of four walls turned 30 degrees; bodies at 6000-12000 px/s
// whose paths pass a round wall and a box turned 45 degrees 14-31 px clear;
// and circles landing diagonally at 12700 px/s on a floor near its end.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

constexpr double kDegrees = M_PI / 180;

struct Vec {
  double x, y;
};

// A body's script: it is driven at (vx, vy) px/s each frame (or only on the
// first frame) and stops once it is ahead of its start by stopAfter along
// the drive; it measures its place in a frame (centre c, axes u and v) and
// prints at the last frame: the most it was ever ahead along u, where it
// ends along u, the most it was ever off the centre along u or v, the most it
// strayed from its straight path, every contact it counted and its end y.
struct Drive {
  std::string tag;
  Vec velocity;
  bool everyFrame;
  double stopAfter;
  Vec centre;
  double degrees;
  // How far along v from the centre its wall reaches: beyond, ahead is not
  // counted (a slider off the wall's end goes on).
  double span = 1e9;
};

std::string Script(const Drive& d, int frames) {
  const double speed = std::hypot(d.velocity.x, d.velocity.y);
  char text[1600];
  std::snprintf(text, sizeof text,
                "n = 0 ahead = -1e9 off = 0 strayed = 0 contacts = 0 stopped = false\n"
                "ux, uy = %.9f, %.9f\n"
                "dx, dy = %.9f, %.9f\n"
                "function Update(dt)\n"
                "  n = n + 1\n"
                "  local p = GetPos()\n"
                "  if n == 1 then x0, y0 = p.x, p.y end\n"
                "  local cx, cy = p.x - %.3f, p.y - %.3f\n"
                "  local along, across = ux * cx + uy * cy, -uy * cx + ux * cy\n"
                "  if math.abs(across) < %.3f then ahead = math.max(ahead, along) end\n"
                "  off = math.max(off, math.abs(along), math.abs(across))\n"
                "  strayed = math.max(strayed, math.abs(dx * (p.y - y0) - dy * (p.x - x0)))\n"
                "  contacts = contacts + GetCollisionCount()\n"
                "  if dx * (p.x - x0) + dy * (p.y - y0) > %.3f then stopped = true end\n"
                "  if stopped then SetVelocity(0, 0)\n"
                "  elseif n == 1 or %s then SetVelocity(%.6f / 60, %.6f / 60) end\n"
                "  if n == %d then\n"
                "    print(string.format('%s %%.4f %%.4f %%.4f %%.4f %%d %%.4f', ahead, along, off, strayed, contacts, "
                "p.y))\n"
                "  end\n"
                "end\n",
                std::cos(d.degrees * kDegrees), std::sin(d.degrees * kDegrees), d.velocity.x / speed,
                d.velocity.y / speed, d.centre.x, d.centre.y, d.span, d.stopAfter, d.everyFrame ? "true" : "false",
                d.velocity.x, d.velocity.y, frames, d.tag.c_str());
  return text;
}

std::string Body(const std::string& type, const std::string& shape) {
  const std::string data = shape == "Circle" ? R"({"radius": 8.0})" : R"({"width": 16.0, "height": 16.0})";
  return R"({"name":")" + type + R"(","id":2,"components":[{"type":"transform","data":[]},)" +
         R"({"type":"collision","data":[")" + shape + R"(", )" + data + "]}," +
         R"({"type":"rigidbody","data":[{"mass": 1.0}]},{"type":"script","data":[]}]})";
}

std::string Wall(const std::string& shape, Vec at, double width, double height, double degrees) {
  char text[300];
  if (shape == "Circle") {
    std::snprintf(text, sizeof text, R"({"name":"Round","id":5,"params":{"collision":{"value":{"pos x":%.3f,"pos y":%.3f}}}})",
                  at.x, at.y);
  } else {
    std::snprintf(text, sizeof text,
                  R"({"name":"%s","id":5,"params":{"collision":{"value":{"pos x":%.3f,"pos y":%.3f,)"
                  R"("width":%.3f,"height":%.3f%s}}}})",
                  shape == "OBB" ? "Turned" : "Floor", at.x, at.y, width, height,
                  shape == "OBB" ? (",\"orientation\":" + std::to_string(degrees)).c_str() : "");
  }
  return text;
}

struct Printed {
  std::string tag;
  double ahead, along, off, strayed;
  int contacts;
  double y;
};

std::vector<Printed> Read(const std::string& out, const std::string& prefix) {
  std::vector<Printed> all;
  for (const std::string& line : LinesStartingWith(out, prefix)) {
    Printed p{};
    char tag[64];
    if (std::sscanf(line.c_str(), "%63s %lf %lf %lf %lf %d %lf", tag, &p.ahead, &p.along, &p.off, &p.strayed,
                    &p.contacts, &p.y) == 7) {
      p.tag = tag;
      all.push_back(p);
    }
  }
  return all;
}

}  // namespace

TEST(TurnedWallProgram, NoFastBodyPassesATurnedOrRoundWallNorIsMovedByOneItsPathMisses) {
  for (const int fps : {60, 10}) {
    SCOPED_TRACE(fps == 60 ? "60 frames a second" : "frames of 0.1 s");
    // Half a second: the sliders stay on their wall.
    const int frames = fps / 2;
    const double step = 1.0 / fps;
    ContentFolder folder;
    std::vector<Drive> drives;
    std::vector<std::string> spawn, shapes;
    const auto add = [&](const Drive& d, const std::string& shape, Vec at) {
      drives.push_back(d);
      shapes.push_back(shape);
      spawn.push_back(SpawnAt(d.tag, 2, at.x, at.y));
    };
    // Four long walls, two turned 45 and two 30 degrees, each met by 34
    // circles or 34 oriented boxes 36 apart along it.
    for (int w = 0; w < 4; ++w) {
      const double degrees = w < 2 ? 45 : 30;
      const Vec c{1000.0 + 2500 * w, 2000};
      spawn.push_back(Wall("OBB", c, 10, 3000, degrees));
      const Vec u{std::cos(degrees * kDegrees), std::sin(degrees * kDegrees)}, v{-u.y, u.x};
      for (int k = 0; k < 34; ++k) {
        const double s = -600 + 36 * k, back = 40 + k;
        const std::string tag =
            (w % 2 == 0 ? "circle" : "turned") + std::to_string(static_cast<int>(degrees)) + "_" + std::to_string(k);
        add({tag, {2000, 0}, true, 1e9, c, degrees, 1480}, w % 2 == 0 ? "Circle" : "OBB",
            {c.x + v.x * s - u.x * back, c.y + v.y * s - u.y * back});
      }
    }
    // The closed square turned 30 degrees: walls' middles 205 from its centre.
    const Vec square{12000, 2000};
    const double turn = 30;
    const Vec su{std::cos(turn * kDegrees), std::sin(turn * kDegrees)}, sv{-su.y, su.x};
    for (const double side : {-205.0, 205.0}) {
      spawn.push_back(Wall("OBB", {square.x + su.x * side, square.y + su.y * side}, 10, 420, turn));
      spawn.push_back(Wall("OBB", {square.x + sv.x * side, square.y + sv.y * side}, 420, 10, turn));
    }
    for (int k = 0; k < 60; ++k) {
      const double lx = -150 + 60 * (k % 6), ly = -150 + 33 * (k / 6), speed = 600 + 1900.0 * k / 59;
      const double heading = k * 137.5 * kDegrees;
      static const char* kShapes[] = {"Circle", "AABB", "OBB"};
      add({"inside_" + std::to_string(k), {speed * std::cos(heading), speed * std::sin(heading)}, true, 1e9, square,
           turn},
          kShapes[k % 3], {square.x + su.x * lx + sv.x * ly, square.y + su.y * lx + sv.y * ly});
    }
    // Paths along (1, 1) passing a round wall r 50 and a 100-px box turned 45
    // degrees clear by 14-23 and 14-31 px, each beside its own copy 400 apart.
    const Vec d{M_SQRT1_2, M_SQRT1_2}, e{M_SQRT1_2, -M_SQRT1_2};
    for (int k = 0; k < 40; ++k) {
      const bool round = k < 20;
      const Vec c{14000 + 400 * e.x * k, 2000 + 400 * e.y * k};
      spawn.push_back(round ? Wall("Circle", c, 0, 0, 0) : Wall("OBB", c, 100, 100, 45));
      const double clear = round ? 14 + (k % 10) : 14 + 17.0 * (k % 20) / 19, reach = 50 + 8 + clear;
      const double speed = 6000 + 6000.0 * (k % 20) / 19, lead = 150 + 7 * (k % 20) + speed * step * 0.37;
      const double side = k % 2 == 0 ? 1 : -1;
      add({"past_" + std::to_string(k), {speed * d.x, speed * d.y}, true, lead + 300, c, 0}, "Circle",
          {c.x + e.x * reach * side - d.x * lead, c.y + e.y * reach * side - d.y * lead});
    }
    // Circles landing at 9000 px/s each way on a floor 200 x 20 whose top is
    // at 1990 and end at 17100, at a share of their step; the rest of the step
    // would slide them past its end.
    for (int k = 0; k < 3; ++k) {
      const Vec floor{17000, 2000.0 + 3000 * k};
      spawn.push_back(Wall("AABB", floor, 200, 20, 0));
      const double share = 0.3 + 0.2 * k, lead = 9000 * step * share;
      add({"lands_" + std::to_string(k), {9000, 9000}, false, 1e9, {17100, floor.y - 10}, 0}, "Circle",
          {17100 - 5 - lead, floor.y - 18 - lead});
    }
    ScriptedTypes types;
    for (std::size_t k = 0; k < drives.size(); ++k) types.push_back({drives[k].tag, Script(drives[k], frames)});
    types.push_back({"Ender", "n = 0\nfunction Update(dt) n = n + 1 if n == " + std::to_string(frames) +
                                  " then Shutdown() end end\n"});
    WriteScriptScene(folder, "Turned", types, {});
    for (std::size_t k = 0; k < drives.size(); ++k) {
      folder.Write("data/gameobjects/" + drives[k].tag + ".txt", Body(drives[k].tag, shapes[k]));
    }
    folder.WriteConfig(ConfigJson(320, 200, "Turned", fps, 1));
    for (const char* type : {"Turned", "Floor"}) {
      folder.Write(std::string("data/gameobjects/") + type + ".txt",
                   std::string(R"({"name":")") + type + R"(","id":5,"components":[{"type":"transform","data":[]},)" +
                       R"({"type":"collision","data":[")" + (type == std::string("Turned") ? "OBB" : "AABB") +
                       R"("]}]})");
    }
    folder.Write("data/gameobjects/Round.txt",
                 R"({"name":"Round","id":5,"components":[{"type":"transform","data":[]},)"
                 R"({"type":"collision","data":["Circle", {"radius": 50.0}]}]})");
    spawn.push_back(R"({"name":"Ender","id":9,"params":{}})");
    WriteSpawnList(folder, spawn);

    const RunResult run = RunOrv(folder);
    ASSERT_TRUE(RanCleanly(run)) << run.out.substr(0, 2000) << run.err.substr(0, 2000);
    for (const char* wall : {"45", "30"}) {
      for (const char* kind : {"circle", "turned"}) {
        const std::vector<Printed> bodies = Read(run.out, std::string(kind) + wall + "_");
        ASSERT_EQ(bodies.size(), 34u) << run.out.substr(run.out.size() > 3000 ? run.out.size() - 3000 : 0) << run.err.substr(0, 3000);
        int past = 0, deep = 0, untouched = 0;
        std::string lines;
        for (const Printed& b : bodies) {
          past += b.ahead > 0;
          // A circle's centre stays 13 from the wall's middle, less the 0.01
          // a step leaves it in, to be met.
          deep += kind == std::string("circle") && b.ahead > -13 + 0.05;
          untouched += b.contacts == 0;
          char line[200];
          std::snprintf(line, sizeof line, "%s ahead %.3f end %.3f contacts %d\n", b.tag.c_str(), b.ahead, b.along,
                        b.contacts);
          lines += line;
        }
        std::printf("fps %d, %ss at 2000 px/s into a wall turned %s: %d of 34 past its middle, %d deeper than 0.05, "
                    "%d never touching it\n",
                    fps, kind, wall, past, deep, untouched);
        EXPECT_EQ(past, 0) << lines;
        EXPECT_EQ(deep, 0) << lines;
        EXPECT_EQ(untouched, 0) << "a step that stops on the face leaves no contact\n" << lines;
      }
    }
    const std::vector<Printed> inside = Read(run.out, "inside_");
    ASSERT_EQ(inside.size(), 60u);
    int left = 0;
    std::string leavers;
    for (const Printed& b : inside) {
      // Past a wall's middle.
      if (b.off <= 205) continue;
      ++left;
      leavers += b.tag + " at most " + std::to_string(b.off) + " from the middle\n";
    }
    std::printf("fps %d, closed square turned 30 degrees: %d of 60 left it\n", fps, left);
    // Pressed into its corners, a body leaves both walls by their real
    // shapes, not their bounding boxes, which cover the square.
    EXPECT_EQ(left, 0) << leavers;
    const std::vector<Printed> past = Read(run.out, "past_");
    ASSERT_EQ(past.size(), 40u);
    int moved = 0, touched = 0;
    double most = 0;
    for (const Printed& b : past) {
      moved += b.strayed > 0.01;
      touched += b.contacts > 0;
      most = std::max(most, b.strayed);
    }
    std::printf("fps %d, paths passing a round wall and a turned box 14-31 px clear: %d of 40 moved sideways (at most "
                "%.2f px), %d with a contact\n",
                fps, moved, most, touched);
    EXPECT_EQ(moved, 0);
    EXPECT_EQ(touched, 0);
    const std::vector<Printed> lands = Read(run.out, "lands_");
    ASSERT_EQ(lands.size(), 3u);
    for (std::size_t k = 0; k < lands.size(); ++k) {
      const double top = 1990 + 3000.0 * k;
      std::printf("fps %d, landing on a floor's end at share %.1f of its step: ends %.2f below its top level, %d "
                  "contacts\n",
                  fps, 0.3 + 0.2 * k, lands[k].y - (top - 8), lands[k].contacts);
      // Its fall is answered where it lands: it slides off the end level.
      EXPECT_NEAR(lands[k].y, top - 8, 0.05) << k;
      EXPECT_GT(lands[k].contacts, 0) << k;
    }
  }
}
