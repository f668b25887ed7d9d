// A negative mass or radius, written in a blueprint or set by a script, in
// the real program: each is refused with one line naming the object and the
// value, and the body goes on with the mass or radius it had. Before, a body
// of mass -1 passed through one of mass 1, a body of mass -1 driven into one
// of mass 2 threw both backwards, and a circle of radius -5 met nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

// Prints the ids it touches in its first update and, at frame 60, where it
// is and how fast it goes; driven ones go right at 120 px/s for 30 frames.
std::string Script(const std::string& init, bool driven) {
  return "function Init() " + init + " end\n" + "n = 0\n" +
         "function Update(dt)\n"
         "  n = n + 1\n"
         "  if n == 1 then\n"
         "    local ids = {}\n"
         "    for _, c in ipairs(GetContactManifolds()) do ids[#ids + 1] = c.contactID end\n"
         "    table.sort(ids)\n"
         "    print('> ' .. GetID() .. ' meets ' .. table.concat(ids, ' '))\n"
         "  end\n" +
         (driven ? "  if n <= 30 then SetVelocity(2, 0) end\n" : "") +
         "  if n == 60 then\n"
         "    local p, v = GetPos(), GetVelocity()\n"
         "    print(string.format('> %d at %.1f moving %.1f', GetID(), p.x, v.x))\n"
         "  end\n"
         "  if n == 62 then Shutdown() end\n"
         "end\n";
}

std::string Blueprint(const std::string& type, double radius, const std::string& mass, bool script) {
  char circle[64];
  std::snprintf(circle, sizeof circle, R"(["Circle", {"radius": %.1f}])", radius);
  return R"({"name":")" + type + R"(","id":1,"components":[{"type":"transform","data":[]},)" +
         R"({"type":"collision","data":)" + circle + "}" +
         (mass.empty() ? "" : R"(,{"type":"rigidbody","data":[{"mass": )" + mass + "}]}") +
         (script ? R"(,{"type":"script","data":[]})" : "") + "]}";
}

TEST(NegativeMassAndRadiusProgram, NegativeValuesAreRefusedWithALineAndTheBodyKeepsItsOwn) {
  ContentFolder folder;
  WriteScriptScene(folder, "Negative", {}, {});
  struct Type {
    const char* name;
    double radius;
    const char* mass;
    const char* init;
    bool driven;
  };
  const Type types[] = {
      // Mass -1 in the blueprint: refused, so of mass 0, it pushes a body of
      // mass 1 ahead of it as a wall does.
      {"Minus", 8, "-1.0", "", true},
      {"One", 8, "1.0", "", false},
      // Mass 2, then -1 from its script: refused, two equal masses.
      {"Two", 8, "2.0", "SetRealAttribKey('rigidbody', 'mass', -1)", true},
      {"Still", 8, "2.0", "", false},
      // Radius -5 in the blueprint: refused, so a point 8 px from the
      // centre of a static disc of radius 10, inside it.
      {"Speck", -5, "1.0", "", false},
      {"Disc", 10, "", "", false},
      // Radius 10, then -5 from its script: refused, 15 px from a disc of 8.
      {"Shrunk", 10, "1.0", "SetRealAttribKey('collision', 'radius', -5)", false},
  };
  for (const Type& type : types) {
    const bool script = type.mass[0] != '\0';
    folder.Write(std::string("data/gameobjects/") + type.name + ".txt",
                 Blueprint(type.name, type.radius, type.mass, script));
    if (script) folder.Write(std::string("data/scripts/") + type.name + ".lua", Script(type.init, type.driven));
  }
  WriteSpawnList(folder, {SpawnAt("Minus", 1, 0, 0), SpawnAt("One", 2, 40, 0), SpawnAt("Two", 3, 0, 100),
                          SpawnAt("Still", 4, 40, 100), SpawnAt("Speck", 5, 8, 200), SpawnAt("Disc", 6, 0, 200),
                          SpawnAt("Shrunk", 7, 15, 300), SpawnAt("Disc", 8, 0, 300)});
  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));

  struct Line {
    const char* start;
    const char* end;
  };
  const Line lines[] = {
      {"Error! Rigid body \"mass\" of object 1 (unique id ",
       "): a negative mass (-1) is ignored; the body keeps the mass it had\n"},
      {"Error! Rigid body \"mass\" of object 3 (unique id ",
       "): a negative mass (-1) is ignored; the body keeps the mass it had\n"},
      {"Error! Collision \"radius\" of object 5 (unique id ",
       "): a negative radius (-5) is ignored; the circle keeps the radius it had\n"},
      {"Error! Collision \"radius\" of object 7 (unique id ",
       "): a negative radius (-5) is ignored; the circle keeps the radius it had\n"},
  };
  for (const Line& line : lines) {
    const std::size_t at = run.err.find(line.start);
    if (at == std::string::npos) {
      ADD_FAILURE() << "no line " << line.start << "\n--- stderr:\n" << run.err;
      continue;
    }
    EXPECT_EQ(run.err.compare(run.err.find("): ", at), std::string(line.end).size(), line.end), 0) << run.err;
    EXPECT_EQ(run.err.find(line.start, at + 1), std::string::npos) << "said twice: " << line.start;
  }

  // Where each body ended and how fast it went.
  std::map<int, std::pair<double, double>> ends;
  for (const std::string& line : LinesStartingWith(run.out, "> ")) {
    int id = 0;
    double x = 0, vx = 0;
    if (std::sscanf(line.c_str(), "> %d at %lf moving %lf", &id, &x, &vx) == 3) ends[id] = {x, vx};
  }
  ASSERT_EQ(ends.size(), 6u) << run.out;
  // The body of mass 0 pushed the one of mass 1 ahead of it.
  EXPECT_GT(ends[2].first, ends[1].first + 15) << run.out;
  // Equal masses: the struck body went on forwards, the striker not back.
  EXPECT_GT(ends[4].first, 45) << run.out;
  EXPECT_GT(ends[4].second, 0) << run.out;
  EXPECT_GE(ends[3].second, 0) << run.out;
  // Both circles kept a radius that meets their disc.
  EXPECT_NE(run.out.find("> 5 meets 6"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("> 7 meets 8"), std::string::npos) << run.out;
}

}  // namespace
