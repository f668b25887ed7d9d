// The small game of the README, run as a reader would make it: a copy of
// game/ whose data/ is replaced by the README's files, taken from README.md
// itself so that the text and the test cannot drift apart.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/ProgramRun.h"

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

TEST(ReadmeGameProgram, ThePlayerPicksUpTheCoinItStartsOnAndTheGameGoesOn) {
  const auto files = ReadmeFiles();
  ASSERT_EQ(files.size(), 5u) << "the README's small game has five files";
  ContentFolder folder;
  folder.CopyTree(std::string(ORV_SOURCE_DIR) + "/game");
  std::filesystem::remove_all(folder.Path() + "/data");
  for (const auto& [path, text] : files) folder.Write(path, text);
  // game/ runs at debug level 0, where a script's print goes nowhere.
  folder.WriteConfig(ConfigJson(640, 480, "Orv Demo", 60, 1));

  RunOptions options;
  // A few frames after the first point: the game must neither stop nor count
  // the same coin again.
  options.triggers = {TerminateWhen("Score: 1", 1.0)};
  const RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  EXPECT_EQ(LinesStartingWith(run.out, "Score: "), std::vector<std::string>{"Score: 1"}) << run.out << run.err;
  EXPECT_EQ(run.err.find("Error"), std::string::npos) << run.err;
}

}  // namespace
