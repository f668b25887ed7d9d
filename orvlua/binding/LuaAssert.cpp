#include "LuaAssert.h"

#include <string>

#include "core/Report.h"

namespace OrvLua {

void ReportAssertion(const char* expression, const char* unit, const char* message) {
  std::string line = "Assertion failed: ";
  line += expression;
  line += ", unit ";
  line += unit;
  if (message) {
    line += ": ";
    line += message;
  }
  Orv::PrintErrorLine(line);
}

void ReportScriptError(lua_State* L, const char* unit) {
  int type = lua_type(L, -1);
  if (type == LUA_TSTRING || type == LUA_TNUMBER) {
    ReportAssertion("0", unit, lua_tostring(L, -1));
    return;
  }
  std::string text = "(error object is a ";
  text += lua_typename(L, type);
  text += " value)";
  ReportAssertion("0", unit, text.c_str());
}

}  // namespace OrvLua
