#include "platform/Clock.h"

#include <SDL.h>

namespace Orv::Platform {

std::uint64_t QueryPerformanceCounter() { return SDL_GetPerformanceCounter(); }
std::uint64_t QueryPerformanceFrequency() { return SDL_GetPerformanceFrequency(); }

}  // namespace Orv::Platform
