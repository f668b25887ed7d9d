// Mistakes an editor or a typo leaves in content: the first line said is the
// true cause, not an older line that points elsewhere.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/ProgramRun.h"

using namespace OrvTest;

TEST(TrueLinesProgram, BrokenBlueprintsMapHeadersAndMissingFramesSayTheirCause) {
  ContentFolder folder;
  WriteScriptScene(folder, "TrueLines", {{"Loader", R"(
function Update()
  LoadNewTileMap(1, "bom.txt")
  LoadNewTileMap(2, "cr.txt")
  Shutdown()
end
)"}},
                   {{"Loader", 1}});
  // A typo in a blueprint whose script is fine.
  folder.Write("data/gameobjects/Broken.txt", R"({"name": "Broken", "id": 2, "components": [)");
  folder.Write("data/scripts/Broken.lua", "function Update() end\n");
  // Map headers as editors save them: a byte-order mark, old Mac line ends.
  folder.Write("data/maps/bom.txt",
               "\xEF\xBB\xBF"
               "1\n1\n\nA\n\n0\n\n0\n");
  folder.Write("data/maps/cr.txt", "1\r1\r\rA\r\r0\r\r0\r");
  // A tile set naming a frame no pack has.
  folder.Write("res/textures/t.tileset", R"({"name": "ground", "mapping": [{"id": 49, "texture": "nowhere"}]})");
  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));

  EXPECT_EQ(Count(run.err + run.out, "GameObject name not found"), 0u) << run.err;
  const char* const lines[] = {
      "data/scripts/Broken.lua is not attached: no blueprint names the type Broken, and "
      "data/gameobjects/Broken.txt, the blueprint file of that name, did not load\n",
      "Error! Tile map data/maps/bom.txt: line 1 holds no width: \"\\xEF\\xBB\\xBF1\": the "
      "file starts with a UTF-8 byte-order mark, which a map file does not have (save it "
      "without one)\n",
      "Error! Tile map data/maps/cr.txt: line 1 holds no width: \"1\\x0D1\\x0D\\x0DA\\x0D",
      "\": its lines end in a carriage return alone, where a map file's lines end in a line "
      "feed (or a carriage return and a line feed)\n",
      "res/textures/t.tileset: tile set 'ground' maps 49 to the frame \"nowhere\", which no "
      "texture pack has; those tiles draw nothing\n",
  };
  for (const char* line : lines) EXPECT_EQ(Count(run.err, line), 1u) << line << "\n--- stderr:\n" << run.err;
}

// Mistakes in script calls and content, each met more than once: one line
// each, naming what the author wrote (the function called, the file and its
// member, the entry), and nothing said that did not happen.
TEST(TrueLinesProgram, ScriptCallsAndContentMistakesGetOneTrueLineEach) {
  ContentFolder folder;
  RunOptions options;
  options.env = {{"HOME", folder.Path() + "/home"}, {"XDG_DOCUMENTS_DIR", folder.Path() + "/documents"}};
  WriteScriptScene(folder, "TrueLinesCalls", {{"Caller", R"(
local frames = 0
function Update()
  frames = frames + 1
  if frames == 1 then
    for i = 1, 2 do
      CreateFrontCircleTexParticles("nowhere", 1, 0, 1, 1, 4, {})
      CreateBackCircleTexParticles("nowhere", 1, 0, 1, 1, 4, {})
      CreateLabel({ id = 1, x = 10, y = 10, font = "big", text = "Score" })
      SetSpriteSet("run")
    end
    -- A refused save is said at each call, as a failed save is.
    SaveObjects(".")
    SaveObjects("dir/")
    SaveObjects("two\nlines")
    CreateFrontCircleTexParticles("elsewhere", 1, 0, 1, 1, 4, {})
    SetCameraX(0 / 0)
    LoadObjects("missing.json", true)
    LoadNewTileMap(1, "short.txt")
    print("calls made")
  elseif frames == 30 then
    Shutdown()
  end
end
)"}},
                   {}, R"([{"type":"spriteanim","data":[]},{"type":"script","data":[]}])");
  // A whole number written as a real, where the member must be an integer.
  folder.Write("data/gameobjects/Real.txt", R"({"name":"Real","id":3.0,"components":[]})");
  // A box of negative width, made with the id -1, as the caller is.
  folder.Write("data/gameobjects/Crate.txt", R"({"name":"Crate","id":4,"components":[
    {"type":"collision","data":[{"Collider_Type":"AABB","width":-4.0,"height":8.0}]}]})");
  // The second entry lacks its "params"; the others are made.
  WriteSpawnList(folder, {R"({"name":"Crate","id":-1,"params":{}})", R"({"name":"Crate","id":2})",
                          R"({"name":"Caller","id":-1,"params":{}})"});
  folder.Write("data/maps/short.txt", "3\n2\n\nabc\nde");

  const RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  EXPECT_NE(run.out.find("calls made"), std::string::npos) << "the entry after the bad one is made\n" << run.out;
  const std::string user = folder.Path() + "/documents/Kelvane/";
  const char* const errorLines[] = {
      "CreateFrontCircleTexParticles: no sprite frame is named \"nowhere\" in res/textures/*.pack; its particles are "
      "not drawn\n",
      "CreateBackCircleTexParticles: no sprite frame is named \"nowhere\" in res/textures/*.pack; its particles are "
      "not drawn\n",
      "CreateFrontCircleTexParticles: no sprite frame is named \"elsewhere\" in res/textures/*.pack; its particles "
      "are not drawn\n",
      "CreateLabel: no font has the id \"big\" in res/loadfonts.ini; a caption in it draws nothing\n",
      "Error! File name \".\" refused: it names a folder, not a file\n",
      "Error! File name \"dir/\" refused: it names a folder, not a file\n",
      "Error! File name \"two\\x0Alines\" refused: it holds a control character (a line end, a tab...)\n",
      "data/gameobjects/Real.txt: the member \"id\" must be an integer, not 3.0 (write it without the decimal "
      "point); the blueprint is not loaded\n",
      "Error! Collision \"width\" of object -1 (unique id ",
      "): a negative size (-4) is ignored; the box keeps the size it had\n",
      "Error! Tile map data/maps/short.txt: the file ends inside layer 0, row 1\n",
      "Error! SetCameraX of object -1 (unique id ",
  };
  for (const char* line : errorLines) EXPECT_EQ(Count(run.err, line), 1u) << line << "\n--- stderr:\n" << run.err;
  const std::string consoleLines[] = {
      "Error! No animation is named \"run\" in res/anims/*.anim; the sprite shows nothing until it is given one that "
      "is\n",
      "data/summoner.ini: spawn entry 2 (Crate) is not made: \"params\" is missing (\"params\": {} makes the object "
      "as its blueprint stands); the other entries are made\n",
      "Loading objects from filepath: " + user + "missing.json\nNo saved copy there; loading from data/missing.json\n",
  };
  for (const std::string& line : consoleLines) {
    EXPECT_EQ(Count(run.out, line), 1u) << line << "\n--- stdout:\n" << run.out;
  }
  for (const char* untrue :
       {"Damn! Summoning failed!", "proper game object structure", "Error loading summoner file",
        "Loading default game objects", "Wrong number of tiles", "SpriteAnimationHandle", "SetFont", "4294967295"}) {
    EXPECT_EQ(Count(run.out + run.err, untrue), 0u) << untrue << "\n" << run.out << run.err;
  }
  EXPECT_FALSE(std::filesystem::exists(user + "dir")) << "a refused name makes no folder";
}
