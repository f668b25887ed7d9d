// The editor in the real program, as a developer uses it: an editor script
// adds crates, the middle button drags one, a key saves the level and
// another removes a crate; after a restart the level loads again, a corrupt
// file falls back to the one in data/, and a save that cannot be written
// leaves the saved file as it was.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "support/ProgramRun.h"
#include "support/Screenshot.h"

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
  // A clear 2x2 image for the cursor, which would cover what a test looks at:
  // uncompressed true colour, 32 bits with 8 of alpha, rows from the top.
  const char header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 32, 0x28};
  folder.Write("res/textures/clear.tga", std::string(header, sizeof header) + std::string(16, '\0'));
  folder.Write("res/textures/clear.pack",
               R"({"file":"clear.tga","frames":[{"id":"clear","x":0,"y":0,"sizeX":2,"sizeY":2}]})");
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

struct View {
  Screenshot shot;
  int left = 0;
  int top = 0;
};

// 'B' for the crate's blue, '.' for the black floor, '?' for anything else.
char Seen(const View& view, int x, int y) {
  const auto c = view.shot.At(view.left + x, view.top + y);
  if (c[0] > 40 || c[1] > 40) return '?';
  return c[2] > 200 ? 'B' : c[2] < 40 ? '.' : '?';
}

// Around (x, y): three points 12 pixels inside a 40-pixel crate, then four
// 30 pixels out. A crate drawn there shows kCrate, none kFloor.
std::string Around(const View& view, int x, int y) {
  return {Seen(view, x - 12, y - 12), Seen(view, x, y),      Seen(view, x + 12, y + 12), Seen(view, x - 30, y),
          Seen(view, x + 30, y),      Seen(view, x, y - 30), Seen(view, x, y + 30)};
}
constexpr const char* kCrate = "BBB....";
constexpr const char* kFloor = ".......";

// The world as the screen shows it: the camera's centre is half the window.
// Lighting is switched off once the render system has started; the scene is
// seen after 20 frames.
constexpr const char* kCommon = R"(
local frames = 0
function Init()
  SetCursorImage("clear")
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

-- Each step says when it is done, for the test to take the next one.
local held, dragged, dropped, removed = false, false, 0, 0
function Edit(frames)
  local cursor = GetWorldCursor()
  MoveObject(cursor.x, cursor.y)
  if IsMousePressed(MOUSE_MID) and not held then
    held = true
    print("step held")
  end
  -- A crate follows a pointer that stays on it from one frame to the next.
  if IsMousePressed(MOUSE_MID) then print("held at " .. cursor.x) end
  if IsMousePressed(MOUSE_MID) and cursor.x == 300 and not dragged then
    dragged = true
    print("step dragged")
  end
  if IsMouseReleased(MOUSE_MID) then dropped = frames end
  if dropped > 0 and frames == dropped + 5 then print("step dropped") end
  if IsKeyReleased(KB_S) then
    SaveObjects("level.json")
    print("step saved")
  end
  if IsKeyReleased(KB_R) then
    RemoveObject(300, 150)
    removed = frames
  end
  if removed > 0 and frames == removed + 5 then print("step removed") end
end
)");
  View placed, dragged, removed;
  bool found = false;
  const auto grab = [&](View& view) {
    found = WindowPosition(kTitle, view.left, view.top);
    view.shot = GrabScreen();
  };
  const auto point = [&](int x, int y) {
    Shell("xdotool mousemove " + std::to_string(placed.left + x) + " " + std::to_string(placed.top + y));
  };
  options.triggers.push_back({"scene drawn", 0.1, [&](pid_t) {
                                grab(placed);
                                point(200, 150);
                                Shell("xdotool mousedown 2");
                              }});
  // One step of the pointer a frame, however long frames are.
  options.triggers.push_back({"step held", 0.0, [&](pid_t) { point(225, 150); }});
  for (int x = 250; x <= 300; x += 25) {
    options.triggers.push_back(AfterFrames("", 2, "held at ", [&, x](pid_t) { point(x, 150); }));
  }
  // Released once the crate has been seen at the last step for a frame.
  options.triggers.push_back(AfterFrames("step dragged", 2, "held at ", [&](pid_t) { Shell("xdotool mouseup 2"); }));
  options.triggers.push_back({"step dropped", 0.1, [&](pid_t) {
                                grab(dragged);
                                Shell("xdotool key s");
                              }});
  options.triggers.push_back({"step saved", 0.0, [&](pid_t) { Shell("xdotool key r"); }});
  options.triggers.push_back({"step removed", 0.1, [&](pid_t pid) {
                                grab(removed);
                                kill(pid, SIGTERM);
                              }});
  RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  ASSERT_TRUE(found) << run.out;
  ASSERT_TRUE(placed.shot.error.empty()) << placed.shot.error;
  EXPECT_EQ(Around(placed, 200, 150), kCrate);
  EXPECT_EQ(Around(placed, 60, 60), kCrate);
  EXPECT_EQ(Around(placed, 300, 150), kFloor);
  EXPECT_EQ(Around(dragged, 300, 150), kCrate);
  EXPECT_EQ(Around(dragged, 200, 150), kFloor);
  EXPECT_EQ(Around(dragged, 60, 60), kCrate);
  EXPECT_EQ(Around(removed, 300, 150), kFloor);
  EXPECT_EQ(Around(removed, 60, 60), kCrate);
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
  fs::create_directories(user / "level.json.orv-unfinished");
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
  options.triggers = {{"save tried", 0.1, [&](pid_t pid) {
                         grab(loaded);
                         kill(pid, SIGTERM);
                       }}};
  run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  EXPECT_EQ(Around(loaded, 300, 150), kCrate);
  EXPECT_EQ(Around(loaded, 60, 60), kCrate);
  EXPECT_EQ(Around(loaded, 100, 250), kCrate);
  EXPECT_EQ(Around(loaded, 200, 150), kFloor);
  EXPECT_NE(run.out.find("Loading objects from filepath: " + (user / "level.json").string() +
                         "\nLevel Summoner says aloha!\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("Pos:  300, 150\nID:   5\nName: crate\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Loading objects from filepath: " + (user / "corrupt.json").string() +
                         "\nOpening save file failed! Loading from data/corrupt.json\n"
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
