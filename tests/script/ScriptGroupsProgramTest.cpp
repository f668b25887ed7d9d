// Script groups and mounted children in the real program. Scripts report with
// print and the first object ends the run through "Shutdown".
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

// Scripted types with a transform; the first is spawned once with id 1.
void WriteScene(const ContentFolder& folder, const ScriptedTypes& scripts) {
  WriteScriptScene(folder, "Groups", scripts, {{scripts.front().first, 1}}, R"([{"type":"transform","data":[]}])");
}

TEST(ScriptGroupsProgram, TheFirstOfAGroupLeadsAndItsVariablesReachTheOthers) {
  ContentFolder folder;
  // Updates go in creation order, so the members' attempt to overwrite the
  // leader's variable comes after the leader set it.
  WriteScene(folder,
             {{"Main",
               "function Init()\n"
               "  SetEnableGrouping(true)\n"
               "  for i = 1, 3 do CreateGameObject('Member', 10 + i) end\n"
               "  SetEnableGrouping(false)\n"
               "  CreateGameObject('Member', 20)\n"
               "end\n"
               "frames = 0\n"
               "function Update() frames = frames + 1 if frames == 3 then Shutdown() end end\n"},
              {"Member",
               "frames = 0\n"
               "function Update()\n"
               "  frames = frames + 1\n"
               "  local me = 'member ' .. GetID()\n"
               "  if frames == 1 then\n"
               "    print(me .. ' leads ' .. tostring(IsGroupLeader()) .. ' with ' .. GetGroupMemberCount())\n"
               "    SetGroupVarInteger('wave', IsGroupLeader() and 3 or 99)\n"
               "    SetGroupVarReal('speed', 1.5)\n"
               "    SetGroupVarString('order', 'hold')\n"
               "  elseif frames == 2 then\n"
               "    print(me .. ' reads ' .. tostring(GetGroupVar('wave')) .. ' ' .. tostring(GetGroupVar('speed')) ..\n"
               "          ' ' .. tostring(GetGroupVar('order')))\n"
               "    local average = GetGroupAvgPos()\n"
               "    print(me .. ' average ' .. average.x .. ' ' .. average.y)\n"
               "  end\n"
               "end\n"}});
  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));
  EXPECT_EQ(LinesStartingWith(run.out, "member "),
            (std::vector<std::string>{
                "member 11 leads true with 2", "member 12 leads false with 2", "member 13 leads false with 2",
                // Made with grouping off: in no group.
                "member 20 leads false with 0",
                // The leader keeps the variables but never reads its own.
                "member 11 reads nil nil nil", "member 11 average 0 0",
                "member 12 reads 3 1.5 hold", "member 12 average 0 0",
                "member 13 reads 3 1.5 hold", "member 13 average 0 0",
                "member 20 reads nil nil nil", "member 20 average 0 0"}))
      << run.out << run.err;
}

TEST(ScriptGroupsProgram, AMountedChildIsItsParentsChildWhileItsInitRuns) {
  ContentFolder folder;
  // The kid asks its parent over a channel to answer its children; the
  // parent answers with its unique id, so a kid linked during its Init hears
  // it there. A kid made with parameters is linked only after its Init.
  WriteScene(folder,
             {{"Parent",
               "function Init()\n"
               "  SubMsgChannel('parents')\n"
               "  print('parent is ' .. GetUniqueID())\n"
               "  CreateMountedChildGameObject('Kid', 7)\n"
               "  PushRealParamIndex('transform', 0, 5)\n"
               "  CreateMountedChildGameObject('Kid', 8)\n"
               "  ResetParamStack()\n"
               "  SendMsgToChildren(GetUniqueID(), {})\n"
               "end\n"
               "function OnMessage() SendMsgToChildren(GetUniqueID(), {}) end\n"
               "function Update() Shutdown() end\n"},
              {"Kid",
               "local me = 'kid ' .. GetID()\n"
               "function Init()\n"
               "  print(me .. ' init')\n"
               "  SendMsgToChannel('parents', 0, {})\n"
               "  print(me .. ' init done')\n"
               "end\n"
               "function OnMessage(parent) print(me .. ' hears parent ' .. parent) end\n"}});
  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));
  const std::vector<std::string> parent = LinesStartingWith(run.out, "parent is ");
  ASSERT_EQ(parent.size(), 1u) << run.out;
  const std::string heard = " hears parent " + parent.front().substr(std::string("parent is ").size());
  EXPECT_EQ(LinesStartingWith(run.out, "kid "),
            (std::vector<std::string>{"kid 7 init", "kid 7" + heard, "kid 7 init done", "kid 8 init",
                                      "kid 7" + heard, "kid 8 init done", "kid 7" + heard, "kid 8" + heard}))
      << run.out << run.err;
}

}  // namespace
