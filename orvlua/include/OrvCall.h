#pragma once
// Engine functions called from scripts. Every script function is a C closure
// whose one upvalue carries the callee buffer: the engine object to call and
// the member function to call on it. One dispatcher and one marshaller per
// member signature serve every registration of that signature.
//
// The marshaller is strict: each argument must carry exactly the Lua type its
// parameter needs (no coercion between numbers and strings, nil is no
// boolean) or the call fails with "bad argument #n to 'Name' (bad argument)"
// before the member runs. A parameter of kind Finite<T> also refuses a number
// that is not finite once narrowed to T: the member is not called (a result
// reads nil) and one error line names the function and the object of the
// state, the first time for the two.
#include <cmath>
#include <cstddef>
#include <cstring>
#include <tuple>
#include <type_traits>
#include <utility>

#include <lua.hpp>

#include "FiniteArg.h"
#include "LuaObject.h"
#include "NumberConversion.h"

namespace OrvCall {

// The block of the closure's upvalue. Methods of object tables keep the
// member alone: their object comes from the call's first argument.
template <typename Callee, typename Member>
struct CalleeBuffer {
  Callee* callee;
  Member member;
};

// Raises the script error of a closure that carries no callee buffer.
[[noreturn]] void NoCalleeBuffer(lua_State* L);
// Raises the message as the script error of the running call.
[[noreturn]] void RaiseScriptError(lua_State* L, const std::string& message);

// Copies the buffer out of upvalue 1 (a full userdata's block, or the
// pointer of a light userdata). Only the binding makes these closures, and
// scripts cannot reach the upvalues of C functions, so the block is trusted.
inline void ReadCalleeBuffer(lua_State* L, void* out, size_t size) {
  void* block = lua_touserdata(L, lua_upvalueindex(1));
  if (!block) NoCalleeBuffer(L);
  std::memcpy(out, block, size);
}

// The object a method of an object table is called on: argument 1, a full
// userdata (the pointer at the start of its block) or a table whose raw
// "__object" field is a userdata. A full userdata with a metatable is a
// script's own value and is refused.
void* GetObjectUserData(lua_State* L);

// Script tables that stand for one engine object each (widgets). An object
// is bound to the one table it was handed out with, under the name of its
// kind, until it is unbound (before it is destroyed). A bound method of a
// kind finds its object only through such a table: a table whose object was
// unbound, a table of another kind, or a table holding a copy of another
// table's "__object" gives a script error instead of reaching freed or
// mistyped memory. The binding keeps a pointer to table, which must stay
// where it is until the object is unbound.
void BindObjectTable(void* object, const char* kind, const OrvLua::LuaObject* table);
void UnbindObjectTable(void* object);
// The object of argument 1, found as GetObjectUserData finds it and checked
// as above.
void* GetBoundObjectUserData(lua_State* L, const char* kind);

// Says once per function and calling object that a value that is not finite
// was ignored: the function as registered (the closure's name upvalue; the
// call site's name only for a closure without one), or the one given.
void ReportNotFinite(lua_State* L);
void ReportNotFinite(lua_State* L, const char* function);
// For a number a function reads by hand (from a table, or one it computes):
// true when finite, else reported as above.
bool FiniteOrReport(lua_State* L, double value, const char* function);

namespace Detail {

template <typename T>
struct ArgTraits;

// A tag below zero takes any value (handles).
template <>
struct ArgTraits<bool> {
  static constexpr int tag = LUA_TBOOLEAN;
  static bool Get(lua_State* L, int i) { return lua_toboolean(L, i) != 0; }
};
template <>
struct ArgTraits<int> {
  static constexpr int tag = LUA_TNUMBER;
  static int Get(lua_State* L, int i) { return OrvLua::SaturateToInt(lua_tonumber(L, i)); }
};
template <>
struct ArgTraits<unsigned> {
  static constexpr int tag = LUA_TNUMBER;
  static unsigned Get(lua_State* L, int i) { return OrvLua::ToUnsigned(lua_tonumber(L, i)); }
};
template <>
struct ArgTraits<unsigned char> {
  static constexpr int tag = LUA_TNUMBER;
  static unsigned char Get(lua_State* L, int i) { return OrvLua::ToUnsignedChar(lua_tonumber(L, i)); }
};
template <>
struct ArgTraits<float> {
  static constexpr int tag = LUA_TNUMBER;
  static float Get(lua_State* L, int i) { return static_cast<float>(lua_tonumber(L, i)); }
};
template <>
struct ArgTraits<double> {
  static constexpr int tag = LUA_TNUMBER;
  static double Get(lua_State* L, int i) { return lua_tonumber(L, i); }
};
template <>
struct ArgTraits<const char*> {
  static constexpr int tag = LUA_TSTRING;
  static const char* Get(lua_State* L, int i) { return lua_tostring(L, i); }
};
template <>
struct ArgTraits<OrvLua::LuaObject> {
  static constexpr int tag = -1;
  static OrvLua::LuaObject Get(lua_State* L, int i) { return OrvLua::LuaObject(L, i); }
};

template <typename T>
struct ArgTraits<Finite<T>> {
  static constexpr int tag = LUA_TNUMBER;
  static constexpr bool kFinite = true;
  static Finite<T> Get(lua_State* L, int i) { return {static_cast<T>(lua_tonumber(L, i))}; }
};

template <typename T>
using Arg = ArgTraits<std::remove_cvref_t<T>>;

// An argument that refuses a value that is not a finite number.
template <typename T>
inline constexpr bool kFiniteArg = requires {
  Arg<T>::kFinite;
};
template <typename Args>
struct AnyFiniteArg;
template <typename... A>
struct AnyFiniteArg<std::tuple<A...>> : std::bool_constant<(kFiniteArg<A> || ... || false)> {};

template <typename T>
inline bool ArgFinite(lua_State* L, int index) {
  if constexpr (kFiniteArg<T>) {
    return std::isfinite(Arg<T>::Get(L, index).value);
  } else {
    return true;
  }
}

inline void PushResult(lua_State* L, bool value) { lua_pushboolean(L, value); }
inline void PushResult(lua_State* L, int value) { lua_pushnumber(L, value); }
inline void PushResult(lua_State* L, char value) { lua_pushnumber(L, static_cast<signed char>(value)); }
inline void PushResult(lua_State* L, signed char value) { lua_pushnumber(L, value); }
inline void PushResult(lua_State* L, unsigned char value) { lua_pushnumber(L, value); }
inline void PushResult(lua_State* L, unsigned value) { lua_pushnumber(L, static_cast<double>(value)); }
inline void PushResult(lua_State* L, float value) { lua_pushnumber(L, value); }
inline void PushResult(lua_State* L, double value) { lua_pushnumber(L, value); }
inline void PushResult(lua_State* L, const char* value) {
  if (value) {
    lua_pushstring(L, value);
  } else {
    lua_pushnil(L);
  }
}
// An unbound handle, or one of another state, pushes nil.
inline void PushResult(lua_State* L, const OrvLua::LuaObject& value) { value.Push(L); }
inline void PushResult(lua_State* L, const OrvLua::LuaObjectOrError& result) {
  if (!result.error.empty()) OrvCall::RaiseScriptError(L, result.error);
  result.value.Push(L);
}

template <typename Member>
struct MemberTraits;
template <typename C, typename R, typename... A>
struct MemberTraits<R (C::*)(A...)> {
  using Class = C;
  using Result = R;
  using Args = std::tuple<A...>;
};
template <typename C, typename R, typename... A>
struct MemberTraits<R (C::*)(A...) const> : MemberTraits<R (C::*)(A...)> {};
template <typename C, typename R, typename... A>
struct MemberTraits<R (C::*)(A...) noexcept> : MemberTraits<R (C::*)(A...)> {};
template <typename C, typename R, typename... A>
struct MemberTraits<R (C::*)(A...) const noexcept> : MemberTraits<R (C::*)(A...)> {};

template <typename T>
inline void CheckArg(lua_State* L, int index) {
  if constexpr (Arg<T>::tag >= 0) {
    if (lua_type(L, index) != Arg<T>::tag) luaL_argerror(L, index, "bad argument");
  }
}

template <int S, typename Callee, typename Member, size_t... I>
int CallWith(Callee& callee, Member member, lua_State* L, std::index_sequence<I...>) {
  using Traits = MemberTraits<Member>;
  using Args = typename Traits::Args;
  // Every argument is tested, in order, before any is converted.
  (CheckArg<std::tuple_element_t<I, Args>>(L, S + static_cast<int>(I)), ...);
  if (!(ArgFinite<std::tuple_element_t<I, Args>>(L, S + static_cast<int>(I)) && ...)) {
    ReportNotFinite(L);
    return 0;
  }
  if constexpr (std::is_void_v<typename Traits::Result>) {
    (callee.*member)(Arg<std::tuple_element_t<I, Args>>::Get(L, S + static_cast<int>(I))...);
    return 0;
  } else {
    PushResult(L, (callee.*member)(Arg<std::tuple_element_t<I, Args>>::Get(L, S + static_cast<int>(I))...));
    return 1;
  }
}

}  // namespace Detail

// True when a member takes a Finite<T>: its closure carries its name.
template <typename Member>
inline constexpr bool kTakesFinite = Detail::AnyFiniteArg<typename Detail::MemberTraits<Member>::Args>::value;

// Tests, converts, calls, pushes. Arguments start at stack index S; extra
// arguments are ignored. Returns the number of results (0 or 1).
template <int S, typename Callee, typename Member>
int Call(Callee& callee, Member member, lua_State* L) {
  constexpr size_t n = std::tuple_size_v<typename Detail::MemberTraits<Member>::Args>;
  return Detail::CallWith<S>(callee, member, L, std::make_index_sequence<n>{});
}

// The C function of every global engine function of one signature.
template <typename Callee, typename Member>
int DirectCallMemberDispatcher(lua_State* L) {
  CalleeBuffer<Callee, Member> buffer;
  ReadCalleeBuffer(L, &buffer, sizeof buffer);
  return Call<1>(*buffer.callee, buffer.member, L);
}

// The C function of every method of object tables of one signature: the
// object is argument 1, the method's arguments start at 2.
template <typename Callee, typename Member>
int ObjectDirectCallMemberDispatcher(lua_State* L) {
  Member member;
  ReadCalleeBuffer(L, &member, sizeof member);
  auto* object = static_cast<Callee*>(GetObjectUserData(L));
  return Call<2>(*object, member, L);
}

// The same for object tables of a bound kind: Callee::ScriptKind names it.
template <typename Callee, typename Member>
int BoundObjectCallMemberDispatcher(lua_State* L) {
  Member member;
  ReadCalleeBuffer(L, &member, sizeof member);
  auto* object = static_cast<Callee*>(GetBoundObjectUserData(L, Callee::ScriptKind));
  return Call<2>(*object, member, L);
}

}  // namespace OrvCall
