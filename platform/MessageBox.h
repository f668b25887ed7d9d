#pragma once
#include <string>

namespace Orv::Platform {

// A box with no owner window, the default caption and an OK button, which
// blocks until dismissed. With ORV_HEADLESS=1, or when no box can be shown,
// the text goes to standard error as one line and nothing waits.
void ShowMessageBox(const std::string& text);

bool IsHeadless();

}  // namespace Orv::Platform
