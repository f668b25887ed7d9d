// Ctrl-C and SIGTERM reach a program whose script never returns, and stop it
// as an ordinary stop.
#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

Trigger SignalWhen(const std::string& text, int signalNumber, double afterSeconds) {
  return {text, afterSeconds, [signalNumber](pid_t pid) { kill(pid, signalNumber); }};
}

struct LoopCase {
  const char* where;
  const char* script;       // the type's script
  const char* extraScript;  // a shared script, or nullptr
  int signalNumber;
};

TEST(QuitSignalProgram, ALoopingScriptIsInterruptedAndTheProgramQuits) {
  const LoopCase cases[] = {
      {"Update", "function Update(dt) print('looping') while true do end end", nullptr, SIGTERM},
      {"Init", "function Init() print('looping') while true do end end", nullptr, SIGINT},
      {"script body", "print('looping') while true do end", nullptr, SIGINT},
      {"shared script", "function Update(dt) end", "print('looping') while true do end", SIGTERM},
      // A loop that catches its error meets the interrupt again.
      {"pcall loop",
       "function Update(dt) print('looping') while true do pcall(function() while true do end end) end end", nullptr,
       SIGTERM},
  };
  for (const LoopCase& c : cases) {
    ContentFolder folder;
    WriteScriptScene(folder, "Looping", {{"Loop", c.script}}, {{"Loop", 1}});
    if (c.extraScript) folder.Write("data/scripts/extra/loop.lua", c.extraScript);
    RunOptions options;
    options.triggers.push_back(SignalWhen("looping", c.signalNumber, 0.3));
    const RunResult run = RunOrv(folder, options);
    EXPECT_TRUE(RanCleanly(run)) << c.where;
    // Stopping as asked is no error, wherever the script was.
    for (const char* error : {"Error running script", "Error in ", "interrupted!"}) {
      EXPECT_EQ((run.out + run.err).find(error), std::string::npos) << c.where << "\n" << run.out << run.err;
    }
  }
}

// A coroutine runs on a thread of its own that the interrupt does not reach:
// the second signal ends the program the default way.
TEST(QuitSignalProgram, ASecondSignalEndsTheProgram) {
  ContentFolder folder;
  WriteScriptScene(
      folder, "Looping",
      {{"Loop", "function Update(dt) print('looping') coroutine.wrap(function() while true do end end)() end"}},
      {{"Loop", 1}});
  RunOptions options;
  options.triggers.push_back(SignalWhen("looping", SIGTERM, 0.3));
  options.triggers.push_back(SignalWhen("looping", SIGTERM, 1.0));
  const RunResult run = RunOrv(folder, options);
  EXPECT_FALSE(run.timedOut);
  EXPECT_EQ(run.signal, SIGTERM) << run.out << run.err;
}

// A message box waits for its click; SIGTERM ends the program with one up as
// without one. Boxes at start: two resource files that do not parse.
TEST(QuitSignalProgram, SigtermEndsTheProgramWithAMessageBoxUp) {
  ContentFolder folder;
  WriteScriptScene(folder, "BoxUp", {{"Idle", "function Update(dt) end"}}, {{"Idle", 1}});
  folder.Write("res/anims/a.anim", "{");
  folder.Write("res/anims/b.anim", "{");
  RunOptions options;
  // Boxes are shown, not written.
  options.env = {{"ORV_HEADLESS", ""}};
  // The box's window names its title in a way xdotool does not read.
  bool boxUp = false;
  options.triggers.push_back({"", 0.0, [&](pid_t pid) {
                                boxUp = WaitUntil("a message box's window", [] {
                                  return Shell("xwininfo -root -tree | grep -c '\"Error\": ('") != "0\n";
                                });
                                kill(pid, SIGTERM);
                              }});
  const RunResult run = RunOrv(folder, options);
  EXPECT_TRUE(boxUp) << "no box was shown";
  EXPECT_TRUE(RanCleanly(run));
  // The box the signal closed keeps its text, and the one after it is not
  // shown but written.
  for (const char* file : {"a.anim", "b.anim"}) {
    EXPECT_EQ(Count(run.err, std::string("Error loading anim file: res/anims/") + file), 1u) << run.err;
  }
}

}  // namespace
