#pragma once
// The world layer draws nothing itself: the render side installs how one
// frame of a tile set reaches the screen, and the tile-map functions that
// draw a single tile call through here.
namespace Orv {

// Draws the tile set's frame for value centred on (x, y) at width x height.
using TileSetDrawer = void (*)(const char* name, int value, float x, float y, float width, float height);

void SetTileSetDrawer(TileSetDrawer drawer);
// Nothing until a drawer is installed.
void DrawTileSetTile(const char* name, int value, float x, float y, float width, float height);

}  // namespace Orv
