// Colliders of every extent a number can hold, made by a script and written
// in a blueprint, in the real program: denormal, zero, and so large that a
// corner lies at infinity. None of them may end the program, and every pair
// whose bounds meet must be reported.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

// Each object prints the records of its first update, sorted: the id it
// touches and S, T or E for a contact that starts, stays or ends.
const char* kLogger = R"(
n = 0
function Update(dt)
  n = n + 1
  if n ~= 1 then return end
  local ids = {}
  for _, c in ipairs(GetContactManifolds()) do ids[#ids + 1] = c.contactID .. (c.collisionStart and 'S' or '')
    .. (c.collisionStay and 'T' or '') .. (c.collisionEnd and 'E' or '')
  end
  table.sort(ids)
  print('> ' .. GetID() .. ': ' .. table.concat(ids, ' '))
end
)";

const char* kMaker = R"(
local function make(kind, id, x, y, radius)
  ResetParamStack()
  PushRealParamKey('collision', 'pos x', x)
  PushRealParamKey('collision', 'pos y', y)
  PushRealParamKey('collision', 'radius', radius)
  CreateGameObject(kind, id)
end
n = 0
function Init()
  make('Dot', 11, 0, 0, 1e-310)
  make('Dot', 12, -1e-310, -1e-310, 1e-310)
  make('Dot', 13, 0, 0, 0)
  -- Its bounds reach from -7e307 to infinity.
  make('Huge', 14, 1e308, 1e308, 1.7e308)
  -- Apart from the rest, by less than a normal double, and touching only
  -- each other.
  make('Dot', 16, 3e-310, 3e-310, 4.9e-324)
  make('Dot', 17, 3e-310, 3e-310, 0)
  ResetParamStack()
end
function Update(dt)
  n = n + 1
  if n == 3 then Shutdown() end
end
)";

std::string Blueprint(const std::string& type, const std::string& collision, bool body) {
  return R"({"name":")" + type + R"(","id":1,"components":[{"type":"transform","data":[]},)" +
         R"({"type":"collision","data":["Circle", {)" + collision + "}]}" +
         (body ? R"(,{"type":"rigidbody","data":[]})" : "") + R"(,{"type":"script","data":[]}]})";
}

TEST(ColliderExtentsProgram, DenormalZeroAndEndlessCollidersPairAsTheirBoundsSay) {
  ContentFolder folder;
  WriteScriptScene(folder, "Extents", {{"Maker", kMaker}}, {{"Maker", 1}, {"Speck", 15}});
  folder.Write("data/gameobjects/Dot.txt", Blueprint("Dot", "", true));
  folder.Write("data/gameobjects/Huge.txt", Blueprint("Huge", R"("avoidTrigger": "true")", false));
  folder.Write("data/gameobjects/Speck.txt",
               Blueprint("Speck", R"("pos x": 1e-310, "pos y": 0.0, "radius": 1e-310)", true));
  for (const char* type : {"Dot", "Huge", "Speck"}) folder.Write(std::string("data/scripts/") + type + ".lua", kLogger);
  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));

  // The five at the origin all meet: the squares of their distances are
  // below the smallest double. The trigger without a body meets every body;
  // the two apart meet each other and the trigger. The objects made in the
  // maker's Init see two pair passes before their first update.
  std::vector<std::string> lines = LinesStartingWith(run.out, "> ");
  std::sort(lines.begin(), lines.end());
  const std::vector<std::string> expected = {
      "> 11: 12S 12T 13S 13T 14S 14T 15S 15T",
      "> 12: 11S 11T 13S 13T 14S 14T 15S 15T",
      "> 13: 11S 11T 12S 12T 14S 14T 15S 15T",
      "> 14: 11S 11T 12S 12T 13S 13T 15S 15T 16S 16T 17S 17T",
      "> 15: 11S 11T 12S 12T 13S 13T 14S 14T",
      "> 16: 14S 14T 17S 17T",
      "> 17: 14S 14T 16S 16T",
  };
  EXPECT_EQ(lines, expected) << run.out << run.err;
}

}  // namespace
