// The first scene on the real program's window: what its first object's Init
// sets holds once the systems have started, objects without a collider stand
// where their transform's data puts them, and lighting switched from a draw
// callback changes the next frame without breaking this one.
#include <gtest/gtest.h>
#include <signal.h>

#include <string>

#include "support/ProgramRun.h"
#include "support/Screenshot.h"

using namespace OrvTest;

namespace {

using Rgb = std::array<int, 3>;

bool Within(const Rgb& seen, const Rgb& low, const Rgb& high) {
  for (int i = 0; i < 3; ++i) {
    if (seen[i] < low[i] || seen[i] > high[i]) return false;
  }
  return true;
}

// The floor is the first object of the spawn list. Its Init switches
// lighting off and moves the camera; its Render, called by the base pass,
// switches lighting on in stage 2 and off again in stage 3. Each stage waits for the test's file
// "next <stage>", written after its screenshot.
const std::string kFloor = std::string(kStagesLua) + R"(
local switched = 0
function Init()
  SetEnableLighting(false)
  SetCameraX(40)
end
function Update(dt)
  if stage == 0 then Enter(1)
  elseif stage == 1 and Released() then Enter(2)
  elseif stage == 2 and Released() then Enter(3)
  end
  print("tick")
end
function Render()
  if stage ~= switched then
    if stage == 2 then SetEnableLighting(true) end
    if stage == 3 then SetEnableLighting(false) end
    switched = stage
  end
end
)";

}  // namespace

// A 320 x 200 window with the camera at world (40, 0): world (x, y) shows at
// (x + 120, y + 100). A white floor of 320 x 200 at world (0, 0); a red
// 16-pixel marker at world (100, 50), at (220, 150) on screen; a lamp of
// reach 60 at world (-100, -40), at (20, 60).
TEST(FirstSceneProgram, InitSettingsHoldAndObjectsWithoutCollidersStandWhereTheirDataPutsThem) {
  ContentFolder folder;
  folder.WriteConfig(ConfigJson(320, 200, "OrvFirstScene", 60, 1));
  folder.Write("res/audio/loadaudio.ini", R"({"sounds":[]})");
  std::string sheet = "P6\n32 16\n255\n";
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 32; ++x) sheet += x < 16 ? std::string{'\xff', '\xff', '\xff'} : std::string{'\xff', 0, 0};
  }
  folder.Write("res/textures/sheet.ppm", sheet);
  folder.Write("res/textures/sheet.pack", R"({"file":"sheet.ppm","frames":[
    {"id":"white","x":0,"y":0,"sizeX":16,"sizeY":16},{"id":"red","x":16,"y":0,"sizeX":16,"sizeY":16}]})");
  folder.Write("res/anims/test.anim", R"({"white":["white"],"red":["red"]})");
  folder.Write("data/gameobjects/Floor.txt", R"({"name":"Floor","id":1,"components":[
    {"type":"transform","data":[0.0,0.0,0.0,20.0,12.5]},
    {"type":"spriteanim","data":[{"textureid":"white","layer":0}]},{"type":"script","data":[]}]})");
  folder.Write("data/scripts/Floor.lua", kFloor);
  folder.Write("data/gameobjects/Marker.txt", R"({"name":"Marker","id":2,"components":[
    {"type":"transform","data":[100.0,50.0]},
    {"type":"spriteanim","data":[{"textureid":"red","layer":0,"layerorder":5}]}]})");
  folder.Write("data/gameobjects/Lamp.txt", R"({"name":"Lamp","id":3,"components":[
    {"type":"transform","data":[-100.0,-40.0]},{"type":"light","data":[{"intensity":50.0}]}]})");
  folder.Write("data/summoner.ini", R"({"spawn":[{"name":"Floor","id":1,"params":{}},
    {"name":"Marker","id":2,"params":{}},{"name":"Lamp","id":3,"params":{}}]})");

  int left = 0, top = 0;
  bool found = false;
  Screenshot shots[3];
  const char* const tick = "tick\n";
  RunOptions options;
  options.timeoutSeconds = 60.0;
  options.triggers.push_back(FindWindowAndParkPointer("stage 1\n", "OrvFirstScene", 310, 190, left, top, found));
  options.triggers.push_back(AfterFrames("", 4, tick, [&](pid_t) {
    shots[0] = GrabScreen();
    folder.Write("next 1", "");
  }));
  options.triggers.push_back(AfterFrames("stage 2\n", 4, tick, [&](pid_t) {
    shots[1] = GrabScreen();
    folder.Write("next 2", "");
  }));
  options.triggers.push_back(AfterFrames("stage 3\n", 4, tick, [&](pid_t pid) {
    shots[2] = GrabScreen();
    kill(pid, SIGTERM);
  }));
  const RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  ASSERT_TRUE(found) << "no window titled OrvFirstScene";
  for (const auto& shot : shots) ASSERT_TRUE(shot.error.empty()) << shot.error;
  EXPECT_EQ(Count(run.out + run.err, "Cannot End Frame buffer"), 0u) << run.out << run.err;

  const Rgb kWhiteLow{245, 245, 245}, kWhiteHigh{255, 255, 255};
  // Unlit in stage 1: the floor white, not the lit scene's dim ambient.
  struct Sample {
    const char* what;
    int stage, x, y;
    Rgb low, high;
  };
  const Sample samples[] = {
      {"floor", 1, 250, 30, kWhiteLow, kWhiteHigh},
      {"floor beside the marker", 1, 200, 150, kWhiteLow, kWhiteHigh},
      {"marker", 1, 220, 150, {245, 0, 0}, {255, 10, 10}},
      {"marker's corner", 1, 214, 144, {245, 0, 0}, {255, 10, 10}},
      {"right of the floor", 1, 300, 100, {0, 0, 0}, {10, 10, 10}},
      // Lit in stage 2: bright at the lamp, the ambient level far from it.
      {"floor at the lamp", 2, 20, 60, {200, 200, 200}, kWhiteHigh},
      {"floor far from the lamp", 2, 250, 30, {60, 60, 60}, {95, 95, 95}},
      {"floor where a lamp at world (0, 0) would be", 2, 120, 100, {60, 60, 60}, {95, 95, 95}},
      // Unlit again in stage 3.
      {"floor at the lamp", 3, 20, 60, kWhiteLow, kWhiteHigh},
      {"floor far from the lamp", 3, 250, 30, kWhiteLow, kWhiteHigh},
  };
  for (const Sample& s : samples) {
    const Rgb seen = shots[s.stage - 1].At(left + s.x, top + s.y);
    EXPECT_TRUE(Within(seen, s.low, s.high))
        << s.what << ", stage " << s.stage << " at (" << s.x << ", " << s.y << "): " << Text(seen);
  }
}
