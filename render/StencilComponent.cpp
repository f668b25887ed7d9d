#include "render/StencilComponent.h"

#include <GL/glew.h>

#include <cmath>
#include <cstring>

namespace Orv {

void StencilComponent::Setup() {
  propertyNames["name"] = Name;
  propertyNames["geometry"] = Geometry;
  propertyNames["vertstart"] = VertStart;
}

void StencilComponent::OnStringProperty(unsigned index, const char* value) {
  if (value == nullptr) return;
  if (index == Name) {
    name = value;
    return;
  }
  if (index != Geometry) return;
  int mode = 0;
  if (std::strcmp(value, "quad") == 0) {
    mode = GL_QUADS;
  } else if (std::strcmp(value, "triangle") == 0) {
    mode = GL_TRIANGLES;
  } else if (std::strcmp(value, "polygon") == 0) {
    mode = GL_POLYGON;
  } else {
    return;
  }
  geometry = mode;
  hasGeometry = true;
}

void StencilComponent::OnRealProperty(unsigned index, double value) {
  if (index < VertStart) return;
  if (std::isfinite(value)) {
    vertices.push_back(static_cast<float>(value));
    return;
  }
  refusal_.Refuse("vertices");
}

}  // namespace Orv
