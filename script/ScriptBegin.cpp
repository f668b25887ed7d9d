#include "script/ScriptBegin.h"

#include <memory>
#include <string>
#include <utility>

#include "core/App.h"
#include "core/GameObject.h"
#include "core/Report.h"
#include "script/ScriptComponent.h"
#include "script/ScriptRegistrar.h"

namespace Orv {

namespace {

// Parameter 4 of the edit component: 0 keeps an object out of the editor's
// saved level objects, which is right for anything a script makes.
constexpr const char* kEditComponent = "editable";
constexpr std::uint32_t kEditLevelObjectIndex = 4;

// Each immediate creation runs the new object's script and Init before it
// returns, all on the one C stack, and every object has a state of its own,
// so no state's call limit sees the chain: an Init that creates its own type
// would nest until the stack ran out. Deeper than this, creation is refused.
constexpr int kMaxCreationDepth = 1000;

// Counts one creation in progress for as long as it runs.
class CreationNesting {
 public:
  explicit CreationNesting(int& depth) : depth_(depth) { ++depth_; }
  ~CreationNesting() { --depth_; }
  CreationNesting(const CreationNesting&) = delete;
  CreationNesting& operator=(const CreationNesting&) = delete;

 private:
  int& depth_;
};

unsigned UniqueIdOf(const ObjectLockPtr<GameObject>& object) {
  auto locked = object.Lock();
  return Lives(locked) ? locked->GetUniqueId() : 0;
}

}  // namespace

void ScriptBegin::OnGameObjectAdded(ObjectLockPtr<GameObject> object) {
  std::shared_ptr<ScriptComponent> component = LiveScriptComponent(object);
  if (!component) return;
  // Every system's functions, this one's too; without a state there is
  // nothing to register, and running says so.
  RunScriptRegistrations(owner_, object);
  component->RunScript();
  component->CallGlobalFunction("Init");
}

void ScriptBegin::LateUpdate(float) { CreateDelayedObjects(); }

void ScriptBegin::CreateDelayedObjects() {
  // Taken out first: an object made here may queue more from its Init, and
  // those wait for the next pass instead of moving the records under the walk.
  std::vector<DelayedCreateRecord> records;
  records.swap(delayedCreations_);
  for (DelayedCreateRecord& record : records) {
    if (record.overrides.Empty()) {
      owner_->CreateObject(record.typeName, static_cast<unsigned>(record.id), record.active);
    } else {
      owner_->CreateObjectWithOverrides(record.typeName, static_cast<unsigned>(record.id), &record.overrides,
                                        record.active);
    }
  }
}

bool ScriptBegin::CreationOverrides(OverrideLists& overrides) const {
  if (paramStack_.Empty()) return false;
  overrides = paramStack_;
  overrides.AddIndexedOverride(kEditComponent, kEditLevelObjectIndex, std::int32_t{0});
  return true;
}

bool ScriptBegin::MayCreateNested(const char* typeName) {
  if (creationDepth_ == 0) creationDepthReported_ = false;
  if (creationDepth_ < kMaxCreationDepth) return true;
  if (!creationDepthReported_) {
    creationDepthReported_ = true;
    PrintErrorLine("Error! Objects created inside one another more than " + std::to_string(kMaxCreationDepth) +
                   " deep: " + typeName + " not created");
  }
  return false;
}

void ScriptBegin::JoinGroupIfGrouping(const ObjectLockPtr<GameObject>& object) {
  if (groupingEnabled_ && Lives(object)) AddToGroup(object);
}

unsigned ScriptBegin::CreateGameObject(const char* typeName, int id) {
  if (!MayCreateNested(typeName)) return 0;
  CreationNesting nesting(creationDepth_);
  PrintLine(std::string("Create GameObject: ") + typeName);
  OverrideLists overrides;
  ObjectLockPtr<GameObject> object =
      CreationOverrides(overrides)
          ? owner_->CreateObjectWithOverrides(typeName, static_cast<unsigned>(id), &overrides, true)
          : owner_->CreateObject(typeName, static_cast<unsigned>(id), true);
  const unsigned result = UniqueIdOf(object);
  JoinGroupIfGrouping(object);
  return result;
}

unsigned ScriptBegin::CreateInactiveGameObject(const char* typeName, int id) {
  ObjectLockPtr<GameObject> object;
  if (paramStack_.Empty()) {
    object = owner_->CreateObject(typeName, static_cast<unsigned>(id), false);
  } else {
    // The stack as it is: inactive objects keep their edit parameter.
    OverrideLists overrides = paramStack_;
    object = owner_->CreateObjectWithOverrides(typeName, static_cast<unsigned>(id), &overrides, false);
  }
  return UniqueIdOf(object);
}

void ScriptBegin::CreateDelayedGameObject(const char* typeName, int id) {
  DelayedCreateRecord record{typeName, {}, true, id};
  CreationOverrides(record.overrides);
  delayedCreations_.push_back(std::move(record));
}

void ScriptBegin::CreateDelayedInactiveGameObject(const char* typeName, int id) {
  DelayedCreateRecord record{typeName, {}, false, id};
  CreationOverrides(record.overrides);
  delayedCreations_.push_back(std::move(record));
}

unsigned ScriptBegin::CreateChild(const char* typeName, int id, const ObjectLockPtr<GameObject>& parent) {
  if (!MayCreateNested(typeName)) return 0;
  CreationNesting nesting(creationDepth_);
  PrintLine(std::string("Create GameObject: ") + typeName);
  OverrideLists overrides;
  ObjectLockPtr<GameObject> object =
      CreationOverrides(overrides)
          ? owner_->CreateChildObjectWithOverrides(parent, typeName, static_cast<unsigned>(id), &overrides, true)
          : owner_->CreateChildObject(parent, typeName, static_cast<unsigned>(id), true);
  const unsigned result = UniqueIdOf(object);
  JoinGroupIfGrouping(object);
  return result;
}

// Each of the child's components does what carrying asks of it: its
// transform follows the parent's position from then on.
static void Mount(GameObject& child) {
  for (const auto& [key, component] : child.GetComponents()) {
    if (component) component->OnMounted();
  }
}

unsigned ScriptBegin::CreateMountedChild(const char* typeName, int id, const ObjectLockPtr<GameObject>& parent) {
  if (!MayCreateNested(typeName)) return 0;
  CreationNesting nesting(creationDepth_);
  PrintLine(std::string("Create GameObject: ") + typeName);
  OverrideLists overrides;
  unsigned result = 0;
  ObjectLockPtr<GameObject> object;
  if (!CreationOverrides(overrides)) {
    object = owner_->CreateChildObject(parent, typeName, static_cast<unsigned>(id), true);
    if (auto child = object.Lock(); Lives(child)) {
      result = child->GetUniqueId();
      Mount(*child);
    }
  } else {
    // A free creation, linked to the parent only once the child has started.
    object = owner_->CreateObjectWithOverrides(typeName, static_cast<unsigned>(id), &overrides, true);
    if (auto child = object.Lock(); Lives(child)) {
      result = child->GetUniqueId();
      if (auto parentObject = parent.Lock(); Lives(parentObject)) {
        parentObject->AddChild(object);
        Mount(*child);
      }
    }
  }
  JoinGroupIfGrouping(object);
  return result;
}

void ScriptBegin::ResetParamStack() {
  paramStack_.named.clear();
  paramStack_.indexed.clear();
}

void ScriptBegin::PushStringParamKey(const char* component, const char* key, const char* value) {
  paramStack_.AddNamedOverride(component, key, std::string(value));
}

void ScriptBegin::PushIntParamKey(const char* component, const char* key, int value) {
  paramStack_.AddNamedOverride(component, key, std::int32_t{value});
}

void ScriptBegin::PushRealParamKey(const char* component, const char* key, double value) {
  paramStack_.AddNamedOverride(component, key, value);
}

void ScriptBegin::PushStringParamIndex(const char* component, unsigned index, const char* value) {
  paramStack_.AddIndexedOverride(component, index, std::string(value));
}

void ScriptBegin::PushIntParamIndex(const char* component, unsigned index, int value) {
  paramStack_.AddIndexedOverride(component, index, std::int32_t{value});
}

void ScriptBegin::PushRealParamIndex(const char* component, unsigned index, double value) {
  paramStack_.AddIndexedOverride(component, index, value);
}

void ScriptBegin::SetEnableGrouping(bool on) {
  groupingEnabled_ = on;
  if (!on) currentGroup_.clear();
}

void ScriptBegin::AddToGroup(const ObjectLockPtr<GameObject>& object) {
  auto joining = object.Lock();
  if (!Lives(joining)) return;
  if (currentGroup_.empty()) {
    joining->SetGroupLeader(true);
  } else {
    // Gone or dead members are passed over but stay in the list.
    for (const ObjectLockPtr<GameObject>& member : currentGroup_) {
      auto other = member.Lock();
      if (!Lives(other)) continue;
      other->AddGroupMember(object);
      joining->AddGroupMember(member);
    }
  }
  currentGroup_.push_back(object);
}

}  // namespace Orv
