// The layered passes seen on the real program's window: which layer covers
// which, the order inside a layer, the camera, a script's own sprite and a
// paused animation, and a row of script sprites drawn together in order.
#include <gtest/gtest.h>
#include <signal.h>

#include <regex>
#include <string>

#include "support/ProgramRun.h"
#include "support/Screenshot.h"

using namespace OrvTest;

namespace {

using Rgb = std::array<int, 3>;
constexpr Rgb kBlack{0, 0, 0}, kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kYellow{255, 255, 0},
    kWhite{255, 255, 255};

// 48 x 16: a white, a red and a green 16-pixel square.
std::string SheetImage() {
  std::string image = "P6\n48 16\n255\n";
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 48; ++x) {
      const int square = x / 16;
      image += static_cast<char>(square == 2 ? 0 : 255);
      image += static_cast<char>(square == 1 ? 0 : 255);
      image += static_cast<char>(square == 0 ? 255 : 0);
    }
  }
  return image;
}

std::string Sprite(const std::string& type, int id, const std::string& sprite, double scale,
                   const std::string& script) {
  return R"({"name":")" + type + R"(","id":)" + std::to_string(id) + R"(,"components":[)" +
         R"({"type":"transform","data":[0.0,0.0,0.0,)" + std::to_string(scale) + "," + std::to_string(scale) + "]}," +
         R"({"type":"spriteanim","data":[)" + sprite + "]}" +
         (script.empty() ? "" : R"(,{"type":"script","data":[]})") + "]}";
}

// A director steps through the stages, printing each one and a tick every
// frame; it leaves a stage once the test has written the file "next <stage>"
// (after its screenshot), however slowly the machine runs.
const std::string kDirector = std::string(kStagesLua) + R"(
function Update(dt)
  if stage == 0 then SetEnableLighting(false); Enter(1)
  elseif stage == 1 and Released() then RemoveAllGameObjectsOfType(30); Enter(2)
  elseif stage == 2 and Released() then RemoveAllGameObjectsOfType(20); Enter(3)
  elseif stage == 3 and Released() then SetCameraX(100); Enter(4)
  elseif stage == 4 and Released() then
    RemoveAllGameObjectsOfType(10); RemoveAllGameObjectsOfType(11)
    CreateGameObject("Blink", 40)
    Enter(5)
  end
  print("tick")
end
-- Screen coordinates: the camera does not move it. Along y = 160, sprites
-- drawn together and what must come between them, left to right: red, white
-- coloured blue, green, blue of another sheet, red, three hundred greens and
-- red again; the Cover object, made later, adds white last.
function Render()
  DrawSprite("green", 250, 50)
  DrawSprite("red", 30, 160)
  DrawSpriteUsingColorInfo("white", 40, 160, {r = 0, g = 0, b = 1, a = 1})
  DrawSprite("green", 50, 160)
  DrawSpriteRot("blue", 70, 160, 0)
  DrawSpriteSca("red", 80, 160, 0, 1, 1)
  for i = 1, 300 do DrawSprite("green", 110, 160) end
  DrawSprite("red", 120, 160)
end
)";

// Prints each frame it shows; after six changes it pauses every animation.
const char* kBlink = R"(
local last = -1
local changes = 0
function Update(dt)
  local frame = GetSpriteCurrentFrame()
  if frame ~= last then
    print("blink frame " .. frame)
    last = frame
    changes = changes + 1
    if changes == 6 then
      PauseSpriteAnims()
      print("paused on frame " .. GetCurrentFrameIndex())
      io.stdout:flush()
    end
  end
end
)";

std::string Tint(double r, double g, double b) {
  return "function Init() SetRGBTint(" + std::to_string(r) + "," + std::to_string(g) + "," + std::to_string(b) +
         ") end\n";
}

}  // namespace

TEST(LayeredDrawProgram, LayersOrderCameraScriptSpritesAndAPausedAnimationOnScreen) {
  ContentFolder folder;
  folder.WriteConfig(ConfigJson(320, 200, "OrvLayers", 60, 1));
  folder.Write("res/audio/loadaudio.ini", R"({"sounds":[]})");
  folder.Write("res/textures/sheet.ppm", SheetImage());
  folder.Write("res/textures/sheet.pack", R"({"file":"sheet.ppm","frames":[
    {"id":"white","x":0,"y":0,"sizeX":16,"sizeY":16},
    {"id":"red","x":16,"y":0,"sizeX":16,"sizeY":16},
    {"id":"green","x":32,"y":0,"sizeX":16,"sizeY":16}]})");
  folder.Write("res/anims/test.anim", R"({"white":["white"],"redgreen":["red","green"]})");
  // Every object stands at world (0, 0): the middle of the screen while the
  // camera is at (0, 0). Layer 0 holds two: the red one is made first but has
  // the higher layer order, so it covers the larger yellow one.
  const std::pair<std::string, std::string> types[] = {
      {"BaseRed", Sprite("BaseRed", 10, R"({"textureid":"white","layer":0,"layerorder":5})", 4.0, "x")},
      {"BaseYellow", Sprite("BaseYellow", 11, R"({"textureid":"white","layer":0,"layerorder":2})", 6.0, "x")},
      {"Surface", Sprite("Surface", 20, R"({"textureid":"white","layer":1})", 4.0, "x")},
      {"High", Sprite("High", 30, R"({"textureid":"white","layer":2})", 4.0, "x")},
      {"Blink", Sprite("Blink", 40, R"({"textureid":"redgreen","layer":2,"loop":1,"interval":0.15})", 4.0, "x")},
      // The base pass tints only while a light exists.
      {"Lamp", R"({"name":"Lamp","id":50,"components":[{"type":"transform","data":[]},{"type":"light","data":[]}]})"},
      {"Director", R"({"name":"Director","id":1,"components":[{"type":"renderable","data":[2]},)"
                   R"({"type":"script","data":[]}]})"},
      {"Cover", R"({"name":"Cover","id":2,"components":[{"type":"renderable","data":[2]},)"
                R"({"type":"script","data":[]}]})"},
  };
  for (const auto& [type, blueprint] : types) folder.Write("data/gameobjects/" + type + ".txt", blueprint);
  folder.Write("data/scripts/BaseRed.lua", Tint(1, 0, 0));
  folder.Write("data/scripts/BaseYellow.lua", Tint(1, 1, 0));
  folder.Write("data/scripts/Surface.lua", Tint(0, 1, 0));
  folder.Write("data/scripts/High.lua", Tint(0, 0, 1));
  folder.Write("data/scripts/Blink.lua", kBlink);
  folder.Write("data/scripts/Director.lua", kDirector);
  folder.Write("data/scripts/Cover.lua", R"(function Render() DrawSprite("white", 130, 160) end)");
  std::string blue = "P6\n16 16\n255\n";
  for (int i = 0; i < 16 * 16; ++i) blue += std::string{'\0', '\0', '\xff'};
  folder.Write("res/textures/blue.ppm", blue);
  folder.Write("res/textures/blue.pack",
               R"({"file":"blue.ppm","frames":[{"id":"blue","x":0,"y":0,"sizeX":16,"sizeY":16}]})");
  folder.Write("data/summoner.ini", R"({"spawn":[{"name":"High","id":30,"params":{}},
    {"name":"Surface","id":20,"params":{}},{"name":"BaseRed","id":10,"params":{}},
    {"name":"BaseYellow","id":11,"params":{}},{"name":"Lamp","id":50,"params":{}},
    {"name":"Director","id":1,"params":{}},{"name":"Cover","id":2,"params":{}}]})");

  int left = 0, top = 0;
  bool found = false;
  Screenshot shots[5], pausedLater;
  // Each screenshot waits for frames the stage has drawn: the removal may take
  // effect at the frame's end, and the frame after the one that drew it shows
  // it was swapped onto the screen.
  constexpr int kDrawn = 4;
  const char* const tick = "tick\n";
  RunOptions options;
  options.triggers.push_back(FindWindowAndParkPointer("stage 1\n", "OrvLayers", 5, 195, left, top, found));
  for (int stage = 1; stage <= 4; ++stage) {
    options.triggers.push_back(
        AfterFrames(stage == 1 ? "" : "stage " + std::to_string(stage) + "\n", kDrawn, tick, [&, stage](pid_t) {
          shots[stage - 1] = GrabScreen();
          folder.Write("next " + std::to_string(stage), "");
        }));
  }
  options.triggers.push_back(AfterFrames("paused on frame", kDrawn, tick, [&](pid_t) { shots[4] = GrabScreen(); }));
  // Thirty frames of at least a sixtieth of a second each: a running
  // animation of 0.15 s frames would have moved on three times.
  options.triggers.push_back(AfterFrames("", 30, tick, [&](pid_t pid) {
    pausedLater = GrabScreen();
    kill(pid, SIGTERM);
  }));
  const RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  ASSERT_TRUE(found) << "no window titled OrvLayers";
  for (const auto& shot : shots) ASSERT_TRUE(shot.error.empty()) << shot.error;

  // Stage by stage: the middle of the stack, a point on the yellow one only,
  // the old middle after the camera moved, and the script's marker.
  const int cx = left + 160, cy = top + 100;
  struct Sample {
    int stage;
    int x, y;
    Rgb wanted;
  };
  const Sample samples[] = {
      {1, cx, cy, kBlue},
      {1, cx + 5, cy - 5, kBlue},
      {1, cx + 40, cy, kYellow},
      {2, cx, cy, kGreen},
      {2, cx - 20, cy + 20, kGreen},
      {3, cx, cy, kRed},
      {3, cx + 40, cy + 10, kYellow},
      {3, cx + 60, cy, kBlack},
      // SetCameraX(100): everything 100 pixels to the left.
      {4, cx - 100, cy, kRed},
      {4, cx - 60, cy, kYellow},
      {4, cx, cy, kBlack},
  };
  for (const Sample& s : samples) {
    EXPECT_TRUE(Near(shots[s.stage - 1].At(s.x, s.y), s.wanted))
        << "stage " << s.stage << " at (" << s.x - left << ", " << s.y - top
        << "): " << Text(shots[s.stage - 1].At(s.x, s.y));
  }
  // The marker is 16 pixels wide, centred on (250, 50), in every stage.
  for (int stage : {1, 4}) {
    const Screenshot& shot = shots[stage - 1];
    for (const auto& [dx, dy, wanted] : {std::tuple{0, 0, kGreen},
                                         {-6, -6, kGreen},
                                         {6, 6, kGreen},
                                         {-11, 0, kBlack},
                                         {11, 0, kBlack},
                                         {0, -11, kBlack},
                                         {0, 11, kBlack}}) {
      EXPECT_TRUE(Near(shot.At(left + 250 + dx, top + 50 + dy), wanted))
          << "stage " << stage << " marker" << dx << "," << dy << ": " << Text(shot.At(left + 250 + dx, top + 50 + dy));
    }
  }

  // The row of sprites the overlay's scripts draw together keeps its order
  // and its colours: red, blue over red, green over blue, the other sheet's
  // blue, red over it, green, red over green, the later object's white.
  const std::pair<int, Rgb> row[] = {{26, kRed},  {35, kBlue},   {45, kGreen},  {55, kGreen},
                                     {66, kBlue}, {75, kRed},    {85, kRed},    {105, kGreen},
                                     {115, kRed}, {125, kWhite}, {134, kWhite}, {142, kBlack}};
  for (int stage : {1, 4}) {
    const Screenshot& shot = shots[stage - 1];
    for (const auto& [x, wanted] : row) {
      EXPECT_TRUE(Near(shot.At(left + x, top + 160), wanted))
          << "stage " << stage << " row at " << x << ": " << Text(shot.At(left + x, top + 160));
    }
  }

  // The animation alternates, then holds the frame it printed. A frame longer
  // than the animation's interval (a busy machine) may move it on before the
  // script first looks, so it may start on either.
  const auto frames = LinesStartingWith(run.out, "blink frame ");
  ASSERT_EQ(frames.size(), 6u) << run.out;
  const int first = frames[0] == "blink frame 1" ? 1 : 0;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(frames[i], "blink frame " + std::to_string((first + i) % 2));
  }
  const int last = (first + 1) % 2;
  const auto paused = LinesStartingWith(run.out, "paused on frame ");
  ASSERT_EQ(paused.size(), 1u) << run.out;
  EXPECT_EQ(paused[0], "paused on frame " + std::to_string(last));
  ASSERT_TRUE(pausedLater.error.empty()) << pausedLater.error;
  // The blink sprite stands at world (0, 0), 100 pixels left of the middle.
  for (const auto& [dx, dy] : {std::pair{0, 0}, {-10, 8}, {12, -12}}) {
    const Rgb now = shots[4].At(cx - 100 + dx, cy + dy);
    EXPECT_TRUE(Near(now, last == 1 ? kGreen : kRed)) << Text(now);
    EXPECT_EQ(pausedLater.At(cx - 100 + dx, cy + dy), now);
  }
}
