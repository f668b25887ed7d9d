#include "core/GameObjectManager.h"

namespace Orv {

namespace {
// Ids are handed out fresh until this many have gone; only then are the ids
// of destroyed objects reused.
constexpr std::uint32_t kFreshIdsBeforeRecycling = 30000;
// Rounds of objects made while others are let go that ReleaseAll lets go too.
constexpr int kReleaseRounds = 8;
}  // namespace

ObjectLockPtr<GameObject> GameObjectManager::CreateGameObject(std::uint32_t id) {
  if (refusingObjects) return {};
  std::uint32_t uniqueId;
  // At least two waiting, so the id destroyed last is never the next one out.
  if (recycledIds.size() >= 2 && nextUniqueId > kFreshIdsBeforeRecycling) {
    uniqueId = recycledIds.front();
    recycledIds.pop_front();
  } else {
    uniqueId = nextUniqueId++;
  }
  auto object = std::make_shared<GameObject>(this, id);
  object->SetUniqueId(uniqueId);
  object->SetSelfHandle(ObjectLockPtr<GameObject>(object));
  objects.push_back(object);
  return ObjectLockPtr<GameObject>(object);
}

void GameObjectManager::RemoveDeadGameObjects() {
  // Every object is touched otherwise, every frame, for nothing.
  if (!sweepDue) return;
  sweepDue = false;
  // By index: a component's Shutdown may create objects, which are appended.
  for (std::size_t i = 0; i < objects.size();) {
    // A live object is only pruned, which drops expired handles and runs no
    // other code: no copy of its handle, two atomic steps per object per
    // frame. A dead one is held while its components are cleared.
    if (GameObject& live = *objects[i]; Lives(&live)) {
      live.PruneChildren();
      live.PruneGroupMembers();
      ++i;
      continue;
    }
    const auto object = objects[i];
    object->ClearComponents();
    objects.erase(objects.begin() + static_cast<std::ptrdiff_t>(i));
  }
}

void GameObjectManager::ReleaseAll() {
  // A component freed here may reach the manager (a script's collector hooks
  // run as its state closes): the list it sees must be whole, not half freed.
  // Objects made meanwhile go in the next round; past a few rounds none are
  // made, so a hook that makes its own kind again cannot keep the engine from
  // ending.
  for (int round = 0; !objects.empty(); ++round) {
    if (round == kReleaseRounds) refusingObjects = true;
    auto releasing = std::move(objects);
    objects.clear();
    releasing.clear();
  }
  refusingObjects = false;
}

void GameObjectManager::DestroyAllWithComponent(std::uint32_t typeKey) {
  for (std::size_t i = 0; i < objects.size(); ++i) {
    auto object = objects[i];
    if (object->GetComponent(typeKey).Exists()) object->Destroy();
  }
}

ObjectLockPtr<ComponentCreate> GameObjectManager::GetComponentCreator(const std::string& name) {
  const std::uint32_t key = componentTypeKeys[name];
  if (key == kNoTypeKey) return {};
  auto it = componentFactories.find(key);
  if (it == componentFactories.end() || !it->second) return {};
  return ObjectLockPtr<ComponentCreate>(it->second);
}

std::uint32_t GameObjectManager::GetComponentTypeKey(const std::string& name) const {
  auto it = componentTypeKeys.find(name);
  return it != componentTypeKeys.end() ? it->second : kNoTypeKey;
}

}  // namespace Orv
