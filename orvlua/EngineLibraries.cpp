#include "EngineLibraries.h"

namespace OrvLua {

void OpenEngineLibraries(lua_State*) {}

bool lua_iswstring(lua_State*, int) { return false; }

}  // namespace OrvLua
