#pragma once
// One tagged data value, as blueprints, spawn lists, component properties and
// script variables carry them.
#include <cstdint>
#include <string>

namespace Orv {

enum DataBunType : std::uint32_t {
  DataInt = 1,
  DataReal = 2,
  DataString = 4,
  DataNone = 6,  // a lookup that found nothing, or a variable set to nil
};

struct DataBun {
  std::uint32_t index = 0;
  std::int32_t intValue = 0;
  double realValue = 0.0;
  std::string stringValue;
  std::uint32_t type = DataNone;
};

// One blueprint's answer to an archetype query.
struct ArcheTypeInfo {
  std::int32_t id = 0;
  std::int32_t subId = -1;
  std::string typeName;
  DataBun value;
};

}  // namespace Orv
