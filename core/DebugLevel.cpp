#include "core/DebugLevel.h"

namespace Orv {

namespace {
int debugLevel = 0;
}

int DebugLevel() { return debugLevel; }
void SetDebugLevel(int level) { debugLevel = level; }

}  // namespace Orv
