// The script engine system's frame step, identity, engine control and
// archetype queries, with real scripts in an engine without a window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "CallCache.h"
#include "support/ScriptEngineFixture.h"
#include "tests/core/Probes.h"

namespace OrvTest {
namespace {

using Orv::GameObject;

using ScriptEngineTest = ScriptEngineFixture;

TEST_F(ScriptEngineTest, EveryScriptFunctionIsRegisteredBeforeTheScriptRuns) {
  const char* names[] = {"Shutdown",
                         "ToggleFullscreen",
                         "ToggleGamePause",
                         "PauseEngineActivate",
                         "PauseEngineDeactivate",
                         "IsGamePaused",
                         "HasGamePaused",
                         "GetWindowWidth",
                         "GetWindowHeight",
                         "SetID",
                         "GetID",
                         "GetUniqueID",
                         "GetArcheTypeInfoIndex",
                         "GetArcheTypeInfokey",
                         "__BREAK",
                         "SubMsgChannel",
                         "UnsubMsgChannel",
                         "IsChannelSub",
                         "SendMsgToChannel",
                         "SendMsgToChildren",
                         "SendMsgToGroup",
                         "SubscribeToEventGroup",
                         "UnsubscribeFromEventGroup",
                         "GetEventGroupList",
                         "GetGroupMemberList",
                         "GetGroupMemberCount",
                         "GetEventGroupCount",
                         "RemoveGameObjectUID",
                         "RemoveAllGameObjects",
                         "RemoveAllGameObjectsExcept",
                         "RemoveAllGameObjectsOfType",
                         "RemoveAllGameObjectsContainingComponent",
                         "RemoveAllGameObjectsExceptUID",
                         "Kill",
                         "TimeKill"};
  // The script's top level records what it saw.
  std::string script = "seen = ''\n";
  for (const char* name : names) {
    script += std::string("if type(") + name + ") == 'function' then seen = seen .. '+' else seen = seen .. '" + name +
              " ' end\n";
  }
  auto object = Spawn(script);
  EXPECT_EQ(Global(object, "seen"), std::string(35, '+'));
}

TEST_F(ScriptEngineTest, UpdateGetsTheFrameTimeEveryFrameInAdmissionOrder) {
  auto a = Spawn("function Update(dt) Note('a ' .. dt) end");
  auto b = Spawn("function Update(dt) Note('b ' .. dt) end");
  Admit();
  Frame(0.25f);
  Frame(0.5f);
  EXPECT_EQ(NoteText(), "a 0.25 b 0.25 a 0.5 b 0.5");
  // Each entry keeps for the next frame's walk what its call read: the
  // component, the state's thread, the Update function and what it reads
  // in the state (its name, node, prototype, code and constants).
  const auto& entries = System().GetEntities();
  ASSERT_EQ(entries.size(), 2u);
  const auto checkRanges = [&] {
    for (const auto& [entry, object] : {std::pair{&entries[0], a}, std::pair{&entries[1], b}}) {
      const auto lines = entry->prefetch.Lines();
      if (!OrvLua::CallCache::Enabled()) {
        EXPECT_TRUE(lines.empty()) << "nothing is fetched ahead without the call cache";
        continue;
      }
      ASSERT_GE(lines.size(), 3u);
      // What every call reads of the component, inside it.
      const auto* component = reinterpret_cast<const char*>(&Script(object));
      const auto* line = static_cast<const char*>(lines[0].FirstLine());
      EXPECT_TRUE(line != nullptr && line + 64 > component && line < component + sizeof(Orv::ScriptComponent));
      EXPECT_TRUE(lines[1].Covers(Script(object).GetState(), 1));
      const std::string update = Run(object, "return tostring(Update)");  // "function: 0x..."
      const auto closure = static_cast<std::uintptr_t>(std::stoull(update.substr(update.find("0x")), nullptr, 16));
      EXPECT_TRUE(lines[2].Covers(reinterpret_cast<const void*>(closure), 1));
      EXPECT_GE(lines.size(), 3u + 5u);
    }
  };
  checkRanges();
  // A script that defines its Update anew, and one that calls another
  // function between frames: the prefetch ranges follow the function called.
  Run(a, "function Update(dt) Note('A ' .. dt) end");
  Run(b, "function Other() return 1 end");
  Script(b).CallGlobalFunction("Other");
  Frame(0.25f);
  EXPECT_EQ(NoteText(), "a 0.25 b 0.25 a 0.5 b 0.5 A 0.25 b 0.25");
  checkRanges();
}

TEST_F(ScriptEngineTest, ScriptsWithoutUpdateOrThatFailedAreSkippedQuietly) {
  auto none = Spawn("x = 1");
  auto broken = Spawn("function Update() Note('broken') end error('at load')");
  auto notFunction = Spawn("Update = 5");
  auto fine = Spawn("function Update() Note('fine') end");
  ::testing::internal::CaptureStderr();
  Admit();
  Frame();
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(NoteText(), "fine");
  EXPECT_EQ(System().GetEntities().size(), 4u);
}

TEST_F(ScriptEngineTest, AnUpdateErrorIsReportedAndTheObjectIsCalledAgain) {
  auto object = Spawn("n = 0 function Update() n = n + 1 error('boom ' .. n) end");
  auto other = Spawn("function Update() Note('other') end");
  Admit();
  ::testing::internal::CaptureStderr();
  Frame();
  Frame();
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("boom 1"), std::string::npos) << err;
  EXPECT_EQ(Global(object, "n"), "2");
  EXPECT_EQ(NoteText(), "other other");
}

TEST_F(ScriptEngineTest, GlobalsTableWithStrictIndexDoesNotTakeTheEngineDown) {
  auto object = Spawn(
      "function OnMessage() Note('message') end SubMsgChannel('c')\n"
      "setmetatable(_G, {__index = function(t, k) error('undefined global ' .. k) end})");
  auto sender = Spawn("");
  Admit();
  Frame();
  Run(sender, "SendMsgToChannel('c', 1, {})");
  EXPECT_EQ(NoteText(), "message");
}

TEST_F(ScriptEngineTest, IdentityOfTheCallingObject) {
  struct Case {
    const char* code;
    const char* result;
  };
  const Case cases[] = {
      {"SetID(2.9) return GetID()", "2"},
      {"SetID(-2.9) return GetID()", "-2"},
      {"return GetUniqueID()", "1"},
      {"return SetID('3')", "error: test:1: bad argument #1 to 'SetID' (bad argument)"},
  };
  auto object = Spawn("", 5);
  for (const Case& c : cases) EXPECT_EQ(Run(object, c.code), c.result) << c.code;
  object->Destroy();
  EXPECT_EQ(Run(object, "SetID(9) return GetID()"), "0");
  EXPECT_EQ(Run(object, "return GetUniqueID()"), "0");
}

TEST_F(ScriptEngineTest, WindowAndEngineControl) {
  auto object = Spawn("");
  EXPECT_EQ(Run(object, "return GetWindowWidth() .. 'x' .. GetWindowHeight()"), "640x480");
  Run(object, "ToggleFullscreen()");
  EXPECT_EQ(engine.fullscreenToggles, 1);
  EXPECT_EQ(Run(object, "return IsGamePaused()"), "false");
  EXPECT_EQ(Run(object, "return ToggleGamePause()"), "true");
  EXPECT_EQ(Run(object, "return IsGamePaused()"), "true");
  EXPECT_EQ(Run(object, "return ToggleGamePause()"), "false");
  EXPECT_EQ(Run(object, "return PauseEngineActivate()"), "true");
  EXPECT_TRUE(engine.IsPaused());
  EXPECT_EQ(Run(object, "return PauseEngineDeactivate()"), "false");
  EXPECT_FALSE(engine.IsPaused());
}

TEST_F(ScriptEngineTest, BreakShowsItsTextAsAMessage) {
  auto object = Spawn("");
  ::testing::internal::CaptureStderr();
  Run(object, "__BREAK('stop here') __BREAK('')");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "stop here\n\n");
}

TEST_F(ScriptEngineTest, PauseFromTheSecondOfThreeStopsTheThirdAtOnce) {
  auto first = Spawn("function Update() Note('1') end");
  auto second = Spawn("function Update() Note('2') if not done then done = true PauseEngineActivate() end end");
  auto third = Spawn("function Update() Note('3') end");
  Admit();
  Frame();
  EXPECT_EQ(NoteText(), "1 2");
  EXPECT_EQ(Run(first, "return HasGamePaused()"), "true");
  Frame();
  EXPECT_EQ(NoteText(), "1 2") << "no Update while paused";
  Run(first, "PauseEngineDeactivate()");
  EXPECT_EQ(Run(first, "return HasGamePaused()"), "true") << "until the end of the next late update";
  Frame();
  EXPECT_EQ(NoteText(), "1 2 1 2 3");
  EXPECT_EQ(Run(first, "return HasGamePaused()"), "false");
}

TEST_F(ScriptEngineTest, ShutdownFromUpdateStopsEveryLaterUpdate) {
  auto first = Spawn("function Update() Note('1') end");
  auto second = Spawn("function Update() Note('2') Shutdown() end");
  auto third = Spawn("function Update() Note('3') end");
  Admit();
  Frame();
  EXPECT_EQ(NoteText(), "1 2");
  EXPECT_GE(engine.quits, 1);
  Frame();
  EXPECT_EQ(NoteText(), "1 2");
  EXPECT_TRUE(System().IsShutdownRequested());
}

TEST_F(ScriptEngineTest, ShutdownFromTheLastObjectWalkedStillQuits) {
  auto only = Spawn("function Update() Shutdown() Kill() end");
  Admit();
  Frame();
  Frame();
  EXPECT_GE(engine.quits, 1);
}

TEST_F(ScriptEngineTest, ArcheTypeTablesCountFromZero) {
  folder.Write("data/gameobjects/Arch1.txt",
               R"({"name":"Arch1","id":7,"sub_id":2,"components":[{"type":"transform","data":[1.5, {"tag":"x"}]}]})");
  folder.Write("data/gameobjects/Arch2.txt",
               R"({"name":"Arch2","id":8,"components":[{"type":"transform","data":[3, {"tag":4}]}]})");
  ::testing::internal::CaptureStdout();
  engine.LoadBlueprintFile("data/gameobjects/Arch1.txt");
  engine.LoadBlueprintFile("data/gameobjects/Arch2.txt");
  ::testing::internal::GetCapturedStdout();
  auto object = Spawn("");
  struct Case {
    const char* code;
    const char* result;
  };
  const Case cases[] = {
      {"local t = GetArcheTypeInfoIndex('transform', 0) return t[0].name .. t[0].id .. t[0].sub_id .. t[0].data"
       " .. t[1].name .. t[1].id .. t[1].data .. tostring(t[2])",
       "Arch1721.5Arch283nil"},
      {"local t = GetArcheTypeInfokey('transform', 'tag') return t[0].data .. t[1].data", "x4"},
      {"local t = GetArcheTypeInfoIndex('rigidbody', 0) return next(t) == nil", "true"},
      {"local t = GetArcheTypeInfoIndex('transform', 5) return tostring(t[0].data) .. tostring(t[1].data)", "nilnil"},
  };
  for (const Case& c : cases) EXPECT_EQ(Run(object, c.code), c.result) << c.code;
  object->Destroy();
  EXPECT_EQ(Run(object, "return GetArcheTypeInfoIndex('transform', 0)"), "nil");
}

// "LogUpdate"() puts the script's Update into the probes' log.
struct LogUpdate {
  void operator()() { Orv::Testing::CallLog().push_back("Update"); }
};

// What was kept for a script to read in a frame lives until its Update has
// run, and no longer while scripts are paused.
TEST_F(ScriptEngineTest, EveryComponentIsToldOnceItsScriptHasHadItsUpdate) {
  using namespace Orv::Testing;
  auto object = Spawn("function Update() LogUpdate() end");
  Script(object).RegisterNewFunctor<LogUpdate>("LogUpdate");
  AttachProbe<NameA>(*object);
  AttachProbe<NameB>(*object);
  Admit();
  const std::vector<std::string> told = {"class Orv::ProbeA: OnScriptUpdated", "class Orv::ProbeB: OnScriptUpdated"};
  const auto frame = [&] {
    CallLog().clear();
    Frame();
    std::vector<std::string> log = CallLog();
    // The probes hear it in key order; which of the two keys is lower is the
    // hash's affair.
    std::sort(log.begin() + (log.empty() || log[0] != "Update" ? 0 : 1), log.end());
    return log;
  };
  std::vector<std::string> withUpdate = told;
  withUpdate.insert(withUpdate.begin(), "Update");
  EXPECT_EQ(frame(), withUpdate);
  EXPECT_EQ(frame(), withUpdate);
  engine.Pause();
  EXPECT_EQ(frame(), told);
}

TEST_F(ScriptEngineTest, ObjectsWithoutScriptAreNotAdmitted) {
  folder.Write("data/gameobjects/Bare.txt", R"({"name":"Bare","id":1,"components":[{"type":"transform","data":[]}]})");
  ::testing::internal::CaptureStdout();
  engine.LoadBlueprintFile("data/gameobjects/Bare.txt");
  engine.CreateObject("Bare", 1, true);
  ::testing::internal::GetCapturedStdout();
  Spawn("");
  Frame();
  EXPECT_EQ(System().GetEntities().size(), 1u);
}

}  // namespace
}  // namespace OrvTest
