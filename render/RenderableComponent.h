#pragma once
// Draws an object that has no sprite, at its draw level: 1 in the surface
// pass, 2 and above in the overlay pass, where its script's Render draws it.
#include <string_view>

#include "core/Component.h"

namespace Orv {

class RenderableComponent : public Component {
 public:
  static constexpr std::string_view RunTimeName = "class Orv::RenderableComponent";

  // "drawlevel" is its only parameter, so a name needs no declared index.
  void Setup() override {}
  void Shutdown() override {}
  // The one parameter: any index sets it.
  void OnIntProperty(unsigned /*index*/, int value) override { drawlevel = value; }

  int drawlevel = 0;
};

}  // namespace Orv
