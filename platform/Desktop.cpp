#include "platform/Desktop.h"

#include <SDL.h>

namespace Orv::Platform {

Rect GetDesktopWorkArea() {
  int display = 0;
  if (SDL_Window* window = SDL_GL_GetCurrentWindow()) {
    const int index = SDL_GetWindowDisplayIndex(window);
    if (index >= 0) display = index;
  }
  SDL_Rect bounds;
  if (SDL_GetDisplayUsableBounds(display, &bounds) != 0) return {};
  return {bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
}

void ShowSystemCursor(bool visible) { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

}  // namespace Orv::Platform
