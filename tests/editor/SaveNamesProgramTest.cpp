// Whatever name a game saves under survives the next start: only what the
// engine's own save left unfinished is removed, and the console says so.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace fs = std::filesystem;

TEST(SaveNamesProgram, SavesOfAnyNameSurviveTheNextStartAndOnlyUnfinishedOnesAreRemoved) {
  ContentFolder folder;
  const fs::path user = fs::path(folder.Path()) / "documents" / "Kelvane";
  RunOptions options;
  options.env = {{"HOME", folder.Path() + "/home"}, {"XDG_DOCUMENTS_DIR", user.parent_path().string()}};
  WriteScriptScene(folder, "OrvSaveNames", {{"saver", R"(
function Update(dt)
  print("first frame")
  CreateNewTileMap(1, 2, 2)
  SaveTileMap(1, "map.saving")
  SaveObjects("slot1.saving")
  SaveObjects("bad.orv-unfinished")
  SaveObjects(string.rep("a", 5000) .. ".orv-unfinished")
  SaveObjects("full.json")
  LoadNewTileMap(2, "m.txt")
  Shutdown()
end
)"}},
                   {{"saver", 1}});
  folder.Write("data/maps/m.txt", "1\n1\n\nm\n\n0\n\n0\n");
  WriteFile(user / "notes.saving", "mine");
  // What saves cut short by a kill left, at two depths.
  WriteFile(user / "old.json.orv-unfinished", "{ \"spa");
  WriteFile(user / "maps" / "m.txt.orv-unfinished", "1\n");
  // A disk that is full: the save's new file is created, and no byte fits.
  WriteFile(user / "full.json", "kept");
  fs::create_symlink("/dev/full", user / "full.json.orv-unfinished");

  RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  // By the start, not by the game's first save: a game that never saves
  // would keep them.
  const std::size_t firstFrame = run.out.find("first frame\n");
  ASSERT_NE(firstFrame, std::string::npos) << run.out;
  for (const fs::path& removed : {user / "old.json.orv-unfinished", user / "maps" / "m.txt.orv-unfinished"}) {
    EXPECT_LT(run.out.find("Removed the unfinished save " + removed.string() + "\n"), firstFrame) << run.out;
    EXPECT_FALSE(fs::exists(removed));
  }
  EXPECT_NE(run.err.find("Error! File name \"bad.orv-unfinished\" refused: names ending in \".orv-unfinished\" are "
                         "the engine's unfinished saves, removed at the next start\n"),
            std::string::npos)
      << run.err;
  EXPECT_FALSE(fs::exists(user / "bad.orv-unfinished"));
  EXPECT_NE(run.err.find("Error! File name \"" + std::string(200, 'a') + "... (5015 bytes)\" refused: "),
            std::string::npos)
      << "a long name is quoted short";
  // Only the true cause: the file was created, so no "Creating save file failed!".
  EXPECT_NE(run.err.find("Error! Writing the level objects to " + (user / "full.json").string() +
                         " failed: No space left on device; the file there before is kept.\n"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(ReadFile(user / "full.json"), "kept");
  // No saved copy of the map is no failure.
  EXPECT_NE(run.out.find("Loading tilemap from filepath: " + (user / "m.txt").string() +
                         "\nNo saved copy there; loading from data/maps/m.txt\n"),
            std::string::npos)
      << run.out;
  EXPECT_EQ(run.out.find("failed"), std::string::npos) << run.out;

  const std::string level = ReadFile(user / "slot1.saving");
  const std::string map = ReadFile(user / "map.saving");
  EXPECT_NE(level.find("\"spawn\""), std::string::npos) << level;
  EXPECT_EQ(map.substr(0, 5), "2\n2\n\n");

  run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  EXPECT_EQ(run.out.find("Removed"), std::string::npos) << run.out;
  EXPECT_EQ(ReadFile(user / "slot1.saving"), level);
  EXPECT_EQ(ReadFile(user / "map.saving"), map);
  EXPECT_EQ(ReadFile(user / "notes.saving"), "mine");
}
