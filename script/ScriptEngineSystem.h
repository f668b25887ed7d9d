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

  // Functors made for one scripted object and kept by its script component.
  // The first shape holds the object's record alone.
  class RecordFunctor {
   public:
    explicit RecordFunctor(EntityRecord record) : record(std::move(record)) {}

   protected:
    EntityRecord record;
  };
  class SetGameObjectID : public RecordFunctor {
   public:
    using RecordFunctor::RecordFunctor;
    void operator()(int id);
  };
  class GetGameObjectID : public RecordFunctor {
   public:
    using RecordFunctor::RecordFunctor;
    int operator()();
  };
  class GetGameObjectUniqueID : public RecordFunctor {
   public:
    using RecordFunctor::RecordFunctor;
    unsigned operator()();
  };
  class BroadcastMessageToChildrenFunc : public RecordFunctor {
   public:
    using RecordFunctor::RecordFunctor;
    void operator()(int number, OrvLua::LuaObject message);
  };
  class BroadcastMessageToGroupFunc : public RecordFunctor {
   public:
    using RecordFunctor::RecordFunctor;
    void operator()(int number, OrvLua::LuaObject message);
  };
  class GetGroupMemberList : public RecordFunctor {
   public:
    using RecordFunctor::RecordFunctor;
    OrvLua::LuaObject operator()();
  };
  class GetGroupMemberCount : public RecordFunctor {
   public:
    using RecordFunctor::RecordFunctor;
    unsigned operator()();
  };

  // The second shape holds the system and the record.
  class SystemRecordFunctor {
   public:
    SystemRecordFunctor(ScriptEngineSystem* system, EntityRecord record) : system(system), record(std::move(record)) {}

   protected:
    ScriptEngineSystem* system;
    EntityRecord record;
  };
  class GetAllArcheTypeInfoIndex : public SystemRecordFunctor {
   public:
    using SystemRecordFunctor::SystemRecordFunctor;
    OrvLua::LuaObject operator()(const char* componentName, int index);
  };
  class GetAllArcheTypeInfoKey : public SystemRecordFunctor {
   public:
    using SystemRecordFunctor::SystemRecordFunctor;
    OrvLua::LuaObject operator()(const char* componentName, const char* key);
  };
  class RegisterMessageChannel : public SystemRecordFunctor {
   public:
    using SystemRecordFunctor::SystemRecordFunctor;
    void operator()(const char* channel);
  };
  class DeregisterMessageChannel : public SystemRecordFunctor {
   public:
    using SystemRecordFunctor::SystemRecordFunctor;
    void operator()(const char* channel);
  };
  class CheckIsRegisteredMessageChannel : public SystemRecordFunctor {
   public:
    using SystemRecordFunctor::SystemRecordFunctor;
    bool operator()(const char* channel);
  };
  class SubscribeEventGroupFunc : public SystemRecordFunctor {
   public:
    using SystemRecordFunctor::SystemRecordFunctor;
    void operator()(const char* group);
  };
  class UnSubscribeEventGroupFunc : public SystemRecordFunctor {
   public:
    using SystemRecordFunctor::SystemRecordFunctor;
    void operator()(const char* group);
  };
  class GetEventGroupList : public SystemRecordFunctor {
   public:
    using SystemRecordFunctor::SystemRecordFunctor;
    OrvLua::LuaObject operator()(const char* group);
  };
  class DeleteOBJSelf : public SystemRecordFunctor {
   public:
    using SystemRecordFunctor::SystemRecordFunctor;
    void operator()();
  };
  class DeleteOBJSelfTimed : public SystemRecordFunctor {
   public:
    using SystemRecordFunctor::SystemRecordFunctor;
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
  // The work behind the functors, for the caller whose record they hold.
  OrvLua::LuaObject ArcheTypeInfoIndex(const EntityRecord& caller, const char* componentName, int index);
  OrvLua::LuaObject ArcheTypeInfoKey(const EntityRecord& caller, const char* componentName, const char* key);
  void SubscribeChannel(const EntityRecord& caller, const char* channel);
  void UnsubscribeChannel(const EntityRecord& caller, const char* channel);
  bool IsSubscribedToChannel(const EntityRecord& caller, const char* channel) const;
  void SubscribeEventGroup(const EntityRecord& caller, const char* group);
  void UnsubscribeEventGroup(const EntityRecord& caller, const char* group);
  OrvLua::LuaObject EventGroupList(const EntityRecord& caller, const char* group);
  void Kill(const EntityRecord& caller);
  void TimeKill(const EntityRecord& caller, float seconds);

  // Delivery to one receiver: the message copied into the receiver's state
  // and its OnMessage called at once with the number and the copy.
  static void DeliverMessage(const ObjectLockPtr<GameObject>& receiver, int number, const OrvLua::LuaObject& message);
  // The member tables of the live objects among members, made in the
  // caller's state, as an array from 1; nil without a caller.
  static OrvLua::LuaObject MemberList(const EntityRecord& caller,
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
