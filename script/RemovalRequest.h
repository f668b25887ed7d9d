#pragma once
// A removal asked for by a script, carried out in the script engine system's
// late update so that nothing dies while the scripts of the Update pass run.
#include <cstdint>
#include <string>

#include "core/BasicEntitySystem.h"

namespace Orv {

struct RemovalRequest {
  // The values are the ones the requests have always carried; keep them.
  enum Kind : std::uint32_t {
    KillObject = 0,             // "Kill": the target
    AllObjects = 1,             // "RemoveAllGameObjects"
    ObjectByUniqueId = 2,       // "RemoveGameObjectUID"
    ObjectsWithId = 3,          // "RemoveAllGameObjectsOfType"
    ObjectsExceptUniqueId = 4,  // "RemoveAllGameObjectsExceptUID"
    ObjectsExceptId = 5,        // "RemoveAllGameObjectsExcept"
    ObjectsWithComponent = 6,   // "RemoveAllGameObjectsContainingComponent"
  };

  std::uint32_t kind = KillObject;
  EntityRecord target{};
  int id = 0;
  std::uint32_t uniqueId = 0;
  std::string componentName{};
};

}  // namespace Orv
