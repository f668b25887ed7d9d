#pragma once
// A system that keeps the game objects carrying any of the component types it
// declares and runs its passes once per such object. Subclasses work only
// through the hooks; the five passes themselves are defined here.
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "core/GameObject.h"
#include "core/ObjectLockPtr.h"
#include "core/System.h"

namespace Orv {

// One admitted object. Holds no strong reference: an entry never keeps its
// object alive.
struct EntityRecord {
  EntityRecord() = default;
  explicit EntityRecord(ObjectLockPtr<GameObject> object) : object(std::move(object)) {}
  ObjectLockPtr<GameObject> object;
  // While a walk runs a hook for this entry, the object, which the walk holds
  // for that long; null otherwise. A hook that uses it needs no lock of its
  // own.
  GameObject* walked = nullptr;

  // Memory the walk and the hook read for this entry the last time. A walk
  // asks for an entry's spots a few entries ahead, so that by its turn they
  // are loaded: with thousands of objects every one of them would otherwise
  // be a wait on memory. They are only ever prefetched, never read: a spot
  // gone stale costs a useless fetch, no more. The walk fills the first
  // kObjectSpots; a hook may note its own after.
  //
  // A spot is one word, as every system keeps a record per object and walks
  // them all: its first cache line, with the count of lines, up to
  // kMostLines, in the low bits that a line's address leaves free.
  class HotSpot {
   public:
    static constexpr std::uintptr_t kLine = 64;
    static constexpr std::uintptr_t kMostLines = kLine;
    HotSpot() = default;
    HotSpot(const void* at, std::uint32_t bytes) {
      if (at == nullptr || bytes == 0) return;
      const auto from = reinterpret_cast<std::uintptr_t>(at);
      const std::uintptr_t first = from & ~(kLine - 1);
      const std::uintptr_t lines = std::min((from + bytes - first + kLine - 1) / kLine, kMostLines);
      packed_ = first | (lines - 1);
    }
    // Null for an empty spot.
    const void* FirstLine() const { return reinterpret_cast<const void*>(packed_ & ~(kLine - 1)); }
    std::size_t Lines() const { return packed_ == 0 ? 0 : (packed_ & (kLine - 1)) + 1; }
    // Whether the bytes [at, at + bytes) lie in the spot's lines.
    bool Covers(const void* at, std::size_t bytes) const {
      const auto from = reinterpret_cast<std::uintptr_t>(at);
      const auto first = reinterpret_cast<std::uintptr_t>(FirstLine());
      return packed_ != 0 && first <= from && from + bytes <= first + Lines() * kLine;
    }

   private:
    std::uintptr_t packed_ = 0;
  };
  static constexpr std::size_t kObjectSpots = 2;
  std::array<HotSpot, 21> hot{};
  // Which noting of a hook's spots the entry holds (0 for none), for a hook
  // to tell whether they need copying again.
  std::uint64_t spotsStamp = 0;
};

class BasicEntitySystem : public System {
 public:
  using System::System;

  void Update(float dt) override;
  void Shutdown() override {}
  void PreUpdate(float dt) override;
  void LateUpdate(float dt) override;
  void Render() override;
  // Admission: the first declared type the object carries decides, and the
  // record waits in pending until the next merge.
  void OnGameObjectAdded(ObjectLockPtr<GameObject> object) override;

  const std::vector<EntityRecord>& GetEntities() const { return entities; }
  const std::vector<EntityRecord>& GetPending() const { return pending; }
  bool IsEntityPaused() const { return paused; }

 protected:
  // A hook left as it is here marks its pass idle the first time it runs:
  // walking every object each frame to call nothing is left out from then
  // on. Overrides never call these.
  virtual void UpdateEntity(EntityRecord& entity, float dt) { idlePasses_ |= kUpdatePass; }
  virtual void PreUpdateEntity(EntityRecord& entity, float dt) { idlePasses_ |= kPreUpdatePass; }
  virtual void LateUpdateEntity(EntityRecord& entity, float dt) { idlePasses_ |= kLateUpdatePass; }
  virtual void RenderEntity(EntityRecord& entity) { idlePasses_ |= kRenderPass; }
  virtual void OnEntityAdded(EntityRecord& entity) {}
  virtual void BeginRender() {}
  virtual void EndRender() {}
  virtual bool AcceptEntity(ObjectLockPtr<GameObject>& object) { return true; }
  // Whether any per-entity pass can act on an admitted object. One that no
  // pass would touch is still admitted (OnEntityAdded runs) but kept out of
  // the walks: each walk reads every entry's object from memory. An object's
  // components are all in place by the time it is offered.
  virtual bool WalksObject(const GameObject& object) const { return true; }
  virtual void OnUpdate(float dt) {}
  virtual void OnPreUpdate(float dt) {}
  virtual void OnLateUpdate(float dt) {}
  virtual void OnRender() {}
  virtual void OnGameObjectOffered(ObjectLockPtr<GameObject> object) {}
  virtual void OnEntitiesMerged(std::vector<EntityRecord>& merged) {}

  std::vector<EntityRecord> entities;
  // Admitted since the last merge: objects made during a walk land here, so
  // the walk never sees its own list grow.
  std::vector<EntityRecord> pending;
  // Filled by the subclass in Init; the order is the order of the test.
  std::vector<std::uint32_t> requiredTypes;
  // Set, the update passes do no per-entity work; Render ignores it.
  bool paused = false;

 private:
  enum Pass : unsigned { kPreUpdatePass = 1, kUpdatePass = 2, kLateUpdatePass = 4, kRenderPass = 8 };
  bool Walks(Pass pass) const { return (idlePasses_ & pass) == 0; }

  unsigned idlePasses_ = 0;
  // Set by every walk, cleared by Render, which walks when nothing else has
  // this frame: dead entries never outlast a frame, idle passes or paused.
  bool walkedThisFrame_ = false;
  template <typename Hook>
  void WalkEntities(Hook&& hook);
  void MergePending();
};

}  // namespace Orv
