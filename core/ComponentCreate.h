#pragma once
// Component factories, registered under the component's name.
#include <memory>

#include "core/Component.h"

namespace Orv {

class ComponentCreate {
 public:
  virtual ~ComponentCreate() = default;
  virtual std::shared_ptr<Component> Create() = 0;
};

// Makes a bare T: Setup and the property setters give it its values.
template <typename T>
class ComponentTypeCreate : public ComponentCreate {
 public:
  std::shared_ptr<Component> Create() override { return std::make_shared<T>(); }
};

}  // namespace Orv
