#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "resources/ResourceManager.h"
#include "world/TileMapComponent.h"

namespace Orv {
namespace {

TileMapComponent& SetUpComponent(TileMapComponent& component) {
  component.Setup();
  return component;
}

TEST(TileMapComponent, TileSizeTakesOnlyWholeNumbersAboveZero) {
  struct Case {
    const char* name;
    double value;
    bool integer;
    int width;
  };
  const Case cases[] = {
      {"64 as an integer", 64, true, 64}, {"64.0 as a real", 64.0, false, 1}, {"0", 0, true, 1}, {"-5", -5, true, 1}};
  for (const Case& c : cases) {
    TileMapComponent component;
    SetUpComponent(component);
    if (c.integer) {
      component.SetIntPropertyByName("tilewidth", static_cast<int>(c.value));
      component.SetIntPropertyByName("tileheight", static_cast<int>(c.value));
    } else {
      component.SetRealPropertyByName("tilewidth", c.value);
      component.SetRealPropertyByName("tileheight", c.value);
    }
    EXPECT_EQ(component.tileWidth, c.width) << c.name;
    EXPECT_EQ(component.tileHeight, c.width) << c.name;
  }
}

TEST(TileMapComponent, WorldPositionsFallIntoCellsCentredOnMultiplesOfTheTileSize) {
  struct Case {
    int width;
    double x;
    int cell;
  };
  const Case cases[] = {{32, 15.9, 0}, {32, 16, 1}, {32, -16.1, -1}, {1, 2.5, 2}, {33, 16.9, 0}, {33, 17, 1}};
  for (const Case& c : cases) {
    TileMapComponent component;
    component.tileWidth = component.tileHeight = c.width;
    const TileCell cell = component.WorldToTile(c.x, c.x);
    EXPECT_EQ(cell.x, c.cell) << c.width << " " << c.x;
    EXPECT_EQ(cell.y, c.cell) << c.width << " " << c.x;
  }
}

TEST(TileMapComponent, CellOperationsReachTheMapUnderTheIdWhenThereIsOne) {
  setenv("ORV_HEADLESS", "1", 1);
  TileMapComponent component;
  SetUpComponent(component).SetIntPropertyByName("tilemapid", 4101);
  component.SetIntPropertyByName("tilewidth", 32);
  component.SetIntPropertyByName("tileheight", 32);
  // No map yet: nothing happens and reads give 0.
  component.WriteTileAt(1, '#', 40, 40);
  EXPECT_EQ(component.GetTileAt(1, 40, 40), 0);
  component.SetMarkedTile(40, 40);
  EXPECT_EQ(component.markedCellX, 0);

  const auto map = ResourceManager::GetInstance().CreateTilemap(4101).Lock();
  map->SetSize(4, 3);
  component.WriteTileAt(1, '#', 40, 40);
  EXPECT_EQ(map->GetCell(1, 1, 1), '#');
  EXPECT_EQ(component.GetTileAt(1, 40, 40), '#');
  EXPECT_EQ(component.GetTileAt(1, -20, 40), -1) << "negative cells are outside";
  EXPECT_EQ(component.GetTileAt(3, 40, 40), 0) << "no layer 3";
  EXPECT_EQ(component.GetTileAt(1, NAN, 40), -1);
  component.WriteTileAt(3, 'x', 0, 0);
  component.WriteTileAt(0, 'x', INFINITY, 0);
  EXPECT_EQ(map->GetCell(2, 0, 0), 0);
  EXPECT_EQ(map->GetCell(0, 0, 0), 0);
  ::testing::internal::CaptureStdout();
  component.WriteTileAt(0, 'x', 200, -20);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Tile map coordinates out of range!: 6 , 4294967295\n");
  component.SetMarkedTile(100, 70);
  EXPECT_EQ(component.markedCellX, 3);
  EXPECT_EQ(component.markedCellY, 2);
  EXPECT_EQ(component.GetTilemap(), map);
}

TEST(TileMapComponent, AnUnknownTileSetShowsItsBoxAndAKnownOneIsBound) {
  setenv("ORV_HEADLESS", "1", 1);
  const std::string path =
      (std::filesystem::temp_directory_path() / ("orv_tileset_" + std::to_string(getpid()) + ".tileset")).string();
  std::ofstream(path) << R"({"name": "walls", "mapping": [{"id": 49, "texture": "wall.png"}]})";
  ASSERT_TRUE(ResourceManager::GetInstance().LoadTileset(path));
  std::filesystem::remove(path);

  TileMapComponent component;
  SetUpComponent(component);
  ::testing::internal::CaptureStderr();
  component.SetStringPropertyByName("tileset", "nope");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "TileSet not found! : nope\n");
  EXPECT_FALSE(component.GetTileSet().Exists());

  ::testing::internal::CaptureStderr();
  component.SetStringPropertyByName("tileset", "walls");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  ASSERT_TRUE(component.GetTileSet().Exists());
  EXPECT_EQ(component.GetTileSet().Lock()->GetName(), "walls");
  component.SetTileSet("nope");
  EXPECT_FALSE(component.GetTileSet().Exists()) << "a script's unknown name binds none, without a box";
}

}  // namespace
}  // namespace Orv
