// The surface pass (layer 1) and the high pass (layer 2 and above) draw their
// sprites by layer order, not in the order the objects were made.
#include <gtest/gtest.h>
#include <signal.h>

#include <array>
#include <cstdlib>
#include <string>

#include "support/ProgramRun.h"
#include "support/Screenshot.h"

using namespace OrvTest;

namespace {

using Rgb = std::array<int, 3>;

std::string Square(const std::string& type, double x, int layer, int order, double scale) {
  return R"({"name":")" + type + R"(","id":1,"components":[{"type":"transform","data":[0.0,0.0,0.0,)" +
         std::to_string(scale) + "," + std::to_string(scale) + R"(]},)" +
         R"({"type":"collision","data":["AABB", {"pos x": )" + std::to_string(x) +
         R"(, "width": 2.0, "height": 2.0}]},)" + R"({"type":"spriteanim","data":[{"textureid":"white","layer":)" +
         std::to_string(layer) + R"(,"layerorder":)" + std::to_string(order) + R"(}]},{"type":"script","data":[]}]})";
}

}  // namespace

// In each pass a small red square is made first with the higher layer order
// and a large yellow one after it with the lower: red must cover the middle
// of yellow. In the high pass the yellow one is even on the higher layer,
// which does not count within the pass.
TEST(LayeredDrawProgram, SurfaceAndHighPassesDrawByLayerOrderNotByArrival) {
  ContentFolder folder;
  WriteScriptScene(folder, "OrvOrder",
                   {{"SurfaceRed", "function Init() SetRGBTint(1, 0, 0) end\n"},
                    {"SurfaceYellow", "function Init() SetRGBTint(1, 1, 0) end\n"},
                    {"HighRed", "function Init() SetRGBTint(1, 0, 0) end\n"},
                    {"HighYellow", "function Init() SetRGBTint(1, 1, 0) end\n"},
                    {"Director",
                     "n = 0\n"
                     "function Update(dt)\n"
                     "  n = n + 1\n"
                     "  if n == 1 then SetEnableLighting(false) end\n"
                     "  if n == 2 then print('drawn') end\n"
                     "  print('tick')\n"
                     "end\n"}},
                   {{"SurfaceRed", 1}, {"SurfaceYellow", 2}, {"HighRed", 3}, {"HighYellow", 4}, {"Director", 5}},
                   R"([{"type":"script","data":[]}])");
  std::string white = "P6\n16 16\n255\n";
  white.append(16 * 16 * 3, static_cast<char>(255));
  folder.Write("res/textures/white.ppm", white);
  folder.Write("res/textures/white.pack",
               R"({"file":"white.ppm","frames":[{"id":"white","x":0,"y":0,"sizeX":16,"sizeY":16}]})");
  folder.Write("res/anims/test.anim", R"({"white":["white"]})");
  // World (0, 0) is the window's middle: the surface pair shows round
  // (100, 100), the high pair round (220, 100).
  folder.Write("data/gameobjects/SurfaceRed.txt", Square("SurfaceRed", -60, 1, 5, 2));
  folder.Write("data/gameobjects/SurfaceYellow.txt", Square("SurfaceYellow", -60, 1, 2, 4));
  folder.Write("data/gameobjects/HighRed.txt", Square("HighRed", 60, 2, 5, 2));
  folder.Write("data/gameobjects/HighYellow.txt", Square("HighYellow", 60, 3, 2, 4));

  int left = 0, top = 0;
  bool found = false;
  Screenshot shot;
  RunOptions options;
  options.triggers.push_back(FindWindowAndParkPointer("drawn\n", "OrvOrder", 5, 195, left, top, found));
  options.triggers.push_back(AfterFrames("", 4, "tick\n", [&](pid_t pid) {
    shot = GrabScreen();
    kill(pid, SIGTERM);
  }));
  const RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  ASSERT_TRUE(found) << "no window titled OrvOrder";
  ASSERT_TRUE(shot.error.empty()) << shot.error;

  constexpr Rgb kRed{255, 0, 0}, kYellow{255, 255, 0}, kBlack{0, 0, 0};
  for (const auto& [pass, cx] : {std::pair{"surface", 100}, {"high", 220}}) {
    struct Sample {
      int dx, dy;
      Rgb wanted;
    };
    // Red is 32 pixels square, yellow 64.
    for (const Sample& s : {Sample{0, 0, kRed},
                            {-10, 10, kRed},
                            {10, -10, kRed},
                            {-24, 0, kYellow},
                            {24, 20, kYellow},
                            {0, -26, kYellow},
                            {0, 40, kBlack}}) {
      const Rgb seen = shot.At(left + cx + s.dx, top + 100 + s.dy);
      EXPECT_TRUE(Near(seen, s.wanted)) << pass << " pass at " << s.dx << "," << s.dy << ": " << Text(seen);
    }
  }
}
