#pragma once
// A stencil shape: a polygon in the object's own coordinates that the stencil
// pass cuts out of the black screen.
#include <string>
#include <string_view>
#include <vector>

#include "core/Component.h"
#include "core/NotFiniteRefusal.h"

namespace Orv {

class StencilComponent : public Component {
 public:
  static constexpr std::string_view RunTimeName = "class Orv::StencilComponent";

  enum Property : unsigned { Name, Geometry, VertStart };

  StencilComponent() { vertices.reserve(8); }

  void Setup() override;
  void Shutdown() override {}
  void OnAttach(GameObject* owner) override { refusal_.Attach(owner); }
  void OnStringProperty(unsigned index, const char* value) override;
  // Every real from index 2 on is the next coordinate, x and y in turn;
  // integers are not coordinates.
  void OnRealProperty(unsigned index, double value) override;

  std::string name;
  // An OpenGL primitive mode; kept, the stencil pass draws a polygon.
  int geometry = 0;
  bool hasGeometry = false;
  std::vector<float> vertices;

 private:
  NotFiniteRefusal refusal_{"Stencil"};
};

}  // namespace Orv
