// Removal requests and timed kills: queued by scripts, carried out in the
// script engine system's late update of the same frame.
#include <gtest/gtest.h>

#include "support/ScriptEngineFixture.h"

namespace OrvTest {
namespace {

using Orv::GameObject;

using RemovalTest = ScriptEngineFixture;

std::vector<bool> Alive(const std::vector<std::shared_ptr<GameObject>>& objects) {
  std::vector<bool> alive;
  for (const auto& object : objects) alive.push_back(Lives(object));
  return alive;
}

TEST_F(RemovalTest, KillInUpdateEndsTheObjectInTheSameFrame) {
  auto victim = Spawn("function Update() Note('update') Kill() Kill() end");
  auto other = Spawn("function Update() Note('other') end");
  Admit();
  UpdatePasses();
  EXPECT_FALSE(Lives(victim));
  EXPECT_TRUE(System().GetRemovalRequests().empty());
  EXPECT_EQ(engine.GetGameObjectManager().GetObjects().size(), 2u) << "dead, still in the manager";
  engine.EndFrame();
  EXPECT_EQ(engine.GetGameObjectManager().GetObjects().size(), 1u);
  Frame();
  EXPECT_EQ(NoteText(), "update other other");
}

TEST_F(RemovalTest, RequestsWaitForTheLateUpdate) {
  auto objects = std::vector{Spawn("", 1), Spawn("", 2), Spawn("", 2)};
  Run(objects[0], "RemoveAllGameObjectsOfType(2)");
  EXPECT_EQ(Alive(objects), (std::vector{true, true, true}));
  ASSERT_EQ(System().GetRemovalRequests().size(), 1u);
  EXPECT_EQ(System().GetRemovalRequests().front().kind, Orv::RemovalRequest::ObjectsWithId);
  UpdatePasses();
  EXPECT_EQ(Alive(objects), (std::vector{true, false, false}));
}

TEST_F(RemovalTest, EachRequestSelectsItsObjects) {
  struct Case {
    const char* code;
    std::vector<bool> alive;
  };
  // Ids 1, 2, 2, 3; the caller is the first. u1 to u4 are the objects'
  // unique ids, known to the caller's script.
  const Case cases[] = {
      {"RemoveAllGameObjects()", {false, false, false, false}},
      {"RemoveGameObjectUID(u3)", {true, true, false, true}},
      {"RemoveGameObjectUID(u4 + 100)", {true, true, true, true}},
      {"RemoveGameObjectUID(-1)", {true, true, true, true}},
      {"RemoveAllGameObjectsOfType(2)", {true, false, false, true}},
      {"RemoveAllGameObjectsExcept(2)", {false, true, true, false}},
      {"RemoveAllGameObjectsExceptUID(u3)", {false, false, true, false}},
      {"RemoveAllGameObjectsExceptUID(u3) RemoveGameObjectUID(u3)", {false, false, false, false}},
      {"RemoveAllGameObjectsContainingComponent('transform')", {true, false, true, false}},
      {"RemoveAllGameObjectsContainingComponent('nosuch')", {true, true, true, true}},
  };
  for (const Case& c : cases) {
    std::vector<std::shared_ptr<GameObject>> objects = {Spawn("", 1), Spawn("", 2, true), Spawn("", 2),
                                                        Spawn("", 3, true)};
    std::string ids;
    for (const auto& object : objects) ids += (ids.empty() ? "" : ", ") + std::to_string(object->GetUniqueId());
    Run(objects[0], "u1, u2, u3, u4 = " + ids);
    EXPECT_EQ(Run(objects[0], c.code), "nil") << c.code;
    UpdatePasses();
    EXPECT_EQ(Alive(objects), c.alive) << c.code;
    Run(objects[0], "RemoveAllGameObjects()");
    Frame();
  }
}

TEST_F(RemovalTest, TheFirstTimedKillDelayStands) {
  auto object = Spawn("function Update() if not armed then armed = true TimeKill(2) TimeKill(5) end end");
  Admit();
  int frames = 0;
  while (Lives(object) && frames < 100) {
    UpdatePasses(0.5f);
    ++frames;
  }
  // Armed in the first step and 0.5 s counted after the check in each step:
  // the fifth finds the 2 s reached and flags it.
  EXPECT_EQ(frames, 5);
  EXPECT_TRUE(System().GetTimedKills().empty()) << "both entries gone";
}

TEST_F(RemovalTest, TimeKillOfZeroFromUpdateEndsTheObjectInTheSameFrame) {
  auto object = Spawn("function Update() TimeKill(0) end");
  Admit();
  UpdatePasses();
  EXPECT_FALSE(Lives(object));
}

TEST_F(RemovalTest, PauseStopsTheCountdownButNotTheRemovals) {
  auto timed = Spawn("TimeKill(1)");
  auto doomed = Spawn("");
  auto flagged = Spawn("");
  Admit();
  Run(flagged, "TimeKill(0)");
  UpdatePasses(0.5f);
  EXPECT_FALSE(Lives(flagged));
  Run(timed, "PauseEngineActivate()");
  Run(doomed, "Kill()");
  for (int i = 0; i < 10; ++i) UpdatePasses(0.5f);
  EXPECT_TRUE(Lives(timed)) << "no counting while paused";
  EXPECT_FALSE(Lives(doomed)) << "queued removals still run";
  Run(timed, "PauseEngineDeactivate()");
  UpdatePasses(0.5f);
  EXPECT_TRUE(Lives(timed));
  UpdatePasses(0.5f);
  EXPECT_FALSE(Lives(timed));
}

TEST_F(RemovalTest, KillAndTimeKillOfADeadCallerDoNothing) {
  auto object = Spawn("");
  object->Destroy();
  Run(object, "Kill() TimeKill(1)");
  EXPECT_TRUE(System().GetRemovalRequests().empty());
  EXPECT_TRUE(System().GetTimedKills().empty());
  EXPECT_FALSE(Script(object).IsTimedKillArmed());
}

}  // namespace
}  // namespace OrvTest
