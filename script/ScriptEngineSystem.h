#pragma once
// Drives the scripts of scripted objects from frame to frame: each script's
// Update, and the engine-level part of every script's interface (engine
// control, identity, archetype queries, messages over channels, to children
// and to the script group, event groups, and removal of objects).
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "LuaObject.h"
#include "core/BasicEntitySystem.h"
#include "core/DataBun.h"
#include "core/ObjectFunc.h"
#include "script/MessageChannel.h"
#include "script/RemovalRequest.h"

namespace Orv {

class ScriptComponent;

class ScriptEngineSystem : public BasicEntitySystem {
 public:
  using BasicEntitySystem::BasicEntitySystem;

  void OnRegistered() override;
  void Init(unsigned width, unsigned height) override;
  void Start() override {}
  void Pause() override;
  void Resume() override;

  // Script functions bound to the system itself. "Shutdown" is
  // RequestShutdown and "__BREAK" is Break: the other two names are taken.
  void RequestShutdown();
  void ToggleFullscreen();
  bool ToggleGamePause();
  bool PauseEngineActivate();
  bool PauseEngineDeactivate();
  bool IsGamePaused();
  bool HasGamePaused();
  unsigned GetWindowWidth();
  unsigned GetWindowHeight();
  void Break(const char* text);
  void SendMsgToChannel(const char* channel, int number, OrvLua::LuaObject message);
  unsigned GetEventGroupCount(const char* group);
  void RemoveGameObjectUID(unsigned uniqueId);
  void RemoveAllGameObjects();
  void RemoveAllGameObjectsExcept(int id);
  void RemoveAllGameObjectsOfType(int id);
  void RemoveAllGameObjectsContainingComponent(const char* componentName);
  void RemoveAllGameObjectsExceptUID(unsigned uniqueId);

  // Functors made for one scripted object and kept by its script component:
  // the object alone, or the system and the object.
  class SetGameObjectID : public ObjectFunc {
   public:
    using ObjectFunc::ObjectFunc;
    void operator()(int id);
  };
  class GetGameObjectID : public ObjectFunc {
   public:
    using ObjectFunc::ObjectFunc;
    int operator()();
  };
  class GetGameObjectUniqueID : public ObjectFunc {
   public:
    using ObjectFunc::ObjectFunc;
    unsigned operator()();
  };
  class BroadcastMessageToChildrenFunc : public ObjectFunc {
   public:
    using ObjectFunc::ObjectFunc;
    void operator()(int number, OrvLua::LuaObject message);
  };
  class BroadcastMessageToGroupFunc : public ObjectFunc {
   public:
    using ObjectFunc::ObjectFunc;
    void operator()(int number, OrvLua::LuaObject message);
  };
  class GetGroupMemberList : public ObjectFunc {
   public:
    using ObjectFunc::ObjectFunc;
    OrvLua::LuaObject operator()();
  };
  class GetGroupMemberCount : public ObjectFunc {
   public:
    using ObjectFunc::ObjectFunc;
    unsigned operator()();
  };

  class GetAllArcheTypeInfoIndex : public SystemObjectFunc<ScriptEngineSystem> {
   public:
    using SystemObjectFunc::SystemObjectFunc;
    OrvLua::LuaObject operator()(const char* componentName, int index);
  };
  class GetAllArcheTypeInfoKey : public SystemObjectFunc<ScriptEngineSystem> {
   public:
    using SystemObjectFunc::SystemObjectFunc;
    OrvLua::LuaObject operator()(const char* componentName, const char* key);
  };
  class RegisterMessageChannel : public SystemObjectFunc<ScriptEngineSystem> {
   public:
    using SystemObjectFunc::SystemObjectFunc;
    void operator()(const char* channel);
  };
  class DeregisterMessageChannel : public SystemObjectFunc<ScriptEngineSystem> {
   public:
    using SystemObjectFunc::SystemObjectFunc;
    void operator()(const char* channel);
  };
  class CheckIsRegisteredMessageChannel : public SystemObjectFunc<ScriptEngineSystem> {
   public:
    using SystemObjectFunc::SystemObjectFunc;
    bool operator()(const char* channel);
  };
  class SubscribeEventGroupFunc : public SystemObjectFunc<ScriptEngineSystem> {
   public:
    using SystemObjectFunc::SystemObjectFunc;
    void operator()(const char* group);
  };
  class UnSubscribeEventGroupFunc : public SystemObjectFunc<ScriptEngineSystem> {
   public:
    using SystemObjectFunc::SystemObjectFunc;
    void operator()(const char* group);
  };
  class GetEventGroupList : public SystemObjectFunc<ScriptEngineSystem> {
   public:
    using SystemObjectFunc::SystemObjectFunc;
    OrvLua::LuaObject operator()(const char* group);
  };
  class DeleteOBJSelf : public SystemObjectFunc<ScriptEngineSystem> {
   public:
    using SystemObjectFunc::SystemObjectFunc;
    void operator()();
  };
  class DeleteOBJSelfTimed : public SystemObjectFunc<ScriptEngineSystem> {
   public:
    using SystemObjectFunc::SystemObjectFunc;
    void operator()(float seconds);
  };

  // What the system holds, for the engine's own checks and the tests.
  bool IsShutdownRequested() const { return shutdownRequested_; }
  const std::list<RemovalRequest>& GetRemovalRequests() const { return removalRequests_; }
  const std::vector<EntityRecord>& GetTimedKills() const { return timedKills_; }
  const std::map<std::string, MessageChannel>& GetChannels() const { return channels_; }
  const std::map<std::string, std::vector<EntityRecord>>& GetEventGroups() const { return eventGroups_; }

 protected:
  void UpdateEntity(EntityRecord& entity, float dt) override;
  void OnUpdate(float dt) override;
  void OnLateUpdate(float dt) override;

 private:
  // The work behind the functors, for the caller whose object they hold.
  OrvLua::LuaObject ArcheTypeInfoIndex(const ObjectLockPtr<GameObject>& caller, const char* componentName, int index);
  OrvLua::LuaObject ArcheTypeInfoKey(const ObjectLockPtr<GameObject>& caller, const char* componentName,
                                     const char* key);
  void SubscribeChannel(const ObjectLockPtr<GameObject>& caller, const char* channel);
  void UnsubscribeChannel(const ObjectLockPtr<GameObject>& caller, const char* channel);
  bool IsSubscribedToChannel(const ObjectLockPtr<GameObject>& caller, const char* channel) const;
  void SubscribeEventGroup(const ObjectLockPtr<GameObject>& caller, const char* group);
  void UnsubscribeEventGroup(const ObjectLockPtr<GameObject>& caller, const char* group);
  OrvLua::LuaObject EventGroupList(const ObjectLockPtr<GameObject>& caller, const char* group);
  void Kill(const ObjectLockPtr<GameObject>& caller);
  void TimeKill(const ObjectLockPtr<GameObject>& caller, float seconds);

  // Delivery to one receiver: the message copied into the receiver's state
  // and its OnMessage called at once with the number and the copy.
  static void DeliverMessage(const ObjectLockPtr<GameObject>& receiver, int number, const OrvLua::LuaObject& message);
  // The member tables of the live objects among members, made in the
  // caller's state, as an array from 1; nil without a caller.
  static OrvLua::LuaObject MemberList(const ObjectLockPtr<GameObject>& caller,
                                      const std::vector<ObjectLockPtr<GameObject>>& members);

  // The 35 script functions into the object's state, in their fixed order.
  void RegisterScriptFunctions(ScriptComponent& component, const ObjectLockPtr<GameObject>& object);
  void QueueRemoval(RemovalRequest request);
  void CarryOutRemoval(const RemovalRequest& request);
  void CarryOutTimedKills();
  void PruneEventGroups();
  OrvLua::LuaObject ArcheTypeTable(ScriptComponent& caller, const std::vector<ArcheTypeInfo>& infos);

  bool shutdownRequested_ = false;
  std::list<RemovalRequest> removalRequests_;
  std::vector<EntityRecord> timedKills_;
  std::map<std::string, MessageChannel> channels_;
  std::map<std::string, std::vector<EntityRecord>> eventGroups_;
  bool scriptsPaused_ = false;
  bool hasPaused_ = false;
};

}  // namespace Orv
