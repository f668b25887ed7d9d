#include "EngineLibraries.h"

#include "LuaDump.h"
#include "LuaPack.h"
#include "LuaPipe.h"
#include "WString.h"

namespace OrvLua {

void OpenEngineLibraries(lua_State* L) {
  // The wide strings first: the dump writes them and the packer reads them.
  OpenWStringLibrary(L);
  OpenDumpLibrary(L);
  OpenPackLibrary(L);
  OpenPipeLibrary(L);
}

}  // namespace OrvLua
