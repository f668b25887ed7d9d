// The script component on its own: shared scripts, attributes, the
// component's script functions, global and event variables, calls into the
// script, table copies and closing.
#include <gtest/gtest.h>

#include <filesystem>

#include "LuaTableIterator.h"
#include "core/GameObjectBlueprint.h"

#include "script/ScriptComponent.h"
#include "script/ScriptGlobalVars.h"
#include "script/TableCopy.h"
#include "support/ProgramRun.h"
#include "tests/script/ScriptComponentFixture.h"

using namespace Orv;
using OrvTest::ScriptComponentFixture;

namespace {

using ScriptComponentTest = ScriptComponentFixture;

ScriptChunkPtr Extra(const std::string& text, const std::string& name) {
  return std::make_shared<ScriptChunk>(text, name);
}

}  // namespace

TEST_F(ScriptComponentTest, ExtraScriptsRunInOrderBeforeTheObjectsScriptAndBrokenOnesArePassedOver) {
  ScriptExtraTexts().push_back(Extra("shared = 'one'; order = 'a'", "data/scripts/extra/a.lua"));
  ScriptExtraTexts().push_back(Extra("this is not lua", "data/scripts/extra/b.lua"));
  ScriptExtraTexts().push_back(Extra("error('run time')", "data/scripts/extra/c.lua"));
  ScriptExtraTexts().push_back(Extra("order = order .. 'd'", "data/scripts/extra/d.lua"));
  auto first = NewObject(1);
  auto second = NewObject(2);
  auto a = Attach(*first, "seen = shared .. order");
  auto b = Attach(*second, "seen = shared .. order");
  for (auto* component : {a.get(), b.get()}) {
    component->RunScript();
    EXPECT_TRUE(component->IsLoaded());
    EXPECT_EQ(Eval(*component, "return seen"), "onead");
    // Nothing the shared scripts left behind stays on the stack.
    EXPECT_EQ(lua_gettop(component->GetState()->GetCState()), 0);
  }
}

TEST_F(ScriptComponentTest, WithoutExtraScriptsAStateHoldsOnlyTheLibraries) {
  auto object = NewObject();
  auto component = Attach(*object, "");
  EXPECT_EQ(Eval(*component, "return shared"), "nil");
  EXPECT_EQ(Eval(*component, "return type(string.format)"), "function");
}

TEST_F(ScriptComponentTest, AttributesBecomeGlobalsAndTheLaterOfTwoRecordsWins) {
  auto object = NewObject();
  auto component = Attach(*object, "copy = speed");
  component->SetNamedAttribute("speed", 1.5);
  component->SetNamedAttribute("lives", 3);
  component->SetNamedAttribute("name", std::string("hero\0x", 6));
  component->SetNamedAttribute("speed", 2.5);
  component->RunScript();
  ASSERT_TRUE(component->IsLoaded());
  EXPECT_EQ(Eval(*component, "return copy"), "2.5");
  EXPECT_EQ(Eval(*component, "return lives + 1"), "4");
  // Strings keep their full length.
  EXPECT_EQ(Eval(*component, "return #name"), "6");
}

TEST_F(ScriptComponentTest, ReloadScriptRunsTheTextAgainWithTheHandedOverAttributes) {
  auto object = NewObject();
  auto component = Attach(*object, "runs = (runs or 0) + 1; defined = 'script'");
  component->SetNamedAttribute("hp", 10);
  component->RunScript();
  EXPECT_EQ(Eval(*component, "hp = 3; defined = 'changed'; other = 'kept'; ReloadScript(); return hp"), "10");
  EXPECT_EQ(Eval(*component, "return runs .. defined .. other"), "2scriptkept");
  EXPECT_TRUE(component->IsLoaded());
}

TEST_F(ScriptComponentTest, AScriptThatFailsReportsItsFileLineAndCauseAndStaysUnloaded) {
  struct Case {
    const char* text;
    const char* expected;
  } cases[] = {
      {"x = 1\ny = = 2\n", "Error running script: data/scripts/Bad.lua:2: unexpected symbol near '='"},
      {"local t = nil\n\nlocal v = t.field\n",
       "Error running script: data/scripts/Bad.lua:3: attempt to index local 't' (a nil value)"},
      {"error({})", "Error running script: data/scripts/Bad.lua: (error object is a table value)"},
  };
  for (const Case& c : cases) {
    auto object = NewObject();
    auto component = Attach(*object, c.text, "data/scripts/Bad.lua");
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    component->RunScript();
    const std::string out = ::testing::internal::GetCapturedStdout();
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, std::string(c.expected) + "\n") << c.text;
    // The message box, which headless runs write to standard error.
    EXPECT_EQ(err, std::string(c.expected) + "\n") << c.text;
    EXPECT_FALSE(component->IsLoaded());
    EXPECT_EQ(lua_gettop(component->GetState()->GetCState()), 0);
  }
}

TEST_F(ScriptComponentTest, ObjectsOfOneTypeShareTheCompiledScriptAndReadTheSameLines) {
  auto chunk = std::make_shared<ScriptChunk>("function Init()\n  local n = nil\n  return n.x\nend\n",
                                             "data/scripts/Same.lua");
  ScriptComponentCreator creator("function Init()\n\n  return nil + 1\nend\n", "data/scripts/Same.lua");
  std::string lines[2];
  for (std::string& line : lines) {
    auto object = NewObject();
    auto component = std::static_pointer_cast<ScriptComponent>(creator.Create());
    component->Setup();
    object->AddComponent(TypeKey<ScriptComponent>(), component);
    component->OnAttach(object.get());
    component->RunScript();
    ::testing::internal::CaptureStderr();
    component->CallGlobalFunction("Init");
    line = ::testing::internal::GetCapturedStderr();
  }
  EXPECT_EQ(lines[0], "Error in Init of data/scripts/Same.lua:3: attempt to perform arithmetic on a nil value\n");
  EXPECT_EQ(lines[1], lines[0]);
}

TEST_F(ScriptComponentTest, CallGlobalFunctionCallsOnlyLoadedScriptsFunctions) {
  auto object = NewObject();
  auto component = Attach(*object, "function Twice(n, t) return n * 2 + (t and t.add or 0) end\nNotAFunction = 5");
  EXPECT_FALSE(component->CallGlobalFunction("Twice", 4).IsBound()) << "not loaded yet";
  component->RunScript();
  EXPECT_EQ(component->CallGlobalFunction("Twice", 4).GetNumber(), 8);
  OrvLua::LuaObject table = component->NewTable();
  table.SetNumber("add", 1);
  EXPECT_EQ(component->CallGlobalFunction("Twice", 4, table).GetNumber(), 9);
  EXPECT_FALSE(component->CallGlobalFunction("NotAFunction").IsBound());
  EXPECT_FALSE(component->CallGlobalFunction("Missing").IsBound());
  EXPECT_EQ(lua_gettop(component->GetState()->GetCState()), 0);
}

TEST_F(ScriptComponentTest, AnErrorInACalledFunctionIsOneLineOncePerDistinctMessage) {
  auto object = NewObject();
  auto component = Attach(*object, "function Update(dt)\n  if dt > 1 then error('big step') end\n  return nil + dt\nend",
                          "data/scripts/Err.lua");
  component->RunScript();
  ::testing::internal::CaptureStderr();
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(component->CallGlobalFunction("Update", 0.5).IsBound());
  component->CallGlobalFunction("Update", 2.0);
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(err,
            "Error in Update of data/scripts/Err.lua:3: attempt to perform arithmetic on a nil value\n"
            "Error in Update of data/scripts/Err.lua:2: big step\n");
  EXPECT_TRUE(component->IsLoaded()) << "a failing call leaves the script loaded";
}

TEST_F(ScriptComponentTest, AttributeFunctionsReachTheObjectsComponentsByName) {
  auto object = NewObject();
  auto transform = std::make_shared<TransformComponent>();
  transform->Setup();
  object->AddComponent(TypeKey<TransformComponent>(), transform);
  auto component = Attach(*object, "");
  component->RunScript();
  EXPECT_EQ(Eval(*component, "SetRealAttribIndex('transform', 0, 42.5); return GetRealAttribIndex('transform', 0)"),
            "42.5");
  EXPECT_FLOAT_EQ(transform->posX, 42.5f);
  EXPECT_EQ(Eval(*component, "SetIntAttribKey('transform', 'level', 7); return GetIntAttribKey('transform', 'level')"),
            "7");
  EXPECT_EQ(Eval(*component, "SetStringAttribKey('transform', 'tag', 'boss'); return GetStringAttribKey('transform', 'tag')"),
            "boss");
  EXPECT_EQ(Eval(*component, "SetStringAttribIndex('transform', 20, 's'); return GetStringAttribIndex('transform', 20)"),
            "s");
  EXPECT_EQ(Eval(*component, "SetRealAttribKey('transform', 'w', 0.25); return GetRealAttribKey('transform', 'w')"),
            "0.25");
  EXPECT_EQ(Eval(*component, "SetIntAttribIndex('transform', 21, -3); return GetIntAttribIndex('transform', 21)"),
            "-3");
  // No such component, or nothing stored: the empty answers.
  EXPECT_EQ(Eval(*component, "return GetStringAttribKey('rigidbody', 'tag')"), "nil");
  EXPECT_EQ(Eval(*component, "return GetIntAttribIndex('transform', 99)"), "0");
  // Script-side keys given by name land in the script component as attributes.
  EXPECT_EQ(Eval(*component, "SetIntAttribKey('script', 'lives', 9); return lives"), "nil");
  component->RunScript();
  EXPECT_EQ(Eval(*component, "return lives"), "9");
  EXPECT_EQ(Eval(*component, "return select(2, pcall(SetIntAttribKey, 'transform', 'k', '1'))"),
            "bad argument #3 to '?' (bad argument)");
}

TEST_F(ScriptComponentTest, GlobalVariablesAreSharedByEveryObjectsScript) {
  auto writerObject = NewObject(1);
  auto readerObject = NewObject(2);
  auto writer = Attach(*writerObject, "");
  auto reader = Attach(*readerObject, "");
  struct Case {
    const char* write;
    const char* read;
  } cases[] = {
      {"SetGlobalVarInt('g', 3)", "3"},
      {"SetGlobalVarInt('g', -2.9)", "-2"},
      {"SetGlobalVarString('g', 'text')", "text"},
      {"SetGlobalVarString('g', 'x'); SetGlobalVarReal('g', 0.5)", "0.5"},
      {"SetGlobalVarNil('g')", "nil"},
      {"SetGlobalVarInt('g', 1); ClearAllGlobalVars()", "nil"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Eval(*writer, c.write), "nil");
    EXPECT_EQ(Eval(*reader, "return GetGlobalVar('g')"), c.read) << c.write;
  }
  ScriptGlobalVars().clear();
  EXPECT_EQ(Eval(*reader, "return GetGlobalVar('never')"), "nil");
  ASSERT_EQ(ScriptGlobalVars().count("never"), 1u);
  EXPECT_FALSE(ScriptGlobalVars()["never"].isSet);
}

TEST_F(ScriptComponentTest, EventVariablesTakeTheLastValueAndItsType) {
  auto object = NewObject();
  auto component = Attach(*object, "");
  Eval(*component, "SetEventVarInteger('k', 4); SetEventVarReal('r', 1.5); SetEventVarString('k', 'now text')");
  ASSERT_EQ(component->GetEventVars().size(), 2u);
  EXPECT_EQ(component->GetEventVars().at("k").type, DataString);
  EXPECT_EQ(component->GetEventVars().at("k").stringValue, "now text");
  EXPECT_EQ(component->GetEventVars().at("r").type, DataReal);
  EXPECT_EQ(component->GetEventVars().at("r").realValue, 1.5);
}

TEST_F(ScriptComponentTest, ValuesAndGlobalsAreMadeInTheComponentsState) {
  auto object = NewObject();
  auto component = Attach(*object, "");
  component->SetGlobalInteger("KB_TEST", 32);
  EXPECT_EQ(Eval(*component, "return KB_TEST"), "32");
  OrvLua::LuaObject table = component->CreateGlobalTable("Made");
  table.SetString("k", "v");
  EXPECT_EQ(Eval(*component, "return Made.k"), "v");
  EXPECT_EQ(component->GetGlobal("KB_TEST").GetInteger(), 32);
  EXPECT_EQ(component->MakeInteger(5).GetNumber(), 5);
  EXPECT_STREQ(component->MakeString("s").GetString(), "s");
  EXPECT_TRUE(component->MakeNil().IsBound());
  // A globals table guarded by a metatable is written through it.
  Eval(*component, "setmetatable(_G, {__newindex = function(t, k, v) rawset(t, k, v * 10) end})");
  component->SetGlobalInteger("GUARDED", 2);
  EXPECT_EQ(Eval(*component, "return GUARDED"), "20");
  Eval(*component, "setmetatable(_G, {__newindex = function(t, k, v) rawset(t, k, v); rawset(t, 'seen', k) end})");
  struct Answer {
    int operator()() { return 42; }
  };
  component->RegisterFunctor("Answer", std::make_shared<Answer>());
  EXPECT_EQ(Eval(*component, "return seen .. Answer()"), "Answer42");
}

TEST_F(ScriptComponentTest, CopyTableToStateKeepsStringKeysOfPlainValuesAndNestedTables) {
  auto senderObject = NewObject(1);
  auto receiverObject = NewObject(2);
  auto sender = Attach(*senderObject, "");
  auto receiver = Attach(*receiverObject, "");
  receiver->RunScript();
  Eval(*sender, "msg = {1, 2, n = 3, f = print, flag = true, s = 'a\\0b', inner = {s = 'deep'}, [5.5] = 'x'}\n"
                "msg.self = msg; msg.inner.back = msg; twice = {v = 1}; msg.p = twice; msg.q = twice");
  OrvLua::LuaObject copy = CopyTableToState(*receiver, sender->GetGlobal("msg"));
  ASSERT_EQ(copy.GetState(), receiver->GetState());
  receiver->GetGlobal("_G").SetObject("got", copy);
  EXPECT_EQ(Eval(*receiver,
                 "local keys = {} for k in pairs(got) do keys[#keys + 1] = tostring(k) end table.sort(keys)\n"
                 "return table.concat(keys, ',')"),
            "flag,inner,n,p,q,s");
  EXPECT_EQ(Eval(*receiver, "return got.n + #got.s"), "4");
  EXPECT_EQ(Eval(*receiver, "return got.inner.s .. tostring(got.inner.back)"), "deepnil");
  EXPECT_EQ(Eval(*receiver, "return tostring(got.p ~= got.q and got.p.v == got.q.v)"), "true");
  EXPECT_EQ(Eval(*receiver, "return tostring(got.flag)"), "true");
  // Not a table: an empty one.
  OrvLua::LuaObject empty = CopyTableToState(*receiver, sender->MakeNumber(1));
  EXPECT_TRUE(empty.IsTable());
  EXPECT_FALSE(OrvLua::LuaTableIterator(empty).IsValid());
}

TEST_F(ScriptComponentTest, CopyTableToStateLeavesOutTablesDeeperThanTheLimit) {
  auto senderObject = NewObject(1);
  auto receiverObject = NewObject(2);
  auto sender = Attach(*senderObject, "");
  auto receiver = Attach(*receiverObject, "");
  receiver->RunScript();
  // A chain of tables, each holding its level and the next one.
  Eval(*sender, "function Chain(n) local t = nil for i = n, 1, -1 do t = {level = i, next = t} end return t end");
  Eval(*receiver, "function Depth(t) local d = 0 while t do d = t.level t = t.next end return d end");
  struct Case {
    int built;
    int arrived;
    bool reported;
  };
  for (const Case c : {Case{200, 200, false}, Case{201, 200, true}, Case{100000, 200, true}}) {
    Eval(*sender, "msg = Chain(" + std::to_string(c.built) + ")");
    ::testing::internal::CaptureStderr();
    OrvLua::LuaObject copy = CopyTableToState(*receiver, sender->GetGlobal("msg"));
    const std::string err = ::testing::internal::GetCapturedStderr();
    receiver->GetGlobal("_G").SetObject("got", copy);
    EXPECT_EQ(Eval(*receiver, "return Depth(got)"), std::to_string(c.arrived)) << c.built;
    EXPECT_EQ(err, c.reported ? "Error! A table nested more than 200 deep was copied without its deeper tables\n" : "")
        << c.built;
  }
}

TEST_F(ScriptComponentTest, ClosingTheStateUnbindsHandlesAndReleasesFunctorsAfterwards) {
  auto object = NewObject();
  auto component = Attach(*object, "function Init() return 1 end");
  component->RunScript();
  struct Counter {
    int operator()() { return ++calls; }
    int calls = 0;
  };
  auto counter = std::make_shared<Counter>();
  std::weak_ptr<Counter> watch = counter;
  component->RegisterFunctor("Count", counter);
  counter.reset();
  EXPECT_EQ(Eval(*component, "Count(); return Count()"), "2");
  OrvLua::LuaObject kept = component->GetGlobal("Init");
  // The state stays closed once closed.
  EXPECT_FALSE(component->GetState() == nullptr);
  OrvLua::LuaState* open = component->GetState();
  EXPECT_EQ(open->GetCState(), component->GetState()->GetCState());
  component->Shutdown();
  EXPECT_EQ(component->GetState(), nullptr);
  EXPECT_TRUE(component->GetState() == nullptr);
  EXPECT_TRUE(!component->GetState());
  EXPECT_FALSE(component->IsLoaded());
  EXPECT_FALSE(kept.IsBound());
  EXPECT_FALSE(component->CallGlobalFunction("Init").IsBound());
  EXPECT_FALSE(watch.expired()) << "functors live as long as the component";
  ::testing::internal::CaptureStderr();
  component->RunScript();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Error State machine not found!\n");
  object->ClearComponents();
  component.reset();
  EXPECT_TRUE(watch.expired());
}

TEST_F(ScriptComponentTest, FunctorsMadeForTheStateAreCalledInPlaceAndLiveAsLongAsTheComponent) {
  auto object = NewObject();
  auto component = Attach(*object, "");
  // Not plain bytes, so kept by the component rather than the closure; more
  // of them than one block of the component's store holds.
  struct Numbered {
    Numbered(int n, std::shared_ptr<int> t) : number(n), token(std::move(t)) {}
    int operator()(int add) { return number * 1000 + add + *token; }
    int number;
    std::shared_ptr<int> token;
  };
  auto token = std::make_shared<int>(0);
  std::weak_ptr<int> watch = token;
  for (int i = 1; i <= 120; ++i) component->RegisterNewFunctor<Numbered>(("F" + std::to_string(i)).c_str(), i, token);
  // Through a guarded globals table too.
  Eval(*component, "setmetatable(_G, {__newindex = function(t, k, v) rawset(t, k, v); rawset(t, 'seen', k) end})");
  component->RegisterNewFunctor<Numbered>("Guarded", 7, token);
  token.reset();
  EXPECT_EQ(Eval(*component, "local s = 0 for i = 1, 120 do s = s + _G['F' .. i](1) end return s"),
            std::to_string(1000 * 120 * 121 / 2 + 120));
  EXPECT_EQ(Eval(*component, "return seen .. Guarded(5)"), "Guarded7005");
  component->Shutdown();
  EXPECT_FALSE(watch.expired()) << "functors live as long as the component";
  object->ClearComponents();
  component.reset();
  EXPECT_TRUE(watch.expired());
}

TEST_F(ScriptComponentTest, ExtraScriptFilesLoadInNameOrderAndProblemsAreReportedOnce) {
  OrvTest::ContentFolder folder;
  folder.Write("data/scripts/extra/b.lua", "b = true\n");
  folder.Write("data/scripts/extra/a.lua", "a = 1\nlocal = 2\n");
  folder.Write("data/scripts/extra/notes.txt", "x");
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(folder.Path());
  ::testing::internal::CaptureStdout();
  LoadExtraScripts();
  LoadExtraScriptFile("data/scripts/extra/missing.lua");
  const std::string out = ::testing::internal::GetCapturedStdout();
  std::filesystem::current_path(previous);
  EXPECT_EQ(out,
            "Error in script file: data/scripts/extra/a.lua:2: '<name>' expected near '='\n"
            "Error loading script file: data/scripts/extra/missing.lua\n");
  ASSERT_EQ(ScriptExtraTexts().size(), 2u);
  EXPECT_EQ(ScriptExtraTexts()[0]->GetName(), "data/scripts/extra/a.lua");
  EXPECT_EQ(ScriptExtraTexts()[1]->GetText(), "b = true\n");
}

TEST_F(ScriptComponentTest, AComponentReplacedByTheTypesOwnScriptNeverStartsAState) {
  OrvTest::ContentFolder folder;
  const std::string log = folder.Path() + "/states.txt";
  ScriptExtraTexts().push_back(
      Extra("local f = io.open('" + log + "', 'a') f:write('state\\n') f:close()", "data/scripts/extra/count.lua"));
  // A blueprint whose data carry script attributes files the plain "script"
  // component first; the type's script then takes its place.
  GameObjectBlueprint blueprint(1, -1);
  const std::uint32_t key = TypeKey<ScriptComponent>();
  auto creator = std::make_shared<ScriptComponentCreator>("copy = lives", "data/scripts/T.lua");
  blueprint.AddComponentCreator(key, manager.GetComponentCreator("script"));
  blueprint.AddComponentCreator(key, ObjectLockPtr<ComponentCreate>(std::static_pointer_cast<ComponentCreate>(creator)));
  blueprint.SetNamedDataInt(key, "lives", 3);
  auto object = NewObject();
  blueprint.Instantiate(object->GetSelfHandle(), true);
  auto script = object->GetComponent<ScriptComponent>().Lock();
  ASSERT_TRUE(script);
  script->RunScript();
  EXPECT_EQ(Eval(*script, "return copy"), "3");
  EXPECT_EQ(Eval(*script, "return type(GetGlobalVar)"), "function");
  EXPECT_EQ(folder.Read("states.txt"), "state\n") << "one state, with the shared scripts run once";
}
