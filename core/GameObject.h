#pragma once
// The entity of the engine: an identity, its components by type key, its
// children, and the members and variables of the script group it leads.
// Only the game-object manager makes and owns objects; everyone else keeps an
// ObjectLockPtr<GameObject> and locks it for one use.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Component.h"
#include "core/DataBun.h"
#include "core/ObjectLockPtr.h"
#include "core/TypeKey.h"

struct TwBar;

namespace Orv {

class GameObjectManager;

// An object's components and their type keys. An object has a handful, kept
// in one array: a walk that looks one up each frame reads a line or two, not
// a tree's scattered nodes.
using ComponentList = std::vector<std::pair<std::uint32_t, std::shared_ptr<Component>>>;

class GameObject {
 public:
  GameObject(GameObjectManager* owner, std::uint32_t id);
  ~GameObject();
  GameObject(const GameObject&) = delete;
  GameObject& operator=(const GameObject&) = delete;

  void SetSelfHandle(ObjectLockPtr<GameObject> handle) { selfHandle = std::move(handle); }
  const ObjectLockPtr<GameObject>& GetSelfHandle() const { return selfHandle; }
  GameObjectManager* GetOwner() const { return owner; }

  std::uint32_t GetID() const { return id; }
  void SetID(std::uint32_t value) { id = value; }
  friend bool Lives(const GameObject* object);
  // 0 means no object: a dead object's unique id, and no parent.
  std::uint32_t GetUniqueId() const { return uniqueId; }
  void SetUniqueId(std::uint32_t value) { uniqueId = value; }
  std::uint32_t GetParentUniqueId() const { return parentUniqueId; }
  void SetParentUniqueId(std::uint32_t value) { parentUniqueId = value; }
  bool IsGroupLeader() const { return groupLeader; }
  void SetGroupLeader(bool value) { groupLeader = value; }

  // Components, walked in ascending key order.
  ObjectLockPtr<Component> GetComponent(std::uint32_t typeKey) const;
  template <typename T>
  ObjectLockPtr<T> GetComponent() const;
  // The same, held for the caller's use right away: no handle in between,
  // whose making and locking cost every per-frame walk over the objects.
  template <typename T>
  std::shared_ptr<T> LockComponent() const;
  // The component without a reference of its own, for a caller that holds
  // this object while it lives: an object's components leave it only when it
  // is swept. Not to be kept across a call into a script.
  template <typename T>
  T* FindComponent() const;
  Component* FindComponent(std::uint32_t typeKey) const {
    const auto* entry = FindEntry(typeKey);
    return entry == nullptr ? nullptr : entry->get();
  }
  // Enters the component under the key, in place of any held there.
  void AddComponent(std::uint32_t typeKey, std::shared_ptr<Component> component);
  // By type key, ascending.
  const ComponentList& GetComponents() const { return components; }
  // Shutdown on every component in ascending key order, then lets them go.
  void ClearComponents();

  void AddChild(ObjectLockPtr<GameObject> child);
  // Drops the handles of objects that are gone or dead, keeping the order.
  void PruneChildren();
  const std::vector<ObjectLockPtr<GameObject>>& GetChildren() const { return children; }
  void AddGroupMember(ObjectLockPtr<GameObject> member);
  void PruneGroupMembers();
  const std::vector<ObjectLockPtr<GameObject>>& GetGroupMembers() const { return groupMembers; }
  void SetGroupVar(const std::string& key, double value);
  void SetGroupVar(const std::string& key, const std::string& value);
  void SetGroupVar(const std::string& key, int value);
  const std::map<std::string, DataBun>& GetGroupVariables() const { return groupVariables; }

  // Marks the object dead; it stays in the manager, components and all, until
  // the end-of-frame sweep. Its children die with it and a group it led passes
  // to its first live member. A dead object is left as it is.
  void Destroy();

  // Keeps the bar (deleted when the object is destroyed) and lets every
  // component add its values to it.
  void AddToTweakBar(TwBar* bar);
  TwBar* GetTweakBar() const { return tweakBar; }

  // The attribute functions scripts call: the component is found by its
  // registered name; without one of that type nothing happens, and getters
  // give 0, 0.0 or no string. A getter of another type than the value stored
  // also gives the empty value.
  void SetStringAttribKey(const std::string& componentName, const std::string& key, const std::string& value);
  void SetIntAttribKey(const std::string& componentName, const std::string& key, int value);
  void SetRealAttribKey(const std::string& componentName, const std::string& key, double value);
  void SetStringAttribIndex(const std::string& componentName, unsigned index, const std::string& value);
  void SetIntAttribIndex(const std::string& componentName, unsigned index, int value);
  void SetRealAttribIndex(const std::string& componentName, unsigned index, double value);
  std::optional<std::string> GetStringAttribKey(const std::string& componentName, const std::string& key) const;
  int GetIntAttribKey(const std::string& componentName, const std::string& key) const;
  double GetRealAttribKey(const std::string& componentName, const std::string& key) const;
  std::optional<std::string> GetStringAttribIndex(const std::string& componentName, unsigned index) const;
  int GetIntAttribIndex(const std::string& componentName, unsigned index) const;
  double GetRealAttribIndex(const std::string& componentName, unsigned index) const;

 private:
  std::shared_ptr<Component> FindComponentByName(const std::string& componentName) const;
  // The entry of that type, or null.
  const std::shared_ptr<Component>* FindEntry(std::uint32_t typeKey) const {
    for (const auto& [key, component] : components) {
      if (key == typeKey) return &component;
    }
    return nullptr;
  }
  void ReleaseComponents();
  const DataBun* FindAttrib(const std::string& componentName, const std::string* key, unsigned index,
                            std::uint32_t type) const;

  GameObjectManager* owner;
  std::uint32_t id;
  bool alive = true;
  bool groupLeader = false;
  std::uint32_t uniqueId = 0;
  std::uint32_t parentUniqueId = 0;
  ComponentList components;
  ObjectLockPtr<GameObject> selfHandle;
  std::vector<ObjectLockPtr<GameObject>> children;
  std::vector<ObjectLockPtr<GameObject>> groupMembers;
  std::map<std::string, DataBun> groupVariables;
  TwBar* tweakBar = nullptr;
};

// The component under T's key seen as a T: the registry files only Ts there.
template <typename T>
ObjectLockPtr<T> GameObject::GetComponent() const {
  const auto* entry = FindEntry(TypeKey<T>());
  if (entry == nullptr || !*entry) return {};
  return ObjectLockPtr<T>(std::static_pointer_cast<T>(*entry));
}

template <typename T>
std::shared_ptr<T> GameObject::LockComponent() const {
  const auto* entry = FindEntry(TypeKey<T>());
  if (entry == nullptr) return nullptr;
  return std::static_pointer_cast<T>(*entry);
}

template <typename T>
T* GameObject::FindComponent() const {
  const auto* entry = FindEntry(TypeKey<T>());
  return entry == nullptr ? nullptr : static_cast<T*>(entry->get());
}

// Whether the object lives: from its making until it is destroyed. A
// destroyed object waiting in the manager for the sweep does not, nor does
// null or an expired handle. The one way to ask.
inline bool Lives(const GameObject* object) { return object != nullptr && object->alive; }
inline bool Lives(const std::shared_ptr<GameObject>& object) { return Lives(object.get()); }
bool Lives(const ObjectLockPtr<GameObject>& object);

// Lookups through a handle, of a live object only.
std::uint32_t GetGameObjectID(const ObjectLockPtr<GameObject>& object);
void SetGameObjectID(const ObjectLockPtr<GameObject>& object, std::uint32_t id);
std::uint32_t GetGameObjectUniqueID(const ObjectLockPtr<GameObject>& object);

// "object <id> (unique id <unique id>)", as the lines about an object say.
std::string ObjectName(const GameObject& object);

// No alive test: a destroyed object yields its components until the sweep.
template <typename T>
ObjectLockPtr<T> GetHandleComponent(const ObjectLockPtr<GameObject>& object) {
  auto locked = object.Lock();
  if (!locked) return {};
  return locked->GetComponent<T>();
}

}  // namespace Orv
