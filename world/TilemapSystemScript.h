#pragma once
// The tile-map script functions made for one object: their tables are made
// in the calling object's own state, and they give nil once it is dead.
#include "LuaObject.h"
#include "core/ObjectFunc.h"

namespace Orv {

struct GetTileSetInfo : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  // The values the tile set maps at keys 0, 1, ... in ascending order of the
  // value as a signed byte; empty for an unknown name.
  OrvLua::LuaObject operator()(const char* name);
};

struct FindPathFunc : ObjectFunc {
  using ObjectFunc::ObjectFunc;
  // The lower-left corners of the path's cells in world units, from the goal
  // back to the start, at keys 1, 2, ...; empty when there is no map, no
  // usable tile size, start and goal share a cell, or no path was found
  // within maxSteps steps.
  OrvLua::LuaObject operator()(int tilemapId, float startX, float startY, float goalX, float goalY, float tileWidth,
                               float tileHeight, unsigned maxSteps);
};

}  // namespace Orv
