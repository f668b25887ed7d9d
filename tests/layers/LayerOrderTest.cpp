// The engine folders form layers: a folder may include its own headers and
// those of folders below it, never one above it, and no two folders include
// each other. Read from the sources' own #include "folder/..." lines.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Bottom up; folders in one pair of braces are side by side.
const std::vector<std::vector<std::string>> kLayers = {
    {"platform"}, {"core"},   {"orvlua"}, {"script"}, {"resources", "input", "audio"},
    {"world"},    {"render"}, {"editor"}, {"app"},
};

// The script engine empties the contact records the collision component
// keeps once the script has read them.
const std::set<std::pair<std::string, std::string>> kAllowed = {{"script", "world/CollisionComponent.h"}};

struct Include {
  std::string file;  // relative to the source folder
  int line;
  std::string from;  // folder of the file
  std::string to;    // folder named by the include
  std::string header;
};

std::map<std::string, int> LayerOf() {
  std::map<std::string, int> layer;
  for (std::size_t i = 0; i < kLayers.size(); ++i) {
    for (const std::string& folder : kLayers[i]) layer[folder] = static_cast<int>(i);
  }
  return layer;
}

// Every #include "folder/..." of an engine folder, naming an engine folder.
std::vector<Include> EngineIncludes() {
  const fs::path root = ORV_SOURCE_DIR;
  const std::map<std::string, int> layer = LayerOf();
  const std::regex include(R"(^\s*#\s*include\s*"(([a-z]+)/[^"]+)\")");
  std::vector<Include> found;
  for (const auto& [folder, unused] : layer) {
    for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
      const std::string extension = entry.path().extension().string();
      if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp")) continue;
      std::ifstream in(entry.path());
      std::string text;
      std::smatch match;
      for (int line = 1; std::getline(in, text); ++line) {
        if (!std::regex_search(text, match, include) || layer.count(match[2]) == 0) continue;
        found.push_back({fs::relative(entry.path(), root).string(), line, folder, match[2], match[1]});
      }
    }
  }
  return found;
}

TEST(LayerOrder, NoFolderIncludesOneAboveIt) {
  const std::map<std::string, int> layer = LayerOf();
  const std::vector<Include> includes = EngineIncludes();
  ASSERT_GT(includes.size(), 100u) << "the sources were not found under " << ORV_SOURCE_DIR;
  std::string upward;
  for (const Include& each : includes) {
    if (layer.at(each.to) <= layer.at(each.from) || kAllowed.count({each.from, each.header}) != 0) continue;
    upward += each.file + ":" + std::to_string(each.line) + " includes " + each.header + "\n";
  }
  EXPECT_EQ(upward, "") << "a folder reaches up the layers (bottom up: platform; core; orvlua; script; resources, "
                           "input, audio; world; render; editor; app)";
}

TEST(LayerOrder, NoTwoFoldersIncludeEachOther) {
  std::map<std::string, std::set<std::string>> reaches;
  for (const Include& each : EngineIncludes()) {
    if (each.from != each.to && kAllowed.count({each.from, each.header}) == 0) reaches[each.from].insert(each.to);
  }
  // Folders reached from each folder, followed to the end.
  std::string cycles;
  for (const auto& [start, direct] : reaches) {
    std::set<std::string> seen;
    std::vector<std::string> open(direct.begin(), direct.end());
    while (!open.empty()) {
      const std::string folder = open.back();
      open.pop_back();
      if (!seen.insert(folder).second) continue;
      if (auto next = reaches.find(folder); next != reaches.end())
        open.insert(open.end(), next->second.begin(), next->second.end());
    }
    if (seen.count(start) != 0) cycles += start + " reaches itself\n";
  }
  EXPECT_EQ(cycles, "");
}

}  // namespace
