#include "script/ScriptGlobalVars.h"

namespace Orv {

std::map<std::string, ScriptGlobalVar>& ScriptGlobalVars() {
  static std::map<std::string, ScriptGlobalVar> vars;
  return vars;
}

}  // namespace Orv
