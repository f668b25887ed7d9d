// The content reference in docs/content/ against the engine: every component
// type the engine registers has its section, with a row for each member it
// declares at the member's index, and every member a content-file loader reads
// has its row under that file's heading. Rows that name nothing the engine
// knows fail as well, so neither side drifts.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "app/GameEngine.h"
#include "core/ComponentCreate.h"
#include "support/ProgramRun.h"

namespace {

std::string ReadSource(const std::string& relative) {
  return OrvTest::ReadFile(std::string(ORV_SOURCE_DIR) + "/" + relative);
}

// One "##" section of a page: its heading and the rows of its tables whose
// header's first cell is one of the given words, each row split in cells.
struct Section {
  std::string heading;
  std::vector<std::vector<std::string>> rows;
};

std::vector<std::string> Cells(const std::string& line) {
  std::vector<std::string> cells;
  std::size_t start = 1;
  for (std::size_t bar = line.find('|', start); bar != std::string::npos; bar = line.find('|', start)) {
    std::string cell = line.substr(start, bar - start);
    cell.erase(0, cell.find_first_not_of(' '));
    cell.erase(cell.find_last_not_of(' ') + 1);
    cells.push_back(cell);
    start = bar + 1;
  }
  return cells;
}

std::vector<Section> Sections(const std::string& page, const std::set<std::string>& headerWords) {
  std::vector<Section> sections;
  std::ifstream in(std::string(ORV_SOURCE_DIR) + "/docs/content/" + page);
  bool inRows = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("## ", 0) == 0) {
      sections.push_back({line.substr(3), {}});
      inRows = false;
      continue;
    }
    if (line.rfind('|', 0) != 0) {
      inRows = false;
      continue;
    }
    const std::vector<std::string> cells = Cells(line);
    if (cells.empty() || sections.empty()) continue;
    if (headerWords.count(cells[0]) != 0) {
      inRows = true;
    } else if (inRows && cells[0].find("---") == std::string::npos) {
      sections.back().rows.push_back(cells);
    }
  }
  return sections;
}

// The first code span of a cell, without the quotes a JSON key is written in;
// empty when the cell has none.
std::string Named(const std::string& cell) {
  static const std::regex span("`\"?([^`\"]+)\"?`");
  std::smatch match;
  return std::regex_search(cell, match, span) ? match[1].str() : std::string();
}

std::string Joined(const std::set<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += " " + name;
  return text;
}

TEST(ContentReference, EveryRegisteredComponentAndDeclaredMemberHasItsRow) {
  Orv::GameEngine engine("reference", 64, 64, false, false);
  ::testing::internal::CaptureStdout();
  Orv::RegisterEngineComponents(engine);
  ::testing::internal::GetCapturedStdout();
  Orv::GameObjectManager& manager = engine.GetGameObjectManager();

  // What each component declares: member name -> index, as Setup gives them.
  std::map<std::string, std::map<std::string, unsigned>> declared;
  for (const auto& [name, key] : manager.GetComponentTypeKeys()) {
    auto factory = manager.GetComponentCreator(name).Lock();
    ASSERT_TRUE(factory) << name;
    std::shared_ptr<Orv::Component> component = factory->Create();
    component->Setup();
    declared[name] = component->GetPropertyNames();
  }
  ASSERT_GE(declared.size(), 11u) << "the registration listed fewer components than the engine has";
  ASSERT_EQ(declared["collision"].count("Collider_Type"), 1u) << "the engine's members were not read";

  std::map<std::string, Section> documented;
  for (Section& section : Sections("components.md", {"Index"})) {
    documented[Named(section.heading)] = std::move(section);
  }
  std::set<std::string> missingSections, unknownSections, missingRows, unknownRows, wrongIndex;
  for (const auto& [name, members] : declared) {
    const auto found = documented.find(name);
    if (found == documented.end() || found->second.rows.empty()) {
      missingSections.insert(name);
      continue;
    }
    std::map<std::string, std::string> rowIndex;
    for (const auto& row : found->second.rows) {
      const std::string member = row.size() > 1 ? Named(row[1]) : std::string();
      if (member.empty()) continue;
      rowIndex[member] = row[0];
      if (members.count(member) == 0) unknownRows.insert(name + "." + member);
    }
    for (const auto& [member, index] : members) {
      const auto row = rowIndex.find(member);
      if (row == rowIndex.end()) {
        missingRows.insert(name + "." + member);
      } else if (row->second != std::to_string(index)) {
        wrongIndex.insert(name + "." + member + "=" + std::to_string(index));
      }
    }
  }
  for (const auto& [name, section] : documented) {
    if (declared.count(name) == 0) unknownSections.insert(name.empty() ? "(a heading without a name)" : name);
  }
  std::printf("%zu components registered, %zu documented\n", declared.size(), documented.size());
  EXPECT_TRUE(missingSections.empty()) << "registered, without a section and rows in components.md:"
                                       << Joined(missingSections);
  EXPECT_TRUE(unknownSections.empty()) << "sections of components.md that name no registered component:"
                                       << Joined(unknownSections);
  EXPECT_TRUE(missingRows.empty()) << "declared members without a row:" << Joined(missingRows);
  EXPECT_TRUE(unknownRows.empty()) << "rows naming a member the component does not declare:" << Joined(unknownRows);
  EXPECT_TRUE(wrongIndex.empty()) << "rows whose index is not the declared one:" << Joined(wrongIndex);
}

// The body of each top-level function of a source file, by name; a body's
// braces are counted outside strings, characters and comments.
std::map<std::string, std::string> FunctionBodies(const std::string& source) {
  std::map<std::string, std::string> bodies;
  static const std::regex head(R"((?:^|\n)[A-Za-z][^\n;{}()]*?\b(?:\w+::)?(\w+)\([^;{]*\)\s*(?:const\s*)?\{)");
  for (std::sregex_iterator it(source.begin(), source.end(), head), end; it != end; ++it) {
    std::size_t at = static_cast<std::size_t>(it->position(0) + it->length(0));
    int depth = 1;
    const std::size_t start = at;
    while (at < source.size() && depth > 0) {
      const char c = source[at];
      if (c == '"' || c == '\'') {
        for (++at; at < source.size() && source[at] != c; ++at) {
          if (source[at] == '\\') ++at;
        }
      } else if (c == '/' && at + 1 < source.size() && source[at + 1] == '/') {
        at = source.find('\n', at);
        if (at == std::string::npos) break;
      } else if (c == '{') {
        ++depth;
      } else if (c == '}') {
        --depth;
      }
      ++at;
    }
    bodies[(*it)[1]] += source.substr(start, at - start);
  }
  return bodies;
}

// The JSON members a piece of loader code reads: the literal keys handed to
// json_object_get, and every literal handed to a helper of the same file
// that passes a key of its own to json_object_get.
std::set<std::string> KeysRead(const std::string& code, const std::set<std::string>& helpers) {
  std::set<std::string> keys;
  static const std::regex direct(R"re(json_object_get\(\s*\w+\s*,\s*"([^"]+)"\s*\))re");
  for (std::sregex_iterator it(code.begin(), code.end(), direct), end; it != end; ++it) keys.insert((*it)[1]);
  static const std::regex literal(R"re("([^"\\]*)")re");
  for (const std::string& helper : helpers) {
    const std::regex call("\\b" + helper + "\\(([^;]*?)\\)\\s*[;)&|!=]");
    for (std::sregex_iterator it(code.begin(), code.end(), call), end; it != end; ++it) {
      const std::string arguments = (*it)[1];
      for (std::sregex_iterator lit(arguments.begin(), arguments.end(), literal); lit != end; ++lit) {
        keys.insert((*lit)[1]);
      }
    }
  }
  return keys;
}

std::set<std::string> Helpers(const std::map<std::string, std::string>& bodies) {
  std::set<std::string> helpers;
  static const std::regex forwarded(R"(json_object_get\(\s*\w+\s*,\s*[A-Za-z_]\w*\s*\))");
  for (const auto& [name, body] : bodies) {
    if (std::regex_search(body, forwarded)) helpers.insert(name);
  }
  return helpers;
}

// Which loader reads which file: the functions of a source file whose member
// reads that file's section lists. A file read as text has no members: only
// its section is required.
struct Loader {
  std::string source;
  std::vector<std::string> functions;
  std::string file;
};

const std::vector<Loader>& Loaders() {
  static const std::vector<Loader> loaders = {
      {"app/Config.cpp", {"ReadConfig"}, "config/config.ini"},
      {"app/GameEngineBlueprints.cpp", {"LoadBlueprintFile"}, "data/gameobjects/*.txt"},
      {"core/GOSummoner.cpp", {"Start", "AddParams"}, "data/summoner.ini"},
      {"resources/ResourceManager.cpp", {"LoadTexturePack"}, "res/textures/*.pack"},
      {"resources/ResourceManager.cpp", {"LoadTileset"}, "res/textures/*.tileset"},
      {"resources/ResourceManager.cpp", {"LoadAnimFile"}, "res/anims/*.anim"},
      {"resources/ResourceManager.cpp", {"LoadFonts"}, "res/loadfonts.ini"},
      {"audio/AudioSubManager.cpp", {"LoadConfig"}, "res/audio/loadaudio.ini"},
      {"resources/Tilemap.cpp", {"ReadHeader", "LoadRow"}, "data/maps/*.txt"},
      {"editor/LevelObjectFile.cpp", {"ReadLevelObjectList", "AddParams"}, "SaveObjects"},
  };
  return loaders;
}

TEST(ContentReference, EveryMemberALoaderReadsHasItsRowUnderItsFile) {
  std::map<std::string, Section> documented;
  for (Section& section : Sections("files.md", {"Member"})) {
    documented[Named(section.heading)] = std::move(section);
  }
  std::set<std::string> missingSections, missingFunctions, missingRows, unknownRows, unmapped;
  std::map<std::string, std::set<std::string>> mappedKeys;
  std::size_t keysFound = 0;
  for (const Loader& loader : Loaders()) {
    const std::map<std::string, std::string> bodies = FunctionBodies(ReadSource(loader.source));
    const std::set<std::string> helpers = Helpers(bodies);
    std::set<std::string> keys;
    for (const std::string& function : loader.functions) {
      const auto body = bodies.find(function);
      if (body == bodies.end()) {
        missingFunctions.insert(loader.source + ":" + function);
        continue;
      }
      for (const std::string& key : KeysRead(body->second, helpers)) keys.insert(key);
    }
    keysFound += keys.size();
    mappedKeys[loader.source].insert(keys.begin(), keys.end());
    const auto section = documented.find(loader.file);
    if (section == documented.end()) {
      missingSections.insert(loader.file);
      continue;
    }
    std::set<std::string> rows;
    for (const auto& row : section->second.rows) {
      const std::string member = Named(row[0]);
      if (member.empty()) continue;
      rows.insert(member);
      if (keys.count(member) == 0) unknownRows.insert(loader.file + ": " + member);
    }
    for (const std::string& key : keys) {
      if (rows.count(key) == 0) missingRows.insert(loader.file + ": " + key);
    }
  }
  ASSERT_TRUE(missingFunctions.empty()) << "loaders not found (renamed? update Loaders()):" << Joined(missingFunctions);
  ASSERT_GE(keysFound, 20u) << "the loaders' members were not read";

  // A file of the engine that reads JSON members outside the loaders above
  // reads a file this reference does not cover.
  for (const char* folder :
       {"app", "core", "resources", "audio", "editor", "world", "render", "script", "input", "platform", "orvlua"}) {
    const std::filesystem::path root = ORV_SOURCE_DIR;
    for (const auto& file : std::filesystem::recursive_directory_iterator(root / folder)) {
      if (file.path().extension() != ".cpp") continue;
      const std::string relative = file.path().lexically_relative(root).string();
      const std::map<std::string, std::string> bodies = FunctionBodies(ReadSource(relative));
      const std::set<std::string> helpers = Helpers(bodies);
      for (const auto& [name, body] : bodies) {
        for (const std::string& key : KeysRead(body, helpers)) {
          if (mappedKeys[relative].count(key) == 0) unmapped.insert(relative + ":" + name + " \"" + key + "\"");
        }
      }
    }
  }
  std::printf("%zu members read by %zu loaders\n", keysFound, Loaders().size());
  EXPECT_TRUE(missingSections.empty()) << "files without a section in files.md:" << Joined(missingSections);
  EXPECT_TRUE(missingRows.empty()) << "members read without a row:" << Joined(missingRows);
  EXPECT_TRUE(unknownRows.empty()) << "rows naming a member the loader does not read:" << Joined(unknownRows);
  EXPECT_TRUE(unmapped.empty()) << "members read by a loader no file of files.md covers:" << Joined(unmapped);
}

// The callbacks the engine calls by name, against the rows of the table that
// says which component each needs.
TEST(ContentReference, EveryCallbackTheEngineCallsSaysWhichComponentsItNeeds) {
  std::set<std::string> called;
  static const std::regex call(R"re(CallGlobalFunction\("(\w+)")re");
  for (const char* folder : {"app", "core", "editor", "world", "render", "script", "input", "audio"}) {
    for (const auto& file : std::filesystem::directory_iterator(std::string(ORV_SOURCE_DIR) + "/" + folder)) {
      if (file.path().extension() != ".cpp") continue;
      const std::string source = ReadSource(std::string(folder) + "/" + file.path().filename().string());
      for (std::sregex_iterator it(source.begin(), source.end(), call), end; it != end; ++it) called.insert((*it)[1]);
    }
  }
  ASSERT_GE(called.size(), 4u) << "the engine's callbacks were not found";
  std::set<std::string> rows, missing, unknown;
  for (const Section& section : Sections("defaults.md", {"Callback"})) {
    for (const auto& row : section.rows) {
      const std::string name = Named(row[0]);
      rows.insert(name.substr(0, name.find('(')));
    }
  }
  for (const std::string& name : called) {
    if (rows.count(name) == 0) missing.insert(name);
  }
  for (const std::string& name : rows) {
    if (called.count(name) == 0) unknown.insert(name);
  }
  EXPECT_TRUE(missing.empty()) << "callbacks without a row in defaults.md:" << Joined(missing);
  EXPECT_TRUE(unknown.empty()) << "rows of defaults.md naming no callback the engine calls:" << Joined(unknown);
}

}  // namespace
