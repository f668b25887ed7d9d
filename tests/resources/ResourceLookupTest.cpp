#include <gtest/gtest.h>

#include "resources/ResourceManager.h"

namespace {

TEST(ResourceLookup, MissingKeysGiveAnEmptyReferenceAndAddNothing) {
  Orv::ResourceManager manager;
  EXPECT_FALSE(manager.GetSprite("none").Exists());
  EXPECT_FALSE(manager.GetFont("none").Exists());
  EXPECT_FALSE(manager.GetAnimation("none").Exists());
  EXPECT_FALSE(manager.GetTileSet("none").Exists());
  EXPECT_FALSE(manager.GetTilemap(7).Exists());

  EXPECT_TRUE(manager.SpriteFrames().empty());
  EXPECT_TRUE(manager.Fonts().empty());
  EXPECT_TRUE(manager.Animations().empty());
  EXPECT_TRUE(manager.TileSets().empty());
  EXPECT_TRUE(manager.Tilemaps().empty());
}

TEST(ResourceLookup, AnimationFrameNameOfAnUnknownAnimationInsertsNothing) {
  Orv::ResourceManager manager;
  EXPECT_EQ(manager.GetAnimFrameName("walk", 0), "");
  EXPECT_EQ(manager.GetAnimFrameName(nullptr, 0), "");
  EXPECT_TRUE(manager.Animations().empty());
}

TEST(ResourceLookup, CreateTilemapFillsTheEmptyEntryAndReplacesAnOldMap) {
  Orv::ResourceManager manager;
  EXPECT_FALSE(manager.GetTilemap(7).Exists());
  const Orv::ObjectLockPtr<Orv::Tilemap> first = manager.CreateTilemap(7);
  EXPECT_TRUE(first.Exists());
  EXPECT_EQ(manager.GetTilemap(7).Lock(), first.Lock());

  const Orv::ObjectLockPtr<Orv::Tilemap> second = manager.CreateTilemap(7);
  EXPECT_FALSE(first.Exists()) << "the old map is released";
  EXPECT_TRUE(second.Exists());
  EXPECT_EQ(manager.Tilemaps().size(), 1u);
  EXPECT_TRUE(manager.CreateTilemap(-2).Exists()) << "ids are signed";
}

TEST(TileSetLookup, FirstMappingOfAValueStaysAndUnmappedValuesLeaveAnEmptyEntry) {
  auto a = std::make_shared<Orv::SpriteFrame>();
  auto b = std::make_shared<Orv::SpriteFrame>();
  Orv::TileSet tiles("ground");
  tiles.AddMapping('#', a);
  tiles.AddMapping('#', b);
  EXPECT_EQ(tiles.GetFrame('#').Lock(), a);
  EXPECT_FALSE(tiles.GetFrame('.').Exists());
  EXPECT_EQ(tiles.GetMapping().size(), 2u);
}

}  // namespace
