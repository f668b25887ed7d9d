// The heads-up widgets on the real program's window: a button under the
// pointer and clicked, a progress bar's fill, a label's centring, and scripts
// that misuse widget tables going on after their error.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdint>
#include <regex>
#include <string>
#include <thread>

#include "support/ProgramRun.h"
#include "support/Screenshot.h"
#include "support/TestImages.h"

using namespace OrvTest;

namespace {

using Rgb = std::array<int, 3>;

// 64 x 16: red, green, blue and white 16-pixel squares, as a 24-bit BMP.
std::string SquaresBmp() {
  const OrvTest::Rgb8 colours[] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
  return OrvTest::Bmp24(64, 16, [&](int x, int) { return colours[x / 16]; });
}

::testing::AssertionResult Looks(const Rgb& seen, const Rgb& wanted) {
  if (OrvTest::Near(seen, wanted)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "saw " << OrvTest::Text(seen);
}

// The button at (80, 60), 32 pixels square; the bar's frame from x 80 to
// 240 at y 150 with its fill at 0.3; a label centred on x 240. After the
// click the script misuses two tables, one error each, and goes on.
const char* kHud = R"(
local frames, stage, wait = 0, 0, 0
function Init()
  button = CreateButton({id = 1, x = 80, y = 60, width = 2, height = 2,
                         textureUp = "red", textureDown = "blue", textureHover = "green"})
  bar = CreateProgressBar({id = 2, x = 160, y = 150, width = 10, height = 2, barWidth = 10, barHeight = 2,
                           textureFrame = "white", textureBar = "white"})
  bar:SetFrameRGBA(0, 0, 1, 1)
  bar:SetBarRGBA(1, 1, 0, 1)
  bar:SetImmediateAmount(0.3)
  CreateLabel({id = 3, x = 240, y = 100, font = "sans", R = 1, G = 1, B = 1, text = "HHHHHH"})
  CreateLabel({id = 4, x = 40, y = 190, font = "sans", R = 1, G = 1, B = 1, text = "\200\255 caf\233"})
end
function Update(dt)
  frames = frames + 1
  -- An unknown sprite costs only itself: the widgets and the top sprite stay.
  DrawHUDSpriteBot("nosuch", 10, 10, 0, 1, 1)
  DrawHUDSpriteTop("green", 300, 20, 45, 0.5, 0.5)
  if frames == 20 then print("ready") end
  if stage == 0 then
    if button:IsHovering() and not hovered then hovered = frames; print("hovering") end
    -- A frame is on the screen once the next one runs: the one after the
    -- first hovered frame shows the hover.
    if hovered and frames == hovered + 2 then print("hover shown") end
    if button:IsPressedDown() then print("pressed down") end
    if button:IsPressedUp() then stage = 1; wait = frames + 10 end
  elseif stage == 1 and frames > wait then
    stage = 2
    ButtonMetaTable.GetVisible(bar)
  elseif stage == 2 then
    stage = 3
    RemoveAllButtons()
    button:SetVisible(true)
  elseif stage == 3 then
    stage = 4
    print("still running")
  end
end
)";

}  // namespace

TEST(GUIProgram, ButtonHoversAndClicksBarFillsLabelCentresAndMisusedTablesOnlyErr) {
  ContentFolder folder;
  WriteScriptScene(folder, "OrvHud", {{"Hud", kHud}}, {{"Hud", 1}});
  folder.Write("res/textures/squares.bmp", SquaresBmp());
  folder.Write("res/textures/squares.pack", R"({"file": "squares.bmp", "frames": [
    {"id": "red", "x": 0, "y": 0, "sizeX": 16, "sizeY": 16},
    {"id": "green", "x": 16, "y": 0, "sizeX": 16, "sizeY": 16},
    {"id": "blue", "x": 32, "y": 0, "sizeX": 16, "sizeY": 16},
    {"id": "white", "x": 48, "y": 0, "sizeX": 16, "sizeY": 16}]})");
  folder.Write("res/loadfonts.ini",
               R"({"fonts": [{"id": "sans", "path": "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", "size": 16}]})");

  int left = 0, top = 0;
  bool found = false;
  Screenshot up, hover;
  const auto pause = [](double s) { std::this_thread::sleep_for(std::chrono::duration<double>(s)); };
  RunOptions options;
  options.timeoutSeconds = 60.0;
  options.triggers.push_back({"ready", 0.3, [&](pid_t) {
                                found = WindowPosition("OrvHud", left, top);
                                up = GrabScreen();
                                Shell("xdotool mousemove " + std::to_string(left + 80) + " " +
                                      std::to_string(top + 60));
                              }});
  options.triggers.push_back({"hover shown", 0.0, [&](pid_t) {
                                hover = GrabScreen();
                                Shell("xdotool mousedown 1");
                              }});
  options.triggers.push_back({"pressed down", 0.0, [&](pid_t) {
                                pause(0.2);
                                Shell("xdotool mouseup 1");
                              }});
  options.triggers.push_back(TerminateWhen("still running", 0.2));
  const RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  ASSERT_TRUE(found) << "no window titled OrvHud";
  ASSERT_TRUE(up.error.empty() && hover.error.empty()) << up.error << hover.error;

  // Button: sampled away from the pointer's own disc at its centre.
  EXPECT_TRUE(Looks(up.At(left + 70, top + 50), {255, 0, 0}));
  EXPECT_TRUE(Looks(hover.At(left + 70, top + 50), {0, 255, 0}));
  EXPECT_TRUE(Looks(hover.At(left + 100, top + 50), {0, 0, 0})) << "outside the button";
  EXPECT_EQ(Count(run.out, "pressed down"), 1u) << run.out;
  EXPECT_TRUE(Looks(up.At(left + 300, top + 20), {0, 255, 0})) << "the top HUD sprite";
  EXPECT_TRUE(Looks(up.At(left + 308, top + 20), {0, 0, 0})) << "turned and halved, it ends within 6 pixels";
  EXPECT_EQ(Count(run.err, "\"nosuch\""), 1u) << run.err;

  // Bar: its fill covers the first 30 % of the frame's 160 pixels.
  for (const Screenshot* shot : {&up, &hover}) {
    EXPECT_TRUE(Looks(shot->At(left + 80 + 40, top + 150), {255, 255, 0})) << "25 %";
    EXPECT_TRUE(Looks(shot->At(left + 80 + 56, top + 150), {0, 0, 255})) << "35 %";
  }

  // Label: the lit columns around it are balanced about x 240.
  int first = -1, last = -1;
  for (int x = 160; x < 320; ++x) {
    for (int y = 80; y < 120; ++y) {
      // White text; the pointer's orange disc is not.
      const Rgb c = up.At(left + x, top + y);
      if (c[0] < 128 || c[1] < 128 || c[2] < 128) continue;
      if (first < 0) first = x;
      last = x;
      break;
    }
  }
  ASSERT_GE(first, 0) << "no label drawn";
  const double centre = (first + last) / 2.0;
  std::printf("label columns %d..%d, centre %.1f\n", first, last, centre);
  EXPECT_NEAR(centre, 240.0, 3.0);

  EXPECT_EQ(Count(run.err, "a Button method called on a ProgressBar"), 1u) << run.err;
  EXPECT_EQ(Count(run.err, "no live Button behind this table"), 1u) << run.err;
  EXPECT_EQ(Count(run.out, "still running"), 1u) << run.out;
}
