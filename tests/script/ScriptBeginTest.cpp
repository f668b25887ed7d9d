// The start of scripted objects and script groups, on an engine without a
// window.
#include <gtest/gtest.h>

#include "tests/script/ScriptCreationFixture.h"

using namespace Orv;
using OrvTest::ScriptCreationFixture;

namespace {

using ScriptBeginTest = ScriptCreationFixture;

// Asserts that the lines appear in out in this order.
void ExpectInOrder(const std::string& out, std::initializer_list<const char*> lines) {
  std::size_t at = 0;
  for (const char* line : lines) {
    const std::size_t found = out.find(line, at);
    ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << "\nin:\n" << out;
    at = found + 1;
  }
}

}  // namespace

TEST_F(ScriptBeginTest, InitRunsAfterTheScriptAndSeesEverySystemsFunctions) {
  Define("Main",
         "print('top', PROBE_CONST, type(ProbeParentUniqueId), type(GetGroupVar), Init)\n"
         "function Init() print('init', PROBE_CONST, ProbeParentUniqueId()) end\n");
  Load();
  auto main = Create("Main", 100);
  ASSERT_TRUE(main);
  EXPECT_EQ(out, "Game Object(Main) is created!\ntop\t7\tfunction\tfunction\tnil\ninit\t7\t0\n");
  const char* names[] = {"CreateGameObject",
                         "CreateInactiveGameObject",
                         "CreateDelayedGameObject",
                         "CreateDelayedInactiveGameObject",
                         "ResetParamStack",
                         "CreateChildGameObject",
                         "CreateMountedChildGameObject",
                         "PushStringParamKey",
                         "PushIntParamKey",
                         "PushRealParamKey",
                         "PushStringParamIndex",
                         "PushIntParamIndex",
                         "PushRealParamIndex",
                         "SetEnableGrouping",
                         "IsGroupLeader",
                         "GetGroupAvgPos",
                         "SetGroupVarReal",
                         "SetGroupVarString",
                         "SetGroupVarInteger",
                         "GetGroupVar",
                         "ReloadScript",
                         "GetRealAttribIndex"};
  for (const char* name : names) EXPECT_EQ(Eval(*main, std::string("return type(") + name + ")"), "function") << name;
}

TEST_F(ScriptBeginTest, AnObjectWithoutAScriptOrMadeInactiveGetsNothing) {
  Define("Plain", "");
  Define("Scripted", "print('ran')\nfunction Init() print('init') end\n");
  Load();
  auto plain = Create("Plain");
  EXPECT_FALSE(plain->GetComponent<ScriptComponent>().Exists());
  Capture();
  auto inactive = engine.CreateObject("Scripted", 1, false).Lock();
  out += Captured();
  ASSERT_TRUE(inactive);
  EXPECT_FALSE(inactive->GetComponent<ScriptComponent>().Exists());
  EXPECT_EQ(out, "Game Object(Plain) is created!\nGame Object(Scripted) is created!\n");
}

TEST_F(ScriptBeginTest, ABrokenScriptGetsNoInitButKeepsItsFunctionsAndTheObjectLives) {
  Define("Broken", "function Init() print('init') end\nlocal x = = 1\n");
  Load();
  auto broken = Create("Broken");
  ASSERT_TRUE(broken);
  EXPECT_TRUE(Lives(broken));
  EXPECT_EQ(out,
            "Game Object(Broken) is created!\n"
            "Error running script: data/scripts/Broken.lua:2: unexpected symbol near '='\n");
  EXPECT_EQ(err, "Error running script: data/scripts/Broken.lua:2: unexpected symbol near '='\n");
  EXPECT_FALSE(broken->GetComponent<ScriptComponent>().Lock()->IsLoaded());
  EXPECT_EQ(Eval(*broken, "return type(CreateGameObject)"), "function");
}

TEST_F(ScriptBeginTest, AnErrorInInitIsOneLineNamingTheScriptAndTheObjectStays) {
  Define("Faulty", "function Init()\n  local t\n  t.x = 1\nend\n");
  Define("Next", "function Init() print('next init') end\n");
  Load();
  auto faulty = Create("Faulty");
  auto next = Create("Next");
  EXPECT_EQ(err, "Error in Init of data/scripts/Faulty.lua:3: attempt to index local 't' (a nil value)\n");
  EXPECT_TRUE(Lives(faulty));
  EXPECT_TRUE(faulty->GetComponent<ScriptComponent>().Lock()->IsLoaded());
  EXPECT_NE(out.find("next init\n"), std::string::npos);
}

TEST_F(ScriptBeginTest, AWrongArgumentTypeIsABadArgumentErrorInThatScriptOnly) {
  Define("Caller",
         "print(select(2, pcall(CreateGameObject, 5, 1)))\n"
         "print(select(2, pcall(function() CreateGameObject('Caller', '1') end)))\n"
         "print(select(2, pcall(SetEnableGrouping, nil)))\n");
  Load();
  Create("Caller");
  ExpectInOrder(
      out, {"bad argument #1 to '?' (bad argument)\n", ":2: bad argument #2 to 'CreateGameObject' (bad argument)\n",
            "bad argument #1 to '?' (bad argument)\n"});
  EXPECT_EQ(engine.GetGameObjectManager().GetObjects().size(), 1u);
  EXPECT_FALSE(begin->IsGroupingEnabled());
}

TEST_F(ScriptBeginTest, GroupingThreeObjectsMakesTheFirstTheLeaderAndLinksEveryOtherMember) {
  Define("Member", "-- a member\n");
  Define("Main",
         "function Init() SetEnableGrouping(true)\n"
         "  for i = 1, 3 do CreateGameObject('Member', 10 + i) end\n"
         "  SetEnableGrouping(false); SetEnableGrouping(true); CreateGameObject('Member', 20)\n"
         "end\n");
  Load();
  Create("Main", 100);
  auto a = ObjectsWithId(11).at(0);
  auto b = ObjectsWithId(12).at(0);
  auto c = ObjectsWithId(13).at(0);
  auto d = ObjectsWithId(20).at(0);
  const auto members = [](const GameObject& object) {
    std::vector<unsigned> ids;
    for (const auto& handle : object.GetGroupMembers()) ids.push_back(GetGameObjectID(handle));
    return ids;
  };
  EXPECT_TRUE(a->IsGroupLeader());
  EXPECT_FALSE(b->IsGroupLeader());
  EXPECT_FALSE(c->IsGroupLeader());
  EXPECT_EQ(members(*a), (std::vector<unsigned>{12, 13}));
  EXPECT_EQ(members(*b), (std::vector<unsigned>{11, 13}));
  EXPECT_EQ(members(*c), (std::vector<unsigned>{11, 12}));
  EXPECT_TRUE(d->IsGroupLeader()) << "a new group after grouping went off and on";
  EXPECT_TRUE(d->GetGroupMembers().empty());
  EXPECT_EQ(Eval(*a, "return IsGroupLeader()"), "true");
  EXPECT_EQ(Eval(*b, "return IsGroupLeader()"), "false");

  // The average of the others' world positions, never the caller's own.
  b->GetComponent<TransformComponent>().Lock()->worldX = 10.0f;
  b->GetComponent<TransformComponent>().Lock()->worldY = 4.0f;
  c->GetComponent<TransformComponent>().Lock()->worldX = 20.0f;
  c->GetComponent<TransformComponent>().Lock()->worldY = -2.0f;
  a->GetComponent<TransformComponent>().Lock()->worldX = 1000.0f;
  EXPECT_EQ(Eval(*a, "local p = GetGroupAvgPos() return p.x .. ',' .. p.y"), "15,1");
  c->Destroy();
  EXPECT_EQ(Eval(*a, "local p = GetGroupAvgPos() return p.x .. ',' .. p.y"), "10,4");
  EXPECT_EQ(Eval(*d, "local p = GetGroupAvgPos() return p.x .. ',' .. p.y"), "0,0");
}

TEST_F(ScriptBeginTest, GroupVariablesAreWrittenByTheLeaderAndReadByTheMembers) {
  Define("Member", "-- a member\n");
  Define("Main", "function Init() SetEnableGrouping(true) for i = 1, 3 do CreateGameObject('Member', i) end end\n");
  Load();
  Create("Main", 100);
  auto a = ObjectsWithId(1).at(0);
  auto b = ObjectsWithId(2).at(0);
  auto c = ObjectsWithId(3).at(0);
  Eval(*b, "SetGroupVarInteger('k', 99)");
  EXPECT_EQ(Eval(*c, "return GetGroupVar('k')"), "nil") << "a member cannot write";
  Eval(*a, "SetGroupVarInteger('k', 5); SetGroupVarReal('r', 2.5); SetGroupVarString('s', 'go')");
  for (auto* member : {b.get(), c.get()}) {
    EXPECT_EQ(Eval(*member, "return GetGroupVar('k') + GetGroupVar('r')"), "7.5");
    EXPECT_EQ(Eval(*member, "return GetGroupVar('s')"), "go");
    EXPECT_EQ(Eval(*member, "return GetGroupVar('none')"), "nil");
  }
  EXPECT_EQ(Eval(*a, "return GetGroupVar('k')"), "nil") << "the leader's own variables are not read";
  // The leader gone, B leads with a copy of the variables.
  a->Destroy();
  EXPECT_EQ(Eval(*b, "return IsGroupLeader()"), "true");
  EXPECT_EQ(Eval(*c, "return GetGroupVar('k')"), "5");
}

TEST_F(ScriptBeginTest, GroupFunctionsOfADeadObjectDoNothing) {
  Define("Member", "-- a member\n");
  Define("Main", "function Init() SetEnableGrouping(true) for i = 1, 2 do CreateGameObject('Member', i) end end\n");
  Load();
  Create("Main", 100);
  auto a = ObjectsWithId(1).at(0);
  auto b = ObjectsWithId(2).at(0);
  Eval(*a, "SetGroupVarInteger('k', 1)");
  a->Destroy();
  EXPECT_EQ(Eval(*a, "return IsGroupLeader()"), "false");
  EXPECT_EQ(Eval(*a, "return GetGroupAvgPos()"), "nil");
  EXPECT_EQ(Eval(*a, "return GetGroupVar('k')"), "nil");
  EXPECT_EQ(Eval(*a, "return CreateChildGameObject('Member', 3)"), "0");
  EXPECT_EQ(Eval(*a, "return CreateMountedChildGameObject('Member', 3)"), "0");
  EXPECT_TRUE(ObjectsWithId(3).empty());
  // B leads now and holds the variables, but never reads its own.
  EXPECT_EQ(Eval(*b, "return IsGroupLeader()"), "true");
  EXPECT_EQ(b->GetGroupVariables().count("k"), 1u);
  EXPECT_EQ(Eval(*b, "return GetGroupVar('k')"), "nil");
}
