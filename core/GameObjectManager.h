#pragma once
// Owns every game object: makes them with unique ids, keeps them in creation
// order and lets the dead ones go at the end of the frame. Also holds the
// component types: the name -> type key table and the factory of each key.
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/ComponentCreate.h"
#include "core/GameObject.h"
#include "core/ObjectLockPtr.h"
#include "core/TypeKey.h"

namespace Orv {

class GameObjectManager {
 public:
  GameObjectManager() = default;
  // Lets the objects go without shutting their components down: only the
  // end-of-frame sweep does that.
  virtual ~GameObjectManager() { ReleaseAll(); }
  GameObjectManager(const GameObjectManager&) = delete;
  GameObjectManager& operator=(const GameObjectManager&) = delete;

  // A bare object with the id, no components, told to no system. Empty only
  // late in ReleaseAll.
  ObjectLockPtr<GameObject> CreateGameObject(std::uint32_t id);
  // The end-of-frame sweep: dead objects shut their components down and
  // leave; live ones prune their children and group members. Nothing to do
  // in a frame in which no object was destroyed.
  void RemoveDeadGameObjects();
  void DestroyAllWithComponent(std::uint32_t typeKey);
  // A destroyed object hands its unique id back here, and leaves the next
  // sweep work to do.
  void TakeBackDestroyed(std::uint32_t uniqueId) {
    recycledIds.push_back(uniqueId);
    sweepDue = true;
  }
  // Drops every object (the engine's own teardown), including any that a
  // component being freed makes meanwhile, for a few rounds; after those no
  // more are made.
  void ReleaseAll();

  template <typename T>
  void RegisterComponentType(const std::string& name);
  // The factory registered under name. A name never registered is entered
  // with key 0 and gives an empty handle.
  ObjectLockPtr<ComponentCreate> GetComponentCreator(const std::string& name);
  // The key of a registered name; 0 for any other, without entering it.
  std::uint32_t GetComponentTypeKey(const std::string& name) const;
  const std::map<std::string, std::uint32_t>& GetComponentTypeKeys() const { return componentTypeKeys; }

  const std::vector<std::shared_ptr<GameObject>>& GetObjects() const { return objects; }
  const std::deque<std::uint32_t>& GetRecycledIds() const { return recycledIds; }

 private:
  std::vector<std::shared_ptr<GameObject>> objects;
  // Up to the 30000 ids handed out before reuse begins wait here: four bytes
  // each, not a list node each.
  std::deque<std::uint32_t> recycledIds;
  std::uint32_t nextUniqueId = 1;
  bool refusingObjects = false;
  // An object was destroyed since the last sweep began: only then can a
  // sweep remove an object or find a handle to prune.
  bool sweepDue = false;
  std::map<std::string, std::uint32_t> componentTypeKeys;
  std::map<std::uint32_t, std::shared_ptr<ComponentCreate>> componentFactories;
};

template <typename T>
void GameObjectManager::RegisterComponentType(const std::string& name) {
  constexpr std::uint32_t key = TypeKey<T>();
  componentFactories[key] = std::make_shared<ComponentTypeCreate<T>>();
  componentTypeKeys[name] = key;
}

}  // namespace Orv
