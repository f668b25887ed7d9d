#include "world/TileMapComponent.h"

#include <cmath>

#include "NumberConversion.h"
#include "core/Report.h"
#include "resources/ResourceManager.h"

namespace Orv {

void TileMapComponent::Setup() {
  propertyNames["tilemapid"] = TileMapId;
  propertyNames["tilewidth"] = TileWidth;
  propertyNames["tileheight"] = TileHeight;
  propertyNames["tileset"] = TileSetName;
  propertyNames["shadowmap"] = ShadowMapName;
}

void TileMapComponent::OnIntProperty(unsigned index, int value) {
  switch (index) {
    case TileMapId: tilemapId = value; break;
    // A size of 0 or below would divide by it; the size stays as it was.
    case TileWidth:
      if (value > 0) tileWidth = value;
      break;
    case TileHeight:
      if (value > 0) tileHeight = value;
      break;
    default: break;
  }
}

void TileMapComponent::OnStringProperty(unsigned index, const char* value) {
  const std::string name = value != nullptr ? value : "";
  if (index == TileSetName) {
    SetTileSet(name);
    if (!tileSet.Exists()) ShowMessage("TileSet not found! : " + name);
  } else if (index == ShadowMapName) {
    shadowMap = ResourceManager::GetInstance().GetSprite(name);
  }
}

std::shared_ptr<Tilemap> TileMapComponent::GetTilemap() const {
  return ResourceManager::GetInstance().GetTilemap(tilemapId).Lock();
}

void TileMapComponent::SetTileSet(const std::string& name) {
  tileSet = ResourceManager::GetInstance().GetTileSet(name);
}

TileCell TileMapComponent::WorldToTile(double x, double y) const {
  const double cellX = std::floor((x + tileWidth / 2) / tileWidth);
  const double cellY = std::floor((y + tileHeight / 2) / tileHeight);
  return {OrvLua::SaturateTo<int>(cellX), OrvLua::SaturateTo<int>(cellY)};
}

bool TileMapComponent::CellAt(float x, float y, TileCell& cell) const {
  if (!std::isfinite(x) || !std::isfinite(y)) return false;
  const float cellX = std::floor((x + static_cast<float>(tileWidth / 2)) / static_cast<float>(tileWidth));
  const float cellY = std::floor((y + static_cast<float>(tileHeight / 2)) / static_cast<float>(tileHeight));
  cell = {OrvLua::SaturateTo<int>(cellX), OrvLua::SaturateTo<int>(cellY)};
  return true;
}

void TileMapComponent::WriteTileAt(int layer, char value, float x, float y) {
  const std::shared_ptr<Tilemap> map = GetTilemap();
  TileCell cell;
  if (map == nullptr || layer < 0 || layer > 2 || !CellAt(x, y, cell)) return;
  map->SetCell(layer, static_cast<unsigned>(cell.x), static_cast<unsigned>(cell.y), value);
}

signed char TileMapComponent::GetTileAt(int layer, float x, float y) const {
  const std::shared_ptr<Tilemap> map = GetTilemap();
  if (map == nullptr || layer < 0 || layer > 2) return 0;
  TileCell cell;
  if (!CellAt(x, y, cell)) return -1;
  return map->GetCell(layer, static_cast<unsigned>(cell.x), static_cast<unsigned>(cell.y));
}

void TileMapComponent::SetMarkedTile(float x, float y) {
  TileCell cell;
  if (GetTilemap() == nullptr || !CellAt(x, y, cell)) return;
  markedCellX = cell.x;
  markedCellY = cell.y;
}

}  // namespace Orv
