#pragma once
// A system that keeps the game objects carrying any of the component types it
// declares and runs its passes once per such object. Subclasses work only
// through the hooks; the five passes themselves are defined here.
#include <array>
#include <cstdint>
#include <vector>

#include "core/CacheLines.h"
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

  // What the walk read for this entry the last time: the object and its
  // component list. A walk fetches them a few entries ahead, so that by its
  // turn they are loaded.
  std::array<CacheLines, 2> objectLines{};
  // What a hook read the last time and asked to have fetched the same way
  // (a script's call), fetched with the object's.
  PrefetchList prefetch;
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

 protected:
  // A hook left as it is here marks its pass idle the first time it runs:
  // walking every object each frame to call nothing is left out from then
  // on. Overrides never call these.
  virtual void UpdateEntity(EntityRecord& /*entity*/, float /*dt*/) { idlePasses_ |= kUpdatePass; }
  virtual void PreUpdateEntity(EntityRecord& /*entity*/, float /*dt*/) { idlePasses_ |= kPreUpdatePass; }
  virtual void LateUpdateEntity(EntityRecord& /*entity*/, float /*dt*/) { idlePasses_ |= kLateUpdatePass; }
  virtual void RenderEntity(EntityRecord& /*entity*/) { idlePasses_ |= kRenderPass; }
  virtual void OnEntityAdded(EntityRecord& /*entity*/) {}
  virtual void BeginRender() {}
  virtual void EndRender() {}
  virtual bool AcceptEntity(ObjectLockPtr<GameObject>& /*object*/) { return true; }
  // Whether any per-entity pass can act on an admitted object. One that no
  // pass would touch is still admitted (OnEntityAdded runs) but kept out of
  // the walks: each walk reads every entry's object from memory. An object's
  // components are all in place by the time it is offered.
  virtual bool WalksObject(const GameObject& /*object*/) const { return true; }
  virtual void OnUpdate(float /*dt*/) {}
  virtual void OnPreUpdate(float /*dt*/) {}
  virtual void OnLateUpdate(float /*dt*/) {}
  virtual void OnRender() {}
  virtual void OnGameObjectOffered(ObjectLockPtr<GameObject> /*object*/) {}
  virtual void OnEntitiesMerged(std::vector<EntityRecord>& /*merged*/) {}

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
