#include "core/GameObject.h"

#include <algorithm>

#include "core/GameObjectManager.h"
#include "platform/TweakBar.h"

namespace Orv {

namespace {

void Prune(std::vector<ObjectLockPtr<GameObject>>& handles) {
  handles.erase(std::remove_if(handles.begin(), handles.end(), [](const auto& h) { return !Lives(h); }), handles.end());
}

}  // namespace

GameObject::GameObject(GameObjectManager* owner, std::uint32_t id) : owner(owner), id(id) {}

GameObject::~GameObject() { ReleaseComponents(); }

ObjectLockPtr<Component> GameObject::GetComponent(std::uint32_t typeKey) const {
  const auto* entry = FindEntry(typeKey);
  if (entry == nullptr || !*entry) return {};
  return ObjectLockPtr<Component>(*entry);
}

void GameObject::AddComponent(std::uint32_t typeKey, std::shared_ptr<Component> component) {
  // A second of one type takes the first one's place.
  auto at = std::lower_bound(components.begin(), components.end(), typeKey,
                             [](const auto& entry, std::uint32_t key) { return entry.first < key; });
  if (at != components.end() && at->first == typeKey) {
    at->second = std::move(component);
  } else {
    components.emplace(at, typeKey, std::move(component));
  }
}

void GameObject::ClearComponents() {
  // By index, a copy each: a Shutdown may reach this object.
  for (std::size_t i = 0; i < components.size(); ++i) {
    if (const std::shared_ptr<Component> component = components[i].second) component->Shutdown();
  }
  ReleaseComponents();
}

void GameObject::ReleaseComponents() {
  // A component being freed may still reach its object (a script's collector
  // hooks run when its state closes): it must find an empty table, not one
  // half torn down.
  auto releasing = std::move(components);
  components.clear();
  releasing.clear();
}

void GameObject::AddChild(ObjectLockPtr<GameObject> child) { children.push_back(std::move(child)); }

void GameObject::PruneChildren() { Prune(children); }

void GameObject::AddGroupMember(ObjectLockPtr<GameObject> member) { groupMembers.push_back(std::move(member)); }

void GameObject::PruneGroupMembers() { Prune(groupMembers); }

void GameObject::SetGroupVar(const std::string& key, double value) {
  DataBun record;
  record.realValue = value;
  record.type = DataReal;
  groupVariables[key] = std::move(record);
}

void GameObject::SetGroupVar(const std::string& key, const std::string& value) {
  DataBun record;
  record.stringValue = value;
  record.type = DataString;
  groupVariables[key] = std::move(record);
}

void GameObject::SetGroupVar(const std::string& key, int value) {
  DataBun record;
  record.intValue = value;
  record.type = DataInt;
  groupVariables[key] = std::move(record);
}

void GameObject::Destroy() {
  // A second destruction would hand the recycled list the id 0, which would
  // later be given to a new object as if it meant one.
  if (!alive) return;
  id = 0;
  alive = false;
  if (tweakBar != nullptr) {
    TwDeleteBar(tweakBar);
    tweakBar = nullptr;
  }
  if (owner != nullptr) owner->TakeBackDestroyed(uniqueId);
  uniqueId = 0;
  parentUniqueId = 0;

  // Depth first, in the order the children were made.
  auto dying = std::move(children);
  children.clear();
  for (const auto& handle : dying) {
    if (auto child = handle.Lock()) child->Destroy();
  }

  if (groupLeader) {
    groupLeader = false;
    for (auto it = groupMembers.begin(); it != groupMembers.end();) {
      auto member = it->Lock();
      if (!Lives(member)) {
        it = groupMembers.erase(it);
        continue;
      }
      member->groupLeader = true;
      member->groupVariables = groupVariables;
      break;
    }
  }
}

void GameObject::AddToTweakBar(TwBar* bar) {
  tweakBar = bar;
  for (auto& [key, component] : components) {
    if (component) component->AddToTweakBar(bar);
  }
}

std::shared_ptr<Component> GameObject::FindComponentByName(const std::string& componentName) const {
  if (owner == nullptr) return nullptr;
  const std::uint32_t key = owner->GetComponentTypeKey(componentName);
  if (key == kNoTypeKey) return nullptr;
  return GetComponent(key).Lock();
}

void GameObject::SetStringAttribKey(const std::string& componentName, const std::string& key,
                                    const std::string& value) {
  if (auto component = FindComponentByName(componentName)) component->SetStringPropertyByName(key, value);
}

void GameObject::SetIntAttribKey(const std::string& componentName, const std::string& key, int value) {
  if (auto component = FindComponentByName(componentName)) component->SetIntPropertyByName(key, value);
}

void GameObject::SetRealAttribKey(const std::string& componentName, const std::string& key, double value) {
  if (auto component = FindComponentByName(componentName)) component->SetRealPropertyByName(key, value);
}

void GameObject::SetStringAttribIndex(const std::string& componentName, unsigned index, const std::string& value) {
  if (auto component = FindComponentByName(componentName)) component->SetStringProperty(index, value);
}

void GameObject::SetIntAttribIndex(const std::string& componentName, unsigned index, int value) {
  if (auto component = FindComponentByName(componentName)) component->SetIntProperty(index, value);
}

void GameObject::SetRealAttribIndex(const std::string& componentName, unsigned index, double value) {
  if (auto component = FindComponentByName(componentName)) component->SetRealProperty(index, value);
}

const DataBun* GameObject::FindAttrib(const std::string& componentName, const std::string* key, unsigned index,
                                      std::uint32_t type) const {
  auto component = FindComponentByName(componentName);
  if (!component) return nullptr;
  // A getter by key enters the key like a setter would, so that a later set
  // of the same key lands where this read looked.
  if (key != nullptr) index = component->GetPropertyIndex(*key);
  const DataBun* record = component->GetProperty(index);
  return record != nullptr && record->type == type ? record : nullptr;
}

std::optional<std::string> GameObject::GetStringAttribKey(const std::string& componentName,
                                                          const std::string& key) const {
  const DataBun* record = FindAttrib(componentName, &key, 0, DataString);
  if (record == nullptr) return std::nullopt;
  return record->stringValue;
}

int GameObject::GetIntAttribKey(const std::string& componentName, const std::string& key) const {
  const DataBun* record = FindAttrib(componentName, &key, 0, DataInt);
  return record != nullptr ? record->intValue : 0;
}

double GameObject::GetRealAttribKey(const std::string& componentName, const std::string& key) const {
  const DataBun* record = FindAttrib(componentName, &key, 0, DataReal);
  return record != nullptr ? record->realValue : 0.0;
}

std::optional<std::string> GameObject::GetStringAttribIndex(const std::string& componentName, unsigned index) const {
  const DataBun* record = FindAttrib(componentName, nullptr, index, DataString);
  if (record == nullptr) return std::nullopt;
  return record->stringValue;
}

int GameObject::GetIntAttribIndex(const std::string& componentName, unsigned index) const {
  const DataBun* record = FindAttrib(componentName, nullptr, index, DataInt);
  return record != nullptr ? record->intValue : 0;
}

double GameObject::GetRealAttribIndex(const std::string& componentName, unsigned index) const {
  const DataBun* record = FindAttrib(componentName, nullptr, index, DataReal);
  return record != nullptr ? record->realValue : 0.0;
}

bool Lives(const ObjectLockPtr<GameObject>& object) { return Lives(object.Lock()); }

std::uint32_t GetGameObjectID(const ObjectLockPtr<GameObject>& object) {
  auto locked = object.Lock();
  return Lives(locked) ? locked->GetID() : 0;
}

void SetGameObjectID(const ObjectLockPtr<GameObject>& object, std::uint32_t id) {
  auto locked = object.Lock();
  if (Lives(locked)) locked->SetID(id);
}

std::uint32_t GetGameObjectUniqueID(const ObjectLockPtr<GameObject>& object) {
  auto locked = object.Lock();
  return Lives(locked) ? locked->GetUniqueId() : 0;
}

std::string ObjectName(const GameObject& object) {
  // The id as the script and the blueprint wrote it: -1, not 4294967295.
  return "object " + std::to_string(static_cast<std::int32_t>(object.GetID())) + " (unique id " +
         std::to_string(object.GetUniqueId()) + ")";
}

}  // namespace Orv
