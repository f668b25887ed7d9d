#pragma once
// What the GUI's drag step needs of the editor's records. The editor sits
// above this folder, so start-up hands its store in through this interface.
#include <cstdint>

#include "core/Vec2.h"

namespace Orv {

class GameObject;

class ObjectDragStore {
 public:
  virtual ~ObjectDragStore() = default;
  // The unique id of the object being dragged; 0 for none.
  virtual std::uint32_t GetMovedObject() const = 0;
  // Where the drag has reached.
  virtual Vec2 GetPickPoint() const = 0;
  // The object's records follow its collider; a release ends the drag.
  virtual void UpdateFromObject(const GameObject& object, bool released) = 0;
};

// The store the GUI drags with; without one the drag step does nothing.
void SetObjectDragStore(ObjectDragStore* store);

}  // namespace Orv
