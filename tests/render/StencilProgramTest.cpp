// Stencil objects on the real program's window: a full-screen floor shows
// only inside the union of their shapes, and all of it once they are gone.
#include <gtest/gtest.h>
#include <signal.h>

#include <string>

#include "support/ProgramRun.h"
#include "support/Screenshot.h"

using namespace OrvTest;

namespace {

using Rgb = std::array<int, 3>;
constexpr Rgb kBlack{0, 0, 0}, kWhite{255, 255, 255};

// Lighting goes off in the first frame; each stage waits for the test's file
// "next <stage>", written after its screenshot.
const std::string kDirector = std::string(kStagesLua) + R"(
function Update(dt)
  if stage == 0 then SetEnableLighting(false); Enter(1)
  elseif stage == 1 and Released() then RemoveAllGameObjectsOfType(30); Enter(2)
  end
  print("tick")
end
)";

}  // namespace

// An 800 x 600 window; the camera stays at world (0, 0), the screen's middle.
// Two 100 x 100 squares cut the windows: one at world (0, 0), one placed by
// its transform's data at world (60, 60), overlapping the first's corner.
TEST(StencilProgram, TheFloorShowsInsideTheUnionOfTheShapesAndWhollyWithoutThem) {
  ContentFolder folder;
  folder.WriteConfig(ConfigJson(800, 600, "OrvStencil", 60, 1));
  folder.Write("res/audio/loadaudio.ini", R"({"sounds":[]})");
  std::string white = "P6\n16 16\n255\n";
  for (int i = 0; i < 16 * 16; ++i) white += std::string{'\xff', '\xff', '\xff'};
  folder.Write("res/textures/white.ppm", white);
  folder.Write("res/textures/white.pack",
               R"({"file":"white.ppm","frames":[{"id":"white","x":0,"y":0,"sizeX":16,"sizeY":16}]})");
  folder.Write("res/anims/test.anim", R"({"white":["white"]})");
  folder.Write("data/gameobjects/Floor.txt", R"({"name":"Floor","id":10,"components":[
    {"type":"transform","data":[0.0,0.0,0.0,50.0,37.5]},
    {"type":"spriteanim","data":[{"textureid":"white","layer":0}]}]})");
  const std::string square = R"("square","polygon",-50.0,-50.0,50.0,-50.0,50.0,50.0,-50.0,50.0)";
  folder.Write("data/gameobjects/Window.txt", R"({"name":"Window","id":30,"components":[
    {"type":"transform","data":[]},{"type":"stencil","data":[)" +
                                                  square + "]}]}");
  folder.Write("data/gameobjects/Corner.txt", R"({"name":"Corner","id":30,"components":[
    {"type":"transform","data":[60.0,60.0]},{"type":"stencil","data":[)" +
                                                  square + "]}]}");
  folder.Write("data/gameobjects/Director.txt", R"({"name":"Director","id":1,"components":[
    {"type":"script","data":[]}]})");
  folder.Write("data/scripts/Director.lua", kDirector);
  folder.Write("data/summoner.ini", R"({"spawn":[{"name":"Floor","id":10,"params":{}},
    {"name":"Window","id":30,"params":{}},{"name":"Corner","id":30,"params":{}},
    {"name":"Director","id":1,"params":{}}]})");

  int left = 0, top = 0;
  bool found = false;
  Screenshot shots[2];
  const char* const tick = "tick\n";
  RunOptions options;
  options.triggers.push_back(FindWindowAndParkPointer("stage 1\n", "OrvStencil", 790, 590, left, top, found));
  options.triggers.push_back(AfterFrames("", 4, tick, [&](pid_t) {
    shots[0] = GrabScreen();
    folder.Write("next 1", "");
  }));
  options.triggers.push_back(AfterFrames("stage 2\n", 4, tick, [&](pid_t pid) {
    shots[1] = GrabScreen();
    kill(pid, SIGTERM);
  }));
  const RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  ASSERT_TRUE(found) << "no window titled OrvStencil";
  for (const auto& shot : shots) ASSERT_TRUE(shot.error.empty()) << shot.error;

  // The first square spans x 350 to 450 and y 250 to 350 on screen, the
  // second x 410 to 510 and y 310 to 410.
  struct Sample {
    int stage, x, y;
    Rgb wanted;
  };
  const Sample samples[] = {
      {1, 400, 300, kWhite}, {1, 360, 260, kWhite}, {1, 430, 330, kWhite}, {1, 500, 400, kWhite}, {1, 480, 380, kWhite},
      {1, 480, 270, kBlack}, {1, 370, 390, kBlack}, {1, 340, 300, kBlack}, {1, 400, 240, kBlack}, {1, 100, 100, kBlack},
      {1, 700, 500, kBlack}, {2, 100, 100, kWhite}, {2, 480, 270, kWhite}, {2, 400, 300, kWhite}, {2, 700, 500, kWhite},
  };
  for (const Sample& s : samples) {
    const Rgb seen = shots[s.stage - 1].At(left + s.x, top + s.y);
    EXPECT_TRUE(Near(seen, s.wanted)) << "stage " << s.stage << " at (" << s.x << ", " << s.y << "): " << Text(seen);
  }
}
