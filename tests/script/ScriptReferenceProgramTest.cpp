// The script reference in docs/ against what a scripted object's state holds
// in the real program: every function, widget method and constant the engine
// puts there has its entry, and every entry names something that is there.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <lua.hpp>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "render/TextureParticleEmitter2D.h"
#include "support/ProgramRun.h"
#include "support/Screenshot.h"

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

// A page of docs/ (or the README, "README.md") with every run of blanks and
// line ends made one blank, so that a sentence is found across a wrapped line.
std::string Page(const std::string& page) {
  const std::string path = page == "README.md" ? "/README.md" : "/docs/" + page;
  std::string text = ReadFile(std::string(ORV_SOURCE_DIR) + path);
  static const std::regex blanks("\\s+");
  return std::regex_replace(text, blanks, " ");
}

// The row of a page's table whose first cell names the function or constant.
std::string Row(const std::string& page, const std::string& name) {
  std::istringstream in(ReadFile(std::string(ORV_SOURCE_DIR) + "/docs/" + page));
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("| `" + name, 0) == 0) return line;
  }
  return "(no row of " + name + " in " + page + ")";
}

// What the rows say of when things happen and where they are drawn, against
// the program: a scene that kills an object and reads it back in the same
// Update, removes level objects two ways and saves them, clears objects with
// a component and makes new ones in one Update, fades to black, and writes
// text whose top is at y 100.
const char* kTimingDirector = R"(
local frame = 0
local faded = false
local function Say(text)
  print(text)
  io.stdout:flush()
end
local function LiveCoins()
  local ids = {}
  for _, entry in ipairs(GetEventGroupList("coins") or {}) do ids[#ids + 1] = entry.id end
  table.sort(ids)
  return table.concat(ids, " ")
end
function Render()
  DrawText("default", "HHHH", 40, 100)
end
function Update(dt)
  frame = frame + 1
  if frame == 1 then
    SetEnableLighting(false)
    AddObject(60, 60, 7, "Coin")
    AddObject(160, 60, 8, "Coin")
  elseif frame == 2 then
    Say("level coins: " .. LiveCoins())
    for _, entry in ipairs(GetEventGroupList("coins")) do
      if entry.id == 7 then RemoveGameObjectUID(entry.uid) end
    end
    RemoveObject(160, 60)
  elseif frame == 3 then
    SaveObjects("level.json")
    RemoveAllGameObjectsContainingComponent("editable")
    CreateGameObject("Coin", 3)
    CreateDelayedGameObject("Coin", 4)
  elseif frame == 4 then
    Say("after the restart: " .. LiveCoins())
    StartTransition(FADE_TO_BLACK_LINEAR, 9, 0.2)
  elseif not faded and IsTransitionEnd(9) then
    faded = true
    Say("fade over")
  elseif faded then
    Say("tick")
  end
end
)";

const char* kDoomed = R"(
local updates = 0
function Update(dt)
  updates = updates + 1
  if updates == 1 then
    SetContactInfoString("kind", "doomed")
    Kill()
    local pos = GetPos()
    print(string.format("after Kill: id %d, pos %s, kind %s", GetID(), pos and "a table" or "nil",
                        GetContactInfoString("kind")))
  else
    print("the killed object updates again")
  end
end
)";

TEST(ScriptReferenceProgram, TheRowsOnDeathRemovalFadesAndTextSayWhatTheProgramDoes) {
  // The rows as the test reads them: a change to either side shows here.
  EXPECT_NE(Row("scripting/render.md", "DrawText(").find("top left corner of its first line at (x, y)"),
            std::string::npos);
  EXPECT_NE(Row("scripting/objects.md", "Kill(").find("dies at the end of this frame's update"), std::string::npos);
  EXPECT_NE(Page("scripting/README.md")
                .find("until then, in the rest of that `Update` too, its functions answer as "
                      "for a live object (`GetID()`, `GetPos()`, `GetContactInfoString`"),
            std::string::npos);
  EXPECT_NE(Row("scripting/objects.md", "RemoveAllGameObjectsContainingComponent")
                .find("objects made earlier in the same frame are removed too. To clear objects and make new ones in "
                      "one `Update` (a restart), make the new ones with `CreateDelayedGameObject`"),
            std::string::npos);
  EXPECT_NE(Row("scripting/objects.md", "RemoveGameObjectUID")
                .find("`SaveObjects` still writes it: remove those "
                      "with `RemoveObject(x, y)`"),
            std::string::npos);
  EXPECT_NE(Page("scripting/editor.md").find("Only `RemoveObject` takes a record away"), std::string::npos);
  EXPECT_NE(Row("scripting/render.md", "FADE_TO_BLACK_LINEAR").find("removed when it ends, and the picture shows"),
            std::string::npos);

  ContentFolder folder;
  folder.WriteConfig(ConfigJson(320, 240, "OrvReferenceTiming", 60, 1));
  folder.Write("res/audio/loadaudio.ini", R"({"sounds":[]})");
  folder.Write("res/loadfonts.ini", R"({"fonts":[{"id":"default",)"
                                    R"("path":"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf","size":16}]})");
  folder.Write("data/gameobjects/Director.txt", R"({"name":"Director","id":1,"components":[)"
                                                R"({"type":"renderable","data":[2]},{"type":"script","data":[]}]})");
  folder.Write("data/gameobjects/Doomed.txt", R"({"name":"Doomed","id":5,"components":[{"type":"transform","data":[]},)"
                                              R"({"type":"collision","data":["Circle",{"radius":4.0}]},)"
                                              R"({"type":"script","data":[]}]})");
  folder.Write("data/gameobjects/Coin.txt",
               R"({"name":"Coin","id":2,"components":[{"type":"transform","data":[]},)"
               R"({"type":"collision","data":["Circle",{"radius":4.0}]},)"
               R"({"type":"editable","data":[0.0,0.0,0,"Coin",0,"Circle",0.0,0.0,8.0,0.0]},)"
               R"({"type":"script","data":[]}]})");
  folder.Write("data/scripts/Director.lua", kTimingDirector);
  folder.Write("data/scripts/Doomed.lua", kDoomed);
  folder.Write("data/scripts/Coin.lua", "function Init() SubscribeToEventGroup('coins') end\n");
  WriteSpawnList(folder, {R"({"name":"Doomed","id":5,"params":{}})", R"({"name":"Director","id":1,"params":{}})"});

  RunOptions options;
  options.env = {{"HOME", folder.Path() + "/home"}, {"XDG_DOCUMENTS_DIR", folder.Path() + "/documents"}};
  int left = 0, top = 0;
  Screenshot shot;
  bool found = false;
  options.triggers.push_back(AfterFrames(
      "fade over", 3, "tick",
      [&](pid_t) {
        found = WindowPosition("OrvReferenceTiming", left, top);
        // The game's cursor away from the text.
        if (found) Shell("xdotool mousemove --sync " + std::to_string(left + 300) + " " + std::to_string(top + 220));
      },
      false));
  // Of the ticks after the move, the first may come from a frame begun
  // before it; the second's frame draws the cursor at its new place, and is
  // on the screen once the third runs.
  options.triggers.push_back(AfterFrames("", 3, "tick", [&](pid_t pid) {
    if (found) shot = GrabScreen();
    kill(pid, SIGTERM);
  }));
  const RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));

  // Kill() leaves the object live for the rest of its Update, and it
  // updates no more.
  EXPECT_EQ(LinesStartingWith(run.out, "after Kill: "),
            std::vector<std::string>{"after Kill: id 5, pos a table, kind doomed"})
      << run.out;
  EXPECT_EQ(run.out.find("the killed object updates again"), std::string::npos) << run.out;
  // Both level coins were made; the one removed by unique id is still
  // written, the one removed by the editor is not.
  EXPECT_EQ(LinesStartingWith(run.out, "level coins: "), std::vector<std::string>{"level coins: 7 8"}) << run.out;
  const std::string level = ReadFile(folder.Path() + "/documents/Kelvane/level.json");
  EXPECT_NE(level.find("\"id\": 7,"), std::string::npos) << level;
  EXPECT_EQ(level.find("\"id\": 8,"), std::string::npos) << level;
  // The coin made in the Update of the removal went with it; the delayed one
  // stayed.
  EXPECT_EQ(LinesStartingWith(run.out, "after the restart: "), std::vector<std::string>{"after the restart: 4"})
      << run.out;

  // The fade ended and the picture shows: the white text, its top at y 100,
  // no white above it.
  ASSERT_TRUE(shot.error.empty() && shot.width > 0) << "no window, or no screenshot: " << shot.error;
  int topmost = 1000, bottommost = -1, white = 0;
  for (int y = 60; y < 140; ++y) {
    for (int x = 30; x < 160; ++x) {
      const auto c = shot.At(left + x, top + y);
      if (c[0] > 160 && c[1] > 160 && c[2] > 160) {
        ++white;
        topmost = std::min(topmost, y);
        bottommost = std::max(bottommost, y);
      }
    }
  }
  std::printf("DrawText at y 100: %d white pixels in rows %d to %d\n", white, topmost, bottommost);
  EXPECT_GT(white, 100) << "the fade left the screen black, or no text was drawn";
  EXPECT_GE(topmost, 100);
  EXPECT_LE(topmost, 106);
  EXPECT_GE(bottommost, 110);
}

// The particle paragraph's numbers against the bursts the engine makes.
TEST(ScriptReferenceProgram, TheParticleParagraphSaysHowCountChanceThresholdAndSpeedFactorShapeABurst) {
  const std::string page = Page("scripting/render.md");
  for (const char* said :
       {"one direction every 360 / `count` whole degrees (a `count` below 1 counts as 1, one above 360 as 360; 8 "
        "gives 45°, and 100 gives 3°, so 120 directions)",
        "draws a random number from 0 to 1 and multiplies it by `chance`: the direction gets a particle only when "
        "that product is at least `threshold`",
        "`chance` 1 and `threshold` 0.75 about a quarter of them, and a `threshold` above `chance` none",
        "A particle flies at `speed` × `speedFactor` pixels a second along its direction and dies after `lifetime` "
        "seconds"}) {
    EXPECT_NE(page.find(said), std::string::npos) << said;
  }
  // EffectsLogicTest checks the counts, the speeds and a threshold above
  // chance; the paragraph's quarter is checked here: 360 draws, 90 on
  // average, 8 the spread.
  Orv::ParticleBursts bursts;
  bursts.Create({}, 1.0f, 0.75, 10.0f, 1.0, 360, {});
  const std::size_t quarter = bursts.Emitters().back().particles.size();
  EXPECT_GT(quarter, 50u);
  EXPECT_LT(quarter, 130u);
}

// What the README says of build jobs and test processes, against the two
// scripts: their builds take the job count from CMAKE_BUILD_PARALLEL_LEVEL
// (no -j of their own), and test.sh runs ctest with one process per
// processor.
TEST(ScriptReferenceProgram, TheReadmeSaysHowToLimitBuildJobsAndTestProcesses) {
  const std::string readme = Page("README.md");
  EXPECT_NE(readme.find("`CMAKE_BUILD_PARALLEL_LEVEL=2 ./test.sh` builds with two"), std::string::npos);
  EXPECT_NE(readme.find("`cd build/asan && ctest -j 2 --timeout 300`"), std::string::npos);
  for (const char* script : {"/run.sh", "/test.sh"}) {
    const std::string text = ReadFile(std::string(ORV_SOURCE_DIR) + script);
    static const std::regex build("cmake --build[^\n]*");
    std::smatch match;
    ASSERT_TRUE(std::regex_search(text, match, build)) << script;
    EXPECT_EQ(match.str().find(" -j"), std::string::npos) << script << ": " << match.str();
    EXPECT_EQ(match.str().find("--parallel"), std::string::npos) << script << ": " << match.str();
  }
  const std::string test = ReadFile(std::string(ORV_SOURCE_DIR) + "/test.sh");
  EXPECT_NE(test.find("ctest --output-on-failure -j \"$(nproc)\""), std::string::npos)
      << "test.sh runs its tests otherwise now: say so in the README";
}

}  // namespace
