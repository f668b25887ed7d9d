// Script sprites are queued and drawn together during the overlay's walk; what a
// script draws after them by other means (text, a tile, a sprite placed at
// its object) and the transition drawn after the walk still come after them
// on the real program's window.
#include <gtest/gtest.h>
#include <signal.h>

#include <string>

#include "support/ProgramRun.h"
#include "support/Screenshot.h"

using namespace OrvTest;

namespace {

using Rgb = std::array<int, 3>;
constexpr Rgb kBlack{0, 0, 0}, kRed{255, 0, 0}, kGreen{0, 255, 0};

// 32 x 16: a red and a green 16-pixel square.
std::string SheetImage() {
  std::string image = "P6\n32 16\n255\n";
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 32; ++x) image += x < 16 ? std::string{'\xff', '\0', '\0'} : std::string{'\0', '\xff', '\0'};
  }
  return image;
}

// Each row a red square drawn with DrawSpriteSca (32 pixels, queued), then
// something else over its middle. Stage 2 covers the window in black.
const char* kPainter = R"(
local stage = 1
function Update(dt)
  local file = io.open("next 1")
  if stage == 1 and file then
    file:close()
    -- Black for as long as any test runs: no frame's length changes it.
    StartTransition(FADE_FROM_BLACK_LINEAR, 9, 1e9)
    stage = 2
    print("stage 2")
  end
  print("tick")
  io.stdout:flush()
end
function Render()
  DrawSpriteSca("red", 60, 50, 0, 2, 2)
  DrawText("sans", "HHHH", 46, 40)
  DrawSpriteSca("red", 140, 50, 0, 2, 2)
  DrawTileSet("plain", 71, 140, 50, 8, 8)
  -- The object stands at world (0, 0), the middle of the screen.
  DrawSpriteSca("red", 160, 100, 0, 2, 2)
  DrawRelativeSprite("green", 0, 0)
  DrawSpriteSca("red", 60, 130, 0, 2, 2)
end
)";

}  // namespace

TEST(QueuedSpriteOrderProgram, TextTilesRelativeSpritesAndTransitionsComeAfterTheQueuedSprites) {
  ContentFolder folder;
  folder.WriteConfig(ConfigJson(320, 200, "OrvQueued", 60, 1));
  folder.Write("res/audio/loadaudio.ini", R"({"sounds":[]})");
  folder.Write("res/textures/sheet.ppm", SheetImage());
  folder.Write("res/textures/sheet.pack", R"({"file":"sheet.ppm","frames":[
    {"id":"red","x":0,"y":0,"sizeX":16,"sizeY":16},{"id":"green","x":16,"y":0,"sizeX":16,"sizeY":16}]})");
  folder.Write("res/textures/plain.tileset", R"({"name":"plain","mapping":[{"id":71,"texture":"green"}]})");
  folder.Write("res/loadfonts.ini",
               R"({"fonts": [{"id": "sans", "path": "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", "size": 24}]})");
  folder.Write("data/gameobjects/Painter.txt",
               R"({"name":"Painter","id":1,"components":[{"type":"transform","data":[]},)"
               R"({"type":"renderable","data":[2]},{"type":"script","data":[]}]})");
  folder.Write("data/scripts/Painter.lua", kPainter);
  folder.Write("data/summoner.ini", R"({"spawn":[{"name":"Painter","id":1,"params":{}}]})");

  int left = 0, top = 0;
  bool found = false;
  Screenshot painted, faded;
  RunOptions options;
  options.triggers.push_back(FindWindowAndParkPointer("tick\n", "OrvQueued", 300, 190, left, top, found));
  options.triggers.push_back(AfterFrames("", 4, "tick\n", [&](pid_t) {
    painted = GrabScreen();
    folder.Write("next 1", "");
  }));
  options.triggers.push_back(AfterFrames("stage 2\n", 4, "tick\n", [&](pid_t pid) {
    faded = GrabScreen();
    kill(pid, SIGTERM);
  }));
  const RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  ASSERT_TRUE(found) << "no window titled OrvQueued";
  ASSERT_TRUE(painted.error.empty()) << painted.error;
  ASSERT_TRUE(faded.error.empty()) << faded.error;

  // The white text shows on the red square it was drawn after.
  int white = 0, red = 0;
  for (int y = top + 38; y < top + 63; ++y) {
    for (int x = left + 48; x < left + 73; ++x) {
      const Rgb seen = painted.At(x, y);
      white += seen[1] > 150 && seen[2] > 150;
      red += Near(seen, kRed);
    }
  }
  EXPECT_GT(white, 20) << "white text pixels on the red square";
  EXPECT_GT(red, 100) << "red pixels around the text";
  // The tile and the relative sprite cover the middles of their squares;
  // the squares' rims stay red.
  struct Sample {
    int x, y;
    Rgb wanted;
  };
  const Sample samples[] = {{140, 50, kGreen}, {130, 50, kRed}, {160, 100, kGreen}, {146, 100, kRed}, {60, 130, kRed}};
  for (const auto& [x, y, wanted] : samples) {
    EXPECT_TRUE(Near(painted.At(left + x, top + y), wanted))
        << "at (" << x << ", " << y << "): " << Text(painted.At(left + x, top + y));
  }
  // The transition, drawn after the walk, covers the last sprite queued.
  EXPECT_TRUE(Near(faded.At(left + 60, top + 130), kBlack)) << Text(faded.At(left + 60, top + 130));
}
