// Content and script calls as a careless or hostile developer makes them, in
// the real program: files that are no files, broken shaders and resource
// files, widget tables that raise errors and names nothing has. Each must
// end at once with words that point at the real cause.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "resources/ResourceManager.h"
#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

namespace fs = std::filesystem;

}  // namespace

TEST(HostileFilesProgram, MapsThatAreNoFilesOrHaveNoSizeLineEndTheLoadAtOnce) {
  ContentFolder folder;
  WriteScriptScene(folder, "OrvHostileMaps", {{"Loader", R"(
function Init()
  LoadNewTileMap(1, "fifo.txt")
  LoadNewTileMap(2, "zero.txt")
  LoadNewTileMap(3, "wide.txt")
  LoadNewTileMap(4, "folder.txt")
  print("maps done")
  Shutdown()
end
)"}},
                   {{"Loader", 1}});
  const fs::path maps = fs::path(folder.Path()) / "data/maps";
  fs::create_directories(maps / "folder.txt");
  ASSERT_EQ(mkfifo((maps / "fifo.txt").c_str(), 0644), 0);
  fs::create_symlink("/dev/zero", maps / "zero.txt");
  // A first line longer than any size: the rest of the file is never read.
  folder.Write("data/maps/wide.txt", "4" + std::string(200, ' ') + "\n3\n");
  folder.Write("data/maps/Map01.txt", "1\n1\n0\n0\n0\n");
  RunOptions options;
  options.env = {{"HOME", folder.Path() + "/home"}, {"XDG_DOCUMENTS_DIR", folder.Path() + "/documents"}};
  const RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  EXPECT_NE(run.out.find("maps done"), std::string::npos) << run.out;
  for (const char* name : {"fifo.txt", "zero.txt"}) {
    EXPECT_EQ(
        Count(run.err, std::string("Error! Tile map data/maps/") + name + " cannot be read: not a regular file\n"), 1u)
        << run.err;
  }
  EXPECT_EQ(Count(run.err, "Error! Tile map data/maps/folder.txt cannot be read: a folder, not a file\n"), 1u)
      << run.err;
  EXPECT_EQ(Count(run.err, "Error! Tile map data/maps/wide.txt: line 1 holds no width"), 1u) << run.err;
}

TEST(HostileFilesProgram, WidgetTableErrorsShadersAndResourceFilesSayWhatIsWrong) {
  ContentFolder folder;
  WriteScriptScene(folder, "OrvHostileFiles", {{"Maker", R"(
function Init()
  local made = 0
  local bad = setmetatable({}, {__index = function(t, k)
    made = made + 1
    error("no key " .. k)
  end})
  local ok, err = pcall(CreateButton, bad)
  print("button " .. tostring(ok) .. " " .. tostring(err) .. " after " .. made)
  ok, err = pcall(CreateProgressBar, bad)
  print("bar " .. tostring(ok) .. " " .. tostring(err))
  local label = CreateLabel({id = 3, x = 1, y = 2, text = "hi"})
  print("label " .. type(label))
  for pass = 1, 2 do
    for k = 1, 3 do
      SetTileSet(0, "ts" .. k)
      GetTileSetInfo("info" .. k)
    end
  end
  Shutdown()
end
)"}},
                   {{"Maker", 1}});
  fs::remove(fs::path(folder.Path()) / "shaders/shape.frag");
  fs::create_directories(fs::path(folder.Path()) / "shaders/shape.frag");
  folder.Write("shaders/font_color.vert", "\n");
  folder.Write("res/anims/empty.anim", "");
  folder.Write("res/textures/bin.tileset", std::string("\x01\xff\x00\x7f", 4));
  fs::create_directories(fs::path(folder.Path()) / "res/anims/folder.anim");
  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));

  // The script's error is the creation's, once, and no widget is made.
  EXPECT_NE(run.out.find("button false CreateButton: data/scripts/Maker.lua:6: no key id after 1\n"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("bar false CreateProgressBar: data/scripts/Maker.lua:6: no key id\n"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("label table\n"), std::string::npos) << run.out;
  EXPECT_EQ(Count(run.err, "Assertion failed"), 0u) << run.err;

  // Unknown names: one error line per name, however often it is asked for.
  EXPECT_EQ(Count(run.err, "SetTileSet: no tile set is named \"ts3\""), 1u) << run.err;
  EXPECT_EQ(Count(run.err, "SetTileSet: no tile set"), 3u) << run.err;
  EXPECT_EQ(Count(run.err, "GetTileSetInfo: no tile set is named \"info2\""), 1u) << run.err;
  EXPECT_EQ(Count(run.err, "GetTileSetInfo: no tile set"), 3u) << run.err;

  // Shader files that cannot be read say so, and not that the card is old.
  EXPECT_EQ(Count(run.err, "Error! Shader file shaders/shape.frag cannot be read: a folder, not a file\n"), 1u)
      << run.err;
  EXPECT_EQ(Count(run.err, "Error! Shader file shaders/font_color.vert cannot be read: it is empty\n"), 1u) << run.err;
  EXPECT_EQ(Count(run.err, "Error compiling shader!"), 0u) << run.err;

  // A resource file that is there but unreadable: one line with the cause, once on the console and once in the box.
  EXPECT_EQ(Count(run.err + run.out, "file not found"), 0u) << run.err;
  for (const char* line : {"Error loading anim file: res/anims/empty.anim: line 1",
                           "Error loading anim file: res/anims/folder.anim: a folder, not a file\n",
                           "Error loading tileset file: res/textures/bin.tileset: line 1"}) {
    EXPECT_EQ(Count(run.err, line), 1u) << line << "\n" << run.err;
    EXPECT_EQ(Count(run.out, line), 1u) << line << "\n" << run.out;
  }
  EXPECT_EQ(Count(run.out, "Error loading anim file") + Count(run.out, "Error loading tileset file"), 3u) << run.out;
}

// Looking a name up adds nothing: a script that makes new names every frame
// must not grow the registry.
TEST(HostileFiles, UnknownNamesAreNotKept) {
  Orv::ResourceManager resources;
  for (int k = 0; k < 100; ++k) {
    const std::string name = "unknown" + std::to_string(k);
    EXPECT_FALSE(resources.GetSprite(name).Exists());
    EXPECT_FALSE(resources.GetTileSet(name).Exists());
    EXPECT_FALSE(resources.GetAnimation(name).Exists());
    EXPECT_FALSE(resources.GetFont(name).Exists());
    EXPECT_FALSE(resources.GetTilemap(k).Exists());
  }
  EXPECT_TRUE(resources.SpriteFrames().empty());
  EXPECT_TRUE(resources.TileSets().empty());
  EXPECT_TRUE(resources.Animations().empty());
  EXPECT_TRUE(resources.Fonts().empty());
  EXPECT_TRUE(resources.Tilemaps().empty());
}
