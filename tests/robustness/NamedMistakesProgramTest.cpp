// Mistakes a game developer makes by name (a sound id, a font, a frame, a
// widget's frame, an animation, a component member, a flag's form, a script
// file, a spawn entry's form, a component type, a callback's case), in the
// real program: each gets one line naming the file or the call and the name,
// however often it is met, and the game goes on.
#include <gtest/gtest.h>

#include <string>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

// Init makes its mistakes twice, then the game runs three frames.
constexpr const char* kMaker = R"(local frames = 0
function Init()
  for i = 1, 2 do
    QueueSound("coin")
    CreateLabel("Score", 70, 20)
    CreateLabel({ id = 1, x = 10, y = 10, font = "big", text = "Score" })
    CreateProgressBar({ id = 2, x = 50, y = 50, width = 2, height = 1, textureFrame = "bar_frame", textureBar = "" })
  end
end
function Update(dt)
  QueueSound("coin")
  frames = frames + 1
  if frames == 3 then
    print("game goes on")
    Shutdown()
  end
end
)";

// Callbacks written in another case, which Lua takes for other names; one
// type of it comes twice. Initialise is a name of its own.
constexpr const char* kTypo = R"(function init() end
function update(dt) end
function RENDER() end
function onmessage(kind, data) end
function Ontilecollide(cell) end
function Initialise() end
)";
// A helper that shares its callback's letters, beside the callback itself.
constexpr const char* kBoth = R"(function update(dt) end
function Update(dt) update(dt) end
)";

TEST(NamedMistakesProgram, EachNameNotFoundGetsOneLineNamingItAndTheGameGoesOn) {
  ContentFolder folder;
  WriteScriptScene(folder, "OrvNamedMistakes", {{"Maker", kMaker}, {"Typo", kTypo}, {"Both", kBoth}}, {{"Maker", 1}},
                   R"([{"type":"script","data":[]}])");
  folder.Write("res/anims/hero.anim", R"({"walk":["hero_1","hero_2"]})");
  folder.Write("data/gameobjects/Wall.txt", R"({"name":"Wall","id":2,"components":[
    {"type":"transform","data":[0.0,0.0]},
    {"type":"collision","data":["Circle",{"radious":10.0,"avoidTrigger":true}]},
    {"type":"spriteanim","data":["run"]}]})");
  folder.Write("data/gameobjects/Ghost.txt", R"({"name":"Ghost","id":3,"components":[{"type":"script","data":[]}]})");
  folder.Write("data/summoner.ini", R"({"spawn":[{"name":"Maker","id":1,"params":{}},
    {"name":"Wall","id":2,"params":{"collision":[{"index":1,"value":5.0}]}},
    {"name":"Typo","id":4,"params":{}},{"name":"Typo","id":5,"params":{}},{"name":"Both","id":6,"params":{}}]})");

  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));
  EXPECT_NE(run.out.find("game goes on"), std::string::npos) << run.out;
  const char* const lines[] = {
      "QueueSound: no sound has the id \"coin\" in res/audio/loadaudio.ini; nothing is played\n",
      "CreateLabel (object 1): its argument is not a table of the widget's values (id, x, y, font, text...); the "
      "widget is made with none and draws no text\n",
      "CreateLabel: no font has the id \"big\" in res/loadfonts.ini; a caption in it draws nothing\n",
      "Widget texture: no sprite frame is named \"bar_frame\" in res/textures/*.pack; that part of the widget is not "
      "drawn\n",
      "res/anims/hero.anim: animation 'walk' lists the frame \"hero_1\", which no texture pack has; it is left out\n",
      "res/anims/hero.anim: animation 'walk' lists the frame \"hero_2\", which no texture pack has; it is left out\n",
      "data/gameobjects/Wall.txt: spriteanim names the animation \"run\", which no res/anims/*.anim file has; its "
      "objects show no sprite\n",
      "data/gameobjects/Wall.txt: the collision component has no member \"radious\"; it is ignored\n",
      "data/gameobjects/Wall.txt: collision member \"avoidTrigger\" is a JSON true or false, which components do not "
      "read; it is ignored (a flag is written as the text \"true\" or \"false\", or as 1 or 0, as the component "
      "reads it)\n",
      "data/gameobjects/Ghost.txt: the type Ghost has a script component but no data/scripts/Ghost.lua; its objects "
      "run no script\n",
      "data/summoner.ini: spawn entry 2 (Wall): \"params\" member \"collision\" is not an object {\"index\": i, "
      "\"value\": v} or {\"value\": {...}}; it is ignored\n",
      "data/scripts/Typo.lua defines \"init\", which the engine never calls: did you mean \"Init\"? (callback "
      "names are case-sensitive)\n",
      "data/scripts/Typo.lua defines \"update\", which the engine never calls: did you mean \"Update\"? (callback "
      "names are case-sensitive)\n",
      "data/scripts/Typo.lua defines \"RENDER\", which the engine never calls: did you mean \"Render\"? (callback "
      "names are case-sensitive)\n",
      "data/scripts/Typo.lua defines \"onmessage\", which the engine never calls: did you mean \"OnMessage\"? "
      "(callback names are case-sensitive)\n",
      "data/scripts/Typo.lua defines \"Ontilecollide\", which the engine never calls: did you mean "
      "\"OnTileCollide\"? (callback names are case-sensitive)\n",
  };
  for (const char* line : lines) EXPECT_EQ(Count(run.err, line), 1u) << line << "\n--- stderr:\n" << run.err;
  // Nothing else is taken for a callback's misspelling.
  EXPECT_EQ(Count(run.err, "never calls"), 5u) << run.err;
  // The Wall was still made, from its blueprint as it stands.
  EXPECT_NE(run.out.find("Game Object(Wall) is created!"), std::string::npos) << run.out;
}

// A misspelt component type in one blueprint: its box names the file, its
// script is not blamed, and the type that did not load is reported once,
// with where each kind of request came from.
TEST(NamedMistakesProgram, OneMistakeGivesOneMessageNamingItsFile) {
  ContentFolder folder;
  WriteScriptScene(folder, "OrvOneMessage",
                   {{"Spawner", R"(local frames = 0
function Init()
  for i = 1, 3 do CreateGameObject("Coin", 5) end
end
function Update(dt)
  CreateGameObject("Coin", 5)
  frames = frames + 1
  if frames == 3 then
    print("game goes on")
    Shutdown()
  end
end
)"},
                    {"Coin", "function Init() print('coin made') end\n"}},
                   {{"Coin", 5}, {"Spawner", 1}}, R"([{"type":"script","data":[]}])");
  folder.Write("data/gameobjects/Coin.txt", R"({"name":"Coin","id":5,"components":[
    {"type":"colision","data":[]},{"type":"script","data":[]}]})");
  folder.Write("data/gameobjects/Broken.txt", "{\"name\":\"Broken\",\n  \"id\": 6,,}");
  folder.Write("res/textures/sheet.pack", R"({"file":"missing.png","frames":[]})");

  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));
  EXPECT_NE(run.out.find("game goes on"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("coin made"), std::string::npos);
  EXPECT_EQ(Count(run.err, "data/gameobjects/Coin.txt: colision component does not exist!\n"), 1u) << run.err;
  EXPECT_EQ(Count(run.out + run.err, "colision"), 1u) << "a bad blueprint is reported once\n" << run.out << run.err;
  EXPECT_EQ(Count(run.err, "Error GameObject name not found"), 0u) << run.err;
  EXPECT_EQ(Count(run.err,
                  "data/scripts/Coin.lua is not attached: the blueprint of Coin "
                  "(data/gameobjects/Coin.txt) did not load\n"),
            1u)
      << run.err;
  // The spawn list asks first; the script's five later requests add nothing.
  EXPECT_EQ(Count(run.err, "Error! Object of type Coin cannot be created!!\n"), 1u) << run.err;
  EXPECT_EQ(Count(run.err,
                  "Error! Object of type Coin cannot be created: its blueprint data/gameobjects/Coin.txt "
                  "did not load (asked for at data/summoner.ini)\n"),
            1u)
      << run.err;
  // One box, saying where the JSON broke.
  EXPECT_EQ(Count(run.err, "Error! Unable to load data/gameobjects/Broken.txt: line 2, column 11: "), 1u) << run.err;
  EXPECT_EQ(Count(run.out + run.err, "Broken.txt"), 1u) << run.out << run.err;
  EXPECT_EQ(Count(run.err, "Error loading texture from file\nres/textures/missing.png\n"), 1u) << run.err;
}

// A type no blueprint names, asked for by a script: the line gives the
// script's file and line.
TEST(NamedMistakesProgram, AnUnknownTypeFromAScriptNamesItsLine) {
  ContentFolder folder;
  WriteScriptScene(folder, "OrvUnknownType", {{"Spawner", R"(local frames = 0
function Init()
  CreateGameObject("Coni", 5)
end
function Update(dt)
  CreateGameObject("Coni", 5)
  frames = frames + 1
  if frames == 2 then print("game goes on") Shutdown() end
end
)"}},
                   {{"Spawner", 1}}, R"([{"type":"script","data":[]}])");
  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));
  EXPECT_NE(run.out.find("game goes on"), std::string::npos) << run.out;
  EXPECT_EQ(Count(run.err, "Error! Object of type Coni cannot be created!!\n"), 1u) << run.err;
  EXPECT_EQ(Count(run.err,
                  "Error! Object of type Coni cannot be created: no blueprint names the type (asked for at "
                  "data/scripts/Spawner.lua:3)\n"),
            1u)
      << run.err;
}

}  // namespace
