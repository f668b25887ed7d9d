#pragma once
// The binding's assertion reports: one line on standard error naming the
// expression, the unit and, for script errors, Lua's own message. The
// operation that failed its check goes on as well as it can.
#include <lua.hpp>

namespace OrvLua {

void ReportAssertion(const char* expression, const char* unit, const char* message = nullptr);
// A script error whose error value is at the top of L's stack.
void ReportScriptError(lua_State* L, const char* unit);

}  // namespace OrvLua

// Evaluates to the condition, so callers can bail out after reporting.
#define ORVLUA_CHECK(unit, cond) \
  ((cond) ? true : (::OrvLua::ReportAssertion(#cond, unit), false))
