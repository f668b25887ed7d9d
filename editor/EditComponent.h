#pragma once
// What the editor keeps of an object: where it was saved, its id and type
// name, the shape and extents it is picked by, and whether a level-object file
// made it. Addressed by parameter index only; there are no parameter names.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/Component.h"
#include "core/NotFiniteRefusal.h"

namespace Orv {

class EditComponent : public Component {
 public:
  static constexpr std::string_view RunTimeName = "class Orv::EditComponent";

  enum Property : unsigned {
    X,
    Y,
    SavedId,
    Name,
    FromFile,
    Shape,
    Width,
    Height,
    Radius,
    Rotation,
  };

  void Setup() override {}
  void Shutdown() override {}
  void OnAttach(GameObject* owner) override;
  // Widths and heights arrive whole and are kept as half extents: an integer
  // is halved by integer division, a real exactly.
  void OnIntProperty(unsigned index, int value) override;
  void OnStringProperty(unsigned index, const char* value) override;
  void OnRealProperty(unsigned index, double value) override;

  float x = 0.0f;
  float y = 0.0f;
  float rotation = 0.0f;
  std::int32_t savedId = 0;
  std::string name;
  // "AABB", "Circle" or "OBB"; any other text is never picked.
  std::string shape;
  // 1: a level-object file made the object.
  std::int32_t fromFile = 0;
  float halfWidth = 0.0f;
  float halfHeight = 0.0f;
  float radius = 0.0f;

 private:
  // The field a number sets, or null for an index that takes no number.
  float* RealField(unsigned index);

  NotFiniteRefusal refusal_{"Editable"};
};

}  // namespace Orv
