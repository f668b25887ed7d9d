#include "EngineLibraries.h"

#include "WString.h"

namespace OrvLua {

void OpenEngineLibraries(lua_State* L) { OpenWStringLibrary(L); }

}  // namespace OrvLua
