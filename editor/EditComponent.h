#pragma once
// Marks an object the editor may pick, move and save.
#include <string_view>

#include "core/Component.h"

namespace Orv {

class EditComponent : public Component {
 public:
  static constexpr std::string_view RunTimeName = "class Orv::EditComponent";

  void Setup() override {}
  void Shutdown() override {}
};

}  // namespace Orv
