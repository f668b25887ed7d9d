#pragma once

namespace Orv {

// The process-wide log level from "debug" in config/config.ini. Written once
// at start-up before anything else runs; only read afterwards.
int DebugLevel();
void SetDebugLevel(int level);

}  // namespace Orv
