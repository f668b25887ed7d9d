// The game shipped in game/, run as a user runs it: it starts without an
// error line, the light and shadows switch on, a ring reaches the crate beside the hero through its channel,
// S saves the crates to the user folder and Escape ends the program.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

namespace fs = std::filesystem;

TEST(DemoGameProgram, StartsRingsTheNearCrateSavesAndQuits) {
  ContentFolder folder;
  folder.CopyTree(std::string(ORV_SOURCE_DIR) + "/game");
  RunOptions options;
  options.timeoutSeconds = 100.0;
  options.env = {{"HOME", folder.Path() + "/home"}, {"XDG_DOCUMENTS_DIR", folder.Path() + "/documents"}};
  std::string window;
  const auto key = [&](const std::string& name) {
    Shell("xdotool key --window " + window + " " + name + " >/dev/null 2>&1");
  };
  options.triggers.push_back({"demo running\n", 0.2, [&](pid_t) {
                                window = Shell("xdotool search --name '^Orv Demo$' | head -n1");
                                window.erase(window.find_last_not_of("\n") + 1);
                                key("space");
                              }});
  options.triggers.push_back({"heard the hero\n", 0.2, [&](pid_t) {
                                key("f");  // the lamp's light and the walls' shadows
                                key("s");
                              }});
  options.triggers.push_back({"Saving to filepath", 0.5, [&](pid_t) { key("Escape"); }});
  const RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  EXPECT_EQ(run.err.find("rror"), std::string::npos) << run.err;
  // The first start finds no saved crates and says so before taking those in data/.
  std::string out = run.out;
  const std::string firstStart = "Error loading summoner file: demo_level.json ...\nLoading default game objects\n";
  ASSERT_NE(out.find(firstStart), std::string::npos) << out;
  out.erase(out.find(firstStart), firstStart.size());
  EXPECT_EQ(out.find("rror"), std::string::npos) << out;
  // The saved crates' unique ids follow the level, the lamp and the hero.
  EXPECT_EQ(LinesStartingWith(run.out, "crate "), std::vector<std::string>{"crate 4 heard the hero"}) << run.out;
  const std::string saved = folder.Read("documents/Kelvane/demo_level.json");
  EXPECT_EQ(Count(saved, "\"name\": \"crate\""), 3u) << saved;
}

}  // namespace
