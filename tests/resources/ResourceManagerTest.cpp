#include <gtest/gtest.h>

#include <string>

#include "core/DebugLevel.h"
#include "resources/ResourceManager.h"
#include "support/GLContext.h"

namespace {

using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

constexpr const char* kPack = R"({"file": "pattern.png", "frames": [
  {"id": "f0", "x": 0, "y": 0, "sizeX": 50, "sizeY": 30},
  {"id": "f1", "x": 50, "y": 30, "sizeX": 50, "sizeY": 30},
  {"id": "tile", "x": 4294967297, "y": 2, "sizeX": 3, "sizeY": 4}]})";

// Each test gets a manager of its own, loud (debug level 2) unless it says
// otherwise, in an empty content folder.
class ResourceManagerTest : public OrvTest::GLResourceTest {
 protected:
  void SetUp() override {
    GLResourceTest::SetUp();
    Orv::SetDebugLevel(2);
  }
  void TearDown() override {
    Orv::SetDebugLevel(0);
    GLResourceTest::TearDown();
  }

  void WritePatternPack(const std::string& packName = "pattern.pack", const std::string& pack = kPack) {
    CopyData("pattern_100x60.png", "res/textures/pattern.png");
    WriteFile("res/textures/" + packName, pack);
  }

  // Runs a load and keeps what it printed.
  template <typename Load>
  void Capture(Load load) {
    CaptureStdout();
    CaptureStderr();
    load();
    out_ = GetCapturedStdout();
    err_ = GetCapturedStderr();
  }

  Orv::ResourceManager manager_;
  std::string out_;
  std::string err_;
};

TEST_F(ResourceManagerTest, PackRegistersItsSheetAndFrames) {
  WritePatternPack();
  Capture([&] { EXPECT_TRUE(manager_.LoadTexturePacks()); });
  EXPECT_EQ(out_, "-> Texture: 'res/textures/pattern.png' loaded successfully\n");
  EXPECT_EQ(err_, "");

  ASSERT_EQ(manager_.SpriteSheets().count("pattern.png"), 1u);
  const auto& sheet = manager_.SpriteSheets().at("pattern.png");
  EXPECT_NE(sheet->GetTexture(), 0u);
  EXPECT_EQ(sheet->GetTextureWidth(), 128u);

  const std::shared_ptr<Orv::SpriteFrame> f1 = manager_.GetSprite("f1").Lock();
  ASSERT_TRUE(f1);
  EXPECT_EQ(f1->quad.x, 50);
  EXPECT_EQ(f1->quad.y, 30);
  EXPECT_EQ(f1->quad.sizeX, 50);
  EXPECT_EQ(f1->quad.sizeY, 30);
  EXPECT_EQ(f1->sheet.Lock(), sheet);
  EXPECT_EQ(manager_.GetSprite("tile").Lock()->quad.x, 1) << "only the low 32 bits count";
}

TEST_F(ResourceManagerTest, BadFramesCostOnlyThemselves) {
  WritePatternPack("pattern.pack", R"({"file": "pattern.png", "frames": [
    5,
    {"id": "noSize", "x": 0, "y": 0, "sizeX": 5},
    {"id": "text", "x": "0", "y": 0, "sizeX": 5, "sizeY": 5},
    {"id": 9, "x": 0, "y": 0, "sizeX": 5, "sizeY": 5},
    {"id": "good", "x": 1, "y": 1, "sizeX": 5, "sizeY": 5}]})");
  Capture([&] { EXPECT_TRUE(manager_.LoadTexturePack("pattern.pack")); });
  EXPECT_EQ(out_,
            "-> Texture: 'res/textures/pattern.png' loaded successfully\n"
            "Error Parsing! Texture frame is not a valid object!\n"
            "Error parsing Texture Frame values!\n"
            "Error parsing Texture Frame values!\n"
            "Error parsing Texture Frame values!\n");
  EXPECT_EQ(manager_.SpriteFrames().size(), 1u);
  EXPECT_TRUE(manager_.GetSprite("good").Exists());
}

TEST_F(ResourceManagerTest, BrokenPacksAreReportedAndRegisterNothing) {
  struct Case {
    const char* pack;  // nullptr: the listed file is a folder, unreadable
    bool withImage;
    const char* out;  // after the loader's own lines, the pack loader's
  };
  const Case cases[] = {
      {"{\"file\": \"pattern.png\", ", true,
       "Can't load pack file: res/textures/p.pack\n"
       "res/textures/p.pack: line 1, column 24: string or '}' expected near end of file\n"},
      {nullptr, true,
       "Can't load pack file: res/textures/p.pack\n"
       "res/textures/p.pack: a folder, not a file\n"},
      {"{\"file\": 3, \"frames\": []}", true, "Error parsing texture pack file: res/textures/p.pack\n"},
      {"{\"file\": \"pattern.png\", \"frames\": {}}", true, "Error parsing texture pack file: res/textures/p.pack\n"},
      {kPack, false,
       "Error loading texture from: res/textures/pattern.png\n"
       "Error loading texture file: res/textures/pattern.png\n"},
  };
  for (const Case& c : cases) {
    RemoveFile("res/textures/pattern.png");
    RemoveFile("res/textures/p.pack");
    if (c.pack != nullptr) {
      WriteFile("res/textures/p.pack", c.pack);
    } else {
      WriteFile("res/textures/p.pack/inside", "");
    }
    if (c.withImage) CopyData("pattern_100x60.png", "res/textures/pattern.png");

    Orv::ResourceManager manager;
    Capture([&] { EXPECT_TRUE(manager.LoadTexturePacks()); });
    const std::string pack = c.pack ? c.pack : "(a folder)";
    EXPECT_EQ(out_, std::string(c.out) + "Error loading texture pack file: p.pack\n") << pack;
    // Every box is a line on standard error when headless.
    EXPECT_NE(err_.find("Error loading texture pack file: p.pack\n"), std::string::npos) << pack;
    EXPECT_TRUE(manager.SpriteSheets().empty()) << pack;
    EXPECT_TRUE(manager.SpriteFrames().empty()) << pack;
    RemoveFile("res/textures/p.pack/inside");
  }
}

TEST_F(ResourceManagerTest, PacksOnOneImageShareItsSheetAndTheLaterPackRedefinesFrames) {
  WritePatternPack("a.pack");
  WriteFile("res/textures/b.pack", R"({"file": "pattern.png", "frames": [
    {"id": "f1", "x": 7, "y": 0, "sizeX": 1, "sizeY": 1}]})");
  Capture([&] { manager_.LoadTexturePacks(); });

  const auto sheet = manager_.SpriteSheets().at("pattern.png");
  const auto f0 = manager_.GetSprite("f0").Lock();
  const auto f1 = manager_.GetSprite("f1").Lock();
  ASSERT_TRUE(f0 && f1);
  EXPECT_EQ(f1->quad.x, 7) << "the later pack's frame wins";
  EXPECT_EQ(f1->sheet.Lock(), sheet);
  EXPECT_EQ(f0->sheet.Lock(), sheet) << "the first pack's frames still draw";
  EXPECT_EQ(manager_.SpriteSheets().size(), 1u);
}

TEST_F(ResourceManagerTest, AnimationKeepsOnlyFramesThatExist) {
  WritePatternPack();
  WriteFile("res/anims/a.anim", R"({"walk": ["f0", "f1", "zz"], "idle": "f0", "mixed": [1, null, "f1", true]})");
  Capture([&] { manager_.LoadTexturePacks(); });
  Capture([&] { EXPECT_TRUE(manager_.LoadAnimations()); });
  EXPECT_EQ(out_,
            " -> Added frame[f0] to animation 'walk'\n"
            " -> Added frame[f1] to animation 'walk'\n"
            " -> Added frame[f1] to animation 'mixed'\n");

  const auto walk = manager_.GetAnimation("walk").Lock();
  ASSERT_TRUE(walk);
  ASSERT_EQ(walk->size(), 2u);
  EXPECT_EQ((*walk)[0].Lock(), manager_.GetSprite("f0").Lock());
  EXPECT_EQ((*walk)[1].Lock(), manager_.GetSprite("f1").Lock());
  EXPECT_EQ(manager_.GetAnimFrameName("walk", 0), "f0");
  EXPECT_EQ(manager_.GetAnimFrameName("walk", 1), "f1");
  EXPECT_EQ(manager_.GetAnimFrameName("walk", 2), "");
  EXPECT_EQ(manager_.SpriteFrames().count("zz"), 0u) << "the lookup of zz adds nothing";
  EXPECT_FALSE(manager_.GetSprite("zz").Exists());

  ASSERT_TRUE(manager_.GetAnimation("idle").Exists());
  EXPECT_TRUE(manager_.GetAnimation("idle").Lock()->empty()) << "a value that is not a list gives an empty animation";
  EXPECT_EQ(manager_.GetAnimation("mixed").Lock()->size(), 1u);
  EXPECT_EQ(manager_.GetAnimFrameName("mixed", 0), "f1");
}

TEST_F(ResourceManagerTest, RedefinedAnimationReplacesFramesAndNamesTogether) {
  WritePatternPack();
  WriteFile("res/anims/a.anim", R"({"walk": ["f0", "f1", "f0"]})");
  WriteFile("res/anims/b.anim", R"({"walk": ["f1"]})");
  Capture([&] {
    manager_.LoadTexturePacks();
    manager_.LoadAnimations();
  });
  const auto walk = manager_.GetAnimation("walk").Lock();
  ASSERT_EQ(walk->size(), 1u);
  EXPECT_EQ(manager_.GetAnimFrameName("walk", 0), "f1");
  EXPECT_EQ(manager_.GetAnimFrameName("walk", 1), "");
}

TEST_F(ResourceManagerTest, UnreadableAnimationFileIsReported) {
  WriteFile("res/anims/bad.anim", "{\"walk\": [");
  Capture([&] { manager_.LoadAnimations(); });
  // One line with the cause, in the box and on the console.
  const std::string line =
      "Error loading anim file: res/anims/bad.anim: line 1, column 10: ']' expected near end of file\n";
  EXPECT_EQ(err_, line);
  EXPECT_EQ(out_, line);
  EXPECT_TRUE(manager_.Animations().empty());
}

TEST_F(ResourceManagerTest, TileSetMapsLowEightBitsAndKeepsTheFirstMapping) {
  WritePatternPack();
  WriteFile("res/textures/t.tileset", R"({"name": "ground", "mapping": [
    {"id": 300, "texture": "f0"},
    {"id": 44, "texture": "f1"},
    {"id": -3, "texture": "f1"},
    {"id": 200, "texture": "nothing"},
    "x",
    {"id": 1.5, "texture": "f0"},
    {"id": 2}]})");
  Capture([&] {
    manager_.LoadTexturePacks();
    out_.clear();
  });
  Capture([&] { EXPECT_TRUE(manager_.LoadTileSets()); });
  EXPECT_EQ(out_,
            "tileset[ground].44 = f0\n"
            "tileset[ground].44 = f1\n"
            "tileset[ground].-3 = f1\n"
            "tileset[ground].-56 = nothing\n"
            "Error Parsing! Tileset mapping is not a valid object!\n"
            "Error parsing tileset mapping values!\n"
            "Error parsing tileset mapping values!\n"
            "tileset: ground loaded!\n");

  const auto tiles = manager_.GetTileSet("ground").Lock();
  ASSERT_TRUE(tiles);
  EXPECT_EQ(tiles->GetName(), "ground");
  EXPECT_EQ(tiles->GetFrame(44).Lock(), manager_.GetSprite("f0").Lock()) << "300 is 44, and the first mapping stays";
  EXPECT_EQ(tiles->GetFrame(-3).Lock(), manager_.GetSprite("f1").Lock());
  EXPECT_EQ(tiles->GetMapping().count(-56), 1u) << "an unknown frame still maps, to nothing";
  EXPECT_FALSE(tiles->GetFrame(-56).Exists());
  EXPECT_EQ(tiles->GetMapping().size(), 3u);
}

TEST_F(ResourceManagerTest, BrokenTileSetFilesAreReportedByName) {
  const std::pair<const char*, const char*> cases[] = {
      {"{\"name\": ",
       "Error loading tileset file: res/textures/t.tileset: line 1, column 9: unexpected token near end of file\n"},
      {"{\"name\": 1, \"mapping\": []}",
       "Error parsing tileset file: res/textures/t.tileset\nError loading tileset file: t.tileset\n"},
      {"{\"name\": \"t\"}",
       "Error parsing tileset file: res/textures/t.tileset\nError loading tileset file: t.tileset\n"},
  };
  for (const auto& [file, line] : cases) {
    WriteFile("res/textures/t.tileset", file);
    Orv::ResourceManager manager;
    Capture([&] { manager.LoadTileSets(); });
    EXPECT_EQ(out_, line) << file;
    // The box names the place of the fault too.
    EXPECT_EQ(err_, line) << file;
    EXPECT_TRUE(manager.TileSets().empty()) << file;
  }
}

TEST_F(ResourceManagerTest, EmptyFoldersSayNoFilesFound) {
  Capture([&] {
    manager_.LoadTexturePacks();
    manager_.LoadAnimations();
    manager_.LoadTileSets();
  });
  const std::string expected =
      "No files found for: res/textures/*.pack\n"
      "No files found for: res/anims/*.anim\n"
      "No files found for: res/textures/*.tileset\n";
  EXPECT_EQ(out_, expected);
  EXPECT_EQ(err_, expected);
}

}  // namespace
