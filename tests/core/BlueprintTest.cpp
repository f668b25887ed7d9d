// Blueprints from their files, scripts attached by file name, creation with
// overrides and the spawn list, on an engine without a window.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "Probes.h"
#include "app/GameEngine.h"
#include "core/GOSummoner.h"
#include "core/GameObject.h"
#include "core/OverrideLists.h"
#include "core/TransformComponent.h"
#include "script/ScriptComponent.h"
#include "support/ProgramRun.h"
#include "world/CollisionComponent.h"

using namespace Orv;
using OrvTest::ContentFolder;
using Testing::CallLog;

namespace {

class BlueprintTest : public ::testing::Test {
 protected:
  BlueprintTest() : engine("Blueprints", 320, 200, false, false) {
    engine.RegisterComponent<TransformComponent>("transform");
    engine.RegisterComponent<CollisionComponent>("collision");
    engine.RegisterComponent<ScriptComponent>("script");
    previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
  }
  ~BlueprintTest() override { std::filesystem::current_path(previous); }

  // Loads one blueprint file written with the given text; stderr is kept.
  bool Load(const std::string& fileName, const std::string& json) {
    folder.Write("data/gameobjects/" + fileName, json);
    ::testing::internal::CaptureStderr();
    bool ok = engine.LoadBlueprintFile("data/gameobjects/" + fileName);
    err = ::testing::internal::GetCapturedStderr();
    return ok;
  }

  std::uint32_t Key(const char* name) { return engine.GetGameObjectManager().GetComponentTypeKey(name); }

  ContentFolder folder;
  std::filesystem::path previous;
  GameEngine engine;
  std::string err;
};

}  // namespace

TEST_F(BlueprintTest, DataArrayOfMixedTypesBecomesRecords) {
  ASSERT_TRUE(Load("A.txt", R"({"name":"A","id":7,"components":[
      {"type":"transform","data":[5, 2.5, "a", {"k":1, "r":0.5, "s":"x", "b":true}, true, null, [1]]}]})"));
  auto blueprint = engine.FindBlueprint("A");
  ASSERT_TRUE(blueprint);
  const std::uint32_t t = Key("transform");
  struct {
    std::uint32_t index;
    std::uint32_t type;
  } positional[] = {{0, DataInt}, {1, DataReal}, {2, DataString}, {3, DataNone}, {4, DataNone}, {5, DataNone}};
  for (const auto& p : positional) EXPECT_EQ(blueprint->GetIndexedData(t, p.index).type, p.type) << p.index;
  EXPECT_EQ(blueprint->GetIndexedData(t, 0).intValue, 5);
  EXPECT_EQ(blueprint->GetIndexedData(t, 0).index, 0u);
  EXPECT_DOUBLE_EQ(blueprint->GetIndexedData(t, 1).realValue, 2.5);
  EXPECT_EQ(blueprint->GetIndexedData(t, 2).stringValue, "a");
  EXPECT_EQ(blueprint->GetNamedData(t, "k").intValue, 1);
  EXPECT_EQ(blueprint->GetNamedData(t, "k").type, static_cast<std::uint32_t>(DataInt));
  EXPECT_DOUBLE_EQ(blueprint->GetNamedData(t, "r").realValue, 0.5);
  EXPECT_EQ(blueprint->GetNamedData(t, "s").stringValue, "x");
  EXPECT_EQ(blueprint->GetNamedData(t, "b").type, static_cast<std::uint32_t>(DataNone));
  EXPECT_EQ(blueprint->GetId(), 7);
  EXPECT_EQ(blueprint->GetSubId(), -1);
}

TEST_F(BlueprintTest, SubIdIsMinusOneUnlessAnInteger) {
  ASSERT_TRUE(Load("B.txt", R"({"name":"B","id":1,"sub_id":"3","components":[]})"));
  EXPECT_EQ(engine.FindBlueprint("B")->GetSubId(), -1);
  ASSERT_TRUE(Load("C.txt", R"({"name":"C","id":4294967297,"sub_id":3,"components":[]})"));
  EXPECT_EQ(engine.FindBlueprint("C")->GetSubId(), 3);
  EXPECT_EQ(engine.FindBlueprint("C")->GetId(), 1) << "64-bit ids are cut to 32 bits";
}

TEST_F(BlueprintTest, FaultyFilesAreReportedAndSkipped) {
  struct Case {
    const char* json;
    const char* message;
  } cases[] = {
      {R"({"name":"X","id":1,"components":[{"type":"nosuch","data":[]},{"type":"transform","data":[1]}]})",
       "data/gameobjects/X.txt: nosuch component does not exist!"},
      {R"({"name":"X","id":1,"components":[3]})", "data/gameobjects/X.txt does not contain a components array"},
      {R"({"name":"X","id":1,"components":[{"type":"transform","data":{}}]})",
       "data/gameobjects/X.txt's component does not contain a correct type id format or data format!"},
      {R"({"name":"X","id":"1","components":[]})",
       "data/gameobjects/X.txt: the member \"id\" must be an integer, not \"1\"; the blueprint is not loaded"},
      {R"({"components":[]})", "data/gameobjects/X.txt: the member \"name\" must be a string, and it is missing"},
      {R"({"name":"X","id":1,"components":[})", "Error! Unable to load data/gameobjects/X.txt: line 1, column"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(Load("X.txt", c.json)) << c.json;
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
    EXPECT_FALSE(engine.FindBlueprint("X")) << c.json;
  }
  // The same type from a later, sound file replaces nothing that failed.
  EXPECT_TRUE(Load("X.txt", R"({"name":"X","id":1,"components":[]})"));
  EXPECT_TRUE(engine.FindBlueprint("X"));
}

TEST_F(BlueprintTest, ScriptTypeIsTheFirstWordOfTheFileName) {
  struct {
    const char* file;
    const char* type;
  } cases[] = {{"Player.lua", "Player"}, {"Boss.phase2.lua", "Boss"}, {".lua", "lua"}, {"...", ""}};
  for (const auto& c : cases) EXPECT_EQ(GameEngine::ScriptTypeName(c.file), c.type) << c.file;
}

TEST_F(BlueprintTest, LaterScriptOfATypeReplacesTheEarlier) {
  ASSERT_TRUE(Load("Enemy.txt", R"({"name":"Enemy","id":1,"components":[{"type":"transform","data":[]}]})"));
  folder.Write("data/scripts/Enemy.old.lua", "x = 1");
  folder.Write("data/scripts/Enemy.lua", "x = 2");
  testing::internal::CaptureStdout();
  engine.LoadGameObjectScriptFile("data/scripts/Enemy.old.lua", "Enemy.old.lua");
  engine.LoadGameObjectScriptFile("data/scripts/Enemy.lua", "Enemy.lua");
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("Enemy's script successfully loaded"), std::string::npos);
  const auto& entries = engine.FindBlueprint("Enemy")->GetComponentEntries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_FALSE(entries[1].factory.Exists()) << "the first script's factory was released";
  EXPECT_TRUE(entries[2].factory.Exists());
  EXPECT_EQ(entries[2].typeKey, Key("script"));

  testing::internal::CaptureStdout();
  folder.Write("data/scripts/Ghost.lua", "x = 3");
  engine.LoadGameObjectScriptFile("data/scripts/Ghost.lua", "Ghost.lua");
  EXPECT_NE(testing::internal::GetCapturedStdout().find("Error GameObject name not found: data/scripts/Ghost.lua"),
            std::string::npos);
  EXPECT_FALSE(engine.FindBlueprint("Ghost")) << "no entry is added by the look-up";
}

TEST_F(BlueprintTest, OverridesStayInTheBlueprintForLaterCreations) {
  ASSERT_TRUE(Load("A.txt", R"({"name":"A","id":1,"components":[{"type":"transform","data":[10.0, 20.0]}]})"));
  OverrideLists overrides;
  overrides.AddIndexedOverride("transform", 0, 128.5);
  overrides.AddIndexedOverride("nosuch", 0, 1.0);  // never registered: skipped
  testing::internal::CaptureStdout();
  auto first = engine.CreateGameObject("A", 1, &overrides, true);
  auto second = engine.CreateGameObject("A", 2, nullptr, true);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Game Object(A) is created!\nGame Object(A) is created!\n");
  for (const auto& object : {first, second}) {
    auto transform = GetHandleComponent<TransformComponent>(object).Lock();
    ASSERT_TRUE(transform);
    EXPECT_FLOAT_EQ(transform->posX, 128.5f);
    EXPECT_FLOAT_EQ(transform->posY, 20.0f);
  }
  EXPECT_FALSE(engine.CreateGameObject("Nope", 3, nullptr, true).Exists());
}

TEST_F(BlueprintTest, WithoutDeferredCreationTheScriptIsLeftOut) {
  ASSERT_TRUE(Load("S.txt", R"({"name":"S","id":1,"components":[{"type":"transform","data":[]}]})"));
  folder.Write("data/scripts/S.lua", "x = 1");
  testing::internal::CaptureStdout();
  engine.LoadGameObjectScriptFile("data/scripts/S.lua", "S.lua");
  auto inactive = engine.CreateGameObject("S", 1, nullptr, false).Lock();
  auto active = engine.CreateGameObject("S", 2, nullptr, true).Lock();
  testing::internal::GetCapturedStdout();
  EXPECT_FALSE(inactive->GetComponent<ScriptComponent>().Exists());
  EXPECT_TRUE(inactive->GetComponent<TransformComponent>().Exists());
  EXPECT_TRUE(active->GetComponent<ScriptComponent>().Exists());
}

TEST_F(BlueprintTest, ChildOfADeadParentHasNoLink) {
  ASSERT_TRUE(Load("A.txt", R"({"name":"A","id":1,"components":[]})"));
  testing::internal::CaptureStdout();
  auto parent = engine.CreateGameObject("A", 1, nullptr, true);
  auto child = engine.CreateChildGameObject(parent, "A", 2, nullptr, true);
  EXPECT_EQ(child.Lock()->GetParentUniqueId(), parent.Lock()->GetUniqueId());
  ASSERT_EQ(parent.Lock()->GetChildren().size(), 1u);
  parent.Lock()->Destroy();
  auto orphan = engine.CreateChildGameObject(parent, "A", 3, nullptr, true);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(orphan.Lock()->GetParentUniqueId(), 0u);
  for (const auto& entry : parent.Lock()->GetChildren()) EXPECT_FALSE(entry.SameAs(orphan));
}

TEST_F(BlueprintTest, ArcheTypeQueriesWalkTypesInNameOrder) {
  ASSERT_TRUE(Load("b.txt", R"({"name":"Beta","id":2,"sub_id":5,"components":[{"type":"transform","data":[1.5]}]})"));
  ASSERT_TRUE(Load("a.txt", R"({"name":"Alpha","id":1,"components":[{"type":"transform","data":[{"k":"v"}]}]})"));
  ASSERT_TRUE(Load("c.txt", R"({"name":"Gamma","id":3,"components":[]})"));
  auto byIndex = engine.GetArcheTypeInfoByIndex("transform", 0);
  ASSERT_EQ(byIndex.size(), 2u);
  EXPECT_EQ(byIndex[0].typeName, "Alpha");
  EXPECT_EQ(byIndex[0].value.type, static_cast<std::uint32_t>(DataNone));
  EXPECT_EQ(byIndex[1].typeName, "Beta");
  EXPECT_EQ(byIndex[1].subId, 5);
  EXPECT_DOUBLE_EQ(byIndex[1].value.realValue, 1.5);
  auto byKey = engine.GetArcheTypeInfoByKey("transform", "k");
  ASSERT_EQ(byKey.size(), 2u);
  EXPECT_EQ(byKey[0].value.stringValue, "v");
  EXPECT_TRUE(engine.GetArcheTypeInfoByIndex("collision", 0).empty());
  EXPECT_TRUE(engine.GetArcheTypeInfoByIndex("nosuch", 0).empty());
}

TEST_F(BlueprintTest, SpawnListParamsBecomeOverrides) {
  ASSERT_TRUE(Load("A.txt", R"({"name":"A","id":1,"components":[{"type":"transform","data":[1.0, 2.0]}]})"));
  folder.Write("data/summoner.ini", R"({"spawn":[
      {"name":"A","id":5,"params":{"transform":{"index":0,"value":128.5}}},
      {"name":"A","id":6,"params":{"transform":{"index":1}}},
      {"name":"A","id":7,"params":{"transform":{"value":{"speed":3,"title":"boss"}}}},
      {"name":"A","id":8},
      "skipped",
      {"name":"A","id":9,"params":{}}]})");
  GOSummoner summoner(&engine);
  testing::internal::CaptureStdout();
  summoner.Start();
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("Summoner says aloha!\n"), std::string::npos);
  EXPECT_NE(out.find("data/summoner.ini: spawn entry 4 (A) is not made: \"params\" is missing"), std::string::npos)
      << "the element without params\n"
      << out;
  const auto& objects = engine.GetGameObjectManager().GetObjects();
  ASSERT_EQ(objects.size(), 4u);
  std::vector<unsigned> ids;
  for (const auto& object : objects) ids.push_back(object->GetID());
  EXPECT_EQ(ids, (std::vector<unsigned>{5, 6, 7, 9}));
  auto blueprint = engine.FindBlueprint("A");
  const std::uint32_t t = Key("transform");
  EXPECT_DOUBLE_EQ(blueprint->GetIndexedData(t, 0).realValue, 128.5);
  EXPECT_DOUBLE_EQ(blueprint->GetIndexedData(t, 1).realValue, 2.0) << "index without value overrides nothing";
  EXPECT_EQ(blueprint->GetNamedData(t, "speed").intValue, 3);
  EXPECT_EQ(blueprint->GetNamedData(t, "title").stringValue, "boss");
  EXPECT_FLOAT_EQ(objects[3]->GetComponent<TransformComponent>().Lock()->posX, 128.5f);
}

TEST_F(BlueprintTest, SpawnListFailuresStopEarly) {
  struct {
    const char* text;
    const char* line;
  } cases[] = {{"{",
                "Error loading summoner file! aborting...\ndata/summoner.ini: line 1, column 1: "
                "string or '}' expected near end of file\n"},
               {R"({"other":[]})", "Spawn not found...aborting summoning..\n"},
               {R"({"spawn":{}})", "Spawn array not found..aborting summoning..\n"}};
  for (const auto& c : cases) {
    folder.Write("data/summoner.ini", c.text);
    GOSummoner summoner(&engine);
    testing::internal::CaptureStdout();
    summoner.Start();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.line);
  }
}

namespace {

// A probe that also says when it is attached and which components it then sees.
template <typename Named>
class AttachedProbe : public Testing::Probe<Named> {
 public:
  void OnAttach(GameObject* owner) override {
    CallLog().push_back(std::string(Named::RunTimeName) + ": OnAttach seeing " +
                        std::to_string(owner->GetComponents().size()));
  }
};

}  // namespace

TEST(BlueprintInstantiate, EachEntryIsSetUpGivenItsDataInKeyOrderThenAttached) {
  GameEngine engine("Instantiate", 320, 200, false, false);
  auto a = std::make_shared<ComponentTypeCreate<AttachedProbe<Testing::NameA>>>();
  auto b = std::make_shared<ComponentTypeCreate<AttachedProbe<Testing::NameB>>>();
  const std::uint32_t keyA = TypeKey<Testing::Probe<Testing::NameA>>();
  const std::uint32_t keyB = TypeKey<Testing::Probe<Testing::NameB>>();
  const std::uint32_t keyC = TypeKey<Testing::Probe<Testing::NameC>>();
  GameObjectBlueprint blueprint(1, -1);
  // A listed twice: both are made and given the same data; the second stays.
  blueprint.AddComponentCreator(keyA, ObjectLockPtr<ComponentCreate>(std::shared_ptr<ComponentCreate>(a)));
  blueprint.AddComponentCreator(keyB, ObjectLockPtr<ComponentCreate>(std::shared_ptr<ComponentCreate>(b)));
  blueprint.AddComponentCreator(keyA, ObjectLockPtr<ComponentCreate>(std::shared_ptr<ComponentCreate>(a)));
  // Stored out of order: applied by ascending index, then by key name.
  blueprint.SetIndexedDataInt(keyA, 2, 7);
  blueprint.SetIndexedDataDouble(keyA, 0, 1.5);
  blueprint.SetNamedDataInt(keyA, "speed", 3);
  blueprint.SetNamedDataString(keyA, "hp", "x");
  // Data of a type the blueprint does not list reaches nobody.
  blueprint.SetIndexedDataInt(keyC, 0, 9);

  auto object = engine.CreateEmptyObject(1);
  CallLog().clear();
  blueprint.Instantiate(object, true);
  const std::vector<std::string> madeA = {
      "class Orv::ProbeA: Setup",
      "class Orv::ProbeA: OnRealProperty 0 1.500000",
      "class Orv::ProbeA: OnIntProperty 2 7",
      "class Orv::ProbeA: OnStringProperty 0 x",
      "class Orv::ProbeA: OnStringPropertyByName hp x",
      "class Orv::ProbeA: OnIntProperty 1 3",
      "class Orv::ProbeA: OnIntPropertyByName speed 3",
  };
  std::vector<std::string> expected = madeA;
  expected.push_back("class Orv::ProbeA: OnAttach seeing 1");
  expected.push_back("class Orv::ProbeB: Setup");
  expected.push_back("class Orv::ProbeB: OnAttach seeing 2");
  expected.insert(expected.end(), madeA.begin(), madeA.end());
  expected.push_back("class Orv::ProbeA: OnAttach seeing 2");
  EXPECT_EQ(CallLog(), expected);

  auto locked = object.Lock();
  ASSERT_EQ(locked->GetComponents().size(), 2u);
  EXPECT_FALSE(locked->GetComponent(keyC).Exists());
  // The first A was replaced without being shut down.
  EXPECT_EQ(std::count(CallLog().begin(), CallLog().end(), "class Orv::ProbeA: Shutdown"), 0);
}

namespace {

// Notes, for each object it hears of, how many objects the manager then holds.
class CountingListener : public PlainSystem {
 public:
  CountingListener(GameEngine* engine, std::vector<std::string>& heard)
      : PlainSystem(engine), engine(engine), heard(heard) {}
  void OnGameObjectAdded(ObjectLockPtr<GameObject> object) override {
    heard.push_back(std::to_string(object.Lock()->GetID()) + " of " +
                    std::to_string(engine->GetGameObjectManager().GetObjects().size()));
  }
  GameEngine* engine;
  std::vector<std::string>& heard;
};

}  // namespace

TEST_F(BlueprintTest, SpawnListAnnouncesEachObjectBeforeMakingTheNext) {
  ASSERT_TRUE(Load("A.txt", R"({"name":"A","id":1,"components":[{"type":"transform","data":[1.0]}]})"));
  std::vector<std::string> heard;
  engine.AddSystem(std::make_shared<CountingListener>(&engine, heard), RoleNone);
  folder.Write("data/summoner.ini", R"({"spawn":[
      {"name":"A","id":4,"params":{"transform":{"index":0,"value":2.0}}},
      {"name":"Nope","id":5,"params":{}},
      {"name":"A","id":6,"params":{}}]})");
  GOSummoner summoner(&engine);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  summoner.Start();
  testing::internal::GetCapturedStdout();
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_EQ(heard, (std::vector<std::string>{"4 of 1", "6 of 2"}));
  EXPECT_NE(errors.find("Error! Object of type Nope cannot be created!!"), std::string::npos) << errors;
}
