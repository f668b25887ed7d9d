// The real program loading a content folder's resources at start-up.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/ProgramRun.h"

namespace {

using OrvTest::ContentFolder;
using OrvTest::RunOrv;
using OrvTest::RunOptions;
using OrvTest::RunResult;

constexpr const char* kFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// A pack over a 100x60 image, an animation, a font and a tile set.
void WriteResources(const ContentFolder& folder) {
  folder.WriteConfig(OrvTest::ConfigJson(320, 240, "resources", 60, 2));
  folder.Copy(OrvTest::DataPath("pattern_100x60.png"), "res/textures/pattern.png");
  folder.Write("res/textures/pattern.pack", R"({"file": "pattern.png", "frames": [
    {"id": "f0", "x": 0, "y": 0, "sizeX": 50, "sizeY": 30},
    {"id": "f1", "x": 50, "y": 30, "sizeX": 50, "sizeY": 30}]})");
  folder.Write("res/anims/walk.anim", R"({"walk": ["f0", "f1", "zz"]})");
  folder.Write("res/loadfonts.ini",
               std::string(R"({"fonts": [{"id": "main", "path": ")") + kFontFile + R"(", "size": 14}]})");
  folder.Write("res/textures/ground.tileset",
               R"({"name": "ground", "mapping": [{"id": 35, "texture": "f0"}, {"id": 46, "texture": "f1"}]})");
  folder.Write("res/audio/loadaudio.ini", R"({"sounds": []})");
}

RunResult RunUntilLoaded(const ContentFolder& folder) {
  RunOptions options;
  options.triggers.push_back(OrvTest::TerminateWhen("-Register Components-"));
  return RunOrv(folder, options);
}

TEST(StartUpLoad, EveryResourceIsLoadedWithItsProgressLine) {
  ContentFolder folder;
  WriteResources(folder);
  const RunResult run = RunUntilLoaded(folder);
  EXPECT_TRUE(RanCleanly(run));

  const std::string expected =
      "-Load Textures-\n"
      "-> Texture: 'res/textures/pattern.png' loaded successfully\n"
      "-Load Animation Data\n"
      " -> Added frame[f0] to animation 'walk'\n"
      " -> Added frame[f1] to animation 'walk'\n"
      "-Load Fonts-\n"
      "-> Font 'main' loaded successfully\n"
      "-Load Tiletsets-\n"
      "tileset[ground].35 = f0\n"
      "tileset[ground].46 = f1\n"
      "tileset: ground loaded!\n";
  EXPECT_NE(run.out.find(expected), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("zz"), std::string::npos) << "a frame no pack defines is left out silently";
  EXPECT_EQ(run.err.find("Error"), std::string::npos) << run.err;
}

TEST(StartUpLoad, MissingImageCostsOnlyItsPack) {
  ContentFolder folder;
  WriteResources(folder);
  std::remove((folder.Path() + "/res/textures/pattern.png").c_str());
  const RunResult run = RunUntilLoaded(folder);
  EXPECT_TRUE(RanCleanly(run));

  for (const std::string line : {"Error loading texture file: res/textures/pattern.png\n",
                                 "Error loading texture pack file: pattern.pack\n"}) {
    EXPECT_NE(run.out.find(line), std::string::npos) << run.out;
    EXPECT_NE(run.err.find(line), std::string::npos) << run.err;
  }
  // Nothing of the pack was registered: the animation finds no frame, the
  // tile set still loads (its values map to nothing), and start-up goes on.
  EXPECT_EQ(run.out.find("-> Texture:"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("Added frame"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("tileset: ground loaded!\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("-Register Components-"), std::string::npos) << run.out;
}

// 16385 pixels a side pads to 32768: beyond the driver's largest side here,
// and 4 GB once padded, which the image library's 32-bit sizes cannot hold.
TEST(StartUpLoad, ImageTooLargeForATextureIsRefusedAndStartUpGoesOn) {
  ContentFolder folder;
  WriteResources(folder);
  folder.Copy(OrvTest::DataPath("blank_16385x16385.png"), "res/textures/huge.png");
  folder.Write("res/textures/huge.pack", R"({"file": "huge.png", "frames": [
    {"id": "h0", "x": 0, "y": 0, "sizeX": 8, "sizeY": 8}]})");
  RunOptions options;
  options.timeoutSeconds = 120.0;
  options.triggers.push_back(OrvTest::TerminateWhen("-Register Components-"));
  const RunResult run = RunOrv(folder, options);
  EXPECT_TRUE(RanCleanly(run));
  EXPECT_NE(run.out.find("Image too large for a texture: res/textures/huge.png is 16385 x 16385 pixels, padded "
                         "32768 x 32768"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.err.find("Error loading texture file: res/textures/huge.png\n"), std::string::npos) << run.err;
  EXPECT_NE(run.out.find("-> Texture: 'res/textures/pattern.png' loaded successfully"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("-Register Components-"), std::string::npos) << run.out;
}

// The box says "not found" for any font that fails; the console says what did.
TEST(StartUpLoad, FontThatCannotBeUsedIsNamedWithWhatFailed) {
  ContentFolder folder;
  WriteResources(folder);
  folder.Write("res/fonts/text.ttf", "not a font\n");
  folder.Write("res/fonts/folder.ttf/inside", "");
  const std::string font = kFontFile;
  folder.Write("res/loadfonts.ini", R"({"fonts": [
    {"id": "huge", "path": ")" + font + R"(", "size": 3000},
    {"id": "negative", "path": ")" + font + R"(", "size": -5},
    {"id": "zero", "path": ")" + font + R"(", "size": 0},
    {"id": "text", "path": "res/fonts/text.ttf", "size": 12},
    {"id": "folder", "path": "res/fonts/folder.ttf", "size": 12},
    {"id": "main", "path": ")" + font + R"(", "size": 14}]})");
  const RunResult run = RunUntilLoaded(folder);
  EXPECT_TRUE(RanCleanly(run));
  for (const std::string& line : {"Font 'huge' from " + font + ": size 3000 cannot be built\n",
                                 "Font 'negative' from " + font + ": size -5 cannot be built\n",
                                 "Font 'zero' from " + font + ": size 0 cannot be built\n",
                                 std::string("Font 'text' from res/fonts/text.ttf: not a font\n"),
                                 std::string("Font 'folder' from res/fonts/folder.ttf: a folder, not a font\n"),
                                 std::string("-> Font 'main' loaded successfully\n")}) {
    EXPECT_EQ(OrvTest::Count(run.out, line), 1u) << line << "\nin:\n" << run.out;
  }
  EXPECT_EQ(OrvTest::Count(run.err, "Error! " + font + " not found!\n"), 3u) << run.err;
  EXPECT_EQ(OrvTest::Count(run.err, "Error! res/fonts/text.ttf not found!\n"), 1u) << run.err;
  EXPECT_EQ(run.out.find("Font 'zero' loaded"), std::string::npos) << run.out;
}

TEST(StartUpLoad, QuietLevelPrintsOnlyTheTextureHead) {
  ContentFolder folder;
  WriteResources(folder);
  // An empty shared-scripts folder would add its lister line.
  folder.Write("data/scripts/extra/shared.lua", "");
  folder.WriteConfig(OrvTest::ConfigJson(320, 240, "resources", 60, 1));
  const RunResult run = RunUntilLoaded(folder);
  EXPECT_TRUE(RanCleanly(run));
  EXPECT_NE(run.out.find("-Load Textures-\n\n-Register Components-"), std::string::npos) << run.out;
}

TEST(StartUpLoad, DemoContentLoadsCleanly) {
  ContentFolder folder;
  folder.WriteConfig(OrvTest::ConfigJson(320, 240, "demo", 60, 2));
  const std::string demo = std::string(ORV_SOURCE_DIR) + "/game/res/";
  for (const char* file : {"textures/orv_demo.png", "textures/orv_demo.pack", "textures/orv_demo.tileset",
                           "anims/hero.anim", "loadfonts.ini", "audio/loadaudio.ini", "audio/blip.wav", "audio/music.wav"}) {
    folder.Copy(demo + file, std::string("res/") + file);
  }
  const RunResult run = RunUntilLoaded(folder);
  EXPECT_TRUE(RanCleanly(run));
  for (const char* line : {"-> Texture: 'res/textures/orv_demo.png' loaded successfully\n",
                           " -> Added frame[hero_walk_1] to animation 'hero_walk'\n",
                           "-> Font 'default' loaded successfully\n", "tileset: demo_tiles loaded!\n"}) {
    EXPECT_NE(run.out.find(line), std::string::npos) << line << "\nin:\n" << run.out;
  }
  EXPECT_EQ(run.err.find("Error"), std::string::npos) << run.err;
}

}  // namespace
