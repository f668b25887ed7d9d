// Numbers that are not finite, passed by a script to functions of several
// systems in the real program: each call is refused before it changes
// anything, one line per function names it and the calling object, and the
// game goes on. MoveObject is held here: called from C++ it has no marshaller.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

const char* kProber = R"(
local frames = 0
local bar, button
local function Calls()
  for _, v in ipairs({0/0, 1/0, -1/0}) do
    SetCameraX(v)
    MoveObject(v, 0)
    SetSpriteRotation(v)
    SetLightIntensity(v)
    EnableTrailingEffect(true, v, 4, "nosuch", 1)
    bar:SetImmediateAmount(v)
    button:SetRGBA(v, 1, 1, 1)
    CreateFrontCircleTexParticles("nosuch", 1, 0, v, 1, 4, {})
    -- Called where the call site names no function, or another name: the
    -- line names the function as registered.
    pcall(SetCameraY, v)
    local f = MoveCameraX
    f(v)
    pcall(bar.SetBarAmount, bar, v)
  end
end
local function Show(when)
  print(when, GetCameraX(), GetSpriteRotation(), bar:GetBarAmount(), button:GetButtonRGBA(0))
end
function Update()
  frames = frames + 1
  if frames == 1 then
    print("unique id " .. GetUniqueID())
    bar = CreateProgressBar({id = 1, x = 10, y = 10, width = 1, height = 1, barWidth = 1, barHeight = 1})
    button = CreateButton({id = 2, x = 10, y = 40, width = 1, height = 1})
  elseif frames <= 3 then
    SetCameraX(12)
    SetSpriteRotation(30)
    SetLightIntensity(2)
    bar:SetImmediateAmount(0.25)
    button:SetRGBA(0.5, 1, 1, 1)
    Show("before")
    Calls()
    Show("after")
  else
    print("goes on")
    Shutdown()
  end
end
)";

}  // namespace

TEST(NotFiniteProgram, EachFunctionRefusesTheValueSaysSoOnceAndTheGameGoesOn) {
  ContentFolder folder;
  WriteScriptScene(folder, "NotFinite", {{"Prober", kProber}}, {{"Prober", 5}},
                   R"([{"type":"transform","data":[]},{"type":"light","data":[]}])");
  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));
  const std::vector<std::string> ids = LinesStartingWith(run.out, "unique id ");
  ASSERT_EQ(ids.size(), 1u) << run.out;
  const std::string object = "object 5 (" + ids[0] + ")";
  for (const char* function : {"SetCameraX", "MoveObject", "SetSpriteRotation", "SetLightIntensity",
                               "EnableTrailingEffect", "SetImmediateAmount", "SetRGBA", "CreateFrontCircleTexParticles",
                               "SetCameraY", "MoveCameraX", "SetBarAmount"}) {
    EXPECT_EQ(Count(run.err, std::string("Error! ") + function + " of " + object +
                                 ": a value that is not a finite number is ignored\n"),
              1u)
        << function << "\n"
        << run.err;
  }
  EXPECT_EQ(Count(run.err, "not a finite number"), 11u) << run.err;
  // Both frames: what was set before the calls reads the same after them.
  const std::string kept = "\t12\t120\t0.25\t0.5";
  EXPECT_EQ(LinesStartingWith(run.out, "before\t"), std::vector<std::string>(2, "before" + kept)) << run.out;
  EXPECT_EQ(LinesStartingWith(run.out, "after\t"), std::vector<std::string>(2, "after" + kept)) << run.out;
  EXPECT_EQ(LinesStartingWith(run.out, "goes on"), std::vector<std::string>{"goes on"}) << run.out;
}
