#pragma once
// A weak reference to something another part owns (a game object, a
// component, a system, a resource), locked into a strong one for one use.
#include <memory>

namespace Orv {

template <typename T>
class ObjectLockPtr {
 public:
  ObjectLockPtr() = default;
  ObjectLockPtr(std::nullptr_t) {}
  ObjectLockPtr(const std::shared_ptr<T>& owner) : ref_(owner) {}
  ObjectLockPtr(std::weak_ptr<T> ref) : ref_(std::move(ref)) {}
  template <typename U>
  ObjectLockPtr(const ObjectLockPtr<U>& other) : ref_(other.Weak()) {}

  std::shared_ptr<T> Lock() const { return ref_.lock(); }
  // Whether the owner still holds the thing; a game object that was
  // destroyed but not yet swept still exists (see GameObject::IsAlive).
  bool Exists() const { return !ref_.expired(); }
  // The raw pointer while the owner still holds it; null once it has let go.
  T* Get() const { return ref_.lock().get(); }
  ObjectLockPtr Copy() const { return *this; }
  void Reset() { ref_.reset(); }
  const std::weak_ptr<T>& Weak() const { return ref_; }

  // Same control block: the same object, even after it has expired.
  bool SameAs(const ObjectLockPtr& other) const {
    return !ref_.owner_before(other.ref_) && !other.ref_.owner_before(ref_);
  }

 private:
  std::weak_ptr<T> ref_;
};

// A handle to a T seen through a handle to its base; the caller guarantees
// the type (component registry, system lists).
template <typename T, typename U>
ObjectLockPtr<T> StaticHandleCast(const ObjectLockPtr<U>& from) {
  return ObjectLockPtr<T>(std::static_pointer_cast<T>(from.Lock()));
}

}  // namespace Orv
