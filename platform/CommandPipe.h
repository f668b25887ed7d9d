#pragma once
// A command run through the system's command shell with a pipe to its
// standard output or input: what the scripts' io.popen starts.
#include <cstdio>

namespace Orv::Platform {

// writing: the pipe feeds the command's input; otherwise it reads its
// output. Null with errno set when the command cannot be started.
std::FILE* OpenCommandPipe(const char* command, bool writing);
// Closes the pipe and waits for the command: its exit status, or -1 with
// errno set.
int CloseCommandPipe(std::FILE* pipe);

}  // namespace Orv::Platform
