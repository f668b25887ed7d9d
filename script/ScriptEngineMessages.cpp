// The script engine system's messages, channels and event groups.
#include <algorithm>
#include <map>
#include <string>

#include "core/Report.h"
#include "core/TransformComponent.h"
#include "script/ScriptComponent.h"
#include "script/ScriptEngineSystem.h"
#include "script/ScriptRegistrar.h"
#include "script/TableCopy.h"

namespace Orv {

namespace {

std::vector<ObjectLockPtr<GameObject>> Handles(const std::vector<EntityRecord>& records) {
  std::vector<ObjectLockPtr<GameObject>> handles;
  handles.reserve(records.size());
  for (const EntityRecord& record : records) handles.push_back(record.object);
  return handles;
}

// One member as scripts read it: identity, position and its event variables,
// which may stand in for any of the names before them.
OrvLua::LuaObject MemberTable(ScriptComponent& caller, const GameObject& member) {
  OrvLua::LuaObject table = caller.NewTable();
  table.SetNumber("uid", member.GetUniqueId());
  table.SetNumber("id", static_cast<int>(member.GetID()));
  if (auto transform = member.LockComponent<TransformComponent>()) {
    table.SetNumber("worldX", transform->worldX);
    table.SetNumber("worldY", transform->worldY);
    table.SetNumber("screenX", transform->posX);
    table.SetNumber("screenY", transform->posY);
  }
  if (auto script = member.LockComponent<ScriptComponent>()) {
    for (const auto& [key, value] : script->GetEventVars()) {
      switch (value.type) {
        case DataInt: table.SetNumber(key.c_str(), value.intValue); break;
        case DataReal: table.SetNumber(key.c_str(), value.realValue); break;
        case DataString: table.SetString(key.c_str(), value.stringValue.c_str()); break;
        default: break;
      }
    }
  }
  return table;
}

}  // namespace

// ---- Delivery -------------------------------------------------------------

namespace {

// Messages sent from OnMessage nest on the one C stack, across states: each
// state's own call limit does not see the others, and a ring of objects that
// answer one another would run the stack out. Past this depth a message is
// not delivered, and the send that began it all says so once.
constexpr int kMaxMessageDepth = 200;
int messageDepth = 0;
bool messageDepthReported = false;
// An object that answers itself nests in its own state, whose core allows
// 200 C levels in all, a few of them taken below the first message (the
// frame's call, the script's own pcalls): it stops a little earlier, with
// the same line.
constexpr int kMaxMessageDepthInOneState = kMaxMessageDepth - 20;
std::map<const ScriptComponent*, int> stateDepths;

}  // namespace

void ScriptEngineSystem::DeliverMessage(const ObjectLockPtr<GameObject>& receiver, int number,
                                        const OrvLua::LuaObject& message) {
  auto component = LiveScriptComponent(receiver);
  if (!component) return;
  int& stateDepth = stateDepths[component.get()];
  if (messageDepth >= kMaxMessageDepth || stateDepth >= kMaxMessageDepthInOneState) {
    if (stateDepth == 0) stateDepths.erase(component.get());
    if (!messageDepthReported) {
      messageDepthReported = true;
      PrintErrorLine("Error! Messages nested more than " + std::to_string(kMaxMessageDepth) +
                     " deep: message " + std::to_string(number) + " not delivered");
    }
    return;
  }
  // The copy is made for every receiver with a script, run or not.
  OrvLua::LuaObject copy = CopyTableToState(*component, message);
  struct Nesting {
    explicit Nesting(const ScriptComponent* receiver) : receiver(receiver) {
      ++messageDepth;
      ++stateDepths[receiver];
    }
    ~Nesting() {
      if (--stateDepths[receiver] == 0) stateDepths.erase(receiver);
      if (--messageDepth == 0) messageDepthReported = false;
    }
    const ScriptComponent* receiver;
  } nesting(component.get());
  component->CallGlobalFunction("OnMessage", number, copy);
}

// Every walk below goes over a copy of its receivers taken before the first
// delivery: a receiver's OnMessage may subscribe, unsubscribe, create or
// destroy objects, and the next receiver is still the one it would have been.

void ScriptEngineSystem::SendMsgToChannel(const char* channel, int number, OrvLua::LuaObject message) {
  auto found = channels_.find(channel);
  if (found == channels_.end()) return;
  for (const auto& receiver : found->second.Receivers()) DeliverMessage(receiver, number, message);
}

void ScriptEngineSystem::BroadcastMessageToChildrenFunc::operator()(int number, OrvLua::LuaObject message) {
  auto caller = LiveObject();
  if (!caller) return;
  const std::vector<ObjectLockPtr<GameObject>> children = caller->GetChildren();
  caller.reset();
  for (const auto& child : children) DeliverMessage(child, number, message);
}

void ScriptEngineSystem::BroadcastMessageToGroupFunc::operator()(int number, OrvLua::LuaObject message) {
  auto caller = LiveObject();
  if (!caller) return;
  const std::uint32_t self = caller->GetUniqueId();
  const std::vector<ObjectLockPtr<GameObject>> members = caller->GetGroupMembers();
  caller.reset();
  for (const auto& member : members) {
    if (Lives(member) && Orv::GetGameObjectUniqueID(member) == self) continue;
    DeliverMessage(member, number, message);
  }
}

// ---- Channels -------------------------------------------------------------

void ScriptEngineSystem::SubscribeChannel(const ObjectLockPtr<GameObject>& caller, const char* channel) {
  if (!Lives(caller)) return;
  channels_[channel].Subscribe(Orv::GetGameObjectUniqueID(caller), caller);
}

void ScriptEngineSystem::UnsubscribeChannel(const ObjectLockPtr<GameObject>& caller, const char* channel) {
  if (!Lives(caller)) return;
  auto found = channels_.find(channel);
  if (found == channels_.end()) return;
  found->second.Unsubscribe(Orv::GetGameObjectUniqueID(caller));
}

bool ScriptEngineSystem::IsSubscribedToChannel(const ObjectLockPtr<GameObject>& caller, const char* channel) const {
  if (!Lives(caller)) return false;
  auto found = channels_.find(channel);
  if (found == channels_.end()) return false;
  return found->second.IsSubscribed(Orv::GetGameObjectUniqueID(caller));
}

void ScriptEngineSystem::RegisterMessageChannel::operator()(const char* channel) {
  system_->SubscribeChannel(object_, channel);
}

void ScriptEngineSystem::DeregisterMessageChannel::operator()(const char* channel) {
  system_->UnsubscribeChannel(object_, channel);
}

bool ScriptEngineSystem::CheckIsRegisteredMessageChannel::operator()(const char* channel) {
  return system_->IsSubscribedToChannel(object_, channel);
}

// ---- Event groups ---------------------------------------------------------

void ScriptEngineSystem::SubscribeEventGroup(const ObjectLockPtr<GameObject>& caller, const char* group) {
  if (!Lives(caller)) return;
  eventGroups_[group].emplace_back(caller);
}

void ScriptEngineSystem::UnsubscribeEventGroup(const ObjectLockPtr<GameObject>& caller, const char* group) {
  if (!Lives(caller)) return;
  auto found = eventGroups_.find(group);
  if (found == eventGroups_.end()) return;
  const std::uint32_t self = Orv::GetGameObjectUniqueID(caller);
  std::erase_if(found->second,
                [self](const EntityRecord& entry) { return Orv::GetGameObjectUniqueID(entry.object) == self; });
}

unsigned ScriptEngineSystem::GetEventGroupCount(const char* group) {
  auto found = eventGroups_.find(group);
  return found == eventGroups_.end() ? 0u : static_cast<unsigned>(found->second.size());
}

OrvLua::LuaObject ScriptEngineSystem::EventGroupList(const ObjectLockPtr<GameObject>& caller, const char* group) {
  if (!LiveScriptComponent(caller)) return {};
  // Asking makes the group; the next pruning takes it away again if empty.
  return MemberList(caller, Handles(eventGroups_[group]));
}

void ScriptEngineSystem::PruneEventGroups() {
  for (auto it = eventGroups_.begin(); it != eventGroups_.end();) {
    std::erase_if(it->second, [](const EntityRecord& entry) { return !Lives(entry.object); });
    it = it->second.empty() ? eventGroups_.erase(it) : std::next(it);
  }
}

OrvLua::LuaObject ScriptEngineSystem::MemberList(const ObjectLockPtr<GameObject>& caller,
                                                 const std::vector<ObjectLockPtr<GameObject>>& members) {
  auto component = LiveScriptComponent(caller);
  if (!component) return {};
  OrvLua::LuaObject result = component->NewTable();
  int position = 1;
  for (const auto& member : members) {
    auto locked = member.Lock();
    if (!Lives(locked)) continue;
    result.Insert(position++, MemberTable(*component, *locked));
  }
  return result;
}

void ScriptEngineSystem::SubscribeEventGroupFunc::operator()(const char* group) {
  system_->SubscribeEventGroup(object_, group);
}

void ScriptEngineSystem::UnSubscribeEventGroupFunc::operator()(const char* group) {
  system_->UnsubscribeEventGroup(object_, group);
}

OrvLua::LuaObject ScriptEngineSystem::GetEventGroupList::operator()(const char* group) {
  return system_->EventGroupList(object_, group);
}

OrvLua::LuaObject ScriptEngineSystem::GetGroupMemberList::operator()() {
  auto caller = LiveObject();
  if (!caller) return {};
  const std::vector<ObjectLockPtr<GameObject>> members = caller->GetGroupMembers();
  caller.reset();
  return MemberList(object_, members);
}

unsigned ScriptEngineSystem::GetGroupMemberCount::operator()() {
  auto caller = LiveObject();
  if (!caller) return 0;
  return static_cast<unsigned>(caller->GetGroupMembers().size());
}

}  // namespace Orv
