// The tile-map script functions.
#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

#include "NumberConversion.h"
#include "core/Report.h"
#include "core/ReportOnce.h"
#include "resources/ResourceManager.h"
#include "script/ScriptComponent.h"
#include "script/ScriptRegistrar.h"
#include "world/PathFinder.h"
#include "world/TilemapSystem.h"
#include "world/TilemapSystemScript.h"

namespace Orv {

namespace {

// The cell of a world position for a path query: no half-tile offset, in
// single precision. Nothing for a tile size of 0 or not finite, or a position
// that names no cell.
std::optional<PathCell> PathCellAt(float x, float y, float tileWidth, float tileHeight) {
  const auto usable = [](float size) { return size != 0.0f && std::isfinite(size); };
  if (!usable(tileWidth) || !usable(tileHeight)) return std::nullopt;
  const float column = std::floor(x * (1.0f / tileWidth));
  const float row = std::floor(y * (1.0f / tileHeight));
  if (!std::isfinite(column) || !std::isfinite(row)) return std::nullopt;
  return PathCell{OrvLua::SaturateTo<int>(column), OrvLua::SaturateTo<int>(row)};
}

}  // namespace

void TilemapSystem::OnRegistered() { AddScriptRegistration(this, &TilemapSystem::RegisterScriptFunctions); }

void TilemapSystem::RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object) {
  using Self = TilemapSystem;
  script.RegisterDirect("CreateNewTileMap", this, &Self::CreateNewTileMap);
  script.RegisterDirect("LoadNewTileMap", this, &Self::LoadNewTileMap);
  script.RegisterDirect("SaveTileMap", this, &Self::SaveTileMap);
  script.RegisterDirect("SetWriteLayer", this, &Self::SetWriteLayer);
  script.RegisterDirect("SetWriteValue", this, &Self::SetWriteValue);
  script.RegisterDirect("WriteValue", this, &Self::WriteValue);
  script.RegisterDirect("FillValue", this, &Self::FillValue);
  script.RegisterDirect("MarkTileAt", this, &Self::MarkTileAt);
  script.RegisterDirect("EnableTileMapShadows", this, &Self::EnableTileMapShadows);
  script.RegisterDirect("SetTileSet", this, &Self::SetTileSet);
  script.RegisterNewFunctor<GetTileSetInfo>("GetTileSetInfo", object);
  script.RegisterDirect("DrawTileSet", this, &Self::DrawTileSet);
  script.RegisterDirect("CallTileMapRaycast", this, &Self::CallTileMapRaycast);
  script.RegisterDirect("SetCollisionLayer", this, &Self::SetCollisionLayer);
  script.RegisterDirect("GetCollisionLayer", this, &Self::GetCollisionLayer);
  script.RegisterDirect("SetDrawLayer", this, &Self::SetDrawLayer);
  script.RegisterDirect("GetDrawLayer", this, &Self::GetDrawLayer);
  script.RegisterDirect("GetTile", this, &Self::GetTile);
  script.RegisterNewFunctor<FindPathFunc>("FindPath", object);
}

OrvLua::LuaObject GetTileSetInfo::operator()(const char* name) {
  const std::shared_ptr<GameObject> object = LiveObject();
  const std::shared_ptr<ScriptComponent> script = object ? object->LockComponent<ScriptComponent>() : nullptr;
  if (!script) return {};
  OrvLua::LuaObject values = script->NewTable();
  const std::shared_ptr<TileSet> tileSet = ResourceManager::GetInstance().GetTileSet(name).Lock();
  if (!tileSet) {
    PrintErrorLineOnce("GetTileSetInfo: no tile set", name,
                       "GetTileSetInfo: no tile set is named \"" + QuotedName(name) + "\"; its table is empty");
  }
  if (!tileSet) return values;
  std::vector<signed char> mapped;
  for (const auto& [value, frame] : tileSet->GetMapping()) mapped.push_back(static_cast<signed char>(value));
  std::sort(mapped.begin(), mapped.end());
  for (std::size_t i = 0; i < mapped.size(); ++i) values.SetInteger(static_cast<int>(i), mapped[i]);
  return values;
}

OrvLua::LuaObject FindPathFunc::operator()(int tilemapId, float startX, float startY, float goalX, float goalY,
                                           float tileWidth, float tileHeight, unsigned maxSteps) {
  const std::shared_ptr<GameObject> object = LiveObject();
  const std::shared_ptr<ScriptComponent> script = object ? object->LockComponent<ScriptComponent>() : nullptr;
  if (!script) return {};
  OrvLua::LuaObject path = script->NewTable();
  const std::shared_ptr<Tilemap> map = ResourceManager::GetInstance().GetTilemap(tilemapId).Lock();
  if (!map) return path;
  const std::optional<PathCell> start = PathCellAt(startX, startY, tileWidth, tileHeight);
  const std::optional<PathCell> goal = PathCellAt(goalX, goalY, tileWidth, tileHeight);
  if (!start || !goal || *start == *goal) return path;

  // The map is held for the whole search, and no script runs during it.
  PathFinder search;
  search.Init({map->LayerData(1), map->GetWidth(), map->GetHeight()});
  // A goal outside the map or on a solid cell is never reached: searching
  // for it would walk every cell the start can reach.
  if (search.GetCell(goal->x, goal->y) != 0) return path;
  search.SetStartGoal(start->x, start->y, goal->x, goal->y);
  // No more steps than the map has cells: a search of -1 steps ends too.
  static bool limitReported = false;
  if (search.Run(maxSteps) == PathFinder::Searching && !limitReported) {
    limitReported = true;
    PrintLine("FindPath: a search stopped at its limit of " + std::to_string(maxSteps) +
              " steps before reaching its goal; its path is empty");
  }
  int key = 1;
  for (const PathCell& cell : search.GetPath()) {
    OrvLua::LuaObject corner = script->NewTable();
    corner.SetNumber("x", static_cast<float>(cell.x) * tileWidth);
    corner.SetNumber("y", static_cast<float>(cell.y) * tileHeight);
    path.SetObject(key++, corner);
  }
  search.Free();
  return path;
}

}  // namespace Orv
