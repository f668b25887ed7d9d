// The game shipped in game/ with its lamp and the walls' shadows switched on:
// the lamp lights the room's floor around it, the hero and the crate beside it
// stay visible, and only the floor behind the walls goes dark.
#include <gtest/gtest.h>
#include <signal.h>

#include <array>
#include <filesystem>
#include <string>

#include "support/ProgramRun.h"
#include "support/Screenshot.h"

using namespace OrvTest;

namespace {

namespace fs = std::filesystem;
using Rgb = std::array<int, 3>;

struct Sample {
  const char* what;
  int x, y;  // in the window
  Rgb low, high;
};

// Camera at (304, 224) in a 640 x 480 window: world (x, y) shows at (x + 16, y + 16).
const Sample kSamples[] = {
    {"floor beside the lamp", 272, 180, {20, 100, 20}, {110, 255, 110}},
    {"floor in the room's far corner", 100, 100, {10, 50, 10}, {110, 255, 110}},
    {"floor below the lamp", 240, 280, {10, 70, 10}, {110, 255, 110}},
    {"the hero", 136, 256, {150, 60, 0}, {255, 200, 110}},
    {"the crate beside the hero", 170, 232, {100, 60, 20}, {255, 180, 110}},
    {"the wall column", 330, 150, {120, 120, 110}, {255, 255, 255}},
    // Behind the column and the low wall, seen from the lamp (the debug
    // outlines there are blue, so only red and green are bounded).
    {"shadow right of the column", 450, 200, {0, 0, 0}, {20, 20, 255}},
    {"shadow far right of the column", 560, 300, {0, 0, 0}, {20, 20, 255}},
    {"shadow below the low wall", 500, 420, {0, 0, 0}, {20, 20, 255}},
};

bool Within(const Rgb& seen, const Sample& s) {
  for (int i = 0; i < 3; ++i) {
    if (seen[i] < s.low[i] || seen[i] > s.high[i]) return false;
  }
  return true;
}

TEST(DemoLightProgram, TheLampLightsTheRoomAndTheWallsCastShadows) {
  ContentFolder folder;
  folder.CopyTree(std::string(ORV_SOURCE_DIR) + "/game");
  // The game runs at debug level 0, which prints nothing; at 1 it prints the line this waits for.
  folder.WriteConfig(ConfigJson(640, 480, "Orv Demo", 60, 1));
  RunOptions options;
  options.timeoutSeconds = 100.0;
  options.env = {{"HOME", folder.Path() + "/home"}, {"XDG_DOCUMENTS_DIR", folder.Path() + "/documents"}};
  int left = -1, top = -1;
  Screenshot shot;
  const auto lit = [&] {
    if (!shot.error.empty()) return false;
    for (const Sample& s : kSamples) {
      if (!Within(shot.At(left + s.x, top + s.y), s)) return false;
    }
    return true;
  };
  options.triggers.push_back({"demo running\n", 0.2, [&](pid_t pid) {
                                if (!WindowPosition("Orv Demo", left, top)) {
                                  kill(pid, SIGTERM);
                                  return;
                                }
                                std::string window = Shell("xdotool search --name '^Orv Demo$' | head -n1");
                                window.erase(window.find_last_not_of("\n") + 1);
                                // The game draws its cursor at the pointer: park it on the bottom wall.
                                Shell("xdotool mousemove " + std::to_string(left + 620) + " " +
                                      std::to_string(top + 470));
                                Shell("xdotool key --window " + window + " f >/dev/null 2>&1");
                                // Frames come at any pace on a busy machine: the room is looked
                                // at, the program held still during each grab, until it shows
                                // lit; the last grab is judged.
                                WaitUntil("the lamp's light and the walls' shadows", [&] {
                                  shot = GrabHeld(pid);
                                  return lit();
                                });
                                kill(pid, SIGTERM);
                              }});
  const RunResult run = RunOrv(folder, options);
  // A room that never showed lit keeps the run to its limit: what it showed is said below too.
  EXPECT_TRUE(RanCleanly(run));
  ASSERT_GE(left, 0) << "no window titled Orv Demo";
  ASSERT_TRUE(shot.error.empty()) << shot.error;
  for (const Sample& s : kSamples) {
    const Rgb seen = shot.At(left + s.x, top + s.y);
    EXPECT_TRUE(Within(seen, s)) << s.what << " at (" << s.x << ", " << s.y << "): saw (" << seen[0] << ", " << seen[1]
                                 << ", " << seen[2] << ")";
  }
}

}  // namespace
