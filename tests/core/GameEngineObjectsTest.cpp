#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Probes.h"
#include "app/GameEngine.h"
#include "core/TransformComponent.h"
#include "script/ScriptComponent.h"

namespace Orv {
namespace {

using Testing::AttachProbe;

class GameEngineObjectsTest : public ::testing::Test {
 protected:
  GameEngineObjectsTest() : engine("objects", 320, 240, false, false) {}

  // Objects with ids 1, 2, 2, 3 (unique ids 1..4).
  std::vector<std::shared_ptr<GameObject>> MakeFour() {
    std::vector<std::shared_ptr<GameObject>> made;
    for (unsigned id : {1u, 2u, 2u, 3u}) made.push_back(engine.CreateEmptyObject(id).Lock());
    return made;
  }
  static std::vector<bool> Alive(const std::vector<std::shared_ptr<GameObject>>& objects) {
    std::vector<bool> alive;
    for (const auto& object : objects) alive.push_back(Lives(object));
    return alive;
  }

  GameEngine engine;
};

TEST_F(GameEngineObjectsTest, RegistrationPrintsElevenLinesInStartUpOrder) {
  ::testing::internal::CaptureStdout();
  RegisterEngineComponents(engine);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Component rigidbody registered\n"
            "Component collision registered\n"
            "Component transform registered\n"
            "Component spriteanim registered\n"
            "Component script registered\n"
            "Component tilemap registered\n"
            "Component stencil registered\n"
            "Component light registered\n"
            "Component renderable registered\n"
            "Component editable registered\n"
            "Component boid registered\n");
  auto& manager = engine.GetGameObjectManager();
  EXPECT_EQ(manager.GetComponentTypeKeys().size(), 11u);
  EXPECT_EQ(manager.GetComponentTypeKey("transform"), TypeKey<TransformComponent>());
  EXPECT_EQ(manager.GetComponentTypeKey("script"), TypeKey<ScriptComponent>());
  for (const auto& [name, key] : manager.GetComponentTypeKeys()) {
    auto factory = manager.GetComponentCreator(name).Lock();
    ASSERT_TRUE(factory) << name;
    EXPECT_TRUE(factory->Create()) << name;
  }
}

TEST_F(GameEngineObjectsTest, DestroyOperationsSelectTheirObjects) {
  struct Case {
    const char* what;
    std::function<void(GameEngine&)> destroy;
    std::vector<bool> alive;
  };
  const Case cases[] = {
      {"all", [](GameEngine& e) { e.DestroyAllObjects(); }, {false, false, false, false}},
      {"with id 2", [](GameEngine& e) { e.DestroyObjectsWithId(2); }, {true, false, false, true}},
      {"except id 2", [](GameEngine& e) { e.DestroyObjectsExceptId(2); }, {false, true, true, false}},
      {"unique id 3", [](GameEngine& e) { e.DestroyObjectByUniqueId(3); }, {true, true, false, true}},
      {"unique id 9", [](GameEngine& e) { e.DestroyObjectByUniqueId(9); }, {true, true, true, true}},
      {"except unique id 3", [](GameEngine& e) { e.DestroyObjectsExceptUniqueId(3); }, {false, false, true, false}},
  };
  for (const Case& c : cases) {
    GameEngine fresh("objects", 320, 240, false, false);
    std::vector<std::shared_ptr<GameObject>> made;
    for (unsigned id : {1u, 2u, 2u, 3u}) made.push_back(fresh.CreateEmptyObject(id).Lock());
    c.destroy(fresh);
    EXPECT_EQ(Alive(made), c.alive) << c.what;
  }
}

TEST_F(GameEngineObjectsTest, DestroyedObjectsRemainUntilEndFrame) {
  auto made = MakeFour();
  engine.DestroyAllObjects();
  EXPECT_EQ(engine.GetGameObjectManager().GetObjects().size(), 4u);
  engine.EndFrame();
  EXPECT_TRUE(engine.GetGameObjectManager().GetObjects().empty());
}

// Already dead objects have id and unique id 0, so "all but" selections reach
// them again; that must neither recycle id 0 nor disturb anything.
TEST_F(GameEngineObjectsTest, RepeatedDestructionOfDeadObjectsIsHarmless) {
  auto made = MakeFour();
  engine.DestroyObjectsWithId(2);
  engine.DestroyObjectsExceptId(7);
  engine.DestroyObjectsExceptUniqueId(1);
  engine.DestroyObjectByUniqueId(0);
  engine.DestroyAllObjects();
  EXPECT_EQ(engine.GetGameObjectManager().GetRecycledIds(), (std::deque<std::uint32_t>{2, 3, 1, 4}));
}

TEST_F(GameEngineObjectsTest, DestroyByComponentNameUsesTheNameTable) {
  ::testing::internal::CaptureStdout();
  RegisterEngineComponents(engine);
  ::testing::internal::GetCapturedStdout();
  auto made = MakeFour();
  AttachProbe<TransformComponent>(*made[1]);
  AttachProbe<ScriptComponent>(*made[2]);

  engine.DestroyObjectsWithComponent("nonesuch");
  engine.DestroyObjectsWithComponent(nullptr);
  EXPECT_EQ(Alive(made), (std::vector<bool>{true, true, true, true}));
  engine.DestroyObjectsWithComponent("transform");
  EXPECT_EQ(Alive(made), (std::vector<bool>{true, false, true, true}));
}

TEST_F(GameEngineObjectsTest, DestroyObjectActsOnlyOnALiveHandle) {
  auto made = MakeFour();
  engine.DestroyObject(made[0]->GetSelfHandle());
  engine.DestroyObject(ObjectLockPtr<GameObject>());
  EXPECT_EQ(Alive(made), (std::vector<bool>{false, true, true, true}));
}

class ListeningSystem : public PlainSystem {
 public:
  ListeningSystem(App* owner, int number, std::vector<std::string>& heard)
      : PlainSystem(owner), number(number), heard(heard) {}
  void OnGameObjectAdded(ObjectLockPtr<GameObject> object) override {
    heard.push_back(std::to_string(number) + " heard " + std::to_string(object.Lock()->GetID()));
  }
  int number;
  std::vector<std::string>& heard;
};

TEST_F(GameEngineObjectsTest, EverySystemHearsOfAnnouncedObjectsInCreationOrder) {
  std::vector<std::string> heard;
  for (int n = 0; n < 3; ++n) engine.AddSystem(std::make_shared<ListeningSystem>(&engine, n, heard), RoleNone);
  auto object = engine.CreateEmptyObject(7);
  EXPECT_TRUE(heard.empty());  // a bare object is told to nobody
  engine.AnnounceGameObject(object);
  EXPECT_EQ(heard, (std::vector<std::string>{"0 heard 7", "1 heard 7", "2 heard 7"}));
  EXPECT_TRUE(object.Lock()->GetComponents().empty());
}

class WatchingSystem : public PlainSystem {
 public:
  WatchingSystem(App* owner, bool& objectGoneFirst) : PlainSystem(owner), objectGoneFirst(objectGoneFirst) {}
  ~WatchingSystem() override { objectGoneFirst = !watched.Exists(); }
  ObjectLockPtr<GameObject> watched;
  bool& objectGoneFirst;
};

TEST_F(GameEngineObjectsTest, TeardownReleasesObjectsBeforeSystemsWithoutShutdown) {
  Testing::CallLog().clear();
  bool objectGoneFirst = false;
  {
    GameEngine local("objects", 320, 240, false, false);
    auto watcher = std::make_shared<WatchingSystem>(&local, objectGoneFirst);
    local.AddSystem(watcher, RoleNone);
    auto object = local.CreateEmptyObject(1);
    AttachProbe<Testing::NameA>(*object.Lock());
    watcher->watched = object;
  }
  EXPECT_TRUE(objectGoneFirst);
  // Released with the engine, never swept: no Shutdown.
  EXPECT_EQ(Testing::CallLog(), (std::vector<std::string>{"class Orv::ProbeA: Setup"}));
}

}  // namespace
}  // namespace Orv
