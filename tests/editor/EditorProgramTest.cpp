// The editor in the real program, as a developer uses it: an editor script
// adds crates, the middle button drags one, a key saves the level and
// another removes a crate; after a restart the level loads again, a corrupt
// file falls back to the one in data/, and a save that cannot be written
// leaves the saved file as it was.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "render/Screenshot.h"
#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

namespace fs = std::filesystem;

constexpr const char* kTitle = "OrvEditor";

// A 40x40 blue crate with a box collider and a body, editable; the editor
// script is the only object of the spawn list.
void WriteEditorScene(const ContentFolder& folder, const std::string& editorScript) {
  folder.WriteConfig(ConfigJson(400, 300, kTitle, 60, 1));
  folder.Write("res/audio/loadaudio.ini", R"({"sounds":[]})");
  folder.Copy(std::string(ORV_SOURCE_DIR) + "/tests/resources/data/blue_256.png", "res/textures/crate.png");
  folder.Write("res/textures/crate.pack",
               R"({"file":"crate.png","frames":[{"id":"crate_0","x":0,"y":0,"sizeX":40,"sizeY":40}]})");
  folder.Write("res/anims/crate.anim", R"({"crate":["crate_0"]})");
  folder.Write("data/gameobjects/crate.txt", R"({"name":"crate","id":2,"components":[
    {"type":"transform","data":[0.0, 0.0, 0.0, 1.0, 1.0]},
    {"type":"collision","data":["AABB", {"width": 40.0, "height": 40.0}]},
    {"type":"rigidbody","data":[]},
    {"type":"spriteanim","data":["crate"]},
    {"type":"editable","data":[]}]})");
  folder.Write("data/gameobjects/editor.txt", R"({"name":"editor","id":1,"components":[]})");
  folder.Write("data/scripts/editor.lua", editorScript);
  folder.Write("data/summoner.ini", R"({"spawn":[{"name":"editor","id":1,"params":{}}]})");
}

// The window's top-left corner on the screen.
bool WindowPosition(int& x, int& y) {
  const std::string geometry = Shell(std::string("xdotool search --name '^") + kTitle + "$' getwindowgeometry");
  std::smatch match;
  if (!std::regex_search(geometry, match, std::regex("Position: (-?\\d+),(-?\\d+)"))) return false;
  x = std::stoi(match[1]);
  y = std::stoi(match[2]);
  return true;
}

void Pause(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

// What the window shows at a few points: the crate's blue, or the black floor.
struct View {
  Screenshot shot;
  int left = 0;
  int top = 0;
  std::array<int, 3> At(int x, int y) const { return shot.At(left + x, top + y); }
  bool Blue(int x, int y) const {
    const auto c = At(x, y);
    return c[0] < 40 && c[1] < 40 && c[2] > 200;
  }
  bool Black(int x, int y) const {
    const auto c = At(x, y);
    return c[0] < 40 && c[1] < 40 && c[2] < 40;
  }
};

// A crate of 40 pixels drawn centred on (x, y): blue well inside, black
// well outside.
::testing::AssertionResult CrateAt(const View& view, int x, int y) {
  for (const auto& [dx, dy] : {std::pair{0, 0}, {-12, -12}, {12, 12}, {-12, 12}}) {
    if (!view.Blue(x + dx, y + dy)) {
      const auto c = view.At(x + dx, y + dy);
      return ::testing::AssertionFailure()
             << "no crate at (" << x + dx << ", " << y + dy << "): " << c[0] << ", " << c[1] << ", " << c[2];
    }
  }
  for (const auto& [dx, dy] : {std::pair{-30, 0}, {30, 0}, {0, -30}, {0, 30}}) {
    if (!view.Black(x + dx, y + dy)) {
      return ::testing::AssertionFailure() << "the crate at (" << x << ", " << y << ") is not 40 pixels wide";
    }
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult NothingAt(const View& view, int x, int y) {
  if (view.Black(x, y)) return ::testing::AssertionSuccess();
  const auto c = view.At(x, y);
  return ::testing::AssertionFailure() << "something at (" << x << ", " << y << "): " << c[0] << ", " << c[1] << ", "
                                       << c[2];
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The world as the screen shows it: the camera's centre is half the window.
// Lighting is switched off once the render system has started; the scene is
// seen after 20 frames.
constexpr const char* kCommon = R"(
local frames = 0
function Init()
  SetCameraX(200)
  SetCameraY(150)
  Start()
end

function Update(dt)
  frames = frames + 1
  if frames == 1 then SetEnableLighting(false) end
  if frames == 20 then print("scene drawn") end
  Edit(frames)
end
)";

}  // namespace

TEST(EditorProgram, PlacesDragsSavesRemovesAndLoadsCratesInTheUserFolder) {
  ContentFolder folder;
  const fs::path documents = fs::path(folder.Path()) / "documents";
  const fs::path user = documents / "Kelvane";
  RunOptions options;
  options.env = {{"HOME", folder.Path() + "/home"}, {"XDG_DOCUMENTS_DIR", documents.string()}};

  WriteEditorScene(folder, std::string(kCommon) + R"(
function Start()
  AddObject(200, 150, 5, "crate")
  AddObject(60, 60, 7, "crate")
end

function Edit(frames)
  local cursor = GetWorldCursor()
  MoveObject(cursor.x, cursor.y)
  if IsKeyReleased(KB_S) then
    SaveObjects("level.json")
    print("saved")
  end
  if IsKeyReleased(KB_R) then
    RemoveObject(300, 150)
    print("removed")
  end
end
)");
  View placed, dragged, removed;
  bool found = false;
  options.triggers.push_back({"scene drawn", 0.2, [&](pid_t pid) {
                                found = WindowPosition(placed.left, placed.top);
                                dragged.left = removed.left = placed.left;
                                dragged.top = removed.top = placed.top;
                                const auto move = [&](int x, int y) {
                                  Shell("xdotool mousemove " + std::to_string(placed.left + x) + " " +
                                        std::to_string(placed.top + y));
                                  Pause(0.15);
                                };
                                // The cursor's own disc stays out of the way.
                                move(390, 290);
                                placed.shot = GrabScreen();
                                move(200, 150);
                                Shell("xdotool mousedown 2");
                                Pause(0.2);
                                for (int x = 225; x <= 300; x += 25) move(x, 150);
                                Shell("xdotool mouseup 2");
                                move(390, 290);
                                dragged.shot = GrabScreen();
                                Shell("xdotool key s");
                              }});
  options.triggers.push_back({"saved", 0.2, [&](pid_t) { Shell("xdotool key r"); }});
  options.triggers.push_back({"removed", 0.4, [&](pid_t pid) {
                                removed.shot = GrabScreen();
                                kill(pid, SIGTERM);
                              }});
  RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  ASSERT_TRUE(found) << run.out;
  ASSERT_TRUE(placed.shot.error.empty()) << placed.shot.error;
  EXPECT_TRUE(CrateAt(placed, 200, 150));
  EXPECT_TRUE(CrateAt(placed, 60, 60));
  EXPECT_TRUE(NothingAt(placed, 300, 150));
  EXPECT_TRUE(CrateAt(dragged, 300, 150));
  EXPECT_TRUE(NothingAt(dragged, 200, 150));
  EXPECT_TRUE(CrateAt(dragged, 60, 60));
  EXPECT_TRUE(NothingAt(removed, 300, 150));
  EXPECT_TRUE(CrateAt(removed, 60, 60));
  EXPECT_NE(run.out.find("Object added:  Name: crate | ID: 5 | Position: 200, 150\n"
                         "Object stored: Name: crate | ID: 5 | Position: 200, 150\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("Creating folder...\nSaving to filepath: " + (user / "level.json").string() + "\n"),
            std::string::npos)
      << run.out;
  const std::string golden = ReadFile(fs::path(ORV_SOURCE_DIR) / "tests/editor/data/level.golden");
  ASSERT_FALSE(golden.empty());
  EXPECT_EQ(ReadFile(user / "level.json"), golden);

  // The restart: the saved level and a corrupt one, whose fallback in data/
  // holds one crate; then a save where a folder takes the new file's place.
  fs::create_directories(user / "level.json.saving");
  std::ofstream(user / "corrupt.json") << "{ \"spawn\": [ { \"name\": \"crate\", ";
  std::string fallback = golden.substr(0, golden.find("    },\n\n")) + "    }\n  ]\n}\n";
  fallback = std::regex_replace(fallback, std::regex("300\\.0"), "100.0");
  fallback = std::regex_replace(fallback, std::regex("150\\.0"), "250.0");
  folder.Write("data/corrupt.json", fallback);
  WriteEditorScene(folder, std::string(kCommon) + R"(
function Start()
  LoadObjects("level.json", true)
  LoadObjects("corrupt.json", true)
end

function Edit(frames)
  if frames == 20 then
    SaveObjects("level.json")
    print("save tried")
  end
end
)");
  View loaded;
  options.triggers = {{"save tried", 0.3, [&](pid_t pid) {
                         WindowPosition(loaded.left, loaded.top);
                         Shell("xdotool mousemove " + std::to_string(loaded.left + 390) + " " +
                               std::to_string(loaded.top + 290));
                         Pause(0.15);
                         loaded.shot = GrabScreen();
                         kill(pid, SIGTERM);
                       }}};
  run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  EXPECT_TRUE(CrateAt(loaded, 300, 150));
  EXPECT_TRUE(CrateAt(loaded, 60, 60));
  EXPECT_TRUE(CrateAt(loaded, 100, 250));
  EXPECT_TRUE(NothingAt(loaded, 200, 150));
  EXPECT_NE(run.out.find("Loading objects from filepath: " + (user / "level.json").string() +
                         "\nLevel Summoner says aloha!\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("Pos:  300, 150\nID:   5\nName: crate\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Loading objects from filepath: " + (user / "corrupt.json").string() +
                         "\nError loading summoner file: corrupt.json ...\nLoading default game objects\n"
                         "Level Summoner says aloha!\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.err.find((user / "corrupt.json").string() + ": line 1"), std::string::npos)
      << "the broken file and where it broke are named\n"
      << run.err;
  EXPECT_NE(run.out.find("Pos:  100, 250\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Saving to filepath: " + (user / "level.json").string() + "\nCreating save file failed!\n"),
            std::string::npos)
      << run.out;
  EXPECT_EQ(ReadFile(user / "level.json"), golden) << "a failed save leaves the saved level whole";
}
