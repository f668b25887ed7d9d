// The small game of the README, run as a reader would make it: a copy of
// game/ whose data/ is replaced by the README's files, taken from README.md
// itself so that the text and the test cannot drift apart. What the text
// promises is looked for in the window as well as on the console.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/ProgramRun.h"
#include "support/Screenshot.h"

using namespace OrvTest;

namespace {

// (path, text) of every fenced block that follows a line naming a file of
// data/ in a code span, e.g. "`data/scripts/Player.lua`:".
std::vector<std::pair<std::string, std::string>> ReadmeFiles() {
  std::ifstream in(std::string(ORV_SOURCE_DIR) + "/README.md");
  static const std::regex naming("^`(data/[^`]+)`.*:$");
  std::vector<std::pair<std::string, std::string>> files;
  std::string named, line;
  while (std::getline(in, line)) {
    std::smatch match;
    if (std::regex_match(line, match, naming)) {
      named = match[1];
    } else if (line.rfind("```", 0) == 0 && !named.empty()) {
      std::string text;
      while (std::getline(in, line) && line.rfind("```", 0) != 0) text += line + "\n";
      files.emplace_back(named, text);
      named.clear();
    } else if (!line.empty()) {
      named.clear();
    }
  }
  return files;
}

using Rgb = std::array<int, 3>;

// The game's 640 x 480 window; places below are in it. The README's camera
// makes world and window pixels agree.
struct GameWindow {
  int left = 0, top = 0;
  Screenshot shot;

  Rgb At(int x, int y) const { return shot.At(left + x, top + y); }
  // Grabs until the window shows what `done` looks for, for as long as the
  // program runs within the run's limit (frames come at any pace on a busy
  // machine).
  bool WaitFor(const std::function<bool()>& done) {
    return WaitUntil("the game's window to show a step's effect", [&] {
      shot = GrabScreen();
      return shot.error.empty() && done();
    });
  }

  // How many pixels of the size x size square centred on (x0, y0) pass is.
  int Pixels(int x0, int y0, int size, bool (*is)(const Rgb&)) const {
    int n = 0;
    for (int y = y0 - size / 2; y < y0 + size / 2; ++y) {
      for (int x = x0 - size / 2; x < x0 + size / 2; ++x) n += is(At(x, y));
    }
    return n;
  }
  // Pixels of the player's orange body at full brightness in the 48 x 48
  // square centred on (x, y): each walk frame has 208 of them.
  int PlayerPixels(int x, int y) const {
    return Pixels(x, y, 48, [](const Rgb& c) { return c[0] > 200 && c[1] > 100 && c[1] < 170 && c[2] < 90; });
  }
  // The game's cursor, the orange dot the README names, in the 16 x 16
  // square centred on (x, y).
  int CursorPixels(int x, int y) const {
    return Pixels(x, y, 16, [](const Rgb& c) { return c[0] > 200 && c[1] > 90 && c[1] < 160 && c[2] < 90; });
  }
  // Pixels of the pale yellow spark a coin draws, whatever its glow's alpha
  // left of it, in the 32 x 32 square centred on (x, y); the player's skin
  // and body and the red collider outlines have other hues.
  int CoinPixels(int x, int y) const {
    return Pixels(x, y, 32, [](const Rgb& c) {
      return c[0] > 120 && c[1] * 10 > c[0] * 9 && c[2] * 2 > c[0] && c[2] * 4 < c[0] * 3;
    });
  }
  // The white text in the window's top left corner: how many pixels, and
  // from which column to which. "Score: 1" in the default font is about 60
  // pixels wide.
  struct Text {
    int pixels = 0, from = 0, to = -1;
  };
  Text Label() const {
    Text text{0, 240, -1};
    for (int y = 0; y < 60; ++y) {
      for (int x = 0; x < 240; ++x) {
        const Rgb c = At(x, y);
        if (c[0] > 200 && c[1] > 200 && c[2] > 200) {
          ++text.pixels;
          text.from = std::min(text.from, x);
          text.to = std::max(text.to, x);
        }
      }
    }
    return text;
  }
  // All of it is in the window: it neither starts at the window's edge nor
  // falls short of the width of the whole text.
  bool LabelShows() const {
    const Text text = Label();
    return text.pixels > 90 && text.from > 2 && text.to - text.from > 55;
  }
};

// The player starts on the first coin: its point shows at once. Then it walks
// right onto the second; the third stays where it is until the end.
TEST(ReadmeGameProgram, TheWindowShowsTheScoreEveryCoinUntilPickedUpAndThePlayerLitAndWhole) {
  const std::string readme = ReadFile(std::string(ORV_SOURCE_DIR) + "/README.md");
  EXPECT_NE(readme.find("the orange dot in the window (in the middle of the first frame, often) is the game's cursor: "
                        "it is drawn where the\n  mouse pointer is and follows it"),
            std::string::npos)
      << "the README names the cursor a first game meets; the window below shows it at the pointer";
  const auto files = ReadmeFiles();
  ASSERT_EQ(files.size(), 5u) << "the README's small game has five files";
  ContentFolder folder;
  folder.CopyTree(std::string(ORV_SOURCE_DIR) + "/game");
  std::filesystem::remove_all(folder.Path() + "/data");
  for (const auto& [path, text] : files) folder.Write(path, text);
  // game/ runs at debug level 0, where a script's print goes nowhere; the
  // README names level 1, which outlines the colliders too.
  const std::string title = "Orv Demo";
  folder.WriteConfig(ConfigJson(640, 480, title, 60, 1));

  GameWindow w;
  bool walked = false;
  const auto describe = [&] {
    const GameWindow::Text text = w.Label();
    return "label: " + std::to_string(text.pixels) + " white pixels in columns " + std::to_string(text.from) + " to " +
           std::to_string(text.to) + "; player at (120, 240): " + std::to_string(w.PlayerPixels(120, 240)) +
           " bright pixels; coins at (300, 240) and (300, 100): " + std::to_string(w.CoinPixels(300, 240)) + ", " +
           std::to_string(w.CoinPixels(300, 100)) +
           "; cursor at (600, 440): " + std::to_string(w.CursorPixels(600, 440));
  };
  RunOptions options;
  Trigger walk;
  walk.whenStdoutHas = "Score: 1\n";
  walk.whenWindowShows = title;
  walk.action = [&](pid_t pid) {
    std::string id = Shell("xdotool search --name '^" + title + "$' | head -n1");
    id.erase(id.find_last_not_of('\n') + 1);
    if (!WindowPosition(title, w.left, w.top)) {
      ADD_FAILURE() << "no window titled " << title;
      kill(pid, SIGTERM);
      return;
    }
    Shell("xdotool windowfocus --sync " + id + " >/dev/null 2>&1");
    // The game draws its cursor at the pointer: out of the way, and
    // seen there.
    Shell("xdotool mousemove " + std::to_string(w.left + 600) + " " + std::to_string(w.top + 440));
    const bool shown = w.WaitFor([&] {
      return w.LabelShows() && w.PlayerPixels(120, 240) >= 200 && w.CoinPixels(300, 240) > 100 &&
             w.CoinPixels(300, 100) > 100 && w.CursorPixels(600, 440) > 10;
    });
    EXPECT_TRUE(shown) << describe();
    if (!shown) {
      kill(pid, SIGTERM);
      return;
    }
    walked = true;
    Shell("xdotool keydown Right");
  };
  options.triggers.push_back(walk);
  options.triggers.push_back({"Score: 2\n", 0.0,
                              [&](pid_t) {
                                Shell("xdotool keyup Right");
                                EXPECT_TRUE(w.WaitFor([&] {
                                  return w.CoinPixels(300, 240) < 20 && w.CoinPixels(300, 100) > 100 && w.LabelShows();
                                })) << describe();
                                // The game polls Escape: held until it quits.
                                Shell("xdotool keydown Escape");
                              },
                              0, "", true});
  const RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  EXPECT_TRUE(walked);
  // Each coin counts once, however long the player stands on it.
  EXPECT_EQ(LinesStartingWith(run.out, "Score: "), (std::vector<std::string>{"Score: 1", "Score: 2"}))
      << run.out << run.err;
  EXPECT_EQ(run.err.find("Error"), std::string::npos) << run.err;
}

}  // namespace
