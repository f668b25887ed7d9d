#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <numeric>

#include "Probes.h"
#include "core/GameObjectManager.h"
#include "core/TransformComponent.h"
#include "script/ScriptComponent.h"

namespace Orv {
namespace {

using Testing::AttachProbe;
using Testing::CallLog;
using Testing::NameA;
using Testing::NameB;
using Testing::NameC;

TEST(GameObjectManager, UniqueIdsCountUpFromOne) {
  GameObjectManager manager;
  for (unsigned expected = 1; expected <= 5; ++expected) {
    auto object = manager.CreateGameObject(100).Lock();
    EXPECT_EQ(object->GetUniqueId(), expected);
    EXPECT_EQ(object->GetID(), 100u);
    EXPECT_TRUE(Lives(object));
    EXPECT_TRUE(object->GetSelfHandle().SameAs(ObjectLockPtr<GameObject>(object)));
    EXPECT_EQ(object->GetOwner(), &manager);
  }
  EXPECT_EQ(manager.GetObjects().size(), 5u);
}

// Ids of destroyed objects come back only after 30000 fresh ones, and only
// while at least two wait, oldest first.
TEST(GameObjectManager, RecyclingStartsAfterThirtyThousandFreshIds) {
  GameObjectManager manager;
  std::vector<unsigned> given;
  for (int i = 0; i < 30000; ++i) {
    auto object = manager.CreateGameObject(0).Lock();
    given.push_back(object->GetUniqueId());
    // Destroy a few early ones; they must not come back yet.
    if (i == 10 || i == 20 || i == 30) object->Destroy();
    if (i % 1000 == 999) manager.RemoveDeadGameObjects();
  }
  std::vector<unsigned> fresh(30000);
  std::iota(fresh.begin(), fresh.end(), 1u);
  EXPECT_EQ(given, fresh);
  EXPECT_EQ(manager.GetRecycledIds(), (std::deque<std::uint32_t>{11, 21, 31}));

  // Creation 30001 onwards: the oldest recycled id, while two or more wait.
  EXPECT_EQ(manager.CreateGameObject(0).Lock()->GetUniqueId(), 11u);
  EXPECT_EQ(manager.CreateGameObject(0).Lock()->GetUniqueId(), 21u);
  // One left waiting: it stays, and a fresh id is handed out.
  EXPECT_EQ(manager.CreateGameObject(0).Lock()->GetUniqueId(), 30001u);
  EXPECT_EQ(manager.GetRecycledIds(), (std::deque<std::uint32_t>{31}));
}

TEST(GameObjectManager, FewerThanThirtyThousandIdsNeverRecycle) {
  GameObjectManager manager;
  for (int i = 0; i < 5; ++i) manager.CreateGameObject(0).Lock()->Destroy();
  manager.RemoveDeadGameObjects();
  EXPECT_EQ(manager.CreateGameObject(0).Lock()->GetUniqueId(), 6u);
}

TEST(GameObjectManager, DestroyedObjectStaysVisibleUntilSweep) {
  GameObjectManager manager;
  auto first = manager.CreateGameObject(1);
  auto doomed = manager.CreateGameObject(2);
  auto last = manager.CreateGameObject(3);
  CallLog().clear();
  AttachProbe<NameA>(*doomed.Lock());
  CallLog().clear();

  doomed.Lock()->Destroy();
  ASSERT_EQ(manager.GetObjects().size(), 3u);
  EXPECT_FALSE(Lives(manager.GetObjects()[1]));
  EXPECT_TRUE(CallLog().empty());  // no Shutdown before the sweep
  EXPECT_TRUE(doomed.Lock()->GetComponent<Testing::Probe<NameA>>().Exists());

  manager.RemoveDeadGameObjects();
  EXPECT_EQ(CallLog(), (std::vector<std::string>{"class Orv::ProbeA: Shutdown"}));
  ASSERT_EQ(manager.GetObjects().size(), 2u);
  EXPECT_EQ(manager.GetObjects()[0]->GetID(), 1u);
  EXPECT_EQ(manager.GetObjects()[1]->GetID(), 3u);
  EXPECT_FALSE(doomed.Exists());
}

TEST(GameObjectManager, SweepShutsComponentsDownInAscendingKeyOrder) {
  GameObjectManager manager;
  auto object = manager.CreateGameObject(1).Lock();
  // Attached out of key order; keys: B 0xAD26E4EA, A 0xAC26E357,
  // script 0x85339CC4, transform 0xCEEC0E89, C 0xAE26E67D.
  AttachProbe<NameB>(*object);
  AttachProbe<NameA>(*object);
  AttachProbe<ScriptComponent>(*object);
  AttachProbe<TransformComponent>(*object);
  AttachProbe<NameC>(*object);
  CallLog().clear();
  object->Destroy();
  manager.RemoveDeadGameObjects();
  EXPECT_EQ(CallLog(), (std::vector<std::string>{
                           "class Orv::ScriptComponent: Shutdown",
                           "class Orv::ProbeA: Shutdown",
                           "class Orv::ProbeB: Shutdown",
                           "class Orv::ProbeC: Shutdown",
                           "class Orv::TransformComponent: Shutdown",
                       }));
  EXPECT_TRUE(object->GetComponents().empty());
}

TEST(GameObjectManager, SweepPrunesLiveObjectsListsAndRemovesConsecutiveDead) {
  GameObjectManager manager;
  auto parent = manager.CreateGameObject(1).Lock();
  auto a = manager.CreateGameObject(2).Lock();
  auto b = manager.CreateGameObject(3).Lock();
  auto keep = manager.CreateGameObject(4).Lock();
  parent->AddChild(a->GetSelfHandle());
  parent->AddChild(keep->GetSelfHandle());
  parent->AddGroupMember(b->GetSelfHandle());
  a->Destroy();
  b->Destroy();
  manager.RemoveDeadGameObjects();
  ASSERT_EQ(manager.GetObjects().size(), 2u);
  EXPECT_EQ(manager.GetObjects()[1], keep);
  ASSERT_EQ(parent->GetChildren().size(), 1u);
  EXPECT_TRUE(parent->GetChildren()[0].SameAs(keep->GetSelfHandle()));
  EXPECT_TRUE(parent->GetGroupMembers().empty());
}

TEST(GameObjectManager, DestroyAllWithComponentTouchesOnlyCarriers) {
  GameObjectManager manager;
  auto carrier = manager.CreateGameObject(1).Lock();
  auto other = manager.CreateGameObject(2).Lock();
  auto emptyEntry = manager.CreateGameObject(3).Lock();
  AttachProbe<NameA>(*carrier);
  AttachProbe<NameB>(*other);
  emptyEntry->AddComponent(TypeKey<Testing::Probe<NameA>>(), nullptr);
  manager.DestroyAllWithComponent(TypeKey<Testing::Probe<NameA>>());
  EXPECT_FALSE(Lives(carrier));
  EXPECT_TRUE(Lives(other));
  EXPECT_TRUE(Lives(emptyEntry));
}

TEST(GameObjectManager, ReleasedObjectsGetNoShutdown) {
  CallLog().clear();
  ObjectLockPtr<GameObject> handle;
  {
    GameObjectManager manager;
    handle = manager.CreateGameObject(1);
    AttachProbe<NameA>(*handle.Lock());
    handle.Lock()->Destroy();
    CallLog().clear();
  }
  EXPECT_FALSE(handle.Exists());
  EXPECT_TRUE(CallLog().empty());
}

// Runs its callback when freed, as a script's collector hook does when the
// script's state closes with the object.
class OnRelease : public Component {
 public:
  static constexpr std::string_view RunTimeName = "class Orv::OnRelease";
  explicit OnRelease(std::function<void()> run) : run(std::move(run)) {}
  ~OnRelease() override { run(); }
  void Setup() override {}
  void Shutdown() override {}

 private:
  std::function<void()> run;
};

// An object destroyed while the sweep runs, by a component let go with
// another object, leaves the next sweep its work.
TEST(GameObjectManager, ADestructionDuringTheSweepIsSweptTheNextTime) {
  GameObjectManager manager;
  auto early = manager.CreateGameObject(1).Lock();
  auto parent = manager.CreateGameObject(2).Lock();
  auto dying = manager.CreateGameObject(3).Lock();
  parent->AddChild(early->GetSelfHandle());
  GameObject* target = early.get();
  dying->AddComponent(TypeKey<OnRelease>(), std::make_shared<OnRelease>([target] { target->Destroy(); }));
  dying->Destroy();
  dying.reset();
  manager.RemoveDeadGameObjects();
  // The sweep had passed the early object, alive, when it was destroyed.
  ASSERT_EQ(manager.GetObjects().size(), 2u);
  ASSERT_FALSE(Lives(early));
  manager.RemoveDeadGameObjects();
  EXPECT_EQ(manager.GetObjects().size(), 1u);
  EXPECT_TRUE(parent->GetChildren().empty());
}

// Components freed with their objects may still reach back: read their
// object's other components and make new objects. Both the engine's release
// and a manager going out of scope must survive that and leave nothing.
TEST(GameObjectManager, ObjectsReleasedWhileTheirComponentsReachBack) {
  for (const bool byDestructor : {false, true}) {
    auto manager = std::make_unique<GameObjectManager>();
    GameObjectManager* owner = manager.get();
    owner->RegisterComponentType<TransformComponent>("transform");
    int released = 0;
    ObjectLockPtr<GameObject> madeLate;
    for (unsigned id = 1; id <= 3; ++id) {
      auto object = owner->CreateGameObject(id).Lock();
      auto transform = std::make_shared<TransformComponent>();
      transform->Setup();
      object->AddComponent(TypeKey<TransformComponent>(), transform);
      GameObject* self = object.get();
      object->AddComponent(TypeKey<OnRelease>(), std::make_shared<OnRelease>([owner, self, &released, &madeLate] {
                             self->SetRealAttribKey("transform", "posX", 1.0);
                             (void)self->GetRealAttribKey("transform", "posY");
                             madeLate = owner->CreateGameObject(50 + ++released);
                           }));
    }
    if (byDestructor) {
      manager.reset();
    } else {
      owner->ReleaseAll();
      EXPECT_TRUE(owner->GetObjects().empty());
    }
    EXPECT_EQ(released, 3) << (byDestructor ? "destructor" : "ReleaseAll");
    EXPECT_FALSE(madeLate.Exists()) << (byDestructor ? "destructor" : "ReleaseAll");
  }
}

// A component that, freed, makes another object carrying its like: a
// script's collector hook that makes an object of its own type. Left alone it
// would keep the release going for ever; here it gives up after a thousand.
void AttachSelfRenewing(GameObjectManager& manager, std::uint32_t id, int& made) {
  auto object = manager.CreateGameObject(id).Lock();
  GameObjectManager* owner = &manager;
  object->AddComponent(TypeKey<OnRelease>(), std::make_shared<OnRelease>([owner, id, &made] {
                         if (made >= 1000) return;
                         ++made;
                         if (owner->CreateGameObject(id).Exists()) AttachSelfRenewing(*owner, id, made);
                       }));
}

TEST(GameObjectManager, ReleaseEndsWhenFreedComponentsKeepMakingTheirLike) {
  GameObjectManager manager;
  int made = 0;
  AttachSelfRenewing(manager, 1, made);
  AttachSelfRenewing(manager, 2, made);
  manager.ReleaseAll();
  std::printf("objects made while releasing: %d\n", made);
  EXPECT_TRUE(manager.GetObjects().empty());
  EXPECT_GT(made, 0);
  EXPECT_LT(made, 1000);
  // The manager makes objects again once the release is over.
  EXPECT_TRUE(manager.CreateGameObject(3).Exists());
}

}  // namespace
}  // namespace Orv
