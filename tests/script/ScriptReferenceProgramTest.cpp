// The script reference in docs/ against what a scripted object's state holds
// in the real program: every function, widget method and constant the engine
// puts there has its entry, and every entry names something that is there.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <lua.hpp>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

// Lists what the state holds, one line each: "REF name" for a global, and
// "REF table.name" for a function kept in a global table. Run as it stands in
// the object's state and, without the print, in a state of the bare language.
const char* kListing = R"(
local lines = {}
for name, value in pairs(_G) do
  lines[#lines + 1] = 'REF ' .. name
  if type(value) == 'table' and value ~= _G then
    for member, field in pairs(value) do
      if type(field) == 'function' then lines[#lines + 1] = 'REF ' .. name .. '.' .. tostring(member) end
    end
  end
end
return table.concat(lines, '\n')
)";

std::set<std::string> Lines(const std::string& text) {
  std::set<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("REF ", 0) == 0) lines.insert(line.substr(4));
  }
  return lines;
}

std::set<std::string> BareLanguageNames() {
  lua_State* L = luaL_newstate();
  luaL_openlibs(L);
  std::string listed;
  if (luaL_loadstring(L, kListing) == 0 && lua_pcall(L, 0, 1, 0) == 0) listed = lua_tostring(L, -1);
  lua_close(L);
  return Lines(listed);
}

// A method kept in "<Kind>MetaTable" is written "kind:Name" in the reference.
std::string ReferenceName(const std::string& listed) {
  static const std::regex method("([A-Z][A-Za-z]*)MetaTable\\.(\\w+)");
  std::smatch match;
  if (!std::regex_match(listed, match, method)) return listed;
  std::string kind = match[1];
  kind[0] = static_cast<char>(std::tolower(kind[0]));
  return kind + ":" + match[2].str();
}

// The names the reference's entries give: the code spans that open the rows
// of the tables headed "Function", "Method" or "Constant", up to the first
// character that is not part of a name ("SetPos(x, y)" names SetPos).
std::set<std::string> ReferenceEntries() {
  std::set<std::string> names;
  static const std::regex header("^\\|\\s*(Function|Method|Constant)s?\\s*\\|.*");
  static const std::regex span("`([A-Za-z_][\\w.:]*)");
  for (const auto& file : std::filesystem::recursive_directory_iterator(std::string(ORV_SOURCE_DIR) + "/docs")) {
    if (file.path().extension() != ".md") continue;
    std::ifstream in(file.path());
    bool inEntries = false;
    for (std::string line; std::getline(in, line);) {
      if (line.rfind('|', 0) != 0) {
        inEntries = false;
      } else if (std::regex_match(line, header)) {
        inEntries = true;
      } else if (inEntries) {
        const std::string first = line.substr(1, line.find('|', 1) - 1);
        for (std::sregex_iterator it(first.begin(), first.end(), span), end; it != end; ++it) {
          names.insert((*it)[1]);
        }
      }
    }
  }
  return names;
}

TEST(ScriptReferenceProgram, EveryNameAStateHoldsHasAnEntryAndEveryEntryNamesOne) {
  ContentFolder folder;
  // Collision, a body and a sprite: some systems register functions only for
  // objects that carry their component.
  WriteScriptScene(folder, "Reference",
                   {{"Probe", std::string("print((function() ") + kListing + " end)())\nShutdown()\n"}}, {{"Probe", 1}},
                   R"([{"type":"collision","data":["Circle",{"radius":8.0}]},{"type":"rigidbody","data":[]},)"
                   R"({"type":"spriteanim","data":[]}])");
  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));
  const std::set<std::string> bare = BareLanguageNames();
  ASSERT_TRUE(bare.count("print") && bare.count("string.format")) << "the bare listing failed";

  std::set<std::string> held;
  for (const std::string& name : Lines(run.out)) {
    if (!bare.count(name) && !name.ends_with("MetaTable.__index")) held.insert(ReferenceName(name));
  }
  const std::set<std::string> documented = ReferenceEntries();
  std::set<std::string> missing, unknown;
  for (const std::string& name : held) {
    if (!documented.count(name)) missing.insert(name);
  }
  for (const std::string& name : documented) {
    if (!held.count(name)) unknown.insert(name);
  }
  std::string missingText, unknownText;
  for (const std::string& name : missing) missingText += " " + name;
  for (const std::string& name : unknown) unknownText += " " + name;
  std::printf("state holds %zu names of the engine, the reference has %zu entries\n", held.size(), documented.size());
  EXPECT_TRUE(missing.empty()) << "held but without an entry in docs/:" << missingText;
  EXPECT_TRUE(unknown.empty()) << "entries in docs/ that no state holds:" << unknownText;
}

}  // namespace
