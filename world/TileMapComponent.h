#pragma once
// Ties an object to a tile map.
#include <string_view>

#include "core/Component.h"

namespace Orv {

class TileMapComponent : public Component {
 public:
  static constexpr std::string_view RunTimeName = "class Orv::TileMapComponent";

  void Setup() override {}
  void Shutdown() override {}
};

}  // namespace Orv
