// The real program's render start and its cursor, seen from outside: the
// console lines, the screen under the pointer, a broken shader file.
#include <gtest/gtest.h>
#include <signal.h>

#include <regex>
#include <thread>

#include "Screenshot.h"
#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

// The window's top-left corner on the screen, from xdotool.
bool WindowPosition(const std::string& title, int& x, int& y) {
  const std::string geometry = Shell("xdotool search --name '^" + title + "$' getwindowgeometry");
  std::smatch match;
  if (!std::regex_search(geometry, match, std::regex("Position: (-?\\d+),(-?\\d+)"))) return false;
  x = std::stoi(match[1]);
  y = std::stoi(match[2]);
  return true;
}

void Pause(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

bool Near(const std::array<int, 3>& seen, const std::array<int, 3>& wanted, int tolerance = 4) {
  for (int i = 0; i < 3; ++i) {
    if (std::abs(seen[i] - wanted[i]) > tolerance) return false;
  }
  return true;
}

std::string Text(const std::array<int, 3>& c) {
  return "(" + std::to_string(c[0]) + ", " + std::to_string(c[1]) + ", " + std::to_string(c[2]) + ")";
}

}  // namespace

TEST(RenderProgram, StartsItsFrameBuffersQuietlyAndDrawsTheCursorDiscAtThePointer) {
  ContentFolder folder;
  folder.WriteConfig(ConfigJson(320, 200, "OrvCursor", 60, 1));
  Screenshot up, held;
  int left = 0, top = 0;
  bool found = false;
  RunOptions options;
  options.triggers.push_back({"framebuffer good!", 0.5, [&](pid_t pid) {
                                found = WindowPosition("OrvCursor", left, top);
                                Shell("xdotool mousemove " + std::to_string(left + 100) + " " +
                                      std::to_string(top + 80));
                                Pause(0.4);
                                up = GrabScreen();
                                Shell("xdotool mousedown 1");
                                Pause(0.4);
                                held = GrabScreen();
                                Shell("xdotool mouseup 1");
                                kill(pid, SIGTERM);
                              }});
  const RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  EXPECT_EQ(Count(run.out, "Render system start\n"), 1u) << run.out;
  EXPECT_EQ(Count(run.out, "framebuffer good!\n"), 3u) << run.out;
  // Every shader compiled and linked without a word.
  EXPECT_EQ(Count(run.out, "errlen"), 0u) << run.out;
  EXPECT_EQ(Count(run.out + run.err, "shader"), 0u) << run.out << run.err;
  EXPECT_EQ(Count(run.err, "not found!"), 0u) << run.err;

  ASSERT_TRUE(found) << "no window titled OrvCursor";
  ASSERT_TRUE(up.error.empty()) << up.error;
  ASSERT_TRUE(held.error.empty()) << held.error;
  const int cx = left + 100;
  const int cy = top + 80;
  // The disc has radius 5: its middle is the cursor's colour, 9 pixels off is the black scene.
  for (const auto& [dx, dy] : {std::pair{0, 0}, {-2, 0}, {2, 1}, {0, -2}}) {
    EXPECT_TRUE(Near(up.At(cx + dx, cy + dy), {255, 128, 51})) << Text(up.At(cx + dx, cy + dy));
    EXPECT_TRUE(Near(held.At(cx + dx, cy + dy), {153, 51, 255})) << Text(held.At(cx + dx, cy + dy));
  }
  for (const auto& [dx, dy] : {std::pair{9, 0}, {-9, 0}, {0, 9}, {0, -9}}) {
    EXPECT_TRUE(Near(up.At(cx + dx, cy + dy), {0, 0, 0})) << Text(up.At(cx + dx, cy + dy));
    EXPECT_TRUE(Near(held.At(cx + dx, cy + dy), {0, 0, 0})) << Text(held.At(cx + dx, cy + dy));
  }
}

TEST(RenderProgram, ABrokenShaderFilePrintsItsLogAndTheProgramGoesOn) {
  struct Case {
    int debug;
    const char* box;
  } cases[] = {
      {1, "Error compiling shader!"},
      {0, "Error! Your graphics card cannot support OpenGL 3.3 minimum"},
  };
  for (const Case& c : cases) {
    ContentFolder folder;
    folder.WriteConfig(ConfigJson(320, 200, "OrvBrokenShader", 60, c.debug));
    folder.Write("shaders/pointlight.frag", "#version 330\nout vec4 colour;\nvoid main() { colour = nothing; }\n");
    RunOptions options;
    options.triggers.push_back(TerminateWhen("", 2.0));
    const RunResult run = RunOrv(folder, options);
    ASSERT_TRUE(RanCleanly(run));
    EXPECT_EQ(Count(run.err, c.box), 1u) << run.err;
    if (c.debug == 0) continue;
    // The compiler's own words name what is wrong, once.
    EXPECT_EQ(Count(run.out, "errlen: "), 1u) << run.out;
    EXPECT_EQ(Count(run.out, "`nothing' undeclared"), 1u) << run.out;
    // A program that cannot link says so and is not drawn with.
    EXPECT_EQ(Count(run.out, "shaders/pointlight.frag cannot be linked"), 1u) << run.out;
    EXPECT_EQ(Count(run.out, "error compiling shader\n"), 1u) << run.out;
    EXPECT_EQ(Count(run.out, "framebuffer good!\n"), 3u) << run.out;
  }
}
