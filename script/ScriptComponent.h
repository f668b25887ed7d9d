#pragma once
// Makes a game object scripted: its own Lua state and script.
#include <string_view>

#include "core/Component.h"

namespace Orv {

class ScriptComponent : public Component {
 public:
  static constexpr std::string_view RunTimeName = "class Orv::ScriptComponent";

  void Setup() override {}
  void Shutdown() override {}
};

}  // namespace Orv
