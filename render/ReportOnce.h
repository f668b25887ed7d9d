#pragma once
// Checks that run every frame report each cause once: a box per frame would
// make the program unusable.
#include <string>

namespace Orv {

// True the first time cause is seen in this process.
bool FirstReport(const std::string& cause);
// A message box with text, the first time for this cause.
void ShowMessageOnce(const std::string& cause, const std::string& text);
// A console line with text, the first time for this cause.
void PrintLineOnce(const std::string& cause, const std::string& text);

}  // namespace Orv
