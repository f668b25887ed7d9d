// The program as a user starts it: configuration, window, console lines, exit.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

RunOptions TerminateAfterStart(double seconds = 1.0) {
  RunOptions options;
  options.triggers.push_back(TerminateWhen("-Register Components-", seconds));
  return options;
}

}  // namespace

TEST(StartUp, MissingConfigurationEndsWithOneAndPrintsNothing) {
  ContentFolder folder;
  RunResult run = RunOrv(folder);
  EXPECT_TRUE(RanCleanly(run, 1));
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "");
}

TEST(StartUp, BrokenConfigurationIsLikeAMissingOne) {
  for (const char* text : {"{\"width\": 640,", "", "not json"}) {
    ContentFolder folder;
    folder.WriteConfig(text);
    RunResult run = RunOrv(folder);
    EXPECT_TRUE(RanCleanly(run, 1)) << text;
    EXPECT_EQ(run.out, "") << text;
  }
}

TEST(StartUp, ZeroMissingOrNegativeSizeIsRefusedNamingTheKey) {
  struct Case {
    const char* json;
    const char* key;
  } cases[] = {
      {R"({"height":480,"title":"T","fps":60,"debug":-1})", "\"width\""},
      {R"({"width":640,"height":0,"title":"T","fps":60,"debug":-1})", "\"height\""},
      {R"({"width":-640,"height":480,"title":"T","fps":60,"debug":-1})", "\"width\""},
      {R"({"width":640,"height":-1,"title":"T","fps":60,"debug":-1})", "\"height\""},
      {R"([1,2,3])", "\"width\""},
  };
  for (const Case& c : cases) {
    ContentFolder folder;
    folder.WriteConfig(c.json);
    RunResult run = RunOrv(folder);
    EXPECT_TRUE(RanCleanly(run, 1)) << c.json;
    EXPECT_NE(run.err.find("config/config.ini"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(c.key), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
  }
}

TEST(StartUp, OpensTitledWindowAndEndsCleanlyOnTerminate) {
  ContentFolder folder;
  folder.WriteConfig(ConfigJson(640, 480, "OrvStartUpTitle", 60, -1));
  std::string geometry;
  RunOptions options;
  options.triggers.push_back({"-Register Components-", 0.5, [&](pid_t pid) {
                                geometry = Shell("xdotool search --name '^OrvStartUpTitle$' getwindowgeometry");
                                kill(pid, SIGTERM);
                              }});
  RunResult run = RunOrv(folder, options);
  EXPECT_TRUE(RanCleanly(run));
  EXPECT_NE(geometry.find("Geometry: 640x480"), std::string::npos) << geometry;
  // At a negative level only what prints at every level shows: the render
  // system's Init line, then the texture head.
  EXPECT_EQ(run.out.rfind("Init!\n-Load Textures-\n", 0), 0u) << run.out;
  EXPECT_NE(run.out.find("\n-Register Components-\n"), std::string::npos);
  EXPECT_EQ(run.out.find("-Load Fonts-"), std::string::npos);
  // An empty content folder has nothing to load; that is all it may report.
  std::istringstream errLines(run.err);
  for (std::string line; std::getline(errLines, line);) {
    EXPECT_TRUE(line.rfind("No files found for: ", 0) == 0 || line == "Error loading Font Resource file" ||
                line.rfind("Error! Audio data load config file not found: ", 0) == 0)
        << line;
  }
}

TEST(StartUp, DebugLevelZeroPrintsNothingAndLevelTwoPrintsEveryHead) {
  ContentFolder quiet;
  quiet.WriteConfig(ConfigJson(320, 200, "Quiet", 60, 0));
  RunOptions options;
  options.triggers.push_back(TerminateOnceWindowShows("Quiet", 1.0));
  RunResult run = RunOrv(quiet, options);
  EXPECT_TRUE(RanCleanly(run));
  EXPECT_EQ(run.out, "");

  ContentFolder verbose;
  verbose.WriteConfig(ConfigJson(320, 200, "Verbose", 60, 2));
  run = RunOrv(verbose, TerminateAfterStart(0.3));
  EXPECT_TRUE(RanCleanly(run));
  std::size_t at = 0;
  for (const char* head : {"-Load Textures-", "-Load Animation Data", "-Load Fonts-", "-Load Tiletsets-",
                           "-Load External Scripts", "-Load Audio-", "\n-Register Components-",
                           "\n-Load Game Object Blueprints-", "\n-Load Game Object Scripts-"}) {
    at = run.out.find(head, at);
    ASSERT_NE(at, std::string::npos) << head << " missing or out of order in:\n" << run.out;
  }
}

TEST(StartUp, DebugLevelFourShowsPreUpdateTimingOfNineSystems) {
  ContentFolder folder;
  folder.WriteConfig(ConfigJson(320, 200, "Timing", 60, 4));
  // The timing block ends with the ninth system's entry.
  RunOptions options;
  options.triggers.push_back(TerminateWhen("8 : "));
  RunResult run = RunOrv(folder, options);
  EXPECT_TRUE(RanCleanly(run));
  // The nine systems of the update list, two entries to a line.
  const std::regex block(
      "0 : \\d+\t\t1 : \\d+\t\t\n2 : \\d+\t\t3 : \\d+\t\t\n4 : \\d+\t\t5 : \\d+\t\t\n"
      "6 : \\d+\t\t7 : \\d+\t\t\n8 : \\d+\t\t\n");
  EXPECT_TRUE(std::regex_search(run.out, block)) << run.out.substr(0, 2000);
  EXPECT_NE(run.out.find("\x1b[2J"), std::string::npos) << "the console is cleared before each refresh";
  EXPECT_EQ(run.out.find("9 : "), std::string::npos);
}

TEST(StartUp, ZeroFpsWarnsRunsNoFrameAndStillEndsNormally) {
  for (const char* fps : {"0", "60.0", "\"60\""}) {
    ContentFolder folder;
    folder.WriteConfig(std::string(R"({"width":320,"height":200,"title":"NoFrames","debug":4,"fps":)") + fps + "}");
    RunResult run = RunOrv(folder, TerminateAfterStart(1.0));
    EXPECT_TRUE(RanCleanly(run)) << fps;
    EXPECT_NE(run.err.find("\"fps\" must be a positive integer"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("no frame will run"), std::string::npos) << run.err;
    // The timing display comes from frames: none may appear.
    EXPECT_EQ(run.out.find("0 : "), std::string::npos) << fps;
  }
}

// Each value the engine does not take as written gets one line saying what it
// runs with; a frame at a low rate hands Update the whole interval.
TEST(StartUp, FpsOutsideWhatTheEngineUsesIsSaidWithWhatItUsesInstead) {
  const std::string head = "config/config.ini: \"fps\" ";
  const std::string unlimited =
      "is negative: frames run one after the other as fast as they can, with no frame "
      "rate kept";
  struct Case {
    const char* fps;
    std::string line;
    const char* step;  // the first step Update is handed, when it is fixed
  };
  const Case cases[] = {
      {"-1", head + "-1 " + unlimited, nullptr},
      {"-60", head + "-60 " + unlimited, nullptr},
      {"4294967297",
       head + "4294967297 does not fit 32 bits; its low 32 bits, 1, are used: 1 is below 10 frames a "
              "second: each frame hands Update a step of 1 s, longer than the 0.1 s that a step is "
              "held to at higher rates",
       "1.000"},
      {"5",
       head + "5 is below 10 frames a second: each frame hands Update a step of 0.2 s, longer than the 0.1 s that "
              "a step is held to at higher rates",
       "0.200"},
      {"10", "", "0.100"},
  };
  for (const Case& c : cases) {
    ContentFolder folder;
    WriteScriptScene(folder, "OrvFps",
                     {{"Stepper", "function Update(dt) print(('dt %.3f'):format(dt)) Shutdown() end"}},
                     {{"Stepper", 1}});
    folder.WriteConfig(std::string(R"({"width":320,"height":200,"title":"OrvFps","debug":1,"fps":)") + c.fps + "}");
    const RunResult run = RunOrv(folder);
    ASSERT_TRUE(RanCleanly(run)) << c.fps;
    const std::vector<std::string> lines = LinesStartingWith(run.err, head);
    EXPECT_EQ(lines, c.line.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.line}) << c.fps;
    ASSERT_NE(run.out.find("dt "), std::string::npos) << c.fps << run.out;
    const std::string step = run.out.substr(run.out.find("dt ") + 3, 5);
    if (c.step != nullptr) {
      EXPECT_EQ(step, c.step) << c.fps;
    } else {
      EXPECT_LE(std::stod(step), 0.1) << c.fps;
    }
  }
}

TEST(StartUp, NoDisplayReportsTheContextFailureAndEndsWithOne) {
  ContentFolder folder;
  folder.WriteConfig(ConfigJson(320, 200, "NoDisplay", 60, -1));
  RunOptions options;
  options.env = {{"DISPLAY", ":4099"}, {"WAYLAND_DISPLAY", ""}};
  RunResult run = RunOrv(folder, options);
  EXPECT_TRUE(RanCleanly(run, 1));
  EXPECT_TRUE(run.err.find("Fail to register WNDCLASSEX") != std::string::npos ||
              run.err.find("Fail to create window!") != std::string::npos ||
              run.err.find("Failed to set pixel format") != std::string::npos ||
              run.err.find("Failed to create and activate render context") != std::string::npos ||
              run.err.find("Failed to initialize GLEW") != std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("Error Unable to initialize Application Context\n"), std::string::npos) << run.err;
}
