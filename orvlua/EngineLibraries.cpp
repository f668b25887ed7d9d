#include "EngineLibraries.h"

#include "LuaDump.h"
#include "WString.h"

namespace OrvLua {

void OpenEngineLibraries(lua_State* L) {
  // The wide strings first: the dump writes them.
  OpenWStringLibrary(L);
  OpenDumpLibrary(L);
}

}  // namespace OrvLua
