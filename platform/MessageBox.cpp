#include "platform/MessageBox.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace Orv::Platform {

bool IsHeadless() {
  const char* value = std::getenv("ORV_HEADLESS");
  return value != nullptr && std::strcmp(value, "1") == 0;
}

void ShowMessageBox(const std::string& text) {
  std::fflush(stdout);
  if (!IsHeadless() && SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Error", text.c_str(), nullptr) == 0) {
    return;
  }
  std::fprintf(stderr, "%s\n", text.c_str());
  std::fflush(stderr);
}

}  // namespace Orv::Platform
