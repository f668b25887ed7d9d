// Messages over channels, to children and to the script group, and event
// groups, between real scripts of separate states.
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstdint>
#include <cstdio>

#include "support/ScriptEngineFixture.h"

namespace OrvTest {
namespace {

using Orv::GameObject;

// Receivers note who got what: "uid:number".
constexpr const char* kReceiver = "function OnMessage(n, t) Note(GetUniqueID() .. ':' .. n) end";

class MessageTest : public ScriptEngineFixture {
 protected:
  // Objects with unique ids 1..count, all running script.
  std::vector<std::shared_ptr<GameObject>> SpawnMany(int count, const std::string& script) {
    std::vector<std::shared_ptr<GameObject>> made;
    for (int i = 0; i < count; ++i) made.push_back(Spawn(script));
    return made;
  }
};

TEST_F(MessageTest, ChannelDeliversInAscendingUniqueIdSenderIncluded) {
  auto objects = SpawnMany(12, kReceiver);
  for (int uid : {7, 3, 12}) Run(objects[uid - 1], "SubMsgChannel('news')");
  Run(objects[6], "SendMsgToChannel('news', 2.7, {})");
  EXPECT_EQ(NoteText(), "3:2 7:2 12:2");
}

TEST_F(MessageTest, ChannelMembership) {
  auto objects = SpawnMany(2, kReceiver);
  auto& a = objects[0];
  struct Case {
    const char* code;
    const char* result;
  };
  const Case cases[] = {
      {"return IsChannelSub('c')", "false"},
      {"SubMsgChannel('c') SubMsgChannel('c') return IsChannelSub('c')", "true"},
      {"UnsubMsgChannel('c') return IsChannelSub('c')", "false"},
      {"UnsubMsgChannel('never') return IsChannelSub('never')", "false"},
      {"return SubMsgChannel(1)", "error: test:1: bad argument #1 to 'SubMsgChannel' (bad argument)"},
  };
  for (const Case& c : cases) EXPECT_EQ(Run(a, c.code), c.result) << c.code;
  // Unsubscribing keeps the channel; an unknown name never makes one.
  EXPECT_EQ(System().GetChannels().count("c"), 1u);
  EXPECT_EQ(System().GetChannels().at("c").subscribers.size(), 0u);
  Run(a, "SendMsgToChannel('nobody', 1, {})");
  EXPECT_EQ(System().GetChannels().count("nobody"), 0u);
  EXPECT_EQ(NoteText(), "");
}

TEST_F(MessageTest, DestroyedSubscriberIsPassedOverAndKeepsItsEntry) {
  auto objects = SpawnMany(3, kReceiver);
  for (auto& object : objects) Run(object, "SubMsgChannel('c')");
  objects[1]->Destroy();
  Run(objects[0], "SendMsgToChannel('c', 1, {})");
  EXPECT_EQ(NoteText(), "1:1 3:1");
  EXPECT_EQ(System().GetChannels().at("c").subscribers.size(), 3u);
  EXPECT_EQ(Run(objects[1], "SubMsgChannel('d') return IsChannelSub('c')"), "false") << "a dead caller";
  EXPECT_EQ(System().GetChannels().count("d"), 0u);
}

#if defined(__SANITIZE_ADDRESS__)
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

// Heap in use as the allocator sees it: the sanitizer's count when it owns
// the heap, else the C library's.
std::size_t HeapInUse() {
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

// Objects made and ended by the thousand: a freed subscriber's entry stays in
// its channel, but not the freed object's memory. Measured against the same
// churn of objects that only ask about the channel.
TEST_F(MessageTest, AFreedSubscriberKeepsItsEntryButNotItsMemory) {
  constexpr int kObjects = 300;
  std::uint32_t lastId = 0;
  const auto keptPerObject = [&](const char* script) {
    const std::size_t before = HeapInUse();
    for (int i = 0; i < kObjects; ++i) {
      auto object = Spawn(script);
      lastId = object->GetUniqueId();
      object->Destroy();
    }
    Frame();  // the sweep frees the objects
    Frame();  // the next Update lets go of their handles
    return (static_cast<double>(HeapInUse()) - static_cast<double>(before)) / kObjects;
  };
  keptPerObject("SubMsgChannel('c')");  // first use of every container and pool
  const double asking = keptPerObject("IsChannelSub('c')");
  const double subscribing = keptPerObject("SubMsgChannel('c')");
  std::printf("kept per object: %.1f bytes subscribing, %.1f asking; a freed object takes %zu\n", subscribing,
              asking, sizeof(GameObject));
  EXPECT_LT(subscribing - asking, static_cast<double>(sizeof(GameObject)));
  EXPECT_EQ(System().GetChannels().at("c").subscribers.count(lastId), 1u) << "the entry stays";
}

TEST_F(MessageTest, MessageSentInsideOnMessageIsDeliveredDepthFirst) {
  const std::string script =
      "SubMsgChannel('c')\n"
      "function OnMessage(n, t)\n"
      "  Note(GetUniqueID() .. ':' .. n)\n"
      "  if n == 1 and GetUniqueID() == 1 then SendMsgToChannel('c', 2, {}) end\n"
      "end";
  auto objects = SpawnMany(2, script);
  Run(objects[1], "SendMsgToChannel('c', 1, {})");
  EXPECT_EQ(NoteText(), "1:1 1:2 2:2 2:1");
}

TEST_F(MessageTest, ReceiversChangingTheChannelDoNotDisturbTheDelivery) {
  // Each receiver leaves the channel, and the first one also brings in a
  // newcomer (by message): the walk still reaches exactly the three it began with.
  const std::string script =
      "SubMsgChannel('c') SubMsgChannel('ctl')\n"
      "function OnMessage(n, t)\n"
      "  if n == 9 then return end\n"
      "  Note(GetUniqueID() .. ':' .. n)\n"
      "  UnsubMsgChannel('c')\n"
      "  if GetUniqueID() == 1 then SendMsgToChannel('ctl', 9, {}) end\n"
      "end";
  auto objects = SpawnMany(3, script);
  auto late = Spawn("SubMsgChannel('ctl') function OnMessage(n, t) if n == 9 then SubMsgChannel('c') else "
                    "Note(GetUniqueID() .. ':' .. n) end end");
  Run(objects[2], "SendMsgToChannel('c', 1, {})");
  EXPECT_EQ(NoteText(), "1:1 2:1 3:1");
  Run(objects[2], "SendMsgToChannel('c', 5, {})");
  EXPECT_EQ(NoteText(), "1:1 2:1 3:1 4:5");
}

TEST_F(MessageTest, TheReceiverGetsACopyOfTheStringKeyedPart) {
  // The receiver writes its copy back out in key order.
  const std::string receiverScript =
      "SubMsgChannel('c')\n"
      "local function dump(t)\n"
      "  local keys = {} for k in pairs(t) do keys[#keys + 1] = tostring(k) end table.sort(keys)\n"
      "  local out = {} for _, k in ipairs(keys) do local v = t[k]\n"
      "    out[#out + 1] = k .. '=' .. (type(v) == 'table' and '{' .. dump(v) .. '}' or tostring(v)) end\n"
      "  return table.concat(out, ',')\n"
      "end\n"
      "function OnMessage(n, t) Note(dump(t)) kept = t end";
  auto sender = Spawn("");
  auto receiver = Spawn(receiverScript);
  struct Case {
    const char* message;
    const char* received;
  };
  const Case cases[] = {
      {"{a = 1, b = 'two', 5, f = function() end, ok = true}", "a=1,b=two,ok=true"},
      {"{1, 2, n = 3.5, f = print, inner = {s = 'x', 7}}", "inner={s=x},n=3.5"},
      {"42", ""},
      {"nil", ""},
      {"'text'", ""},
  };
  for (const Case& c : cases) {
    notes.clear();
    Run(sender, std::string("SendMsgToChannel('c', 1, ") + c.message + ")");
    EXPECT_EQ(NoteText(), c.received) << c.message;
  }
  // The copy shares nothing with the source.
  Run(sender, "msg = {inner = {v = 1}} SendMsgToChannel('c', 1, msg) msg.inner.v = 2");
  EXPECT_EQ(Run(receiver, "return kept.inner.v"), "1");
}

TEST_F(MessageTest, ATableThatHoldsItselfIsCopiedOnce) {
  auto sender = Spawn("");
  auto receiver = Spawn("SubMsgChannel('c') function OnMessage(n, t) got = t end");
  Run(sender,
      "local t = {a = 1, inner = {b = 2}} t.self = t t.inner.up = t t.inner.again = t.inner\n"
      "SendMsgToChannel('c', 1, t)");
  EXPECT_EQ(Run(receiver, "return got.a .. got.inner.b"), "12");
  EXPECT_EQ(Run(receiver, "return tostring(got.self) .. tostring(got.inner.up) .. tostring(got.inner.again)"),
            "nilnilnil");
}

TEST_F(MessageTest, ARingOfObjectsAnsweringOneAnotherStopsAtTheNestingLimit) {
  // Each passes the message on to the next: every state stays far below its
  // own call limit while the one C stack under them all grows.
  constexpr int kRing = 60;
  std::vector<std::shared_ptr<GameObject>> ring;
  for (int i = 0; i < kRing; ++i) {
    ring.push_back(Spawn("local me = GetUniqueID() SubMsgChannel('ring' .. me) count = 0\n"
                         "function OnMessage(k, t) count = count + 1 "
                         "SendMsgToChannel('ring' .. (me % " + std::to_string(kRing) + " + 1), k + 1, t) end"));
  }
  ::testing::internal::CaptureStderr();
  Run(ring[0], "SendMsgToChannel('ring1', 1, {})");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Error! Messages nested more than 200 deep: message 201 not delivered\n");
  int delivered = 0;
  for (const auto& object : ring) delivered += std::stoi(Global(object, "count"));
  EXPECT_EQ(delivered, 200);
  // The limit is on nesting only: the next send goes out again.
  ::testing::internal::CaptureStderr();
  Run(ring[0], "SendMsgToChannel('ring1', 1, {})");
  EXPECT_NE(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(Global(ring[0], "count"), "8");
}

TEST_F(MessageTest, ReceiversWithoutOnMessageOrAScriptThatFailedArePassedOver) {
  auto plain = Spawn("SubMsgChannel('c')");
  auto broken = Spawn("SubMsgChannel('c') function OnMessage() Note('broken') end error('late')");
  auto fine = Spawn(std::string("SubMsgChannel('c') ") + kReceiver);
  Run(plain, "SendMsgToChannel('c', 4, {})");
  EXPECT_EQ(NoteText(), "3:4");
}

TEST_F(MessageTest, ChildrenReceiveInTheOrderTheyWereMade) {
  auto parent = Spawn("");
  auto children = SpawnMany(3, kReceiver);
  for (int i : {2, 0, 1}) parent->AddChild(children[i]->GetSelfHandle());
  children[0]->Destroy();
  Run(parent, "SendMsgToChildren(8, {})");
  EXPECT_EQ(NoteText(), "4:8 3:8");
}

TEST_F(MessageTest, GroupMessagesSkipTheSenderButTheListShowsIt) {
  auto leader = Spawn(kReceiver, 0, true);
  auto members = SpawnMany(2, kReceiver);
  leader->AddGroupMember(leader->GetSelfHandle());
  for (auto& member : members) leader->AddGroupMember(member->GetSelfHandle());
  Run(leader, "SendMsgToGroup(3, {})");
  EXPECT_EQ(NoteText(), "2:3 3:3");
  EXPECT_EQ(Run(leader, "local l = GetGroupMemberList() return #l .. ':' .. l[1].uid .. l[2].uid .. l[3].uid"),
            "3:123");
  members[0]->Destroy();
  EXPECT_EQ(Run(leader, "return GetGroupMemberCount() .. ':' .. #GetGroupMemberList()"), "3:2");
  EXPECT_EQ(Run(members[1], "return GetGroupMemberCount() .. ':' .. #GetGroupMemberList()"), "0:0");
}

TEST_F(MessageTest, EventGroupMembership) {
  auto a = Spawn("");
  auto b = Spawn("");
  Run(a, "SubscribeToEventGroup('g') SubscribeToEventGroup('g')");
  Run(b, "SubscribeToEventGroup('g')");
  EXPECT_EQ(Run(a, "return GetEventGroupCount('g')"), "3");
  EXPECT_EQ(Run(b, "local l = GetEventGroupList('g') return #l .. ':' .. l[1].uid .. l[2].uid .. l[3].uid"),
            "3:112");
  Run(a, "UnsubscribeFromEventGroup('g')");
  EXPECT_EQ(Run(a, "return GetEventGroupCount('g')"), "1");
  EXPECT_EQ(Run(a, "return GetEventGroupCount('none')"), "0");
  // Asking for a group makes it, empty, until the next pruning.
  EXPECT_EQ(Run(a, "local l = GetEventGroupList('asked') return type(l) .. #l"), "table0");
  EXPECT_EQ(System().GetEventGroups().count("asked"), 1u);
  b->Destroy();
  EXPECT_EQ(Run(a, "return GetEventGroupCount('g') .. ':' .. #GetEventGroupList('g')"), "1:0");
  EXPECT_EQ(Run(b, "return GetEventGroupList('g')"), "nil");
  Frame();
  EXPECT_EQ(System().GetEventGroups().count("asked"), 0u);
  EXPECT_EQ(System().GetEventGroups().count("g"), 0u);
}

TEST_F(MessageTest, MemberTablesCarryPositionsAndEventVariables) {
  auto member = Spawn("SetEventVarInteger('hp', 10) SetEventVarString('name', 'bob') SetEventVarReal('id', 9.5)",
                      4, true);
  auto transform = member->GetComponent<Orv::TransformComponent>().Lock();
  transform->worldX = 1.5f;
  transform->worldY = 2.5f;
  transform->posX = 30.0f;
  transform->posY = 40.0f;
  auto plain = Spawn("SubscribeToEventGroup('g')", 6);
  Run(member, "SubscribeToEventGroup('g')");
  const std::string dump =
      "local out = {} for i, m in ipairs(GetEventGroupList('g')) do local keys = {}\n"
      "  for k, v in pairs(m) do keys[#keys + 1] = k .. '=' .. tostring(v) end table.sort(keys)\n"
      "  out[#out + 1] = table.concat(keys, ',') end return table.concat(out, ' | ')";
  EXPECT_EQ(Run(plain, dump),
            "id=6,uid=2 | hp=10,id=9.5,name=bob,screenX=30,screenY=40,uid=1,worldX=1.5,worldY=2.5");
}

TEST_F(MessageTest, MessagesAreDeliveredWhilePaused) {
  auto objects = SpawnMany(2, std::string("SubMsgChannel('c') ") + kReceiver);
  Run(objects[0], "PauseEngineActivate()");
  Frame();
  Run(objects[0], "SendMsgToChannel('c', 1, {})");
  EXPECT_EQ(NoteText(), "1:1 2:1");
}

}  // namespace
}  // namespace OrvTest
