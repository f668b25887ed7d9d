#include "platform/CommandPipe.h"

#include <stdio.h>

namespace Orv::Platform {

// The C library refuses a text mode ("rt"): only "r" or "w".
std::FILE* OpenCommandPipe(const char* command, bool writing) { return popen(command, writing ? "w" : "r"); }

int CloseCommandPipe(std::FILE* pipe) { return pclose(pipe); }

}  // namespace Orv::Platform
