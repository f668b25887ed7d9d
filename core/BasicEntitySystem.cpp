#include "core/BasicEntitySystem.h"

#include <cstddef>
#include <cstdint>

namespace Orv {

namespace {

// Far enough ahead for a fetch to arrive before its entry's turn, near enough
// that it is still cached then.
constexpr std::size_t kPrefetchAhead = 2;

void PrefetchEntry(const EntityRecord& entry) {
  for (const CacheLines& lines : entry.objectLines) lines.Prefetch();
  for (const CacheLines& lines : entry.prefetch.Lines()) lines.Prefetch();
}

// The object with its shared count, which sits just before it, and its
// component array: what the walk and every hook's lookup read.
void SetObjectLines(EntityRecord& entry, const GameObject& object) {
  constexpr std::uint32_t kSharedCount = 16;
  entry.objectLines[0] = {reinterpret_cast<const char*>(&object) - kSharedCount,
                          static_cast<std::uint32_t>(sizeof(GameObject)) + kSharedCount};
  const ComponentList& components = object.GetComponents();
  entry.objectLines[1] = {components.data(),
                          static_cast<std::uint32_t>(components.size() * sizeof(ComponentList::value_type))};
}

}  // namespace

template <typename Hook>
void BasicEntitySystem::WalkEntities(Hook&& hook) {
  // Entries of objects gone or dead are dropped and the live ones close up
  // behind them in their order, each moved once: a wave of removals costs
  // one pass, not a shift of the whole tail per entry. Until the walk ends,
  // the moved-from places between hold empty handles.
  walkedThisFrame_ = true;
  std::size_t kept = 0;
  for (std::size_t i = 0; i < entities.size(); ++i) {
    // An entry's prefetch lines are kept apart from it: their block is fetched
    // well before the lines it names are read from it, so that reading is
    // no wait either.
    if (i + 3 * kPrefetchAhead < entities.size()) entities[i + 3 * kPrefetchAhead].prefetch.Block().Prefetch();
    if (i + kPrefetchAhead < entities.size()) PrefetchEntry(entities[i + kPrefetchAhead]);
    const std::shared_ptr<GameObject> locked = entities[i].object.Lock();
    if (!Lives(locked)) continue;
    if (kept != i) entities[kept] = std::move(entities[i]);
    // Hooks never change the list (what they admit waits in pending): the
    // entry stays where it is for the length of the hook.
    EntityRecord& entry = entities[kept++];
    entry.walked = locked.get();
    SetObjectLines(entry, *locked);
    hook(entry);
    entry.walked = nullptr;
  }
  entities.erase(entities.begin() + static_cast<std::ptrdiff_t>(kept), entities.end());
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
  if (Walks(kUpdatePass)) WalkEntities([this, dt](EntityRecord& entity) { UpdateEntity(entity, dt); });
  MergePending();
}

void BasicEntitySystem::PreUpdate(float dt) {
  if (paused) return;
  OnPreUpdate(dt);
  if (Walks(kPreUpdatePass)) WalkEntities([this, dt](EntityRecord& entity) { PreUpdateEntity(entity, dt); });
}

void BasicEntitySystem::LateUpdate(float dt) {
  if (paused) return;
  OnLateUpdate(dt);
  if (Walks(kLateUpdatePass)) WalkEntities([this, dt](EntityRecord& entity) { LateUpdateEntity(entity, dt); });
}

void BasicEntitySystem::Render() {
  BeginRender();
  OnRender();
  if (Walks(kRenderPass) || !walkedThisFrame_) WalkEntities([this](EntityRecord& entity) { RenderEntity(entity); });
  walkedThisFrame_ = false;
  MergePending();
  EndRender();
}

void BasicEntitySystem::OnGameObjectAdded(ObjectLockPtr<GameObject> object) {
  auto locked = object.Lock();
  if (!Lives(locked)) return;
  OnGameObjectOffered(object);
  for (const std::uint32_t key : requiredTypes) {
    if (!locked->GetComponent(key).Exists()) continue;
    if (!AcceptEntity(object)) return;
    if (WalksObject(*locked)) pending.emplace_back(object);
    EntityRecord added(object);
    OnEntityAdded(added);
    return;
  }
}

}  // namespace Orv
