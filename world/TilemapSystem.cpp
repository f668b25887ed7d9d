#include "world/TilemapSystem.h"

#include <cmath>
#include <memory>
#include <string>

#include "core/GameObject.h"
#include "core/Report.h"
#include "core/ReportOnce.h"
#include "resources/LinePlot.h"
#include "resources/ResourceManager.h"
#include "world/TileMapComponent.h"
#include "world/TileSetDrawing.h"

namespace Orv {

namespace {

// The tile-map component of a live object, held for one use.
std::shared_ptr<TileMapComponent> LiveComponent(const ObjectLockPtr<GameObject>& handle) {
  auto object = handle.Lock();
  if (!Lives(object)) return nullptr;
  return object->LockComponent<TileMapComponent>();
}

bool Inside(const Tilemap& map, long long x, long long y) {
  return x >= 0 && y >= 0 && x < map.GetWidth() && y < map.GetHeight();
}

// Breadth first from a cell that holds start, four neighbours in the order
// left, right, below, above. Each cell is written as it is queued, so none
// is queued twice and the fill ends whatever the bytes are.
void Flood(Tilemap& map, int layer, TileCell from, char start, char value) {
  std::vector<TileCell> queue{from};
  map.SetCell(layer, static_cast<unsigned>(from.x), static_cast<unsigned>(from.y), value);
  for (std::size_t head = 0; head < queue.size(); ++head) {
    const TileCell cell = queue[head];
    const TileCell neighbours[] = {
        {cell.x - 1, cell.y}, {cell.x + 1, cell.y}, {cell.x, cell.y + 1}, {cell.x, cell.y - 1}};
    for (const TileCell& next : neighbours) {
      if (!Inside(map, next.x, next.y)) continue;
      const auto x = static_cast<unsigned>(next.x), y = static_cast<unsigned>(next.y);
      if (static_cast<char>(map.GetCell(layer, x, y)) != start) continue;
      map.SetCell(layer, x, y, value);
      queue.push_back(next);
    }
  }
}

}  // namespace

void TilemapSystem::Update(float) {
  for (std::size_t i = 0; i < objects_.size();) {
    auto object = objects_[i].Lock();
    if (!Lives(object)) {
      objects_.erase(objects_.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    if (auto component = object->LockComponent<TileMapComponent>()) {
      component->writeLayer = static_cast<int>(writeLayer_);
      const auto shadows = shadowSwitches_.find(component->tilemapId);
      component->shadowsEnabled = shadows != shadowSwitches_.end() && shadows->second;
    }
    ++i;
  }
}

void TilemapSystem::OnGameObjectAdded(ObjectLockPtr<GameObject> handle) {
  auto object = handle.Lock();
  if (!Lives(object)) return;
  if (object->GetComponent<TileMapComponent>().Exists()) objects_.push_back(handle);
}

void TilemapSystem::CreateNewTileMap(int id, unsigned width, unsigned height) {
  if (!Tilemap::IsValidSize(width, height)) {
    PrintErrorLine("Error! CreateNewTileMap: tile map " + std::to_string(id) + " of " + std::to_string(width) + " x " +
                   std::to_string(height) + " cells refused (each side 0 to " + std::to_string(Tilemap::kMaxSide) +
                   ", at most " + std::to_string(Tilemap::kMaxCells) + " cells); the map under that id is kept");
    return;
  }
  ResourceManager::GetInstance().CreateTilemap(id).Lock()->SetSize(width, height);
}

void TilemapSystem::LoadNewTileMap(int id, const char* fileName) {
  const std::shared_ptr<Tilemap> map = ResourceManager::GetInstance().CreateTilemap(id).Lock();
  map->Load(fileName);
  if (map->GetName() == "empty") return;
  while (!map->LoadRow()) {
  }
}

void TilemapSystem::SaveTileMap(int id, const char* fileName) {
  if (const std::shared_ptr<Tilemap> map = ResourceManager::GetInstance().GetTilemap(id).Lock()) map->Save(fileName);
}

void TilemapSystem::SetWriteLayer(unsigned layer) {
  if (layer < kLayerCount) writeLayer_ = layer;
}

void TilemapSystem::SetWriteValue(unsigned char value) { writeValue_ = value; }

void TilemapSystem::WriteValue(float x, float y) {
  const char value = static_cast<char>(writeValue_);
  for (std::size_t i = 0; i < objects_.size(); ++i) {
    const std::shared_ptr<TileMapComponent> component = LiveComponent(objects_[i]);
    const std::shared_ptr<Tilemap> map = component ? component->GetTilemap() : nullptr;
    if (!map) continue;
    if (writeLayer_ == 2) {
      // The attribute cycles 1, 2, 3, 0 with each write.
      component->layer2Counter = component->layer2Counter >= 3 ? 0 : component->layer2Counter + 1;
      map->SetLayer2Value(static_cast<char>(component->layer2Counter));
      component->WriteTileAt(2, map->GetLayer2Value(), x, y);
    } else if (writeLayer_ == 1) {
      component->WriteTileAt(1, value, x, y);
    } else {
      // A tile carries the attribute last stamped; layer 3 takes only that.
      component->WriteTileAt(2, map->GetLayer2Value(), x, y);
      component->WriteTileAt(static_cast<int>(writeLayer_), value, x, y);
    }
  }
}

void TilemapSystem::FillValue(float x, float y) {
  if (writeLayer_ >= 3) return;
  const int layer = static_cast<int>(writeLayer_);
  const char value = static_cast<char>(writeValue_);
  for (std::size_t i = 0; i < objects_.size(); ++i) {
    const std::shared_ptr<TileMapComponent> component = LiveComponent(objects_[i]);
    const std::shared_ptr<Tilemap> map = component ? component->GetTilemap() : nullptr;
    if (!map) continue;
    // A map the point misses is no reason to leave the others unfilled.
    TileCell cell;
    if (!component->CellAt(x, y, cell) || !Inside(*map, cell.x, cell.y)) continue;
    // A start that holds the value already leaves this map as it is, and the
    // others are still filled: a map shown by several objects is filled by
    // the first and then holds the value for the rest.
    // Bytes compared as bytes: a value of 128 or more equals itself.
    const auto start =
        static_cast<char>(map->GetCell(layer, static_cast<unsigned>(cell.x), static_cast<unsigned>(cell.y)));
    if (start == value) continue;
    Flood(*map, layer, cell, start, value);
  }
}

void TilemapSystem::MarkTileAt(float x, float y) {
  for (std::size_t i = 0; i < objects_.size(); ++i) {
    if (const std::shared_ptr<TileMapComponent> component = LiveComponent(objects_[i])) component->SetMarkedTile(x, y);
  }
}

void TilemapSystem::EnableTileMapShadows(int id, bool enable) { shadowSwitches_[id] = enable; }

void TilemapSystem::SetTileSet(int, const char* name) {
  if (!ResourceManager::GetInstance().GetTileSet(name).Exists()) {
    PrintErrorLineOnce("SetTileSet: no tile set", name,
                       "SetTileSet: no tile set is named \"" + QuotedName(name) + "\"; the maps draw no tiles with it");
  }
  for (std::size_t i = 0; i < objects_.size(); ++i) {
    if (const std::shared_ptr<TileMapComponent> component = LiveComponent(objects_[i])) component->SetTileSet(name);
  }
}

// Drawn by the render side's drawer (world/TileSetDrawing.h).
void TilemapSystem::DrawTileSet(const char* name, int value, float x, float y, float width, float height) {
  DrawTileSetTile(name, value, x, y, width, height);
}

bool TilemapSystem::CallTileMapRaycast(int id, double x0, double y0, double x1, double y1) {
  for (std::size_t i = 0; i < objects_.size(); ++i) {
    const std::shared_ptr<TileMapComponent> component = LiveComponent(objects_[i]);
    if (!component || component->tilemapId != id) continue;
    const std::shared_ptr<Tilemap> map = component->GetTilemap();
    if (!map) {
      PrintLine("NULL TILEMAP HANDLE, RAYCAST 100% FAIL");
      continue;
    }
    // A position that is not a number lies in no cell: nothing is seen.
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1)) return false;
    const TileCell from = component->WorldToTile(x0, y0);
    const TileCell to = component->WorldToTile(x1, y1);
    return Line::LinePlot::Plot(from.x, from.y, to.x, to.y, *map);
  }
  return false;
}

void TilemapSystem::SetCollisionLayer(const char* name) { ResourceManager::GetInstance().SetCollisionLayerName(name); }

const char* TilemapSystem::GetCollisionLayer() {
  return ResourceManager::GetInstance().GetCollisionLayerName().c_str();
}

void TilemapSystem::SetDrawLayer(const char* name) { ResourceManager::GetInstance().SetDrawLayerName(name); }

const char* TilemapSystem::GetDrawLayer() { return ResourceManager::GetInstance().GetDrawLayerName().c_str(); }

signed char TilemapSystem::GetTile(int layer, int id, double x, double y) {
  for (std::size_t i = 0; i < objects_.size(); ++i) {
    const std::shared_ptr<TileMapComponent> component = LiveComponent(objects_[i]);
    if (!component || component->tilemapId != id) continue;
    const std::shared_ptr<Tilemap> map = component->GetTilemap();
    if (!map) {
      PrintLine("NULL TILEMAP HANDLE, GET Tile from map FAIL");
      continue;
    }
    if (!std::isfinite(x) || !std::isfinite(y)) return -1;
    const TileCell cell = component->WorldToTile(x, y);
    return map->GetCell(layer, static_cast<unsigned>(cell.x), static_cast<unsigned>(cell.y));
  }
  return -1;
}

}  // namespace Orv
