#pragma once
// The base of a script function made for one object: it holds the object and
// answers whether it is still there, so that every such function checks alike.
#include <memory>
#include <utility>

#include "core/GameObject.h"
#include "core/ObjectLockPtr.h"

namespace Orv {

class ObjectFunc {
 public:
  explicit ObjectFunc(ObjectLockPtr<GameObject> object) : object_(std::move(object)) {}

 protected:
  // The object while it lives, else empty; held for one use, never across a
  // call into a script.
  std::shared_ptr<GameObject> LiveObject() const {
    std::shared_ptr<GameObject> object = object_.Lock();
    return Lives(object) ? object : nullptr;
  }
  // The object's component of type T while the object lives, else empty.
  template <typename T>
  std::shared_ptr<T> LiveComponent() const {
    std::shared_ptr<GameObject> object = LiveObject();
    return object ? object->LockComponent<T>() : nullptr;
  }

  ObjectLockPtr<GameObject> object_;
};

// The same, for a function that also asks the system that made it.
template <typename System>
class SystemObjectFunc : public ObjectFunc {
 public:
  SystemObjectFunc(System* system, ObjectLockPtr<GameObject> object) : ObjectFunc(std::move(object)), system_(system) {}

 protected:
  System* system_;
};

}  // namespace Orv
