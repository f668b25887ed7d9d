// Creating objects from scripts: the parameter stack, the immediate,
// inactive, delayed and child creations, on an engine without a window.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/core/Probes.h"
#include "tests/script/ScriptCreationFixture.h"
#include "world/CollisionComponent.h"

using namespace Orv;
using OrvTest::ScriptCreationFixture;

namespace {

using ScriptCreationTest = ScriptCreationFixture;

}  // namespace

TEST_F(ScriptCreationTest, AChildCreatedInInitRunsItsWholeStartBeforeTheCreatorsNextLine) {
  Define("Kid", "print('kid top')\nfunction Init() print('kid init') end\n");
  Define("Main", "function Init() print('before'); local uid = CreateGameObject('Kid', 5); print('after', uid) end\n");
  Load();
  auto main = Create("Main", 100);
  auto kid = ObjectsWithId(5).at(0);
  EXPECT_EQ(out,
            "Game Object(Main) is created!\nbefore\nCreate GameObject: Kid\nGame Object(Kid) is created!\n"
            "kid top\nkid init\nafter\t" +
                std::to_string(kid->GetUniqueId()) + "\n");
}

TEST_F(ScriptCreationTest, PushedParametersReachEveryCreationUntilTheStackIsReset) {
  Define("Box", "", 10.0);
  Define("Crate", "", 10.0);
  Define("Main", "-- main\n");
  Load();
  auto main = Create("Main", 100);
  Eval(*main,
       "PushRealParamIndex('transform', 1, 100.5); PushRealParamKey('transform', 'posZ', 3.5)\n"
       "first = CreateGameObject('Box', 1); second = CreateGameObject('Box', 2)");
  auto first = ObjectsWithId(1).at(0);
  auto second = ObjectsWithId(2).at(0);
  for (auto* box : {first.get(), second.get()}) {
    auto transform = box->GetComponent<TransformComponent>().Lock();
    EXPECT_FLOAT_EQ(transform->posY, 100.5f);
    EXPECT_FLOAT_EQ(transform->posZ, 3.5f);
    EXPECT_EQ(EditParameter(*box), 0) << "script-made objects stay out of the saved level";
  }
  // The stack holds exactly what was pushed: the edit record is added per creation.
  EXPECT_EQ(begin->GetParamStack().indexed.size(), 1u);
  EXPECT_EQ(begin->GetParamStack().named.size(), 1u);
  // Overrides stay in the blueprint of the type they were given to, so a
  // type never given any shows what an empty stack passes: nothing at all.
  Eval(*main, "ResetParamStack(); CreateGameObject('Crate', 3)");
  EXPECT_TRUE(begin->GetParamStack().Empty());
  EXPECT_EQ(EditParameter(*ObjectsWithId(3).at(0)), 1);
  EXPECT_FLOAT_EQ(ObjectsWithId(3).at(0)->GetComponent<TransformComponent>().Lock()->posY, 0.0f);
}

TEST_F(ScriptCreationTest, PushesOfEveryKindBecomeRecordsOfTheirType) {
  Define("Main", "-- main\n");
  Load();
  auto main = Create("Main", 100);
  Eval(*main,
       "PushStringParamKey('a', 'k', 's') PushIntParamKey('a', 'k', 2.9) PushRealParamKey('a', 'k', 0.5)\n"
       "PushStringParamIndex('b', 1, 't') PushIntParamIndex('b', -1, -2.9) PushRealParamIndex('b', 3, 1.5)");
  const OverrideLists& stack = begin->GetParamStack();
  ASSERT_EQ(stack.named.size(), 3u);
  ASSERT_EQ(stack.indexed.size(), 3u);
  EXPECT_EQ(stack.named[0].value.type, DataString);
  EXPECT_EQ(stack.named[0].value.stringValue, "s");
  EXPECT_EQ(stack.named[1].value.type, DataInt);
  EXPECT_EQ(stack.named[1].value.intValue, 2);
  EXPECT_EQ(stack.named[2].value.type, DataReal);
  EXPECT_EQ(stack.indexed[1].index, 0xFFFFFFFFu);
  EXPECT_EQ(stack.indexed[1].value.intValue, -2);
  EXPECT_EQ(stack.indexed[2].value.realValue, 1.5);
  EXPECT_EQ(Eval(*main, "return select(2, pcall(PushIntParamKey, 'a', 'k', '3'))"),
            "bad argument #3 to '?' (bad argument)");
  EXPECT_EQ(stack.named.size(), 3u) << "nothing pushed after a bad argument";
}

TEST_F(ScriptCreationTest, AnInactiveObjectHasNoScriptAndKeepsItsEditParameter) {
  Define("Scripted", "function Init() print('init') end\n");
  Define("Main", "-- main\n");
  Load();
  auto main = Create("Main", 100);
  EXPECT_NE(
      EvalCaptured(*main, "PushRealParamIndex('transform', 0, 7); return CreateInactiveGameObject('Scripted', 4)"),
      "0");
  auto inactive = ObjectsWithId(4).at(0);
  EXPECT_FALSE(inactive->GetComponent<ScriptComponent>().Exists());
  EXPECT_FLOAT_EQ(PosX(*inactive), 7.0f);
  EXPECT_EQ(EditParameter(*inactive), 1);
  EXPECT_EQ(out.find("init"), std::string::npos);
  EXPECT_EQ(out.find("Create GameObject: Scripted"), std::string::npos) << "no creation line for inactive objects";
}

TEST_F(ScriptCreationTest, AnUnknownTypeGivesZeroAndAMessageAndChangesNoGroup) {
  Define("Main", "-- main\n");
  Load();
  auto main = Create("Main", 100);
  EXPECT_EQ(EvalCaptured(*main, "SetEnableGrouping(true); return CreateGameObject('Nope', 1)"), "0");
  EXPECT_EQ(out, "Game Object(Main) is created!\nCreate GameObject: Nope\n");
  EXPECT_EQ(err,
            "Error! Object of type Nope cannot be created: no blueprint names the type\n"
            "Error! Object of type Nope cannot be created!!\n");
  EXPECT_TRUE(begin->GetCurrentGroup().empty());
}

TEST_F(ScriptCreationTest, DelayedCreationsHappenInTheLateUpdateWithTheStackAsItWasAsked) {
  Define("Box", "function Init() print('box init', GetRealAttribIndex('transform', 0)) end\n", 10.0);
  Define("Main", "-- main\n");
  Load();
  auto main = Create("Main", 100);
  EvalCaptured(*main,
               "PushRealParamIndex('transform', 0, 55); CreateDelayedGameObject('Box', 1); ResetParamStack()\n"
               "CreateDelayedInactiveGameObject('Box', 2); CreateGameObject('Box', 3)");
  EXPECT_TRUE(ObjectsWithId(1).empty());
  EXPECT_EQ(ObjectsWithId(3).size(), 1u) << "the immediate one comes first";
  ASSERT_EQ(begin->GetDelayedCreations().size(), 2u);
  Capture();
  engine.Update(1.0f / 60);
  out += Captured();
  EXPECT_TRUE(begin->GetDelayedCreations().empty());
  ASSERT_EQ(ObjectsWithId(1).size(), 1u);
  ASSERT_EQ(ObjectsWithId(2).size(), 1u);
  EXPECT_FLOAT_EQ(PosX(*ObjectsWithId(1)[0]), 55.0f);
  EXPECT_EQ(EditParameter(*ObjectsWithId(1)[0]), 0);
  EXPECT_FALSE(ObjectsWithId(2)[0]->GetComponent<ScriptComponent>().Exists());
  EXPECT_NE(out.find("box init\t55\n"), std::string::npos) << out;
  EXPECT_EQ(out.find("Create GameObject: Box\nGame Object(Box) is created!\nbox init\t55"), std::string::npos)
      << "delayed creations write no creation line";
}

TEST_F(ScriptCreationTest, ADelayedCreationQueuedByADelayedObjectWaitsForTheNextPass) {
  Define("Chain",
         "function Init() local n = (GetGlobalVar('n') or 0) + 1; SetGlobalVarInt('n', n)\n"
         "  if n < 3 then CreateDelayedGameObject('Chain', n + 1) end end\n");
  Define("Main", "function Init() CreateDelayedGameObject('Chain', 1) end\n");
  Load();
  Create("Main", 100);
  for (unsigned pass = 1; pass <= 3; ++pass) {
    Capture();
    begin->LateUpdate(0.0f);
    Captured();
    EXPECT_EQ(ObjectsWithId(pass).size(), 1u) << pass;
    EXPECT_EQ(ObjectsWithId(pass + 1).size(), 0u) << pass;
  }
  EXPECT_TRUE(begin->GetDelayedCreations().empty());
}

TEST_F(ScriptCreationTest, DelayedCreationsAreCarriedOutWhilePaused) {
  Define("Box", "");
  Define("Main", "function Init() CreateDelayedGameObject('Box', 9) end\n");
  Load();
  Create("Main", 100);
  engine.Pause();
  Capture();
  engine.Update(1.0f / 60);
  Captured();
  EXPECT_EQ(ObjectsWithId(9).size(), 1u);
}

TEST_F(ScriptCreationTest, ChildrenKnowTheirParentWhileTheirInitRuns) {
  Define("Kid", "function Init() print('kid parent', ProbeParentUniqueId()) end\n");
  Define("Main", "-- main\n");
  Load();
  auto main = Create("Main", 100);
  auto transformOf = [](const std::shared_ptr<GameObject>& object) {
    return object->GetComponent<TransformComponent>().Lock();
  };
  const std::string parent = std::to_string(main->GetUniqueId());
  EvalCaptured(*main, "CreateChildGameObject('Kid', 1); CreateMountedChildGameObject('Kid', 2)");
  EXPECT_NE(out.find("kid parent\t" + parent + "\nCreate GameObject: Kid\nGame Object(Kid) is created!\nkid parent\t" +
                     parent + "\n"),
            std::string::npos)
      << out;
  auto child = ObjectsWithId(1).at(0);
  auto mounted = ObjectsWithId(2).at(0);
  EXPECT_FALSE(transformOf(child)->followParent);
  EXPECT_TRUE(transformOf(mounted)->followParent);
  ASSERT_EQ(main->GetChildren().size(), 2u);

  // With parameters the mounted child starts as a free object and is linked
  // to the parent only afterwards.
  out.clear();
  EvalCaptured(*main, "PushRealParamIndex('transform', 0, 1); CreateMountedChildGameObject('Kid', 3)");
  auto late = ObjectsWithId(3).at(0);
  EXPECT_NE(out.find("kid parent\t0\n"), std::string::npos) << out;
  EXPECT_EQ(late->GetParentUniqueId(), 0u);
  EXPECT_TRUE(transformOf(late)->followParent);
  ASSERT_EQ(main->GetChildren().size(), 3u);
  EXPECT_TRUE(main->GetChildren()[2].SameAs(late->GetSelfHandle()));
}

TEST_F(ScriptCreationTest, MountingSetsFollowParentAndTheCollisionAvoidFlags) {
  folder.Write(
      "data/gameobjects/Carried.txt",
      R"({"name":"Carried","id":1,"components":[{"type":"transform","data":[]},{"type":"collision","data":[]}]})");
  Define("Main", "-- main\n");
  Load();
  auto main = Create("Main", 100);
  EvalCaptured(*main, "CreateChildGameObject('Carried', 1); CreateMountedChildGameObject('Carried', 2)");
  for (const auto& [id, mounted] : {std::pair{1u, false}, std::pair{2u, true}}) {
    auto object = ObjectsWithId(id).at(0);
    auto collision = object->GetComponent<CollisionComponent>().Lock();
    ASSERT_TRUE(collision);
    EXPECT_EQ(collision->avoidTrigger, mounted) << id;
    EXPECT_EQ(collision->avoidTileTrigger, mounted) << id;
    EXPECT_EQ(object->GetComponent<TransformComponent>().Lock()->followParent, mounted) << id;
  }
}

// Carrying is told to every component of a mounted child, by either way of
// making it, and to none of a plain child's.
TEST_F(ScriptCreationTest, EveryComponentOfAMountedChildIsToldItIsCarried) {
  using namespace Orv::Testing;
  ::testing::internal::CaptureStdout();
  engine.RegisterComponent<Probe<NameA>>("probea");
  engine.RegisterComponent<Probe<NameB>>("probeb");
  ::testing::internal::GetCapturedStdout();
  folder.Write("data/gameobjects/Carried.txt",
               R"({"name":"Carried","id":1,"components":[{"type":"transform","data":[]},)"
               R"({"type":"probea","data":[]},{"type":"probeb","data":[]}]})");
  Define("Main", "-- main\n");
  Load();
  auto main = Create("Main", 100);
  const auto told = [&](const std::string& code) {
    CallLog().clear();
    EvalCaptured(*main, code);
    std::vector<std::string> mounted;
    for (const std::string& call : CallLog()) {
      if (call.ends_with("OnMounted")) mounted.push_back(call);
    }
    std::sort(mounted.begin(), mounted.end());
    return mounted;
  };
  const std::vector<std::string> both = {"class Orv::ProbeA: OnMounted", "class Orv::ProbeB: OnMounted"};
  EXPECT_EQ(told("CreateChildGameObject('Carried', 1)"), std::vector<std::string>{});
  EXPECT_EQ(told("CreateMountedChildGameObject('Carried', 2)"), both);
  EXPECT_EQ(told("PushRealParamIndex('transform', 0, 1) CreateMountedChildGameObject('Carried', 3)"), both);
  EXPECT_EQ(told("CreateGameObject('Carried', 4)"), std::vector<std::string>{});
  EXPECT_EQ(ObjectsWithId(3).size(), 1u);
}

TEST_F(ScriptCreationTest, GroupingTakesTheJoiningCreationsOnly) {
  Define("Box", "");
  Define("Main", "-- main\n");
  Load();
  auto main = Create("Main", 100);
  Eval(*main,
       "SetEnableGrouping(true)\n"
       "CreateGameObject('Box', 1); CreateChildGameObject('Box', 2); CreateMountedChildGameObject('Box', 3)\n"
       "CreateInactiveGameObject('Box', 4); CreateDelayedGameObject('Box', 5)");
  Capture();
  begin->LateUpdate(0.0f);
  Captured();
  ASSERT_EQ(begin->GetCurrentGroup().size(), 3u);
  for (unsigned id : {1u, 2u, 3u})
    EXPECT_TRUE(begin->GetCurrentGroup()[id - 1].SameAs(ObjectsWithId(id).at(0)->GetSelfHandle()));
  EXPECT_TRUE(ObjectsWithId(4).at(0)->GetGroupMembers().empty());
  EXPECT_TRUE(ObjectsWithId(5).at(0)->GetGroupMembers().empty());
}

TEST_F(ScriptCreationTest, ATypeThatCreatesItselfInInitStopsAtTheNestingLimit) {
  // Every nested creation runs inside the one before it; unchecked, the chain
  // ends only when the C stack does.
  struct Case {
    const char* function;
    unsigned id;
  };
  for (const Case c :
       {Case{"CreateGameObject", 1}, Case{"CreateChildGameObject", 2}, Case{"CreateMountedChildGameObject", 3}}) {
    const std::string type = std::string("Self") + std::to_string(c.id);
    Define(type, "function Init() made = " + std::string(c.function) + "('" + type + "', " + std::to_string(c.id) +
                     ") end\n");
    Define("Kid", "");
    Load();
    out.clear();
    err.clear();
    auto first = Create(type, c.id);
    const auto chain = ObjectsWithId(c.id);
    ASSERT_EQ(chain.size(), 1001u) << c.function;
    EXPECT_EQ(err, "Error! Objects created inside one another more than 1000 deep: " + type + " not created\n")
        << c.function;
    EXPECT_EQ(Eval(*chain.back(), "return made"), "0");
    EXPECT_EQ(Eval(*chain.front(), "return made"), std::to_string(chain[1]->GetUniqueId()));
    // Only the nesting is limited: the next creation goes through again.
    EXPECT_NE(EvalCaptured(*first, "return CreateGameObject('Kid', 9)"), "0") << c.function;
    for (const auto& object : chain) object->Destroy();
    engine.RemoveDeadObjects();
  }
}
