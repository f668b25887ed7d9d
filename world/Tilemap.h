#pragma once

namespace Orv {

// A tile map of three layers of one-character tiles, kept by the resource
// manager under an integer id. A new map is empty, with no layer loaded.
class Tilemap {
 public:
  Tilemap() = default;
};

}  // namespace Orv
