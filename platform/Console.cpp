#include "platform/Console.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace Orv::Platform {

namespace {
int savedStdout = -1;
}

void DetachConsoleOutput() {
  std::fflush(stdout);
  if (savedStdout >= 0) return;
  savedStdout = dup(STDOUT_FILENO);
  int nullFd = open("/dev/null", O_WRONLY);
  if (nullFd >= 0) {
    dup2(nullFd, STDOUT_FILENO);
    close(nullFd);
  }
}

bool OpenConsole() {
  std::fflush(stdout);
  // A console shows each line as it is written, also when it is a pipe or a
  // file (scripts print through the C library).
  std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
  if (savedStdout < 0) return true;
  bool ok = dup2(savedStdout, STDOUT_FILENO) >= 0;
  close(savedStdout);
  savedStdout = -1;
  return ok;
}

bool ClearConsole() {
  // Erase the screen, then home the cursor.
  return std::fputs("\x1b[2J\x1b[H", stdout) >= 0 && std::fflush(stdout) == 0;
}

}  // namespace Orv::Platform
