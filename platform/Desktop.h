#pragma once
// What the drawing code asks of the desktop: the work area a full-screen
// window is fitted into, and the system pointer's visibility.
#include "platform/Window.h"

namespace Orv::Platform {

// The usable part of the display that shows the current OpenGL context's
// window (the first display when there is none): taskbars and docks left out.
// Empty when the windowing system cannot say.
Rect GetDesktopWorkArea();

// Shows or hides the system's own pointer over our window. Not counted: one
// call undoes any number of earlier ones.
void ShowSystemCursor(bool visible);

}  // namespace Orv::Platform
