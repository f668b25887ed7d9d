#pragma once

namespace Orv {

// The whole program: configuration, engine, systems, window, resources, the
// frame loop. Returns the process exit code.
int StartUp();

}  // namespace Orv
