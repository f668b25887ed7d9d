// Names a script makes up are reported once each, up to a budget of their
// own: a flood of made-up sound names silences none of the engine's later
// lines, long names are quoted short, and nothing is said twice.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

const char* kFlooder = R"(
local frames = 0
function Update()
  frames = frames + 1
  for i = 1, 4100 do QueueSound("made up " .. i) end
  local long = string.rep("x", 100000)
  SetTileSet(0, long)
  SetTileSet(0, long .. "y")
  CreateGameObject("NoSuchType", 1)
  CreateBackCircleTexParticles("nosuch", 1, 0, 0, 1, 4, {})
  pcall(SetCameraX, 0/0)
  if frames == 2 then Shutdown() end
end
)";

}  // namespace

TEST(ReportBudgetProgram, MadeUpNamesHaveABudgetOfTheirOwnAndLongNamesAreQuotedShort) {
  ContentFolder folder;
  WriteScriptScene(folder, "ReportBudget", {{"Flooder", kFlooder}}, {{"Flooder", 3}});
  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));

  EXPECT_EQ(Count(run.err, "QueueSound: no sound has the id \"made up "), 1024u);
  EXPECT_EQ(Count(run.err, "Error! QueueSound: no sound: reported for 1024 different names; no more are reported\n"),
            1u);
  const std::vector<std::string> sets = LinesStartingWith(run.err, "SetTileSet: no tile set is named \"");
  ASSERT_EQ(sets.size(), 2u) << "two names that share their first 200 bytes are two causes";
  EXPECT_EQ(sets[0], "SetTileSet: no tile set is named \"" + std::string(200, 'x') +
                         "... (100000 bytes)\"; the maps draw no tiles with it");
  EXPECT_EQ(sets[1], "SetTileSet: no tile set is named \"" + std::string(200, 'x') +
                         "... (100001 bytes)\"; the maps draw no tiles with it");
  EXPECT_LT(run.err.size(), 200000u) << "no long name is written whole";

  // The engine's own lines after the flood, each once over two frames.
  EXPECT_EQ(Count(run.err, "Error! Object of type NoSuchType cannot be created: no blueprint names the type"), 1u)
      << run.err.substr(run.err.size() > 3000 ? run.err.size() - 3000 : 0);
  EXPECT_EQ(Count(run.out, "CreateBackCircleTexParticles: a lifetime that is not above 0 seconds; no particles made"),
            1u);
  EXPECT_EQ(Count(run.err, "Error! SetCameraX of object 3 "), 1u);
}
