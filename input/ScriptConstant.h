#pragma once

namespace Orv {

// A global integer a system sets in every scripted object's state.
struct ScriptConstant {
  const char* name;
  int value;
};

}  // namespace Orv
