#pragma once
// Keeps the objects that show a tile map and hands them the editing state
// every frame; does the work behind the tile-map script functions: making,
// loading and saving maps, writing and flood-filling cells, reading cells,
// ray casts over the collision layer and path queries. Maps live in the
// resource manager under integer ids; every function acts on the one shared
// state, so what one script changes every script sees.
#include <map>
#include <vector>

#include "core/ObjectLockPtr.h"
#include "core/System.h"

namespace Orv {

class GameObject;
class ScriptComponent;

class TilemapSystem : public PlainSystem {
 public:
  // Layer 3 names no layer: writes to it change only the attribute layer.
  static constexpr unsigned kLayerCount = 4;

  using PlainSystem::PlainSystem;

  void OnRegistered() override;

  // Drops dead objects and copies the write layer and the shadow switch of
  // each object's map into its component.
  void Update(float dt) override;
  void OnGameObjectAdded(ObjectLockPtr<GameObject> object) override;

  // Script functions, for every scripted object.
  // A new map of that size under the id in place of the one there; a size
  // no map may have is refused with a line and changes nothing.
  void CreateNewTileMap(int id, unsigned width, unsigned height);
  // A new map under the id, read whole from the per-user folder, else the
  // project's data/maps/, else the default map.
  void LoadNewTileMap(int id, const char* fileName);
  void SaveTileMap(int id, const char* fileName);
  void SetWriteLayer(unsigned layer);
  void SetWriteValue(unsigned char value);
  // At a world position on every map shown: the write value into the write
  // layer, with the attribute that goes with it.
  void WriteValue(float x, float y);
  // Fills the region of equal cells around a world position, four
  // neighbours at a time, with the write value.
  void FillValue(float x, float y);
  void MarkTileAt(float x, float y);
  void EnableTileMapShadows(int id, bool enable);
  // Every object shown gets the tile set; the number is not used.
  void SetTileSet(int unused, const char* name);
  void DrawTileSet(const char* name, int value, float x, float y, float width, float height);
  // Whether the cells on the line between two world positions are all inside
  // the map and free in the collision layer, for the first object showing
  // the map.
  bool CallTileMapRaycast(int id, double x0, double y0, double x1, double y1);
  void SetCollisionLayer(const char* name);
  const char* GetCollisionLayer();
  void SetDrawLayer(const char* name);
  const char* GetDrawLayer();
  // The cell of the layer at a world position, for the first object showing
  // the map; -1 outside it or when no object shows it.
  signed char GetTile(int layer, int id, double x, double y);

 private:
  void RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object);

  unsigned writeLayer_ = 0;
  unsigned char writeValue_ = 0;
  std::vector<ObjectLockPtr<GameObject>> objects_;
  std::map<int, bool> shadowSwitches_;
};

}  // namespace Orv
