#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "Probes.h"
#include "core/BasicEntitySystem.h"
#include "core/GameObjectManager.h"

namespace Orv {
namespace {

using Testing::AttachProbe;
using Testing::NameA;
using Testing::NameB;
using Testing::NameC;
using Testing::Probe;

// Logs every hook with the id of the object it concerns.
class Recorder : public BasicEntitySystem {
 public:
  Recorder() : BasicEntitySystem(nullptr) {}
  void OnRegistered() override {}
  void Init(unsigned, unsigned) override {}
  void Start() override {}

  void Declare(std::vector<std::uint32_t> types) { requiredTypes = std::move(types); }
  void SetPaused(bool value) { paused = value; }

  std::vector<std::string> log;
  bool accept = true;
  // The object of this id is admitted but no pass acts on it.
  unsigned idle = 0;
  // Runs inside UpdateEntity, once per walked entity.
  std::function<void(EntityRecord&)> duringUpdate;

 protected:
  void UpdateEntity(EntityRecord& e, float) override {
    Add("UpdateEntity", e);
    if (duringUpdate) duringUpdate(e);
  }
  void PreUpdateEntity(EntityRecord& e, float) override { Add("PreUpdateEntity", e); }
  void LateUpdateEntity(EntityRecord& e, float) override { Add("LateUpdateEntity", e); }
  void RenderEntity(EntityRecord& e) override { Add("RenderEntity", e); }
  void OnEntityAdded(EntityRecord& e) override { Add("OnEntityAdded", e); }
  void BeginRender() override { log.push_back("BeginRender"); }
  void EndRender() override { log.push_back("EndRender"); }
  bool AcceptEntity(ObjectLockPtr<GameObject>&) override {
    log.push_back("AcceptEntity");
    return accept;
  }
  bool WalksObject(const GameObject& object) const override { return object.GetID() != idle; }
  void OnUpdate(float) override { log.push_back("OnUpdate"); }
  void OnPreUpdate(float) override { log.push_back("OnPreUpdate"); }
  void OnLateUpdate(float) override { log.push_back("OnLateUpdate"); }
  void OnRender() override { log.push_back("OnRender"); }
  void OnGameObjectOffered(ObjectLockPtr<GameObject> object) override {
    log.push_back("OnGameObjectOffered " + std::to_string(object.Lock()->GetID()));
  }
  void OnEntitiesMerged(std::vector<EntityRecord>& merged) override {
    log.push_back("OnEntitiesMerged " + std::to_string(merged.size()));
  }

 private:
  // A walk's hook sees the object it holds in the record; any other hook sees
  // none. Either way the line says nothing more.
  void Add(const char* hook, EntityRecord& e) {
    auto object = e.object.Lock();
    const bool walking = std::string(hook) != "OnEntityAdded";
    const bool held = e.walked == (walking ? object.get() : nullptr);
    log.push_back(std::string(hook) + " " + (object ? std::to_string(object->GetID()) : "?") + (held ? "" : " unheld"));
  }
};

class BasicEntitySystemTest : public ::testing::Test {
 protected:
  void SetUp() override { system.Declare({TypeKey<Probe<NameA>>(), TypeKey<Probe<NameB>>(), TypeKey<Probe<NameC>>()}); }

  // An object with the given probes, offered to the system.
  template <typename... Names>
  ObjectLockPtr<GameObject> Offer(unsigned id) {
    auto handle = manager.CreateGameObject(id);
    (AttachProbe<Names>(*handle.Lock()), ...);
    system.OnGameObjectAdded(handle);
    return handle;
  }
  std::vector<unsigned> EntityIds() const {
    std::vector<unsigned> ids;
    for (const auto& e : system.GetEntities()) {
      auto object = e.object.Lock();
      ids.push_back(object ? object->GetID() : 0);
    }
    return ids;
  }

  GameObjectManager manager;
  Recorder system;
};

TEST_F(BasicEntitySystemTest, AdmissionTestsTypesInDeclaredOrder) {
  Offer<NameB, NameC>(1);
  EXPECT_EQ(system.log, (std::vector<std::string>{"OnGameObjectOffered 1", "AcceptEntity", "OnEntityAdded 1"}));
  EXPECT_EQ(system.GetPending().size(), 1u);
  EXPECT_TRUE(system.GetEntities().empty());
}

TEST_F(BasicEntitySystemTest, RefusedEntityIsNotTriedAgainAtLaterTypes) {
  system.accept = false;
  Offer<NameA, NameB>(1);
  EXPECT_EQ(system.log, (std::vector<std::string>{"OnGameObjectOffered 1", "AcceptEntity"}));
  EXPECT_TRUE(system.GetPending().empty());
}

TEST_F(BasicEntitySystemTest, ObjectsWithoutDeclaredTypesAreOfferedOnly) {
  Offer<>(1);
  system.Declare({});
  Offer<NameA>(2);
  EXPECT_EQ(system.log, (std::vector<std::string>{"OnGameObjectOffered 1", "OnGameObjectOffered 2"}));
  EXPECT_TRUE(system.GetPending().empty());
}

TEST_F(BasicEntitySystemTest, DeadOrExpiredObjectCallsNoHook) {
  auto dead = manager.CreateGameObject(1);
  AttachProbe<NameA>(*dead.Lock());
  dead.Lock()->Destroy();
  system.OnGameObjectAdded(dead);
  system.OnGameObjectAdded(ObjectLockPtr<GameObject>());
  EXPECT_TRUE(system.log.empty());
}

TEST_F(BasicEntitySystemTest, ObjectOfferedTwiceIsAdmittedTwice) {
  auto handle = Offer<NameA>(1);
  system.OnGameObjectAdded(handle);
  EXPECT_EQ(system.GetPending().size(), 2u);
}

TEST_F(BasicEntitySystemTest, ObjectNoPassActsOnIsAdmittedButNeverWalked) {
  system.idle = 2;
  Offer<NameA>(1);
  Offer<NameB>(2);
  Offer<NameA>(3);
  EXPECT_EQ(system.log, (std::vector<std::string>{"OnGameObjectOffered 1", "AcceptEntity", "OnEntityAdded 1",
                                                  "OnGameObjectOffered 2", "AcceptEntity", "OnEntityAdded 2",
                                                  "OnGameObjectOffered 3", "AcceptEntity", "OnEntityAdded 3"}));
  system.Update(0.1f);
  system.log.clear();
  system.PreUpdate(0.1f);
  system.Update(0.1f);
  system.Render();
  EXPECT_EQ(EntityIds(), (std::vector<unsigned>{1, 3}));
  for (const std::string& line : system.log) EXPECT_EQ(line.find(" 2"), std::string::npos) << line;
}

TEST_F(BasicEntitySystemTest, UpdateWalksThenMergesPending) {
  Offer<NameA>(1);
  system.log.clear();
  system.Update(0.1f);
  // Admitted entries are walked only from the next pass on.
  EXPECT_EQ(system.log, (std::vector<std::string>{"OnUpdate", "OnEntitiesMerged 1"}));
  system.log.clear();
  system.Update(0.1f);
  EXPECT_EQ(system.log, (std::vector<std::string>{"OnUpdate", "UpdateEntity 1"}));
}

TEST_F(BasicEntitySystemTest, WalkErasesDeadEntriesInPlaceKeepingOrder) {
  std::vector<ObjectLockPtr<GameObject>> handles;
  for (unsigned id = 1; id <= 7; ++id) handles.push_back(Offer<NameA>(id));
  system.Update(0.0f);
  handles[1].Lock()->Destroy();
  handles[2].Lock()->Destroy();
  handles[4].Lock()->Destroy();
  manager.RemoveDeadGameObjects();  // 2, 3 and 5 expire outright
  handles[3].Lock()->Destroy();     // 4 is dead but still held
  system.log.clear();
  // A hook that reads the list mid-walk finds each live object once.
  std::vector<std::vector<unsigned>> seen;
  system.duringUpdate = [&](EntityRecord&) {
    std::vector<unsigned> ids;
    for (unsigned id : EntityIds()) {
      if (id != 0) ids.push_back(id);
    }
    seen.push_back(ids);
  };

  system.Update(0.0f);
  // Every line without " unheld": each moved entry holds its object.
  EXPECT_EQ(system.log, (std::vector<std::string>{"OnUpdate", "UpdateEntity 1", "UpdateEntity 6", "UpdateEntity 7"}));
  EXPECT_EQ(EntityIds(), (std::vector<unsigned>{1, 6, 7}));
  for (const auto& ids : seen) {
    EXPECT_EQ(std::set<unsigned>(ids.begin(), ids.end()).size(), ids.size());
    EXPECT_EQ(ids.size(), 3u);
  }
  for (const auto& e : system.GetEntities()) EXPECT_EQ(e.walked, nullptr) << "the walk lets go of what it held";
  // Each moved entry notes its own object and component array, not those of
  // the entry it was moved over, for the next walk to fetch ahead.
  for (const auto& e : system.GetEntities()) {
    const auto object = e.object.Lock();
    ASSERT_TRUE(object);
    EXPECT_TRUE(e.objectLines[0].Covers(object.get(), sizeof(GameObject))) << object->GetID();
    const auto& components = object->GetComponents();
    EXPECT_TRUE(e.objectLines[1].Covers(components.data(), components.size() * sizeof(components[0])))
        << object->GetID();
  }
  // Lines of objects gone since are only ever fetched, never read: the
  // sanitizers see no access to freed memory.
  handles[6].Lock()->Destroy();
  manager.RemoveDeadGameObjects();
  system.Update(0.0f);
  system.Update(0.0f);
  EXPECT_EQ(EntityIds(), (std::vector<unsigned>{1, 6}));
}

// Lines kept whole: the ones its bytes touch, at most kMostLines.
TEST(CacheLinesTest, LinesCoverTheirBytesInWholeLines) {
  using HotSpot = CacheLines;
  alignas(64) static char block[64 * 70];
  const HotSpot crossing(block + 60, 8);
  EXPECT_EQ(crossing.FirstLine(), block);
  EXPECT_EQ(crossing.Lines(), 2u);
  EXPECT_TRUE(crossing.Covers(block + 60, 8));
  EXPECT_FALSE(crossing.Covers(block + 60, 69));
  EXPECT_EQ(HotSpot(block, sizeof block).Lines(), HotSpot::kMostLines);
  EXPECT_EQ(HotSpot(nullptr, 8).Lines(), 0u);
  EXPECT_EQ(HotSpot(block, 0).FirstLine(), nullptr);
  EXPECT_FALSE(HotSpot().Covers(block, 1));
}

TEST_F(BasicEntitySystemTest, ObjectsAdmittedDuringAWalkWaitInPending) {
  Offer<NameA>(1);
  Offer<NameA>(2);
  system.Update(0.0f);
  system.duringUpdate = [this](EntityRecord& e) {
    if (e.object.Lock()->GetID() == 1) Offer<NameB>(3);
  };
  system.log.clear();
  system.Update(0.0f);
  EXPECT_EQ(system.log, (std::vector<std::string>{"OnUpdate", "UpdateEntity 1", "OnGameObjectOffered 3", "AcceptEntity",
                                                  "OnEntityAdded 3", "UpdateEntity 2", "OnEntitiesMerged 3"}));
  EXPECT_EQ(EntityIds(), (std::vector<unsigned>{1, 2, 3}));
}

TEST_F(BasicEntitySystemTest, PreAndLateUpdateDoNotMerge) {
  Offer<NameA>(1);
  system.log.clear();
  system.PreUpdate(0.0f);
  system.LateUpdate(0.0f);
  EXPECT_EQ(system.log, (std::vector<std::string>{"OnPreUpdate", "OnLateUpdate"}));
  EXPECT_EQ(system.GetPending().size(), 1u);
}

TEST_F(BasicEntitySystemTest, PausedSystemOnlyRendersButStillHearsOfUpdate) {
  system.SetPaused(true);
  Offer<NameA>(1);
  system.log.clear();
  system.Update(0.0f);
  system.PreUpdate(0.0f);
  system.LateUpdate(0.0f);
  EXPECT_EQ(system.log, (std::vector<std::string>{"OnUpdate"}));
  EXPECT_EQ(system.GetPending().size(), 1u);

  // The first Render walks before it merges; the second draws the object.
  system.log.clear();
  system.Render();
  system.Render();
  EXPECT_EQ(system.log, (std::vector<std::string>{"BeginRender", "OnRender", "OnEntitiesMerged 1", "EndRender",
                                                  "BeginRender", "OnRender", "RenderEntity 1", "EndRender"}));
}

// Overrides the update hook alone: the other passes are idle.
class UpdateOnly : public BasicEntitySystem {
 public:
  UpdateOnly() : BasicEntitySystem(nullptr) { requiredTypes = {TypeKey<Probe<NameA>>()}; }
  void OnRegistered() override {}
  void Init(unsigned, unsigned) override {}
  void Start() override {}
  void SetPaused(bool value) { paused = value; }
  void Frame() {
    PreUpdate(0.0f);
    Update(0.0f);
    LateUpdate(0.0f);
    Render();
  }
  std::vector<unsigned> updated;

 protected:
  void UpdateEntity(EntityRecord& e, float) override { updated.push_back(e.walked->GetID()); }
};

TEST(BasicEntitySystemIdlePasses, AreLeftOutButDeadEntriesNeverOutlastAFrame) {
  GameObjectManager manager;
  UpdateOnly system;
  std::vector<ObjectLockPtr<GameObject>> handles;
  for (unsigned id = 1; id <= 3; ++id) {
    handles.push_back(manager.CreateGameObject(id));
    AttachProbe<NameA>(*handles.back().Lock());
    system.OnGameObjectAdded(handles.back());
  }
  system.Frame();  // admits the three
  system.Frame();  // every pass has run its hook once
  EXPECT_EQ(system.updated, (std::vector<unsigned>{1, 2, 3}));

  // A pass that calls nothing leaves the list as it is; the update walk drops
  // the dead, and the hook keeps running for the living.
  handles[1].Lock()->Destroy();
  system.PreUpdate(0.0f);
  EXPECT_EQ(system.GetEntities().size(), 3u) << "the idle pre-update pass walked";
  system.Update(0.0f);
  system.LateUpdate(0.0f);
  system.Render();
  EXPECT_EQ(system.updated, (std::vector<unsigned>{1, 2, 3, 1, 3}));
  EXPECT_EQ(system.GetEntities().size(), 2u);

  // Paused, no update pass walks: the idle Render walks instead, so the dead
  // go by the end of the frame.
  system.SetPaused(true);
  handles[2].Lock()->Destroy();
  system.Frame();
  EXPECT_EQ(system.GetEntities().size(), 1u);
  EXPECT_EQ(system.updated.size(), 5u);
}

// What a hook list is kept until it asks anew under another stamp; a copy
// of the entry (a functor's) holds none.
TEST(PrefetchListTest, KeepsTheLinesOfTheLastStampAndCopiesNone) {
  alignas(64) static char block[64 * 4];
  PrefetchList list;
  const CacheLines rest[] = {{block + 64, 8}, {block + 128, 8}};
  list.Set(7, {block, 8}, rest);
  ASSERT_EQ(list.Lines().size(), 3u);
  EXPECT_TRUE(list.Lines()[2].Covers(block + 128, 8));
  // The same stamp again copies nothing, even with other lines.
  list.Set(7, {block + 192, 8}, {});
  EXPECT_TRUE(list.Lines()[0].Covers(block, 8));
  list.Set(8, {block + 192, 8}, {});
  ASSERT_EQ(list.Lines().size(), 1u);
  EXPECT_TRUE(list.Lines()[0].Covers(block + 192, 8));
  EXPECT_TRUE(list.Block().Covers(list.Lines().data(), sizeof(CacheLines)));
  const PrefetchList copy(list);
  EXPECT_TRUE(copy.Lines().empty());
  list.Set(0, {block, 8}, rest);
  EXPECT_TRUE(list.Lines().empty());
}

}  // namespace
}  // namespace Orv
