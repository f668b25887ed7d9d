#pragma once
// The high-resolution counter the frame loop and the timing display read.
#include <cstdint>

namespace Orv::Platform {

std::uint64_t QueryPerformanceCounter();
std::uint64_t QueryPerformanceFrequency();

}  // namespace Orv::Platform
