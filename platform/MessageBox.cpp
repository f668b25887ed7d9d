#include "platform/MessageBox.h"

#include <SDL.h>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/QuitSignals.h"

namespace Orv::Platform {

namespace {

// Before and after its box the library touches the game window through the
// window's own connection, which the program goes on using: what a copy wrote
// there would put the program's exchange with the server out of step. In the
// box's process every inherited descriptor above standard error leads
// nowhere; the box opens a connection of its own.
void LeadInheritedDescriptorsNowhere() {
  const int nowhere = open("/dev/null", O_RDWR | O_CLOEXEC);
  const long last = std::min(sysconf(_SC_OPEN_MAX), 65536L);
  for (int fd = 3; fd < last; ++fd) {
    if (fd != nowhere && fcntl(fd, F_GETFD) != -1) dup2(nowhere, fd);
  }
}

// In the box's process: the whole group goes, the library's child that
// shows the window too.
void EndBoxGroup(int) { kill(0, SIGKILL); }

// The box in a process of its own, leading a group of its own (the library
// shows it from a child of that one): a quit signal kills the group, which
// ends the wait, and the game's end by any means (SIGKILL included) ends the
// group too. True when the box was shown and closed.
bool ShowBoxInOwnProcess(const std::string& text) {
  const pid_t game = getpid();
  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    setpgid(0, 0);
    std::signal(SIGINT, SIG_DFL);
    // The game's death arrives as SIGTERM; a SIGTERM from elsewhere ends
    // the box as it always did, and its window with it.
    std::signal(SIGTERM, EndBoxGroup);
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    // The game may have died before the line above: nobody waits any more.
    if (getppid() != game) EndBoxGroup(0);
    LeadInheritedDescriptorsNowhere();
    _exit(SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Error", text.c_str(), nullptr) == 0 ? 0 : 1);
  }
  // Here too: the group must exist before a quit signal can kill it.
  setpgid(pid, pid);
  KillOnQuit(pid);
  siginfo_t info{};
  while (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
  }
  // Not yet reaped, so the group is still this one: a box process that was
  // killed leaves no window of the library's child behind.
  kill(-pid, SIGKILL);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  KillOnQuit(0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

bool IsHeadless() {
  const char* value = std::getenv("ORV_HEADLESS");
  return value != nullptr && std::strcmp(value, "1") == 0;
}

void ShowMessageBox(const std::string& text) {
  std::fflush(stdout);
  std::fflush(stderr);
  if (!IsHeadless() && !QuitAsked() && ShowBoxInOwnProcess(text)) return;
  std::fprintf(stderr, "%s\n", text.c_str());
  std::fflush(stderr);
}

}  // namespace Orv::Platform
