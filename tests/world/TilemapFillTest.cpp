// The tile-map system's flood fill over several tile-map objects.
#include <gtest/gtest.h>

#include <string>

#include "resources/ResourceManager.h"
#include "support/ScriptEngineFixture.h"
#include "world/TilemapSystem.h"

using namespace Orv;

namespace OrvTest {
namespace {

class TilemapFill : public ScriptEngineFixture {
 protected:
  TilemapFill() { engine.AddSystem(tilemaps, RoleNone); }

  void SpawnLevel(int id) {
    SpawnType(
        R"([{"type":"tilemap","data":[{"tilemapid":)" + std::to_string(id) + R"(,"tilewidth":32,"tileheight":32}]}])",
        std::nullopt);
  }
  static std::string Layer0(int id) {
    std::shared_ptr<Tilemap> map = ResourceManager::GetInstance().GetTilemap(id).Lock();
    std::string cells;
    for (unsigned y = 0; y < map->GetHeight(); ++y) {
      for (unsigned x = 0; x < map->GetWidth(); ++x) cells += std::to_string(map->GetCell(0, x, y));
      cells += " ";
    }
    return cells;
  }

  std::shared_ptr<TilemapSystem> tilemaps = std::make_shared<TilemapSystem>(&engine);
};

TEST_F(TilemapFill, AMapThePointMissesIsSkippedAndTheMapsAfterItAreFilled) {
  // Listed first, a map of one cell: (64, 64) is cell (2, 2), beyond it.
  SpawnLevel(7);
  SpawnLevel(8);
  tilemaps->CreateNewTileMap(7, 1, 1);
  tilemaps->CreateNewTileMap(8, 4, 3);
  tilemaps->SetWriteLayer(0);
  tilemaps->SetWriteValue(5);
  tilemaps->FillValue(64, 64);
  EXPECT_EQ(Layer0(7), "0 ");
  EXPECT_EQ(Layer0(8), "5555 5555 5555 ");
  // A point in both fills both.
  tilemaps->SetWriteValue(6);
  tilemaps->FillValue(0, 0);
  EXPECT_EQ(Layer0(7), "6 ");
  EXPECT_EQ(Layer0(8), "6666 6666 6666 ");
}

}  // namespace
}  // namespace OrvTest
