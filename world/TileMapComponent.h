#pragma once
// Makes an object the owner of a tile map on screen: the map's resource id,
// the size of one tile in world units, the tile set that draws layer 0 and
// the shadow map, and the values the camera, the tile-map system and the
// draw passes hand to one another each frame.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/Component.h"
#include "core/ObjectLockPtr.h"
#include "core/OrientedRect.h"
#include "resources/SpriteSheet.h"
#include "resources/TileSet.h"
#include "resources/Tilemap.h"

namespace Orv {

// A solid cell the level renderer queues for the shadow pass to draw after
// the shadows, so that walls stay above them.
struct WallTile {
  int column;
  int row;
  // View position of the cell's centre.
  float screenX;
  float screenY;
  // The tile size when the cell was queued.
  unsigned width;
  unsigned height;
  // The cell's layer-0 value, looked up in the tile set.
  unsigned char tile;
};

// A cell of the map; negative cells lie outside it.
struct TileCell {
  int x;
  int y;
};

class TileMapComponent : public Component {
 public:
  static constexpr std::string_view RunTimeName = "class Orv::TileMapComponent";

  enum Property : unsigned { TileMapId, TileWidth, TileHeight, TileSetName, ShadowMapName };

  void Setup() override;
  void Shutdown() override {}
  // Only integers (id and tile size) and texts (tile set, shadow map) act;
  // a real given for the tile size is ignored.
  void OnIntProperty(unsigned index, int value) override;
  void OnStringProperty(unsigned index, const char* value) override;

  // The map under the id, held for one use; empty when there is none.
  std::shared_ptr<Tilemap> GetTilemap() const;
  ObjectLockPtr<TileSet> GetTileSet() const { return tileSet; }
  // Binds the named tile set, or none when the name is unknown.
  void SetTileSet(const std::string& name);
  ObjectLockPtr<SpriteFrame> GetShadowMap() const { return shadowMap; }

  // Tile centres lie on whole multiples of the tile size, so a cell reaches
  // half a tile to each side of its centre.
  TileCell WorldToTile(double x, double y) const;
  // Layers 0 to 2 of the map, at the cell of a world position; positions
  // that are not finite name no cell.
  void WriteTileAt(int layer, char value, float x, float y);
  // -1 outside the map, 0 without a map or for another layer.
  signed char GetTileAt(int layer, float x, float y) const;
  void SetMarkedTile(float x, float y);
  // The cell of a world position in single precision, as the cell
  // operations above find it; false when the position is not finite.
  bool CellAt(float x, float y, TileCell& cell) const;

  int tilemapId = 0;
  // World units per cell; never below 1, since the cell of a position
  // divides by them.
  int tileWidth = 1;
  int tileHeight = 1;
  // The camera's view, written by the camera every frame.
  unsigned viewHalfWidth = 100;
  unsigned viewHalfHeight = 100;
  float viewCentreX = 0.0f;
  float viewCentreY = 0.0f;
  bool viewFlag = true;
  ObjectLockPtr<TileSet> tileSet;
  // Copied every frame from the tile-map system.
  int writeLayer = 0;
  unsigned layer2Counter = 0;
  bool shadowsEnabled = false;
  // Filled by the level renderer and emptied by the shadow pass in the same frame.
  std::vector<OrientedRect> occluderRuns;
  std::vector<WallTile> wallTiles;
  ObjectLockPtr<SpriteFrame> shadowMap;
  double worldCursorX = 0.0;
  double worldCursorY = 0.0;
  int markedCellX = 0;
  int markedCellY = 0;
  // The marked cell's centre on the view, written by the level renderer.
  float markedCellScreenX = 0.0f;
  float markedCellScreenY = 0.0f;
};

}  // namespace Orv
