#include "world/TileSetDrawing.h"

namespace Orv {

namespace {

TileSetDrawer g_drawer = nullptr;

}  // namespace

void SetTileSetDrawer(TileSetDrawer drawer) { g_drawer = drawer; }

void DrawTileSetTile(const char* name, int value, float x, float y, float width, float height) {
  if (g_drawer != nullptr) g_drawer(name, value, x, y, width, height);
}

}  // namespace Orv
