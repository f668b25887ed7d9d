#include "core/BasicEntitySystem.h"

namespace Orv {

template <typename Hook>
void BasicEntitySystem::WalkEntities(Hook&& hook) {
  // Entries of objects gone or dead are erased in place; their neighbours
  // keep their order and the walk goes on at the same position.
  for (std::size_t i = 0; i < entities.size();) {
    const std::shared_ptr<GameObject> held = entities[i].object.Lock();
    if (!held || !held->IsAlive()) {
      entities.erase(entities.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    entities[i].walked = held.get();
    hook(entities[i]);
    // Hooks never change the list (what they admit waits in pending): the
    // entry is still at i.
    entities[i].walked = nullptr;
    ++i;
  }
}

void BasicEntitySystem::MergePending() {
  if (pending.empty()) return;
  for (auto& record : pending) entities.push_back(std::move(record));
  pending.clear();
  OnEntitiesMerged(entities);
}

void BasicEntitySystem::Update(float dt) {
  OnUpdate(dt);
  if (paused) return;
  WalkEntities([this, dt](EntityRecord& entity) { UpdateEntity(entity, dt); });
  MergePending();
}

void BasicEntitySystem::PreUpdate(float dt) {
  if (paused) return;
  OnPreUpdate(dt);
  WalkEntities([this, dt](EntityRecord& entity) { PreUpdateEntity(entity, dt); });
}

void BasicEntitySystem::LateUpdate(float dt) {
  if (paused) return;
  OnLateUpdate(dt);
  WalkEntities([this, dt](EntityRecord& entity) { LateUpdateEntity(entity, dt); });
}

void BasicEntitySystem::Render() {
  BeginRender();
  OnRender();
  WalkEntities([this](EntityRecord& entity) { RenderEntity(entity); });
  MergePending();
  EndRender();
}

void BasicEntitySystem::OnGameObjectAdded(ObjectLockPtr<GameObject> object) {
  auto locked = object.Lock();
  if (!locked || !locked->IsAlive()) return;
  OnGameObjectOffered(object);
  for (const std::uint32_t key : requiredTypes) {
    if (!locked->GetComponent(key).IsAlive()) continue;
    if (!AcceptEntity(object)) return;
    pending.emplace_back(object);
    EntityRecord added(object);
    OnEntityAdded(added);
    return;
  }
}

}  // namespace Orv
