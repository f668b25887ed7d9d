#include "render/LevelRenderer.h"

#include <GL/glew.h>

#include <cmath>
#include <limits>
#include <memory>

#include "NumberConversion.h"
#include "core/App.h"
#include "core/TypeKey.h"
#include "render/DrawPrimitives.h"
#include "render/LightComponent.h"
#include "resources/ResourceManager.h"
#include "world/TileMapComponent.h"
#include "world/TileSetDrawing.h"

namespace Orv {

namespace {

// The live entity's tile-map component and its map, or nothing to draw.
struct TileMapEntity {
  std::shared_ptr<TileMapComponent> component;
  std::shared_ptr<Tilemap> map;
};

TileMapEntity LockTileMap(const EntityRecord& entity) {
  if (!Lives(entity.object)) return {};
  auto component = GetHandleComponent<TileMapComponent>(entity.object).Lock();
  if (!component) return {};
  auto map = component->GetTilemap();
  if (!map) return {};
  return {std::move(component), std::move(map)};
}

// Grey of the debug fill: dark, so that a cell no tile covers leaves white
// text over it readable.
constexpr float kDebugFillGrey = 0.25f;

void DrawCellDebugFrame(std::int64_t column, std::int64_t row, float sx, float sy, int tw, int th) {
  const float left = sx - static_cast<float>(tw / 2);
  const float right = sx + static_cast<float>(tw / 2);
  const float top = sy - static_cast<float>(th / 2);
  const float bottom = sy + static_cast<float>(th / 2);
  DisableCapability(GL_TEXTURE_2D);
  SetColour(kDebugFillGrey, kDebugFillGrey, kDebugFillGrey, 1.0f);
  glBegin(GL_QUADS);
  glVertex2f(left, top);
  glVertex2f(right, top);
  glVertex2f(right, bottom);
  glVertex2f(left, bottom);
  glEnd();
  LoadIdentity();
  if (column == 0 && row == 0) {
    SetColour(1.0f, 0.0f, 0.0f, 1.0f);
  } else {
    SetColour(0.0f, 1.0f, 0.0f, 1.0f);
  }
  glBegin(GL_LINE_STRIP);
  glVertex2f(left, top);
  glVertex2f(right, top);
  glVertex2f(right, bottom);
  glVertex2f(left, bottom);
  glVertex2f(left, top);
  glEnd();
  LoadIdentity();
  SetColour(1.0f, 1.0f, 1.0f, 1.0f);
  EnableCapability(GL_TEXTURE_2D);
}

void AppendRun(const TileViewWindow& window, std::int64_t row, std::int64_t first, std::int64_t last, int tileHeight,
               TileMapComponent& component) {
  const double tw = window.tileWidth;
  const double xs = window.offX + static_cast<double>(first - window.x0) * tw;
  const double xe = window.offX + static_cast<double>(last - window.x0) * tw;
  OrientedRect run{};
  run.centreX = xs + (xe - xs) * 0.5;
  run.halfX = (tw + static_cast<double>(last - first) * tw) * 0.5;
  run.centreY = window.offY + static_cast<double>(row - window.y0) * window.tileHeight;
  run.halfY = static_cast<double>(tileHeight / 2);
  run.corner0[0] = run.centreX - run.halfX;
  run.corner0[1] = run.centreY + run.halfY;
  run.corner1[0] = run.centreX + run.halfX;
  run.corner1[1] = run.centreY + run.halfY;
  run.corner2[0] = run.centreX + run.halfX;
  run.corner2[1] = run.centreY - run.halfY;
  run.corner3[0] = run.centreX - run.halfX;
  run.corner3[1] = run.centreY - run.halfY;
  component.occluderRuns.push_back(run);
}

}  // namespace

bool ComputeTileViewWindow(const TileMapComponent& component, TileViewWindow& window) {
  const float tw = static_cast<float>(component.tileWidth);
  const float th = static_cast<float>(component.tileHeight);
  if (!(tw >= 1.0f) || !(th >= 1.0f)) return false;
  const float hw = static_cast<float>(component.viewHalfWidth);
  const float hh = static_cast<float>(component.viewHalfHeight);
  const float left = component.viewCentreX - hw;
  const float right = component.viewCentreX + hw;
  const float top = component.viewCentreY - hh;
  const float bottom = component.viewCentreY + hh;
  if (!std::isfinite(left) || !std::isfinite(right) || !std::isfinite(top) || !std::isfinite(bottom)) return false;
  const float x0 = std::floor(left / tw);
  const float y0 = std::floor(top / th);
  window.x0 = OrvLua::SaturateTo<int>(x0);
  window.y0 = OrvLua::SaturateTo<int>(y0);
  window.xEnd = OrvLua::SaturateTo<int>(std::floor(right * (1.0f / tw)));
  window.yEnd = OrvLua::SaturateTo<int>(std::floor(bottom * (1.0f / th)));
  window.offX = tw * x0 - left;
  window.offY = th * y0 - top;
  window.tileWidth = tw;
  window.tileHeight = th;
  return true;
}

signed char ReadCell(const Tilemap& map, int layer, std::int64_t column, std::int64_t row) {
  constexpr std::int64_t kMax = std::numeric_limits<unsigned>::max();
  if (column < 0 || row < 0 || column > kMax || row > kMax) return -1;
  return map.GetCell(layer, static_cast<unsigned>(column), static_cast<unsigned>(row));
}

void BuildOccluderRuns(const Tilemap& map, const TileViewWindow& window, TileMapComponent& component) {
  for (std::int64_t r = window.y0; r <= window.yEnd + 3; ++r) {
    bool open = false;
    std::int64_t first = 0;
    std::int64_t last = 0;
    for (std::int64_t c = window.x0; c <= window.xEnd + 2; ++c) {
      if (ReadCell(map, 1, c, r) == 0) {
        if (open) AppendRun(window, r, first, last, component.tileHeight, component);
        open = false;
        continue;
      }
      if (!open) first = c;
      open = true;
      last = c;
    }
    if (open) AppendRun(window, r, first, last, component.tileHeight, component);
  }
}

void DrawTileSetFrame(const char* name, int value, float x, float y, float width, float height) {
  if (name == nullptr) return;
  auto tileSet = ResourceManager::GetInstance().GetTileSet(name).Lock();
  if (!tileSet) return;
  LoadIdentity();
  Translate2D(x, y);
  DrawSpriteQuadSized(width, height, tileSet->GetFrame(static_cast<char>(value)));
  LoadIdentity();
}

void LevelRenderer::Init(unsigned, unsigned) {
  SetTileSetDrawer(&DrawTileSetFrame);
  requiredTypes.push_back(TypeKey<TileMapComponent>());
  requiredTypes.push_back(TypeKey<LightComponent>());
}

void LevelRenderer::LateUpdateEntity(EntityRecord& entity, float) {
  const TileMapEntity tiles = LockTileMap(entity);
  TileViewWindow window;
  if (!tiles.map || !ComputeTileViewWindow(*tiles.component, window)) return;
  TileMapComponent& component = *tiles.component;
  component.markedCellScreenX = window.ScreenX(component.markedCellX);
  component.markedCellScreenY = window.ScreenY(component.markedCellY);
  BuildOccluderRuns(*tiles.map, window, component);
}

void LevelRenderer::RenderEntity(EntityRecord& entity) {
  const TileMapEntity tiles = LockTileMap(entity);
  TileViewWindow window;
  if (!tiles.map || !ComputeTileViewWindow(*tiles.component, window)) return;
  TileMapComponent& component = *tiles.component;
  const Tilemap& map = *tiles.map;
  auto tileSet = component.GetTileSet().Lock();
  const bool console = owner_ != nullptr && owner_->IsConsoleEnabled();
  const int tw = component.tileWidth;
  const int th = component.tileHeight;
  for (std::int64_t c = window.x0; c <= window.xEnd + 1; ++c) {
    for (std::int64_t r = window.y0; r <= window.yEnd + 1; ++r) {
      if (!tileSet) continue;
      if (c < 0 || r < 0 || c >= map.GetWidth() || r >= map.GetHeight()) continue;
      const float sx = window.ScreenX(c);
      const float sy = window.ScreenY(r);
      if (console) DrawCellDebugFrame(c, r, sx, sy, tw, th);
      const signed char tile = ReadCell(map, 0, c, r);
      if (ReadCell(map, 1, c, r) != 0) {
        component.wallTiles.push_back(WallTile{static_cast<int>(c), static_cast<int>(r), sx, sy,
                                               static_cast<unsigned>(tw), static_cast<unsigned>(th),
                                               static_cast<unsigned char>(tile)});
        continue;
      }
      SetColour(1.0f, 1.0f, 1.0f, 1.0f);
      LoadIdentity();
      Translate2D(sx, sy);
      Rotate2D(static_cast<float>(ReadCell(map, 2, c, r)) * 90.0f);
      DrawSpriteQuadSized(static_cast<float>(tw + 2), static_cast<float>(th + 2),
                          tileSet->GetFrame(static_cast<char>(tile)));
      LoadIdentity();
    }
  }
  SetColour(1.0f, 1.0f, 1.0f, 1.0f);
}

}  // namespace Orv
