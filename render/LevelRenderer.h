#pragma once
// The first level pass: the floor of every tile map seen through the camera,
// and, for the shadow pass later in the frame, the runs of solid cells that
// cast shadows and the wall cells to draw above them. Positions are view
// pixels from the view's top-left corner, y downwards.
#include <cstdint>

#include "core/BasicEntitySystem.h"

namespace Orv {

class TileMapComponent;
class Tilemap;

// The cells the camera sees and where the first of them lands on the view.
struct TileViewWindow {
  std::int64_t x0 = 0;
  std::int64_t y0 = 0;
  std::int64_t xEnd = 0;
  std::int64_t yEnd = 0;
  float offX = 0.0f;
  float offY = 0.0f;
  float tileWidth = 1.0f;
  float tileHeight = 1.0f;

  float ScreenX(std::int64_t column) const { return offX + static_cast<float>(column - x0) * tileWidth; }
  float ScreenY(std::int64_t row) const { return offY + static_cast<float>(row - y0) * tileHeight; }
};

// False when the view is not a usable window (a view centre that is not a
// number, say); the component's tile size is at least 1.
bool ComputeTileViewWindow(const TileMapComponent& component, TileViewWindow& window);
// A cell of a layer; -1 outside the map, negative cells included.
signed char ReadCell(const Tilemap& map, int layer, std::int64_t column, std::int64_t row);
// Appends the horizontal runs of solid cells (outside the map counts as
// solid) around the view to the component's occluder runs.
void BuildOccluderRuns(const Tilemap& map, const TileViewWindow& window, TileMapComponent& component);

// One frame of a tile set, drawn at once centred on (x, y) at width x height;
// nothing for a tile set that is not loaded.
void DrawTileSetFrame(const char* name, int value, float x, float y, float width, float height);

class LevelRenderer : public BasicEntitySystem {
 public:
  using BasicEntitySystem::BasicEntitySystem;
  void OnRegistered() override {}
  void Init(unsigned width, unsigned height) override;
  void Start() override {}

 protected:
  void LateUpdateEntity(EntityRecord& entity, float dt) override;
  void RenderEntity(EntityRecord& entity) override;
};

}  // namespace Orv
