#pragma once
// The developer's console. Until it is opened, standard output goes nowhere,
// like the output of a windowed program; opening it gives standard output back.

namespace Orv::Platform {

// Called once at process start: standard output is parked on the null device.
void DetachConsoleOutput();
// Gives standard output back; true when it was possible.
bool OpenConsole();
// Blanks the console and puts the cursor at the top-left corner.
bool ClearConsole();

}  // namespace Orv::Platform
