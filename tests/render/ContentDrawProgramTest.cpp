// What ordinary content asks to be drawn shows in the real program: two
// texture packs cutting frames from one image, a layer-1 sprite on an
// occluding collider with the lighting switched off, and white text over the
// debug level's cells that have no tile-set entry.
#include <gtest/gtest.h>
#include <signal.h>

#include <string>

#include "support/ProgramRun.h"
#include "support/Screenshot.h"

using namespace OrvTest;

namespace {

using Rgb = std::array<int, 3>;
constexpr Rgb kBlack{0, 0, 0}, kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255};

// 48 x 16: a red, a green and a blue 16-pixel square.
std::string SheetImage() {
  const Rgb squares[] = {kRed, kGreen, kBlue};
  std::string image = "P6\n48 16\n255\n";
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 48; ++x) {
      for (int channel : squares[x / 16]) image += static_cast<char>(channel);
    }
  }
  return image;
}

// A 32-pixel sprite of the animation at world (x, y), on the layer, with an
// occluding box under it when asked; the tiles do not push the box.
std::string Sprite(const std::string& type, const std::string& anim, double x, double y, int layer, bool occluding) {
  const std::string at = std::to_string(x) + "," + std::to_string(y);
  std::string blueprint = R"({"name":")" + type + R"(","id":5,"components":[)" + R"({"type":"transform","data":[)" +
                          at + R"(,0.0,2.0,2.0]},)" + R"({"type":"spriteanim","data":[")" + anim + R"(",0,0.0,0,0,)" +
                          std::to_string(layer) + "]}";
  if (occluding) {
    blueprint += R"(,{"type":"collision","data":["AABB",{"pos x":)" + std::to_string(x) + R"(,"pos y":)" +
                 std::to_string(y) + R"(,"width":32.0,"height":32.0,"occluding":1,)" +
                 R"("avoidTileTrigger":"true"}]})";
  }
  return blueprint + "]}";
}

// A 4 x 2 map of 32-pixel cells, empty but for one floor tile at cell (3, 1),
// with the camera at world (0, 0): cell (c, r) covers the window from x
// 144 + 32c, y 84 + 32r. White text is written over cells (0, 0) to (2, 0).
const std::string kLevel = std::string(kStagesLua) + R"(
local frames = 0
function Init()
  SetEnableLighting(false)
  CreateNewTileMap(1, 4, 2)
  SetWriteLayer(0)
  SetWriteValue(46)
  WriteValue(96, 32)
end
function Update(dt)
  frames = frames + 1
  if stage == 0 and frames == 30 then Enter(1) end
  print("tick")
end
function Render()
  DrawText("sans", "HHHHH", 148, 88)
end
)";

}  // namespace

TEST(ContentDrawProgram, SharedImagePacksAnUnlitOccluderAndTextOverDebugCellsShow) {
  ContentFolder folder;
  folder.WriteConfig(ConfigJson(320, 200, "OrvContentDraw", 60, 1));
  folder.Write("res/audio/loadaudio.ini", R"({"sounds":[]})");
  folder.Write("res/loadfonts.ini",
               R"({"fonts": [{"id": "sans", "path": "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", "size": 24}]})");
  // Two packs on one image, each adding frames of its own.
  folder.Write("res/textures/sheet.ppm", SheetImage());
  folder.Write("res/textures/a.pack", R"({"file":"sheet.ppm","frames":[
    {"id":"red","x":0,"y":0,"sizeX":16,"sizeY":16},{"id":"green","x":16,"y":0,"sizeX":16,"sizeY":16}]})");
  folder.Write("res/textures/b.pack",
               R"({"file":"sheet.ppm","frames":[{"id":"blue","x":32,"y":0,"sizeX":16,"sizeY":16}]})");
  folder.Write("res/textures/floor.tileset", R"({"name":"floor","mapping":[{"id":46,"texture":"green"}]})");
  folder.Write("res/anims/test.anim", R"({"red":["red"],"green":["green"],"blue":["blue"]})");
  // Along the top, left to right: a red and a blue sprite of the two packs,
  // an occluding layer-1 sprite and a plain one beside it.
  const std::pair<std::string, std::string> types[] = {
      {"Red", Sprite("Red", "red", -120.0, -60.0, 2, false)},
      {"Blue", Sprite("Blue", "blue", -70.0, -60.0, 2, false)},
      {"Wall", Sprite("Wall", "green", 0.0, -60.0, 1, true)},
      {"Plain", Sprite("Plain", "green", 60.0, -60.0, 1, false)},
      {"Level", R"({"name":"Level","id":1,"components":[{"type":"transform","data":[]},
        {"type":"tilemap","data":[{"tilemapid":1,"tilewidth":32,"tileheight":32,"tileset":"floor"}]},
        {"type":"renderable","data":[2]},{"type":"script","data":[]}]})"},
  };
  std::string spawn = R"({"spawn":[)";
  for (const auto& [type, blueprint] : types) {
    folder.Write("data/gameobjects/" + type + ".txt", blueprint);
    spawn += std::string(spawn.back() == '[' ? "" : ",") + R"({"name":")" + type + R"(","id":5,"params":{}})";
  }
  folder.Write("data/summoner.ini", spawn + "]}");
  folder.Write("data/scripts/Level.lua", kLevel);

  int left = 0, top = 0;
  bool found = false;
  Screenshot shot;
  RunOptions options;
  options.triggers.push_back(FindWindowAndParkPointer("stage 1\n", "OrvContentDraw", 5, 195, left, top, found));
  options.triggers.push_back(AfterFrames("", 4, "tick\n", [&](pid_t pid) {
    shot = GrabScreen();
    kill(pid, SIGTERM);
  }));
  const RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  ASSERT_TRUE(found) << "no window titled OrvContentDraw";
  ASSERT_TRUE(shot.error.empty()) << shot.error;

  // Sprites 32 pixels wide centred at y 40; the outlines of the debug level
  // run along the occluder's edges, so only the middles are sampled.
  struct Sample {
    const char* what;
    int x, y;
    Rgb wanted;
  };
  const Sample samples[] = {
      {"the first pack's frame", 40, 40, kRed},
      {"the first pack's frame", 48, 48, kRed},
      {"the second pack's frame", 90, 40, kBlue},
      {"the occluder with lighting off", 160, 40, kGreen},
      {"the occluder with lighting off", 152, 48, kGreen},
      {"the plain layer-1 sprite", 220, 40, kGreen},
      {"the floor tile over its cell's debug fill", 256, 132, kGreen},
      {"nothing", 300, 40, kBlack},
  };
  for (const Sample& s : samples) {
    const Rgb seen = shot.At(left + s.x, top + s.y);
    EXPECT_TRUE(Near(seen, s.wanted)) << s.what << " at (" << s.x << ", " << s.y << "): " << Text(seen);
  }

  // The text box over the empty cells: white letters, and around them a fill
  // dark enough to read them on.
  int letters = 0, dark = 0, all = 0;
  for (int y = 90; y < 112; ++y) {
    for (int x = 150; x < 238; ++x) {
      const Rgb seen = shot.At(left + x, top + y);
      ++all;
      if (seen[0] > 230 && seen[1] > 230 && seen[2] > 230) ++letters;
      if (seen[0] < 110 && seen[1] < 110 && seen[2] < 110) ++dark;
    }
  }
  EXPECT_GT(letters, all / 20) << "the text does not show";
  EXPECT_GT(dark, all / 3) << "the empty cells hide the white text: " << letters << " light and " << dark
                           << " dark pixels of " << all;
}
