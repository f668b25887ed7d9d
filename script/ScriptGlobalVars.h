#pragma once
// The global variables every object's script shares, made on first use.
#include <map>
#include <string>

#include "core/DataBun.h"

namespace Orv {

struct ScriptGlobalVar {
  bool isSet = false;
  DataBun value;
};
std::map<std::string, ScriptGlobalVar>& ScriptGlobalVars();

}  // namespace Orv
