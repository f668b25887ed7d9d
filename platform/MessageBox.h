#pragma once
#include <string>

namespace Orv::Platform {

// A box with no owner window, the default caption and an OK button, which
// blocks until dismissed or a quit signal arrives. With ORV_HEADLESS=1, once
// a quit was asked, or when no box can be shown, the text goes to standard
// error as one line and nothing waits; so does the text of a box whose own
// process failed or was killed. The box's process ends with the game, however
// the game ends.
void ShowMessageBox(const std::string& text);

bool IsHeadless();

}  // namespace Orv::Platform
