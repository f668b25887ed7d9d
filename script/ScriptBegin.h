#pragma once
// Starts each new scripted object: registers its own functions, runs the
// object's script and then its Init, after every other system has put its
// functions into the object's state. It also creates objects for scripts,
// through one parameter stack that every script shares, and keeps the
// current script group.
#include <string>
#include <vector>

#include "core/GameObject.h"
#include "core/ObjectLockPtr.h"
#include "core/OverrideLists.h"
#include "core/System.h"

namespace Orv {

// One creation asked for with CreateDelayed*, carried out in the late update.
struct DelayedCreateRecord {
  std::string typeName;
  OverrideLists overrides;
  bool active = true;
  int id = 0;
};

class ScriptComponent;

class ScriptBegin : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
  void OnRegistered() override;
  ~ScriptBegin() override = default;

  void LateUpdate(float dt) override;
  void OnGameObjectAdded(ObjectLockPtr<GameObject> object) override;

  // Joins a new object to the current group; the first to join leads it.
  void AddToGroup(const ObjectLockPtr<GameObject>& object);
  void CreateDelayedObjects();

  // Script functions served by the system itself.
  unsigned CreateGameObject(const char* typeName, int id);
  unsigned CreateInactiveGameObject(const char* typeName, int id);
  void CreateDelayedGameObject(const char* typeName, int id);
  void CreateDelayedInactiveGameObject(const char* typeName, int id);
  void ResetParamStack();
  void PushStringParamKey(const char* component, const char* key, const char* value);
  void PushIntParamKey(const char* component, const char* key, int value);
  void PushRealParamKey(const char* component, const char* key, double value);
  void PushStringParamIndex(const char* component, unsigned index, const char* value);
  void PushIntParamIndex(const char* component, unsigned index, int value);
  void PushRealParamIndex(const char* component, unsigned index, double value);
  void SetEnableGrouping(bool on);

  // Behind the child functors: parent is the calling object.
  unsigned CreateChild(const char* typeName, int id, const ObjectLockPtr<GameObject>& parent);
  unsigned CreateMountedChild(const char* typeName, int id, const ObjectLockPtr<GameObject>& parent);

  const OverrideLists& GetParamStack() const { return paramStack_; }
  const std::vector<DelayedCreateRecord>& GetDelayedCreations() const { return delayedCreations_; }
  const std::vector<ObjectLockPtr<GameObject>>& GetCurrentGroup() const { return currentGroup_; }
  bool IsGroupingEnabled() const { return groupingEnabled_; }

 private:
  // The functors made for each scripted object, in ScriptBeginScript.h.
  class CreateChildGameObject;
  class CreateMountedChildGameObject;
  class IsGroupLeaderFunc;
  class GetGroupAverageWorldPosFunc;
  class SetGroupVarRealFunc;
  class SetGroupVarStringFunc;
  class SetGroupVarIntFunc;
  class GetGroupVarFunc;

  void RegisterScriptFunctions(ScriptComponent& component, const ObjectLockPtr<GameObject>& object);
  // What a creation passes: nothing while the stack is empty, else the stack
  // with the record that keeps script-made objects out of the editor's level.
  bool CreationOverrides(OverrideLists& overrides) const;
  void JoinGroupIfGrouping(const ObjectLockPtr<GameObject>& object);
  // False, with one error line per chain, when a creation from a script would
  // nest deeper than the C stack can carry.
  bool MayCreateNested(const char* typeName);

  OverrideLists paramStack_;
  std::vector<DelayedCreateRecord> delayedCreations_;
  std::vector<ObjectLockPtr<GameObject>> currentGroup_;
  bool groupingEnabled_ = false;
  // Immediate creations from scripts running inside one another right now.
  int creationDepth_ = 0;
  bool creationDepthReported_ = false;
};

}  // namespace Orv
