// The game shipped in game/, run as a user runs it and played through every
// key the README names: what each one promises is looked for on the window or
// in the saved file. Frames come at any pace on a busy machine, so every step
// waits until the screen shows its effect (or a generous time has passed).
#include <gtest/gtest.h>
#include <signal.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/ProgramRun.h"
#include "support/Screenshot.h"

using namespace OrvTest;

namespace {

using Rgb = std::array<int, 3>;

struct Point {
  double x = 0, y = 0;
};

std::string Where(const Point& p) {
  std::ostringstream text;
  text << "(" << std::lround(p.x) << ", " << std::lround(p.y) << ")";
  return text.str();
}

// The window of the demo on the run's screen; every place below is in it.
// The camera shows world (x, y) at (x + 16, y + 16): the room's floor spans
// (32..608, 32..448).
struct DemoWindow {
  std::string id;
  int left = 0, top = 0;
  Screenshot shot;

  Rgb At(int x, int y) const { return shot.At(left + x, top + y); }
  void Grab() { shot = GrabScreen(); }
  // Keys go in as a keyboard's would, to the window given the focus at the
  // start: a key sent to a window by name is dropped again by the game's
  // window layer whenever it checks the keyboard against the server's.
  void Key(const std::string& action, const std::string& key) const {
    Shell("xdotool " + action + " " + key + " >/dev/null 2>&1");
  }
  // The game draws its cursor at the pointer: keep it on the bottom right wall.
  void ParkPointer() const {
    Shell("xdotool mousemove " + std::to_string(left + 620) + " " + std::to_string(top + 470));
  }

  // Grabs until the screen shows what `done` looks for, for as long as the
  // program runs within the run's limit.
  bool WaitFor(const std::function<bool()>& done) {
    return WaitUntil("the demo's window to show a step's effect", [&] {
      Grab();
      return shot.error.empty() && done();
    });
  }

  // The hero's orange body, wherever it is on the floor.
  std::optional<Point> Hero() const {
    double sx = 0, sy = 0;
    int n = 0;
    for (int y = 32; y < 448; ++y) {
      for (int x = 32; x < 608; ++x) {
        const Rgb c = At(x, y);
        if (c[0] > 200 && c[1] > 100 && c[1] < 170 && c[2] < 90) sx += x, sy += y, ++n;
      }
    }
    if (n < 40) return std::nullopt;
    return Point{sx / n, sy / n};
  }

  // Pixels of a crate's brown boards in the 32 x 32 square centred on (x, y).
  int CratePixels(const Point& p) const {
    int n = 0;
    for (int y = -16; y < 16; ++y) {
      for (int x = -16; x < 16; ++x) {
        const Rgb c = At(static_cast<int>(p.x) + x, static_cast<int>(p.y) + y);
        if (c[0] > 60 && c[0] < 200 && c[0] > c[1] + 30 && c[2] < 70) ++n;
      }
    }
    return n;
  }
  bool HasCrate(const Point& p) const { return CratePixels(p) > 150; }

  // The trail's pale blue ribbon in the strip just behind the hero, who walks
  // in direction (dx, dy).
  bool TrailBehind(const Point& hero, int dx, int dy) const {
    for (int along = 18; along <= 40; ++along) {
      for (int across = -3; across <= 3; ++across) {
        const int x = static_cast<int>(hero.x) - dx * along + dy * across;
        const int y = static_cast<int>(hero.y) - dy * along + dx * across;
        const Rgb c = At(x, y);
        if (c[2] > 120 && c[1] > 120 && c[0] < 130) return true;
      }
    }
    return false;
  }

  // Marks the pixels around the hero, 24 to 130 away, that are much brighter
  // than in `before`: the sparks flying out. Marks add up over the grabs, as
  // a busy machine may show only a few frames of the burst. Returns how many
  // pixels are marked.
  int Brightened(const Screenshot& before, const Point& hero, std::vector<bool>& marks) const {
    marks.resize(261 * 261);
    int n = 0;
    for (int y = -130; y <= 130; ++y) {
      for (int x = -130; x <= 130; ++x) {
        const int d2 = x * x + y * y;
        if (d2 < 24 * 24 || d2 > 130 * 130) continue;
        const int px = left + static_cast<int>(hero.x) + x, py = top + static_cast<int>(hero.y) + y;
        const Rgb now = shot.At(px, py), then = before.At(px, py);
        const std::size_t at = (y + 130) * 261 + (x + 130);
        if (now[0] + now[1] + now[2] > then[0] + then[1] + then[2] + 90) marks[at] = true;
        n += marks[at];
      }
    }
    return n;
  }

  // Floor that the lamp's light leaves dark behind the wall column.
  bool Shadowed() const {
    for (const auto& [x, y] : {std::pair{450, 200}, {560, 300}}) {
      const Rgb c = At(x, y);
      if (c[0] > 20 || c[1] > 20) return false;
    }
    return true;
  }
  bool PlainFloor() const {
    for (const auto& [x, y] : {std::pair{450, 200}, {560, 300}}) {
      const Rgb c = At(x, y);
      if (c[1] < 100 || c[1] < c[0] + 40) return false;
    }
    return true;
  }
};

// Where the hero stands once it has stayed within 2 pixels for `seconds` (a
// frame may take long on a busy machine, so one unchanged screen proves
// nothing; pressed against a wall it shakes by a pixel).
std::optional<Point> StandingHero(DemoWindow& w, double seconds = 1.5) {
  std::optional<Point> last;
  auto since = std::chrono::steady_clock::now();
  const bool still = w.WaitFor([&] {
    const std::optional<Point> hero = w.Hero();
    if (!hero) return false;
    if (!last || std::hypot(hero->x - last->x, hero->y - last->y) > 2.0) {
      last = hero;
      since = std::chrono::steady_clock::now();
    }
    return std::chrono::steady_clock::now() - since > std::chrono::duration<double>(seconds);
  });
  return still ? last : std::nullopt;
}

// Holds an arrow until the hero has gone `distance` its way and, toward a
// wall, on until it stands against it, noting on the way whether the trail
// showed behind it. Standing is judged by the clock, which a stalled frame
// also stops: a walk toward a wall first goes as far as the wall's nearest
// stop, so only standing there counts.
struct Walk {
  bool moved = false;
  bool trail = false;
  Point end;
};

Walk Hold(DemoWindow& w, const std::string& arrow, int dx, int dy, double distance, const Point& from,
          bool towardWall = false) {
  Walk walk;
  w.Key("keydown", arrow);
  walk.moved = w.WaitFor([&] {
    const std::optional<Point> hero = w.Hero();
    if (!hero) return false;
    const double gone = (hero->x - from.x) * dx + (hero->y - from.y) * dy;
    if (gone > 20 && w.TrailBehind(*hero, dx, dy)) walk.trail = true;
    return gone >= distance;
  });
  // Against the wall the hero stands while the key is still held.
  if (walk.moved && towardWall) walk.moved = StandingHero(w).has_value();
  w.Key("keyup", arrow);
  const std::optional<Point> end = StandingHero(w);
  walk.moved = walk.moved && end;
  if (end) walk.end = *end;
  return walk;
}

constexpr int kSavedCrateEntries = 4;

TEST(DemoGameProgram, EveryKeyOfTheReadmeKeepsItsPromise) {
  ContentFolder folder;
  folder.CopyTree(std::string(ORV_SOURCE_DIR) + "/game");
  RunOptions options;
  options.timeoutSeconds = 110.0;
  options.env = {{"HOME", folder.Path() + "/home"}, {"XDG_DOCUMENTS_DIR", folder.Path() + "/documents"}};
  const std::string savePath = folder.Path() + "/documents/Kelvane/demo_level.json";
  const auto saved = [&] {
    return std::filesystem::exists(savePath) ? folder.Read("documents/Kelvane/demo_level.json") : "";
  };
  DemoWindow w;
  const Point firstCrates[] = {{176, 240}, {464, 368}, {528, 112}};
  Trigger play;
  play.whenWindowShows = "Orv Demo";
  play.action = [&](pid_t pid) {
    w.id = Shell("xdotool search --name '^Orv Demo$' | head -n1");
    w.id.erase(w.id.find_last_not_of('\n') + 1);
    ASSERT_TRUE(WindowPosition("Orv Demo", w.left, w.top)) << "no window titled Orv Demo";
    Shell("xdotool windowfocus --sync " + w.id + " >/dev/null 2>&1");
    w.ParkPointer();
    // The first scene: the hero at its place, the three crates, and no debug
    // drawing (collider outlines are red).
    const bool started = w.WaitFor([&] {
      const auto hero = w.Hero();
      return hero && std::abs(hero->x - 136) < 4 && std::abs(hero->y - 256) < 4 && w.HasCrate(firstCrates[2]);
    });
    EXPECT_TRUE(started) << "no first scene";
    for (const Point& crate : firstCrates) EXPECT_TRUE(w.HasCrate(crate)) << "no crate at " << Where(crate);
    int red = 0;
    for (int y = 0; y < 480; ++y) {
      for (int x = 0; x < 640; ++x) {
        const Rgb c = w.At(x, y);
        red += c[0] > 150 && c[1] < 60 && c[2] < 60;
      }
    }
    EXPECT_EQ(red, 0) << "red debug outlines drawn";

    // Down: the hero walks and stops at the bottom wall (past y 425).
    const Walk down = Hold(w, "Down", 0, 1, 170, {136, 256}, true);
    EXPECT_TRUE(down.moved) << "the hero did not walk down and stop";
    EXPECT_NEAR(down.end.x, 136, 3);
    EXPECT_TRUE(down.end.y > 425 && down.end.y < 440) << "stopped at " << Where(down.end) << ", the wall starts at 448";

    // C puts a crate at the hero; S saves the four.
    const Point first = down.end;
    EXPECT_FALSE(w.HasCrate(first)) << w.CratePixels(first);
    w.Key("key", "c");
    EXPECT_TRUE(w.WaitFor([&] { return w.HasCrate(first); })) << "no crate added at " << Where(first);
    w.Key("key", "s");
    EXPECT_TRUE(w.WaitFor([&] { return Count(saved(), "\"name\": \"crate\"") == kSavedCrateEntries; })) << "saved:\n"
                                                                                                        << saved();

    // Right along the bottom wall, which nothing blocks (a busy machine
    // may see the hero go much further than asked), then one crate more,
    // which the saved file lacks; L brings back exactly the saved crates.
    const Walk right = Hold(w, "Right", 1, 0, 80, first);
    EXPECT_TRUE(right.moved) << "the hero did not walk right";
    const Point second = right.end;
    w.Key("key", "c");
    EXPECT_TRUE(w.WaitFor([&] { return w.HasCrate(second); })) << "no crate added at " << Where(second);
    // L takes every crate away in one frame and puts the saved ones back in
    // a later one: a screen between the two shows none.
    w.Key("key", "l");
    const auto savedOnly = [&] {
      bool all = !w.HasCrate(second) && w.HasCrate(first);
      for (const Point& crate : firstCrates) all = all && w.HasCrate(crate);
      return all;
    };
    if (!w.WaitFor(savedOnly)) {
      ADD_FAILURE() << "L did not bring back exactly the saved crates";
      EXPECT_FALSE(w.HasCrate(second)) << "unsaved crate back at " << Where(second);
      EXPECT_TRUE(w.HasCrate(first)) << "saved crate missing at " << Where(first);
      for (const Point& crate : firstCrates)
        EXPECT_TRUE(w.HasCrate(crate)) << "saved crate missing at " << Where(crate);
    }

    // Left, at most back to the first crate; up, at least 40 pixels free
    // whatever stands above.
    const Walk left = Hold(w, "Left", -1, 0, 40, second);
    EXPECT_TRUE(left.moved) << "the hero did not walk left";
    const Walk up = Hold(w, "Up", 0, -1, 30, left.end);
    EXPECT_TRUE(up.moved) << "the hero did not walk up";
    // A trail follows the hero; a busy machine may show it on a few of the walks only.
    EXPECT_TRUE(down.trail || right.trail || left.trail || up.trail) << "no trail behind the hero";

    // Space: sparks fly out around the hero. The burst lasts a second or so
    // of the program's time, less than a grab of the screen may take on a
    // busy machine: the program is held still while the screen is grabbed
    // and let go for a quarter of a second between grabs, in which its
    // time moves at most a step of 0.1 s more than that, so the burst
    // spans several grabs however long each takes. Every frame counts.
    const Point hero = up.end;
    EXPECT_TRUE(w.WaitFor([&] { return !w.TrailBehind(hero, 0, -1); })) << "the trail did not fade";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    w.Grab();
    const Screenshot before = w.shot;
    std::vector<bool> marks;
    int brightened = 0;
    // The hero fires when space is let go, read once a frame: a press and
    // a release that fall between two slow frames are never seen, so each
    // try holds the key longer.
    for (const int holdMs : {50, 400, 1500, 4000}) {
      w.Key("keydown", "space");
      std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
      w.Key("keyup", "space");
      const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(12);
      do {
        w.shot = GrabHeld(pid);
        if (w.shot.error.empty()) brightened = w.Brightened(before, hero, marks);
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
      } while (brightened <= 200 && std::chrono::steady_clock::now() < end);
      if (brightened > 200) break;
    }
    EXPECT_GT(brightened, 200) << "no sparks around " << Where(hero);

    // F switches the lamp's light and the walls' shadows on; the Light
    // button switches them off again.
    EXPECT_TRUE(w.PlainFloor()) << Text(w.At(450, 200));
    w.Key("key", "f");
    EXPECT_TRUE(w.WaitFor([&] { return w.Shadowed(); })) << "F cast no shadow: " << Text(w.At(450, 200));
    // The button takes a press and a release while the pointer is over it.
    const auto face = [&](int blue) { return std::abs(w.At(524, 28)[2] - blue) < 12; };
    Shell("xdotool mousemove " + std::to_string(w.left + 560) + " " + std::to_string(w.top + 36));
    EXPECT_TRUE(w.WaitFor([&] { return face(210); })) << "the button shows no hover " << Text(w.At(524, 28));
    // The button reads the mouse's state once a frame, and a press and a
    // release that come between two frames cancel out: the press is held
    // until the button has switched (the frame after it saw the press).
    Shell("xdotool mousedown 1");
    EXPECT_TRUE(w.WaitFor([&] { return w.PlainFloor(); })) << "the button left the light on: " << Text(w.At(450, 200));
    Shell("xdotool mouseup 1");
    w.ParkPointer();
  };
  options.triggers.push_back(play);
  // Escape ends the program, also when a step above went wrong.
  options.triggers.push_back({"", 0.0,
                              [&](pid_t pid) {
                                if (w.id.empty()) kill(pid, SIGTERM);
                                w.Key("key", "Escape");
                              },
                              0, "", true});
  const RunResult run = RunOrv(folder, options);
  EXPECT_TRUE(RanCleanly(run));
  EXPECT_EQ(run.err.find("rror"), std::string::npos) << run.err;
  EXPECT_EQ(Count(saved(), "\"name\": \"crate\""), static_cast<std::size_t>(kSavedCrateEntries)) << saved();
}

// At debug level 1 the console lines show: a first start reports nothing
// missing, and a ring reaches only the crate beside the hero.
TEST(DemoGameProgram, FirstStartPrintsNoErrorAndTheNearCrateHearsTheRing) {
  ContentFolder folder;
  folder.CopyTree(std::string(ORV_SOURCE_DIR) + "/game");
  folder.WriteConfig(ConfigJson(640, 480, "Orv Demo", 60, 1));
  RunOptions options;
  options.timeoutSeconds = 100.0;
  options.env = {{"HOME", folder.Path() + "/home"}, {"XDG_DOCUMENTS_DIR", folder.Path() + "/documents"}};
  std::string window;
  const auto key = [&](const std::string& name) {
    Shell("xdotool key --window " + window + " " + name + " >/dev/null 2>&1");
  };
  options.triggers.push_back({"demo running\n", 0.2, [&](pid_t) {
                                window = Shell("xdotool search --name '^Orv Demo$' | head -n1");
                                window.erase(window.find_last_not_of('\n') + 1);
                                key("space");
                              }});
  options.triggers.push_back({"heard the hero\n", 0.2, [&](pid_t) { key("Escape"); }});
  const RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  EXPECT_EQ(run.out.find("rror"), std::string::npos) << run.out;
  EXPECT_EQ(run.err.find("rror"), std::string::npos) << run.err;
  // The level's crates are made first, so the one beside the hero is the second object.
  EXPECT_EQ(LinesStartingWith(run.out, "crate "), std::vector<std::string>{"crate 2 heard the hero"}) << run.out;
}

}  // namespace
