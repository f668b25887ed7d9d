// A small level in the real program: floor and wall tiles from a tile set in
// the content folder, shadows switched on by the tile-map script functions,
// the collision-value overlay and a single tile drawn from a script.
#include <gtest/gtest.h>
#include <signal.h>

#include <regex>
#include <string>

#include "support/ProgramRun.h"
#include "support/Screenshot.h"

using namespace OrvTest;

namespace {

using Rgb = std::array<int, 3>;
constexpr Rgb kBlack{0, 0, 0}, kGreen{0, 255, 0}, kGrey{128, 128, 128}, kBlue{0, 0, 255};

// 48 x 16: a green, a grey and a blue 16-pixel square.
std::string SheetImage() {
  const Rgb squares[] = {kGreen, kGrey, kBlue};
  std::string image = "P6\n48 16\n255\n";
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 48; ++x) {
      for (int channel : squares[x / 16]) image += static_cast<char>(channel);
    }
  }
  return image;
}

::testing::AssertionResult Looks(const Rgb& seen, const Rgb& wanted) {
  if (Near(seen, wanted)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "saw " << Text(seen);
}

// A 5 x 4 map of 32-pixel cells: floor everywhere but a wall of two cells in
// column 2. The camera stays at world (0, 0), so cell (c, r) covers the
// window from x 144 + 32c and y 84 + 32r, and the lamp at world (0, 0) is at
// the window's middle, in cell (0, 0).
const std::string kLevel = std::string(kStagesLua) + R"(
local frames = 0
function Init()
  CreateNewTileMap(1, 5, 4)
  SetWriteLayer(0)
  SetWriteValue(46)
  FillValue(0, 0)
  SetWriteValue(35)
  WriteValue(64, 0)
  WriteValue(64, 32)
  SetWriteLayer(1)
  SetWriteValue(1)
  WriteValue(64, 0)
  WriteValue(64, 32)
  EnableTileMapShadows(1, true)
  SetCollisionLayer("missing")
end
-- A stage lasts until the test has looked at it and written "next <stage>",
-- however slowly frames come; a tick marks every frame.
function Update(dt)
  frames = frames + 1
  if stage == 0 then
    SetEnableLighting(false)
    if frames == 30 then Enter(1) end
  elseif stage == 1 and Released() then
    SetCollisionLayer("collision")
    Enter(2)
  end
  print("tick")
end
function Render()
  DrawTileSet("floor", 35, 40, 40, 20, 20)
end
)";

}  // namespace

TEST(LevelPassProgram, TilesShadowsTheCollisionOverlayAndAScriptTileOnScreen) {
  ContentFolder folder;
  folder.WriteConfig(ConfigJson(320, 200, "OrvLevel", 60, 1));
  folder.Write("res/audio/loadaudio.ini", R"({"sounds":[]})");
  folder.Write("res/textures/tiles.ppm", SheetImage());
  folder.Write("res/textures/tiles.pack", R"({"file":"tiles.ppm","frames":[
    {"id":"green","x":0,"y":0,"sizeX":16,"sizeY":16},
    {"id":"grey","x":16,"y":0,"sizeX":16,"sizeY":16},
    {"id":"blue","x":32,"y":0,"sizeX":16,"sizeY":16}]})");
  folder.Write("res/textures/floor.tileset",
               R"({"name":"floor","mapping":[{"id":46,"texture":"green"},{"id":35,"texture":"grey"}]})");
  folder.Write("res/textures/collision.tileset", R"({"name":"collision","mapping":[{"id":1,"texture":"blue"}]})");
  folder.Write("data/gameobjects/Level.txt", R"({"name":"Level","id":1,"components":[
    {"type":"transform","data":[]},
    {"type":"tilemap","data":[{"tilemapid":1,"tilewidth":32,"tileheight":32,"tileset":"floor"}]},
    {"type":"renderable","data":[2]},{"type":"script","data":[]}]})");
  folder.Write("data/gameobjects/Lamp.txt", R"({"name":"Lamp","id":2,"components":[
    {"type":"transform","data":[]},{"type":"light","data":[{"intensity":300.0,"shadowcast":1}]}]})");
  folder.Write("data/scripts/Level.lua", kLevel);
  folder.Write("data/summoner.ini",
               R"({"spawn":[{"name":"Lamp","id":2,"params":{}},{"name":"Level","id":1,"params":{}}]})");

  int left = 0, top = 0;
  bool found = false;
  Screenshot shots[2];
  RunOptions options;
  options.timeoutSeconds = 40.0;
  options.triggers.push_back(FindWindowAndParkPointer("stage 1\n", "OrvLevel", 5, 195, left, top, found));
  // Each shot waits for frames the stage has drawn and swapped.
  options.triggers.push_back(AfterFrames("", 4, "tick\n", [&](pid_t) {
    shots[0] = GrabScreen();
    folder.Write("next 1", "");
  }));
  options.triggers.push_back(AfterFrames("stage 2\n", 4, "tick\n", [&](pid_t pid) {
    shots[1] = GrabScreen();
    kill(pid, SIGTERM);
  }));
  const RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  ASSERT_TRUE(found) << "no window titled OrvLevel";
  for (const auto& shot : shots) ASSERT_TRUE(shot.error.empty()) << shot.error;

  struct Sample {
    int stage, x, y;
    Rgb wanted;
  };
  const Sample samples[] = {
      // Lit floor, and 18 pixels left of the wall, which spans x 208 to 240, y 84 to 148.
      {1, 180, 120, kGreen},
      {1, 190, 100, kGreen},
      {1, 224, 170, kGreen},
      // The same distance right of it and further along its shadow.
      {1, 258, 100, kBlack},
      {1, 290, 100, kBlack},
      {1, 280, 170, kBlack},
      // The wall above its shadow; no collision-layer tile set, so no overlay.
      {1, 224, 100, kGrey},
      {1, 224, 130, kGrey},
      // The script's tile, 20 pixels square round (40, 40), outside the map.
      {1, 40, 40, kGrey},
      {1, 47, 33, kGrey},
      {1, 56, 40, kBlack},
      // The collision layer's set draws over the walls; the floor keeps its own set.
      {2, 224, 100, kBlue},
      {2, 190, 100, kGreen},
      {2, 258, 100, kBlack},
      {2, 40, 40, kGrey},
  };
  for (const Sample& s : samples) {
    EXPECT_TRUE(Looks(shots[s.stage - 1].At(left + s.x, top + s.y), s.wanted))
        << "stage " << s.stage << " at (" << s.x << ", " << s.y << ")";
  }
}
