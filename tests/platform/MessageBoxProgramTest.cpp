// The message box's own processes, seen from outside the real program: a box
// whose process fails or is killed keeps its text on standard error, and a
// box goes with the game however the game ends.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

struct Process {
  pid_t pid = 0;
  pid_t parent = 0;
  pid_t group = 0;
  char state = '?';
};

// Every process as /proc shows it now.
std::vector<Process> Processes() {
  std::vector<Process> all;
  std::error_code error;
  // Processes come and go during the walk: no step of it may throw.
  for (std::filesystem::directory_iterator it("/proc", error), end; !error && it != end; it.increment(error)) {
    const std::filesystem::path& entry = it->path();
    const std::string name = entry.filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream file(entry / "stat");
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    // The name in parentheses may hold blanks and parentheses of its own.
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) continue;
    Process p;
    p.pid = static_cast<pid_t>(std::atoi(text.c_str()));
    std::istringstream rest(text.substr(close + 1));
    rest >> p.state >> p.parent >> p.group;
    all.push_back(p);
  }
  return all;
}

// The first process that the predicate accepts, waiting for it to show (a
// box starts slowly on a busy machine); 0 when none does while the game runs.
template <typename Accept>
pid_t WaitForProcess(const std::string& what, Accept accept) {
  pid_t found = 0;
  WaitUntil(what, [&] {
    for (const Process& p : Processes()) {
      if (p.state != 'Z' && accept(p)) {
        found = p.pid;
        return true;
      }
    }
    return false;
  });
  return found;
}

// The box's process: a child of the game leading a group of its own, not one
// seen before.
pid_t WaitForBox(pid_t game, const std::vector<pid_t>& seen) {
  return WaitForProcess("a message box's process", [&](const Process& p) {
    return p.parent == game && p.group == p.pid && std::find(seen.begin(), seen.end(), p.pid) == seen.end();
  });
}

// The process that shows the box's window, started by the box's process.
pid_t WaitForWindowProcess(pid_t box) {
  return WaitForProcess("the process of a message box's window", [&](const Process& p) { return p.parent == box; });
}

std::size_t LiveMembers(pid_t group) {
  std::size_t n = 0;
  for (const Process& p : Processes()) n += p.group == group && p.state != 'Z' ? 1 : 0;
  return n;
}

// The processes of the group still alive once they had the run's time to end
// (a busy machine may take long), also after the game; those are then ended
// here, so the run ends.
std::size_t LeftAfterAWhile(pid_t group) {
  const auto ended = [&] { return LiveMembers(group) == 0; };
  WaitUntil("a message box's processes to end", ended, false);
  const std::size_t left = LiveMembers(group);
  if (left != 0) kill(-group, SIGKILL);
  return left;
}

// Three boxes at start, the first ones: animation files that do not parse.
void WriteBoxScene(const ContentFolder& folder) {
  WriteScriptScene(folder, "BoxProcess", {{"Idle", "function Update(dt) end"}}, {{"Idle", 1}});
  // A pack, or its missing folder would be the first box.
  folder.Copy(DataPath("blue_256.png"), "res/textures/blue.png");
  folder.Write("res/textures/blue.pack",
               R"({"file":"blue.png","frames":[{"id":"blue","x":0,"y":0,"sizeX":16,"sizeY":16}]})");
  for (const char* file : {"a.anim", "b.anim", "c.anim"}) folder.Write(std::string("res/anims/") + file, "{");
}

}  // namespace

TEST(MessageBoxProgram, ABoxWhoseProcessIsKilledOrFailsKeepsItsText) {
  ContentFolder folder;
  WriteBoxScene(folder);
  RunOptions options;
  options.env = {{"ORV_HEADLESS", ""}};
  pid_t boxes[3] = {0, 0, 0};
  pid_t window = 0;
  std::size_t firstLeft = 0;
  options.triggers.push_back({"", 0.0, [&](pid_t game) {
                                // The first box's process is killed.
                                boxes[0] = WaitForBox(game, {});
                                if (boxes[0] != 0 && WaitForWindowProcess(boxes[0]) != 0) kill(boxes[0], SIGKILL);
                                // The second one's window process dies: the box's process fails.
                                boxes[1] = WaitForBox(game, {boxes[0]});
                                // By then the first box's window went with its process.
                                if (boxes[0] != 0) firstLeft = LeftAfterAWhile(boxes[0]);
                                if (boxes[1] != 0) window = WaitForWindowProcess(boxes[1]);
                                if (window != 0) kill(window, SIGKILL);
                                // The third is closed by the quit.
                                boxes[2] = WaitForBox(game, {boxes[0], boxes[1]});
                                kill(game, SIGTERM);
                              }});
  const RunResult run = RunOrv(folder, options);
  for (pid_t box : boxes) {
    EXPECT_NE(box, 0) << "a box's process did not show";
    // What a killed box's process left behind goes with it.
    if (box != 0) kill(-box, SIGKILL);
  }
  EXPECT_NE(window, 0) << "the second box's window process did not show";
  EXPECT_EQ(firstLeft, 0u) << "the killed box's window outlived it";
  EXPECT_TRUE(RanCleanly(run));
  for (const char* file : {"a.anim", "b.anim", "c.anim"}) {
    EXPECT_EQ(Count(run.err, std::string("Error loading anim file: res/anims/") + file), 1u) << file << "\n" << run.err;
  }
}

TEST(MessageBoxProgram, ABoxGoesWhenTheGameIsKilled) {
  ContentFolder folder;
  WriteBoxScene(folder);
  RunOptions options;
  options.env = {{"ORV_HEADLESS", ""}};
  pid_t box = 0;
  pid_t window = 0;
  std::size_t left = 0;
  options.triggers.push_back({"", 0.0, [&](pid_t game) {
                                box = WaitForBox(game, {});
                                if (box != 0) window = WaitForWindowProcess(box);
                                if (window == 0) {
                                  if (box != 0) kill(-box, SIGKILL);
                                  kill(game, SIGTERM);
                                  return;
                                }
                                kill(game, SIGKILL);
                                left = LeftAfterAWhile(box);
                              }});
  const RunResult run = RunOrv(folder, options);
  ASSERT_NE(box, 0) << "no box's process showed";
  ASSERT_NE(window, 0) << "no box's window process showed";
  EXPECT_EQ(run.signal, SIGKILL) << run.out << run.err;
  EXPECT_EQ(left, 0u) << "the box's processes outlived the game";
}
