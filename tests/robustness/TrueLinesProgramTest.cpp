// Mistakes an editor or a typo leaves in content: the first line said is the
// true cause, not an older line that points elsewhere.
#include <gtest/gtest.h>

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
