#include "LuaObject.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "LuaAssert.h"
#include "LuaState.h"
#include "NumberConversion.h"
#include "StateRecord.h"
#include "WString.h"

namespace OrvLua {

namespace {

constexpr const char* kUnit = "LuaObject";

int GetTableProtected(lua_State* L) {
  lua_gettable(L, 1);
  return 1;
}

int SetTableProtected(lua_State* L) {
  lua_settable(L, 1);
  return 0;
}

// What table.insert(t, pos, v) does, with raw reads and writes only.
int InsertProtected(lua_State* L) {
  int end = static_cast<int>(lua_objlen(L, 1)) + 1;
  int pos = SaturateToInt(lua_tonumber(L, 2));
  if (pos > end) end = pos;
  for (int i = end; i > pos; --i) {
    lua_rawgeti(L, 1, i - 1);
    lua_rawseti(L, 1, i);
  }
  lua_pushvalue(L, 3);
  lua_rawseti(L, 1, pos);
  return 0;
}

// True when the metatable of the value at idx has the field event, which
// then needs the full (and possibly failing) operation.
bool HasMetamethod(lua_State* L, int idx, const char* event) {
  if (!lua_getmetatable(L, idx)) return false;
  lua_pushstring(L, event);
  lua_rawget(L, -2);
  bool has = !lua_isnil(L, -1);
  lua_pop(L, 2);
  return has;
}

}  // namespace

LuaObject::LuaObject(LuaState* state) {
  if (!ORVLUA_CHECK(kUnit, state != nullptr)) return;
  Rebind(state->GetCState(), kUnit);
}

LuaObject::LuaObject(lua_State* L, int stackIndex) {
  if (Rebind(L, kUnit)) TakeValue(L, stackIndex);
}

LuaObject::LuaObject(const LuaObject& other) {
  if (other.state_ && Rebind(other.GetCState(), kUnit)) CopyValueFrom(other);
}

LuaObject::LuaObject(LuaObject&& other) noexcept {
  if (!other.state_) return;
  Link(Detail::RecordOf(other.GetCState()));
  TakeValueFrom(other);
}

void LuaObject::TakeValueFrom(LuaObject& other) {
  tag_ = other.tag_;
  ref_ = other.ref_;
  number_ = other.number_;
  pointer_ = other.pointer_;
  length_ = other.length_;
  boolean_ = other.boolean_;
  other.ref_ = LUA_NOREF;
  other.tag_ = TagNil;
  other.Unlink();
}

LuaObject& LuaObject::operator=(const LuaObject& other) {
  if (this == &other) return *this;
  if (!other.state_) {
    if (state_) {
      ClearValue();
      Unlink();
    }
    return *this;
  }
  if (Rebind(other.GetCState(), kUnit)) {
    ClearValue();
    CopyValueFrom(other);
  }
  return *this;
}

LuaObject& LuaObject::operator=(LuaObject&& other) noexcept {
  if (this == &other) return *this;
  if (state_) {
    ClearValue();
    if (state_ != other.state_) Unlink();
  }
  if (!other.state_) return *this;
  if (!state_) Link(Detail::RecordOf(other.GetCState()));
  TakeValueFrom(other);
  return *this;
}

LuaObject::~LuaObject() {
  if (state_) {
    ClearValue();
    Unlink();
  }
}

void LuaObject::Link(Detail::StateRecord* record) {
  next = record->head;
  record->head->prev = &next;
  record->head = this;
  prev = &record->head;
  state_ = LuaState::CastState(record->mainThread);
}

void LuaObject::Unlink() {
  *prev = next;
  next->prev = prev;
  next = nullptr;
  prev = nullptr;
  state_ = nullptr;
  tag_ = TagNil;
}

void LuaObject::ClearValue() {
  if (ref_ != LUA_NOREF) {
    lua_State* L = GetCState();
    lua_checkstack(L, 2);
    luaL_unref(L, LUA_REGISTRYINDEX, ref_);
    ref_ = LUA_NOREF;
  }
  tag_ = TagNil;
  number_ = 0;
  pointer_ = nullptr;
  length_ = 0;
  boolean_ = false;
}

void LuaObject::ForgetState() {
  ref_ = LUA_NOREF;
  ClearValue();
  next = nullptr;
  prev = nullptr;
  state_ = nullptr;
}

void LuaObject::TakeValue(lua_State* L, int idx) {
  int type = lua_type(L, idx);
  switch (type) {
    case LUA_TNONE:
    case LUA_TNIL:
      tag_ = TagNil;
      return;
    case LUA_TBOOLEAN:
      boolean_ = lua_toboolean(L, idx) != 0;
      break;
    case LUA_TLIGHTUSERDATA:
      pointer_ = lua_touserdata(L, idx);
      break;
    case LUA_TNUMBER:
      number_ = lua_tonumber(L, idx);
      break;
    default: {
      if (!lua_checkstack(L, 3)) {
        ReportAssertion("lua_checkstack(L, 3)", kUnit);
        tag_ = TagNil;
        return;
      }
      if (type == LUA_TSTRING) {
        size_t len = 0;
        pointer_ = lua_tolstring(L, idx, &len);
        length_ = len;
      } else if (type == LUA_TUSERDATA) {
        pointer_ = lua_touserdata(L, idx);
        length_ = lua_objlen(L, idx);
        if (lua_iswstring(L, idx)) {
          // The block starts with the length; readers want the characters.
          pointer_ = lua_tolwstring(L, idx, &length_);
          type = TagWString;
        }
      } else {
        pointer_ = lua_topointer(L, idx);
      }
      lua_pushvalue(L, idx);
      ref_ = luaL_ref(L, LUA_REGISTRYINDEX);
      break;
    }
  }
  tag_ = type;
}

void LuaObject::CopyValueFrom(const LuaObject& other) {
  tag_ = other.tag_;
  number_ = other.number_;
  pointer_ = other.pointer_;
  length_ = other.length_;
  boolean_ = other.boolean_;
  if (other.ref_ != LUA_NOREF) {
    lua_State* L = GetCState();
    lua_checkstack(L, 3);
    lua_rawgeti(L, LUA_REGISTRYINDEX, other.ref_);
    ref_ = luaL_ref(L, LUA_REGISTRYINDEX);
  }
}

bool LuaObject::Rebind(lua_State* L, const char* unit) {
  Detail::StateRecord* record = L ? Detail::RecordOf(L) : nullptr;
  if (!record) {
    ReportAssertion("state made by LuaState::Create", unit);
    return false;
  }
  LuaState* main = LuaState::CastState(record->mainThread);
  if (state_ != main) {
    if (state_) {
      ClearValue();
      Unlink();
    }
    Link(record);
  }
  return true;
}

double LuaObject::GetNumber() const {
  ORVLUA_CHECK(kUnit, IsBound() && IsNumber());
  return number_;
}

float LuaObject::GetFloat() const {
  ORVLUA_CHECK(kUnit, IsBound() && IsNumber());
  return static_cast<float>(number_);
}

int LuaObject::GetInteger() const {
  ORVLUA_CHECK(kUnit, IsBound() && IsNumber());
  return SaturateToInt(number_);
}

const char* LuaObject::GetString() const {
  if (!ORVLUA_CHECK(kUnit, IsBound() && IsString())) return nullptr;
  return static_cast<const char*>(pointer_);
}

const char16_t* LuaObject::GetWString() const {
  if (!ORVLUA_CHECK(kUnit, IsBound() && IsWString())) return nullptr;
  return static_cast<const char16_t*>(pointer_);
}

bool LuaObject::GetBoolean() const {
  if (tag_ == TagNil) return false;
  if (!ORVLUA_CHECK(kUnit, IsBoolean())) return true;
  return boolean_;
}

size_t LuaObject::StrLen() const {
  if (!ORVLUA_CHECK(kUnit, IsBound())) return 0;
  switch (tag_) {
    case TagString:
    case TagUserData:
      return length_;
    case TagWString:
      return length_;
    default:
      ReportAssertion("IsString() || IsWString() || IsUserData()", kUnit);
      return 0;
  }
}

lua_CFunction LuaObject::GetCFunction() const {
  if (!ORVLUA_CHECK(kUnit, IsBound() && IsFunction())) return nullptr;
  lua_State* L = GetCState();
  Push(L);
  lua_CFunction fn = lua_tocfunction(L, -1);
  lua_pop(L, 1);
  return fn;
}

void* LuaObject::GetUserData() const {
  if (!ORVLUA_CHECK(kUnit, IsBound() && (IsLightUserData() || IsUserData() || IsWString()))) return nullptr;
  return const_cast<void*>(pointer_);
}

const void* LuaObject::GetLuaPointer() const {
  if (!ORVLUA_CHECK(kUnit, IsBound())) return nullptr;
  switch (tag_) {
    case TagLightUserData:
    case TagUserData:
    case TagWString:
    case TagTable:
    case TagFunction:
      return pointer_;
    default:
      return nullptr;
  }
}

LuaObject LuaObject::GetMetatable() const {
  if (!ORVLUA_CHECK(kUnit, IsBound())) return LuaObject();
  lua_State* L = GetCState();
  int top = lua_gettop(L);
  Push(L);
  LuaObject result(state_);
  if (lua_getmetatable(L, -1)) result.TakeValue(L, -1);
  lua_settop(L, top);
  return result;
}

void LuaObject::Push() const {
  if (!ORVLUA_CHECK(kUnit, IsBound())) return;
  Push(GetCState());
}

void LuaObject::Push(lua_State* L) const {
  if (!lua_checkstack(L, 1)) {
    ReportAssertion("lua_checkstack(L, 1)", kUnit);
    return;
  }
  if (state_ == nullptr) {
    lua_pushnil(L);
    return;
  }
  if (L != GetCState()) {
    Detail::StateRecord* record = Detail::RecordOf(L);
    if (!record || record->mainThread != GetCState()) {
      ReportAssertion("same state", kUnit);
      lua_pushnil(L);
      return;
    }
  }
  switch (tag_) {
    case TagNil:
      lua_pushnil(L);
      break;
    case TagBoolean:
      lua_pushboolean(L, boolean_);
      break;
    case TagLightUserData:
      lua_pushlightuserdata(L, const_cast<void*>(pointer_));
      break;
    case TagNumber:
      lua_pushnumber(L, number_);
      break;
    default:
      lua_rawgeti(L, LUA_REGISTRYINDEX, ref_);
      break;
  }
}

LuaObject LuaObject::GetByName(const char* key) const {
  std::string error;
  return GetByName(key, error, false);
}

LuaObject LuaObject::GetByName(const char* key, std::string& error) const { return GetByName(key, error, true); }

LuaObject LuaObject::GetByName(const char* key, std::string& error, bool keepError) const {
  if (!ORVLUA_CHECK(kUnit, IsBound())) return LuaObject();
  lua_State* L = GetCState();
  int top = lua_gettop(L);
  lua_checkstack(L, 1);
  Push(L);
  LuaObject result = GetField(L, top + 1, key, keepError ? &error : nullptr);
  lua_settop(L, top);
  return result;
}

LuaObject LuaObject::GetField(lua_State* L, int tableIndex, const char* key, std::string* error) {
  LuaObject result;
  if (!result.Rebind(L, kUnit)) return result;
  int top = lua_gettop(L);
  lua_checkstack(L, 6);
  lua_pushvalue(L, tableIndex);
  lua_pushstring(L, key);
  if (lua_istable(L, top + 1)) {
    lua_pushvalue(L, -1);
    lua_rawget(L, top + 1);
    // A present key, or no __index to consult: the raw read is the answer.
    if (!lua_isnil(L, -1) || !HasMetamethod(L, top + 1, "__index")) {
      result.TakeValue(L, -1);
      lua_settop(L, top);
      return result;
    }
    lua_pop(L, 1);
  } else {
    ReportAssertion("IsTable()", kUnit);
  }
  if (Detail::ProtectedCall(L, &GetTableProtected, 2, 1) == 0) {
    result.TakeValue(L, -1);
  } else if (error != nullptr) {
    const char* text = lua_tostring(L, -1);
    *error = text != nullptr ? text : std::string("(error object is a ") + luaL_typename(L, -1) + " value)";
  } else {
    ReportScriptError(L, kUnit);
  }
  lua_settop(L, top);
  return result;
}

LuaObject LuaObject::GetByIndex(int index) const {
  if (!ORVLUA_CHECK(kUnit, IsBound())) return LuaObject();
  LuaObject result(state_);
  if (!ORVLUA_CHECK(kUnit, IsTable())) return result;
  lua_State* L = GetCState();
  lua_checkstack(L, 2);
  Push(L);
  lua_rawgeti(L, -1, index);
  result.TakeValue(L, -1);
  lua_pop(L, 2);
  return result;
}

void LuaObject::StoreTop(lua_State* L, int top) const {
  if (tag_ == TagTable) {
    lua_pushvalue(L, top + 2);
    lua_rawget(L, top + 1);
    bool present = !lua_isnil(L, -1);
    lua_pop(L, 1);
    if (present || !HasMetamethod(L, top + 1, "__newindex")) {
      lua_rawset(L, top + 1);
      lua_settop(L, top);
      return;
    }
  } else {
    ReportAssertion("IsTable()", kUnit);
  }
  if (Detail::ProtectedCall(L, &SetTableProtected, 3, 0) != 0) ReportScriptError(L, kUnit);
  lua_settop(L, top);
}

#define ORVLUA_BEGIN_SET()                     \
  if (!ORVLUA_CHECK(kUnit, IsBound())) return; \
  lua_State* L = GetCState();                  \
  int top = lua_gettop(L);                     \
  lua_checkstack(L, 6);                        \
  Push(L)

void LuaObject::SetBoolean(const char* key, bool value) {
  ORVLUA_BEGIN_SET();
  lua_pushstring(L, key);
  lua_pushboolean(L, value);
  StoreTop(L, top);
}

void LuaObject::SetInteger(const char* key, int value) {
  ORVLUA_BEGIN_SET();
  lua_pushstring(L, key);
  lua_pushnumber(L, value);
  StoreTop(L, top);
}

void LuaObject::SetInteger(int key, int value) {
  ORVLUA_BEGIN_SET();
  lua_pushnumber(L, key);
  lua_pushnumber(L, value);
  StoreTop(L, top);
}

void LuaObject::SetNumber(const char* key, double value) {
  ORVLUA_BEGIN_SET();
  lua_pushstring(L, key);
  lua_pushnumber(L, value);
  StoreTop(L, top);
}

void LuaObject::SetLightUserData(const char* key, void* value) {
  ORVLUA_BEGIN_SET();
  lua_pushstring(L, key);
  lua_pushlightuserdata(L, value);
  StoreTop(L, top);
}

void LuaObject::SetString(const char* key, const char* value, int len) {
  ORVLUA_BEGIN_SET();
  lua_pushstring(L, key);
  if (!value) {
    lua_pushnil(L);
  } else if (len < 0) {
    lua_pushstring(L, value);
  } else {
    lua_pushlstring(L, value, static_cast<size_t>(len));
  }
  StoreTop(L, top);
}

void LuaObject::SetObject(const char* key, const LuaObject& value) {
  if (!ORVLUA_CHECK(kUnit, value.GetState() == state_)) return;
  ORVLUA_BEGIN_SET();
  lua_pushstring(L, key);
  value.Push(L);
  StoreTop(L, top);
}

void LuaObject::SetObject(int key, const LuaObject& value) {
  if (!ORVLUA_CHECK(kUnit, value.GetState() == state_)) return;
  ORVLUA_BEGIN_SET();
  lua_pushnumber(L, key);
  value.Push(L);
  StoreTop(L, top);
}

LuaObject LuaObject::CreateTable(const char* key, int narray, int nhash) {
  if (!ORVLUA_CHECK(kUnit, IsBound())) return LuaObject();
  lua_State* L = GetCState();
  int top = lua_gettop(L);
  lua_checkstack(L, 6);
  LuaObject result(state_);
  Push(L);
  lua_pushstring(L, key);
  lua_createtable(L, narray > 0 ? narray : 0, nhash > 0 ? nhash : 0);
  result.TakeValue(L, -1);
  StoreTop(L, top);
  return result;
}

void LuaObject::SetMetatable(const LuaObject& metatable) {
  if (!ORVLUA_CHECK(kUnit, IsBound())) return;
  lua_State* L = GetCState();
  int top = lua_gettop(L);
  lua_checkstack(L, 2);
  Push(L);
  if (metatable.IsTable() && ORVLUA_CHECK(kUnit, metatable.GetState() == state_)) {
    metatable.Push(L);
  } else {
    lua_pushnil(L);
  }
  lua_setmetatable(L, -2);
  lua_settop(L, top);
}

void LuaObject::Insert(int index, const LuaObject& value) {
  if (!ORVLUA_CHECK(kUnit, IsBound() && IsTable())) return;
  if (!ORVLUA_CHECK(kUnit, value.GetState() == state_)) return;
  lua_State* L = GetCState();
  int top = lua_gettop(L);
  lua_checkstack(L, 6);
  Push(L);
  lua_pushnumber(L, index);
  value.Push(L);
  if (Detail::ProtectedCall(L, &InsertProtected, 3, 0) != 0) ReportScriptError(L, "LuaCall");
  lua_settop(L, top);
}

void LuaObject::AssignNil(LuaState* state) {
  if (!ORVLUA_CHECK(kUnit, state != nullptr)) return;
  if (Rebind(state->GetCState(), kUnit)) ClearValue();
}

void LuaObject::AssignInteger(LuaState* state, int value) { AssignNumber(state, value); }

void LuaObject::AssignNumber(LuaState* state, double value) {
  if (!ORVLUA_CHECK(kUnit, state != nullptr)) return;
  if (!Rebind(state->GetCState(), kUnit)) return;
  ClearValue();
  tag_ = TagNumber;
  number_ = value;
}

void LuaObject::AssignString(LuaState* state, const char* value, int len) {
  if (!ORVLUA_CHECK(kUnit, state != nullptr)) return;
  if (!Rebind(state->GetCState(), kUnit)) return;
  ClearValue();
  if (!value) return;
  lua_State* L = GetCState();
  lua_checkstack(L, 1);
  if (len < 0) {
    lua_pushstring(L, value);
  } else {
    lua_pushlstring(L, value, static_cast<size_t>(len));
  }
  TakeValue(L, -1);
  lua_pop(L, 1);
}

void LuaObject::AssignNewTable(LuaState* state, int narray, int nhash) {
  if (!ORVLUA_CHECK(kUnit, state != nullptr)) return;
  if (!Rebind(state->GetCState(), kUnit)) return;
  ClearValue();
  lua_State* L = GetCState();
  lua_checkstack(L, 1);
  lua_createtable(L, narray > 0 ? narray : 0, nhash > 0 ? nhash : 0);
  TakeValue(L, -1);
  lua_pop(L, 1);
}

void LuaObject::AssignFromStack(lua_State* L, int stackIndex) {
  if (!ORVLUA_CHECK(kUnit, L != nullptr)) return;
  if (!Rebind(L, kUnit)) return;
  ClearValue();
  TakeValue(L, stackIndex);
}

void LuaObject::RegisterHelper(const char* name, lua_CFunction dispatcher, const void* callee,
                               unsigned sizeofCallee, const void* function, unsigned sizeofFunction) {
  ORVLUA_BEGIN_SET();
  lua_pushstring(L, name);
  auto* block = static_cast<unsigned char*>(lua_newuserdata(L, sizeofCallee + sizeofFunction));
  if (sizeofCallee) std::memcpy(block, callee, sizeofCallee);
  if (sizeofFunction) std::memcpy(block + sizeofCallee, function, sizeofFunction);
  lua_pushcclosure(L, dispatcher, 1);
  StoreTop(L, top);
}

int LuaObject::CallbackDispatcher(lua_State* L) {
  int upvalue = lua_upvalueindex(1);
  lua_CFunction fn = nullptr;
  if (lua_type(L, upvalue) == LUA_TLIGHTUSERDATA) {
    fn = reinterpret_cast<lua_CFunction>(lua_touserdata(L, upvalue));
  } else if (lua_type(L, upvalue) == LUA_TUSERDATA && lua_objlen(L, upvalue) >= sizeof fn) {
    std::memcpy(&fn, lua_touserdata(L, upvalue), sizeof fn);
  }
  if (!fn) return luaL_error(L, "this engine function has nothing to call");
  return fn(L);
}

}  // namespace OrvLua
