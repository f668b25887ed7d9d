#include <gtest/gtest.h>

#include <algorithm>

#include "Probes.h"
#include "core/GameObject.h"
#include "core/GameObjectManager.h"
#include "core/TransformComponent.h"
#include "platform/TweakBar.h"

namespace Orv {
namespace {

using Testing::AttachProbe;
using Testing::CallLog;
using Testing::NameA;
using Testing::NameB;
using Testing::NameC;
using Testing::Probe;

class GameObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CallLog().clear();
    manager.RegisterComponentType<Probe<NameA>>("probe");
  }
  std::shared_ptr<GameObject> Make(unsigned id = 5) { return manager.CreateGameObject(id).Lock(); }

  GameObjectManager manager;
};

TEST_F(GameObjectTest, DestroyClearsIdentityAndRecyclesTheUniqueIdOnce) {
  auto object = Make(7);
  object->SetParentUniqueId(3);
  const unsigned uniqueId = object->GetUniqueId();
  object->Destroy();
  EXPECT_FALSE(Lives(object));
  EXPECT_EQ(object->GetID(), 0u);
  EXPECT_EQ(object->GetUniqueId(), 0u);
  EXPECT_EQ(object->GetParentUniqueId(), 0u);
  // A second destruction changes nothing: no id 0 joins the recycled list.
  object->Destroy();
  EXPECT_EQ(manager.GetRecycledIds(), (std::deque<std::uint32_t>{uniqueId}));
}

TEST_F(GameObjectTest, DestroyCascadesDepthFirstToChildren) {
  auto parent = Make(1);
  auto child = Make(2);
  auto grandchild = Make(3);
  auto other = Make(4);
  parent->AddChild(child->GetSelfHandle());
  child->AddChild(grandchild->GetSelfHandle());

  parent->Destroy();
  EXPECT_FALSE(Lives(child));
  EXPECT_FALSE(Lives(grandchild));
  EXPECT_TRUE(Lives(other));
  EXPECT_TRUE(parent->GetChildren().empty());
  // Parent first, then its child, then the grandchild.
  EXPECT_EQ(manager.GetRecycledIds(), (std::deque<std::uint32_t>{1, 2, 3}));
}

TEST_F(GameObjectTest, ChildListThatLoopsBackDoesNotRecurseForever) {
  auto a = Make(1);
  auto b = Make(2);
  a->AddChild(b->GetSelfHandle());
  b->AddChild(a->GetSelfHandle());
  a->Destroy();
  EXPECT_FALSE(Lives(b));
  EXPECT_EQ(manager.GetRecycledIds().size(), 2u);
}

TEST_F(GameObjectTest, LeadershipPassesToTheFirstLiveMember) {
  auto leader = Make(1);
  auto deadMember = Make(2);
  auto heir = Make(3);
  auto later = Make(4);
  leader->SetGroupLeader(true);
  leader->SetGroupVar("score", 12);
  leader->SetGroupVar("name", std::string("red"));
  for (auto& member : {deadMember, heir, later}) leader->AddGroupMember(member->GetSelfHandle());
  deadMember->Destroy();

  leader->Destroy();
  EXPECT_FALSE(leader->IsGroupLeader());
  EXPECT_TRUE(heir->IsGroupLeader());
  EXPECT_FALSE(later->IsGroupLeader());
  ASSERT_EQ(heir->GetGroupVariables().size(), 2u);
  EXPECT_EQ(heir->GetGroupVariables().at("score").intValue, 12);
  EXPECT_EQ(heir->GetGroupVariables().at("name").stringValue, "red");
  // The dead member was dropped on the way; the rest of the list stays.
  ASSERT_EQ(leader->GetGroupMembers().size(), 2u);
  EXPECT_TRUE(leader->GetGroupMembers()[0].SameAs(heir->GetSelfHandle()));
}

TEST_F(GameObjectTest, GroupWithoutLiveMembersIsLeftLeaderless) {
  auto leader = Make(1);
  auto member = Make(2);
  leader->SetGroupLeader(true);
  leader->AddGroupMember(member->GetSelfHandle());
  member->Destroy();
  leader->Destroy();
  EXPECT_FALSE(leader->IsGroupLeader());
  EXPECT_FALSE(member->IsGroupLeader());
  EXPECT_TRUE(leader->GetGroupMembers().empty());
}

TEST_F(GameObjectTest, SetGroupVarReplacesTheWholeRecord) {
  auto object = Make();
  object->SetGroupVar("v", std::string("text"));
  object->SetGroupVar("v", 2.5);
  const DataBun& record = object->GetGroupVariables().at("v");
  EXPECT_EQ(record.type, DataReal);
  EXPECT_EQ(record.realValue, 2.5);
  EXPECT_EQ(record.stringValue, "");
}

TEST_F(GameObjectTest, PruneKeepsOrderOfLiveEntries) {
  auto parent = Make(1);
  std::vector<std::shared_ptr<GameObject>> kids;
  for (unsigned i = 0; i < 4; ++i) {
    kids.push_back(Make(10 + i));
    parent->AddChild(kids.back()->GetSelfHandle());
  }
  kids[1]->Destroy();
  ObjectLockPtr<GameObject> gone;
  {
    auto temporary = std::make_shared<GameObject>(nullptr, 99);
    gone = ObjectLockPtr<GameObject>(temporary);
  }
  parent->AddChild(gone);
  parent->PruneChildren();
  ASSERT_EQ(parent->GetChildren().size(), 3u);
  EXPECT_TRUE(parent->GetChildren()[0].SameAs(kids[0]->GetSelfHandle()));
  EXPECT_TRUE(parent->GetChildren()[1].SameAs(kids[2]->GetSelfHandle()));
  EXPECT_TRUE(parent->GetChildren()[2].SameAs(kids[3]->GetSelfHandle()));
}

TEST_F(GameObjectTest, TweakBarIsHandedToComponentsAndDeletedOnDestroy) {
  auto object = Make();
  auto transform = std::make_shared<TransformComponent>();
  transform->Setup();
  object->AddComponent(TypeKey<TransformComponent>(), transform);
  AttachProbe<NameA>(*object);
  TwBar* bar = TwNewBar("GameObject(5)");
  object->AddToTweakBar(bar);
  EXPECT_EQ(object->GetTweakBar(), bar);
  EXPECT_EQ(Platform::TweakBarVariables(bar).size(), 3u);
  EXPECT_EQ(CallLog().back(), "class Orv::ProbeA: AddToTweakBar");

  object->Destroy();
  EXPECT_FALSE(Platform::TweakBarExists(bar));
  EXPECT_EQ(object->GetTweakBar(), nullptr);
}

TEST_F(GameObjectTest, AttributeFunctionsReachTheNamedComponent) {
  auto object = Make();
  auto probe = AttachProbe<NameA>(*object);
  CallLog().clear();

  object->SetIntAttribKey("probe", "hp", 40);
  object->SetRealAttribKey("probe", "speed", 2.5);
  object->SetStringAttribKey("probe", "title", "king");
  object->SetIntAttribIndex("probe", 9, 99);
  EXPECT_EQ(object->GetIntAttribKey("probe", "hp"), 40);
  EXPECT_EQ(object->GetRealAttribKey("probe", "speed"), 2.5);
  EXPECT_EQ(object->GetStringAttribKey("probe", "title"), "king");
  EXPECT_EQ(object->GetIntAttribIndex("probe", 9), 99);
  EXPECT_EQ(object->GetRealAttribIndex("probe", 1), 2.5);
  EXPECT_EQ(object->GetStringAttribIndex("probe", probe->GetPropertyIndex("title")), "king");
  EXPECT_EQ(CallLog(), (std::vector<std::string>{
                           "class Orv::ProbeA: OnIntProperty 0 40",
                           "class Orv::ProbeA: OnIntPropertyByName hp 40",
                           "class Orv::ProbeA: OnRealProperty 1 2.500000",
                           "class Orv::ProbeA: OnRealPropertyByName speed 2.500000",
                           "class Orv::ProbeA: OnStringProperty 2 king",
                           "class Orv::ProbeA: OnStringPropertyByName title king",
                           "class Orv::ProbeA: OnIntProperty 9 99",
                       }));
}

TEST_F(GameObjectTest, AttributeGettersGiveEmptyValuesWhenNothingMatches) {
  auto object = Make();
  AttachProbe<NameA>(*object);
  object->SetIntAttribKey("probe", "hp", 40);
  struct Case {
    const char* what;
    std::string component;
    std::string key;
  };
  const Case cases[] = {
      {"unregistered component", "nonesuch", "hp"},
      {"registered but absent component", "transform", "hp"},
      {"key never set", "probe", "mana"},
  };
  manager.RegisterComponentType<TransformComponent>("transform");
  for (const Case& c : cases) {
    EXPECT_EQ(object->GetIntAttribKey(c.component, c.key), 0) << c.what;
    EXPECT_EQ(object->GetRealAttribKey(c.component, c.key), 0.0) << c.what;
    EXPECT_EQ(object->GetStringAttribKey(c.component, c.key), std::nullopt) << c.what;
  }
  // A value of another type than the getter's.
  EXPECT_EQ(object->GetRealAttribKey("probe", "hp"), 0.0);
  EXPECT_EQ(object->GetStringAttribKey("probe", "hp"), std::nullopt);
  EXPECT_EQ(object->GetIntAttribIndex("probe", 0xFFFFFFFFu), 0);
}

TEST_F(GameObjectTest, SettersOnAnUnregisteredComponentDoNothing) {
  auto object = Make();
  auto probe = AttachProbe<NameA>(*object);
  CallLog().clear();
  object->SetIntAttribKey("nonesuch", "hp", 1);
  object->SetRealAttribIndex("nonesuch", 0, 1.0);
  object->SetStringAttribIndex("", 0, "x");
  EXPECT_TRUE(CallLog().empty());
  EXPECT_TRUE(probe->GetPropertyValues().empty());
}

TEST(GameObjectHandles, LookupsThroughAHandleFollowLifeAndRelease) {
  GameObjectManager manager;
  auto handle = manager.CreateGameObject(8);
  auto transform = std::make_shared<TransformComponent>();
  handle.Lock()->AddComponent(TypeKey<TransformComponent>(), transform);

  EXPECT_TRUE(Lives(handle));
  EXPECT_EQ(GetGameObjectID(handle), 8u);
  EXPECT_EQ(GetGameObjectUniqueID(handle), 1u);
  SetGameObjectID(handle, 9);
  EXPECT_EQ(GetGameObjectID(handle), 9u);
  EXPECT_EQ(GetHandleComponent<TransformComponent>(handle).Get(), transform.get());
  EXPECT_FALSE(GetHandleComponent<Testing::Probe<NameA>>(handle).Exists());

  // Destroyed but not yet swept: dead to identity, components still there.
  handle.Lock()->Destroy();
  EXPECT_FALSE(Lives(handle));
  EXPECT_EQ(GetGameObjectID(handle), 0u);
  EXPECT_EQ(GetGameObjectUniqueID(handle), 0u);
  SetGameObjectID(handle, 4);
  EXPECT_EQ(handle.Lock()->GetID(), 0u);
  EXPECT_TRUE(GetHandleComponent<TransformComponent>(handle).Exists());

  transform.reset();
  manager.RemoveDeadGameObjects();
  EXPECT_FALSE(handle.Exists());
  EXPECT_FALSE(GetHandleComponent<TransformComponent>(handle).Exists());
  EXPECT_FALSE(Lives(ObjectLockPtr<GameObject>()));
}

TEST_F(GameObjectTest, ComponentsKeepKeyOrderAndOneOfEachType) {
  auto object = Make();
  auto c = AttachProbe<NameC>(*object);
  auto a = AttachProbe<NameA>(*object);
  auto b = AttachProbe<NameB>(*object);
  // A second of one type takes the first one's place, in place.
  auto second = AttachProbe<NameA>(*object);
  const auto& components = object->GetComponents();
  ASSERT_EQ(components.size(), 3u);
  EXPECT_TRUE(std::is_sorted(components.begin(), components.end(),
                             [](const auto& x, const auto& y) { return x.first < y.first; }));
  EXPECT_EQ(object->FindComponent<Probe<NameA>>(), second.get());
  EXPECT_EQ(object->FindComponent(TypeKey<Probe<NameB>>()), b.get());
  EXPECT_EQ(object->LockComponent<Probe<NameC>>(), c);
  EXPECT_EQ(object->FindComponent<TransformComponent>(), nullptr);
  a.reset();

  // The replaced one is gone: only the three left are shut down.
  CallLog().clear();
  object->ClearComponents();
  EXPECT_EQ(CallLog().size(), 3u);
  EXPECT_TRUE(object->GetComponents().empty());
}

TEST(GameObjectHandles, EmptyComponentEntryCountsAsAbsent) {
  GameObjectManager manager;
  auto object = manager.CreateGameObject(1).Lock();
  object->AddComponent(TypeKey<TransformComponent>(), nullptr);
  EXPECT_FALSE(object->GetComponent(TypeKey<TransformComponent>()).Exists());
  EXPECT_FALSE(object->GetComponent<TransformComponent>().Exists());
  EXPECT_EQ(object->FindComponent<TransformComponent>(), nullptr);
}

}  // namespace
}  // namespace Orv
