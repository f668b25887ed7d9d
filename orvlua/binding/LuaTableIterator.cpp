#include "LuaTableIterator.h"

#include "LuaAssert.h"
#include "StateRecord.h"

namespace OrvLua {

namespace {

constexpr const char* kUnit = "LuaTableIterator";

// Stack: table, key. Leaves the next key and value, or nothing at the end.
int NextProtected(lua_State* L) { return lua_next(L, 1) ? 2 : 0; }

}  // namespace

LuaTableIterator::LuaTableIterator(const LuaObject& table, bool) : table_(table) {
  if (!ORVLUA_CHECK(kUnit, table.IsBound())) return;
  key_.AssignNil(table.GetState());
  value_.AssignNil(table.GetState());
  if (!ORVLUA_CHECK(kUnit, table.IsTable())) return;
  done_ = false;
  Step();
}

bool LuaTableIterator::Next() {
  if (!ORVLUA_CHECK(kUnit, !done_)) return false;
  Step();
  return !done_;
}

LuaObject& LuaTableIterator::GetKey() {
  ORVLUA_CHECK(kUnit, !done_);
  return key_;
}

LuaObject& LuaTableIterator::GetValue() {
  ORVLUA_CHECK(kUnit, !done_);
  return value_;
}

void LuaTableIterator::Step() {
  // The state was closed under the walk: its handles read nil now.
  if (!ORVLUA_CHECK(kUnit, table_.IsBound())) {
    done_ = true;
    return;
  }
  lua_State* L = table_.GetCState();
  int top = lua_gettop(L);
  lua_checkstack(L, 6);
  table_.Push(L);
  key_.Push(L);
  if (Detail::ProtectedCall(L, &NextProtected, 2, 2) != 0) {
    ReportScriptError(L, kUnit);
    done_ = true;
  } else if (lua_isnil(L, -2)) {
    done_ = true;
  } else {
    key_.AssignFromStack(L, -2);
    value_.AssignFromStack(L, -1);
  }
  if (done_) {
    key_.AssignNil(table_.GetState());
    value_.AssignNil(table_.GetState());
  }
  lua_settop(L, top);
}

}  // namespace OrvLua
