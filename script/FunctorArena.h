#pragma once
// The functors behind one state's closures, made in place in blocks their
// owner keeps: an object's start makes dozens of them, and one block each
// time instead of one heap object per functor saves the allocations and
// the memory. Addresses never move, so closures may point at them; they
// are destroyed, newest first, with the arena.
#include <cstddef>
#include <new>
#include <utility>

namespace Orv {

class FunctorArena {
 public:
  FunctorArena() = default;
  ~FunctorArena();
  FunctorArena(const FunctorArena&) = delete;
  FunctorArena& operator=(const FunctorArena&) = delete;

  template <typename T, typename... Args>
  T* Make(Args&&... args) {
    static_assert(alignof(T) <= kAlign, "functors here are at most pointer-aligned");
    void* place = Reserve(sizeof(T));
    T* made = new (place) T(std::forward<Args>(args)...);
    Commit(place, sizeof(T), [](void* object) { static_cast<T*>(object)->~T(); });
    return made;
  }

 private:
  static constexpr std::size_t kAlign = alignof(void*);
  struct Record {
    void (*destroy)(void*);
    Record* previous;
  };
  static_assert(sizeof(Record) % kAlign == 0);

  // Room for an object of size bytes after its record; the record is only
  // counted once the object is made.
  void* Reserve(std::size_t size);
  void Commit(void* place, std::size_t size, void (*destroy)(void*));

  Record* last_ = nullptr;
  // Each block starts with the address of the one before it.
  void* block_ = nullptr;
  char* free_ = nullptr;
  std::size_t left_ = 0;
};

}  // namespace Orv
