// The real program's render start and its cursor, seen from outside: the
// console lines, the screen under the pointer, a broken shader file, a
// game's own shaders.
#include <gtest/gtest.h>
#include <signal.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <regex>
#include <thread>
#include <utility>
#include <vector>

#include "support/ProgramRun.h"
#include "support/Screenshot.h"
#include "support/TestImages.h"

using namespace OrvTest;

namespace {

// A run of the folder's program with the pointer moved 100, 80 into its
// window: the screen with the left button up, then held. The scene prints
// kTick every frame; each screenshot waits three of them after the pointer
// changed: one frame may have read its input before, the next draws the
// change, and the one after shows it was shown.
struct PointerRun {
  RunResult run;
  Screenshot up, held;
  bool found = false;
  int x = 0, y = 0;  // the pointer on the screen
};

const char* const kTick = "tick\n";
const std::pair<std::string, std::string> kTicker{"Ticker", "function Update(dt) print('tick') end\n"};

PointerRun RunWithPointer(const ContentFolder& folder, const std::string& title) {
  PointerRun result;
  RunOptions options;
  options.triggers.push_back({kTick, 0.0, [&](pid_t) {
                                int left = 0, top = 0;
                                result.found = WindowPosition(title, left, top);
                                result.x = left + 100;
                                result.y = top + 80;
                                Shell("xdotool mousemove --sync " + std::to_string(result.x) + " " +
                                      std::to_string(result.y));
                              }});
  options.triggers.push_back(AfterFrames("", 3, kTick, [&](pid_t) {
    result.up = GrabScreen();
    // Asking where the pointer is waits until the server took the press.
    Shell("xdotool mousedown 1 getmouselocation");
  }));
  options.triggers.push_back(AfterFrames("", 3, kTick, [&](pid_t pid) {
    result.held = GrabScreen();
    Shell("xdotool mouseup 1");
    kill(pid, SIGTERM);
  }));
  result.run = RunOrv(folder, options);
  return result;
}

// A 24-bit BMP of one colour.
std::string SolidBmp(int size, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return OrvTest::Bmp24(size, size, [=](int, int) { return OrvTest::Rgb8{r, g, b}; });
}

}  // namespace

TEST(RenderProgram, StartsItsFrameBuffersQuietlyAndDrawsTheCursorDiscAtThePointer) {
  ContentFolder folder;
  WriteScriptScene(folder, "OrvCursor", {kTicker}, {{"Ticker", 1}});
  const PointerRun pointer = RunWithPointer(folder, "OrvCursor");
  const RunResult& run = pointer.run;
  ASSERT_TRUE(RanCleanly(run));
  EXPECT_EQ(Count(run.out, "Render system start\n"), 1u) << run.out;
  EXPECT_EQ(Count(run.out, "framebuffer good!\n"), 3u) << run.out;
  // Every shader compiled and linked without a word.
  EXPECT_EQ(Count(run.out, "errlen"), 0u) << run.out;
  EXPECT_EQ(Count(run.out + run.err, "shader"), 0u) << run.out << run.err;
  EXPECT_EQ(Count(run.err, "not found!"), 0u) << run.err;

  ASSERT_TRUE(pointer.found) << "no window titled OrvCursor";
  ASSERT_TRUE(pointer.up.error.empty()) << pointer.up.error;
  ASSERT_TRUE(pointer.held.error.empty()) << pointer.held.error;
  const int cx = pointer.x, cy = pointer.y;
  // The disc has radius 5: its middle is the cursor's colour, 9 pixels off is the black scene.
  for (const auto& [dx, dy] : {std::pair{0, 0}, {-2, 0}, {2, 1}, {0, -2}}) {
    EXPECT_TRUE(Near(pointer.up.At(cx + dx, cy + dy), {255, 128, 51}, 4)) << Text(pointer.up.At(cx + dx, cy + dy));
    EXPECT_TRUE(Near(pointer.held.At(cx + dx, cy + dy), {153, 51, 255}, 4)) << Text(pointer.held.At(cx + dx, cy + dy));
  }
  for (const auto& [dx, dy] : {std::pair{9, 0}, {-9, 0}, {0, 9}, {0, -9}}) {
    EXPECT_TRUE(Near(pointer.up.At(cx + dx, cy + dy), {0, 0, 0}, 4)) << Text(pointer.up.At(cx + dx, cy + dy));
    EXPECT_TRUE(Near(pointer.held.At(cx + dx, cy + dy), {0, 0, 0}, 4)) << Text(pointer.held.At(cx + dx, cy + dy));
  }
}

TEST(RenderProgram, ScriptsGiveTheCursorAnImageForUpAndOneForHeld) {
  ContentFolder folder;
  WriteScriptScene(
      folder, "OrvCursorImage",
      {{"Pointer", "function Init()\n  SetCursorImage('arrow')\n  SetCursorImagePressed('arrow_down')\nend\n"},
       kTicker},
      {{"Pointer", 1}, {"Ticker", 2}});
  folder.Write("res/textures/arrow.bmp", SolidBmp(16, 0, 255, 0));
  folder.Write("res/textures/arrow_down.bmp", SolidBmp(16, 0, 0, 255));
  for (const char* name : {"arrow", "arrow_down"}) {
    folder.Write(std::string("res/textures/") + name + ".pack",
                 std::string(R"({"file": ")") + name + R"(.bmp", "frames": [{"id": ")" + name +
                     R"(", "x": 0, "y": 0, "sizeX": 16, "sizeY": 16}]})");
  }
  const PointerRun pointer = RunWithPointer(folder, "OrvCursorImage");
  ASSERT_TRUE(RanCleanly(pointer.run));
  ASSERT_TRUE(pointer.found && pointer.up.error.empty() && pointer.held.error.empty());
  // A 16-pixel image centred on the pointer: 6 pixels off is still inside it
  // (beyond the disc), 10 pixels off is outside.
  for (const auto& [dx, dy] : {std::pair{0, 0}, {-6, -6}, {6, 6}}) {
    const int x = pointer.x + dx, y = pointer.y + dy;
    EXPECT_TRUE(Near(pointer.up.At(x, y), {0, 255, 0}, 4)) << Text(pointer.up.At(x, y));
    EXPECT_TRUE(Near(pointer.held.At(x, y), {0, 0, 255}, 4)) << Text(pointer.held.At(x, y));
  }
  EXPECT_TRUE(Near(pointer.up.At(pointer.x + 10, pointer.y), {0, 0, 0}, 4))
      << Text(pointer.up.At(pointer.x + 10, pointer.y));
}

TEST(RenderProgram, ABrokenShaderFilePrintsItsLogAndTheProgramGoesOn) {
  const std::string broken = "#version 330\nout vec4 colour;\nvoid main() { colour = nothing; }\n";
  // A file of binary bytes is not the card's fault, at any level.
  const std::string binary("\x01\xff\x00\x7f\x02", 5);
  const std::string notText =
      "Error compiling shader! shaders/pointlight.frag is not text (byte 0 is 1): the driver's "
      "log above says what it could not compile\n";
  struct Case {
    int debug;
    std::string source;
    std::string box;
  } cases[] = {
      {1, broken, "Error compiling shader!\n"},
      {0, broken, "Error! Your graphics card cannot support OpenGL 3.3 minimum"},
      {0, binary, notText},
      {1, binary, notText},
  };
  for (const Case& c : cases) {
    ContentFolder folder;
    folder.WriteConfig(ConfigJson(320, 200, "OrvBrokenShader", 60, c.debug));
    folder.Write("shaders/pointlight.frag", c.source);
    RunOptions options;
    options.triggers.push_back(TerminateOnceWindowShows("OrvBrokenShader"));
    const RunResult run = RunOrv(folder, options);
    ASSERT_TRUE(RanCleanly(run));
    EXPECT_EQ(Count(run.err, c.box), 1u) << run.err;
    if (c.source == binary) {
      EXPECT_EQ(Count(run.err, "OpenGL 3.3"), 0u) << run.err;
      EXPECT_EQ(Count(run.err, "Error compiling shader!"), 1u) << run.err;
    }
    if (c.debug == 0 || c.source == binary) continue;
    // The compiler's own words name what is wrong, once.
    EXPECT_EQ(Count(run.out, "errlen: "), 1u) << run.out;
    EXPECT_EQ(Count(run.out, "`nothing' undeclared"), 1u) << run.out;
    // A program that cannot link says so and is not drawn with.
    EXPECT_EQ(Count(run.out, "shaders/pointlight.frag cannot be linked"), 1u) << run.out;
    EXPECT_EQ(Count(run.out, "error compiling shader\n"), 1u) << run.out;
    EXPECT_EQ(Count(run.out, "framebuffer good!\n"), 3u) << run.out;
  }
}

// The engine takes cheaper ways to its own shaders' pictures; a game's own
// shaders for the frame's copies are drawn as written. Here each adds a
// colour to the empty scene's black.
TEST(RenderProgram, AGamesOwnShadersForTheFramesCopiesAreDrawnAsWritten) {
  const auto plus = [](const char* name, const char* colour) {
    std::ifstream in(std::string(ORV_SOURCE_DIR) + "/game/shaders/" + name);
    std::string text(std::istreambuf_iterator<char>(in), {});
    const auto at = text.rfind(", 1.0);");
    return std::pair{std::string(name), at == std::string::npos ? text : text.insert(at, std::string(" + ") + colour)};
  };
  const struct Case {
    const char* what;
    bool lit;
    std::vector<std::pair<std::string, std::string>> shaders;
    std::array<int, 3> wanted;
  } cases[] = {
      {"own lit and final shaders",
       true,
       {plus("pointlight.frag", "vec3(0.5, 0.0, 0.0)"), plus("texture2DBloom.frag", "vec3(0.0, 0.0, 0.5)")},
       {128, 0, 128}},
      {"own plain shader, lit", true, {plus("texture2D.frag", "vec3(0.0, 0.5, 0.0)")}, {0, 0, 0}},
      {"own plain shader, unlit", false, {plus("texture2D.frag", "vec3(0.0, 0.5, 0.0)")}, {0, 128, 0}},
  };
  for (const Case& c : cases) {
    ContentFolder folder;
    const std::string script = std::string("function Init() SetEnableLighting(") + (c.lit ? "true" : "false") +
                               ") end\nfunction Update(dt) print('tick') end\n";
    WriteScriptScene(folder, "OrvOwnShaders", {{"Scene", script}}, {{"Scene", 1}}, R"([{"type":"script","data":[]}])");
    for (const auto& [name, text] : c.shaders) folder.Write("shaders/" + name, text);
    Screenshot shot;
    int left = 0, top = 0;
    bool found = false;
    RunOptions options;
    options.triggers.push_back(AfterFrames("", 4, kTick, [&](pid_t pid) {
      found = WindowPosition("OrvOwnShaders", left, top);
      shot = GrabScreen();
      kill(pid, SIGTERM);
    }));
    const RunResult run = RunOrv(folder, options);
    ASSERT_TRUE(RanCleanly(run)) << c.what;
    ASSERT_TRUE(found && shot.error.empty()) << c.what << ": " << shot.error;
    EXPECT_EQ(Count(run.out + run.err, "shader"), 0u) << c.what << ": " << run.out << run.err;
    // Away from the middle, where the pointer's disc may be.
    for (const auto& [x, y] : {std::pair{40, 40}, {280, 160}}) {
      EXPECT_TRUE(Near(shot.At(left + x, top + y), c.wanted, 3)) << c.what << ": " << Text(shot.At(left + x, top + y));
    }
  }
}
