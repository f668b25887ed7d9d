#pragma once
// How engine objects put their functions into a script's state. The closure
// does not own its callee: systems live for the run, and whoever registers a
// functor keeps it (the script component's functor list) until the state
// is closed.
#include <cstddef>
#include <memory>
#include <type_traits>
#include <vector>

#include "LuaObject.h"
#include "LuaState.h"
#include "OrvCall.h"

namespace OrvCall {

namespace Detail {

// globals[name] = a closure of dispatcher whose upvalue is a full userdata
// holding a copy of the size bytes of block. Every object start registers
// dozens of these: while nothing guards the globals table, the closure is
// stored raw, without a handle on it; once something does, the store honours
// __newindex.
// A closure of a function that refuses numbers that are not finite also
// carries its name as upvalue 2 (named true): its refusal names the function
// as registered, whatever the call site calls it.
void RegisterGlobalClosure(OrvLua::LuaState* state, const char* name, lua_CFunction dispatcher, const void* block,
                           std::size_t size, bool named = false);

// globals[name] = a closure of dispatcher whose upvalue is a light userdata
// on target, which the caller keeps in place for as long as the state lives.
// Stored raw while nothing guards the globals, otherwise through the handle.
void RegisterGlobalPointerClosure(OrvLua::LuaState* state, const char* name, lua_CFunction dispatcher,
                                  const void* target, bool named = false);

// table[name] = a closure of dispatcher whose upvalue is a light userdata on
// block, which lives to the end of the process; stored raw.
void RegisterSharedMethodClosure(OrvLua::LuaObject& table, const char* name, lua_CFunction dispatcher,
                                 const void* block, bool named = false);

}  // namespace Detail

// The one buffer for (callee, member); kept until the end of the process.
template <typename Callee, typename Member>
const CalleeBuffer<Callee, Member>* SharedCalleeBuffer(Callee* callee, Member member) {
  static std::vector<std::unique_ptr<CalleeBuffer<Callee, Member>>> buffers;
  for (const auto& buffer : buffers) {
    if (buffer->callee == callee && buffer->member == member) return buffer.get();
  }
  buffers.push_back(std::make_unique<CalleeBuffer<Callee, Member>>(CalleeBuffer<Callee, Member>{callee, member}));
  return buffers.back().get();
}

// globals[name] = callee->*member. Nothing happens without a state (or
// without a callee, which every call would crash on); a later registration
// under the same name replaces the earlier one.
template <typename Callee, typename Member>
void RegisterDirect(OrvLua::LuaState* state, const char* name, Callee* callee, Member member) {
  if (!state || !callee) return;
  const CalleeBuffer<Callee, Member> buffer{callee, member};
  Detail::RegisterGlobalClosure(state, name, &DirectCallMemberDispatcher<Callee, Member>, &buffer, sizeof buffer,
                                kTakesFinite<Member>);
}

// The same for a callee that outlives every state (an engine system): all
// states share one buffer per function, which saves an allocation per
// function per object.
template <typename Callee, typename Member>
void RegisterShared(OrvLua::LuaState* state, const char* name, Callee* callee, Member member) {
  if (!state || !callee) return;
  Detail::RegisterGlobalPointerClosure(state, name, &DirectCallMemberDispatcher<Callee, Member>,
                                       SharedCalleeBuffer(callee, member), kTakesFinite<Member>);
}

// globals[name] = the functor's call operator.
template <typename Functor>
void RegisterFunctor(OrvLua::LuaState* state, const char* name, Functor* functor) {
  RegisterDirect(state, name, functor, &Functor::operator());
}

// A functor that is plain bytes (copied and dropped without code) can live
// in its closure's own upvalue: no heap object per function per object, and
// it goes when the closure goes, which nothing else refers to.
template <typename Functor>
inline constexpr bool kFunctorFitsUpvalue = std::is_trivially_copyable_v<Functor> &&
                                            std::is_trivially_destructible_v<Functor> &&
                                            alignof(Functor) <= alignof(double) && alignof(Functor) <= alignof(void*);

template <typename Functor>
int UpvalueFunctorDispatcher(lua_State* L) {
  void* block = lua_touserdata(L, lua_upvalueindex(1));
  if (!block) NoCalleeBuffer(L);
  return Call<1>(*static_cast<Functor*>(block), &Functor::operator(), L);
}

// globals[name] = a copy of functor, called in place in the closure.
template <typename Functor>
void RegisterFunctorInUpvalue(OrvLua::LuaState* state, const char* name, const Functor& functor) {
  static_assert(kFunctorFitsUpvalue<Functor>);
  if (!state) return;
  Detail::RegisterGlobalClosure(state, name, &UpvalueFunctorDispatcher<Functor>, &functor, sizeof functor,
                                kTakesFinite<decltype(&Functor::operator())>);
}

// globals[name] = the call operator of a functor that its owner keeps in
// place for as long as the state lives.
template <typename Functor>
void RegisterFunctorInPlace(OrvLua::LuaState* state, const char* name, Functor* functor) {
  if (!state || !functor) return;
  Detail::RegisterGlobalPointerClosure(state, name, &UpvalueFunctorDispatcher<Functor>, functor,
                                       kTakesFinite<decltype(&Functor::operator())>);
}

// globals[name] = buffer->callee->*member, for a buffer kept the same way.
template <typename Callee, typename Member>
void RegisterDirectInPlace(OrvLua::LuaState* state, const char* name, CalleeBuffer<Callee, Member>* buffer) {
  if (!state || !buffer || !buffer->callee) return;
  Detail::RegisterGlobalPointerClosure(state, name, &DirectCallMemberDispatcher<Callee, Member>, buffer,
                                       kTakesFinite<Member>);
}

// metatable[name] = a method for script tables standing for a Callee: the
// object is found under the table's raw "__object" key.
template <typename Callee, typename Member>
void RegisterMethod(OrvLua::LuaObject& metatable, const char* name, Member member) {
  metatable.RegisterHelper(name, &ObjectDirectCallMemberDispatcher<Callee, Member>, nullptr, 0, &member, sizeof member);
}

// The same for tables of objects bound with BindObjectTable: the method
// reaches only a live object of Callee's kind through its own table. Every
// state's metatable of the kind shares one buffer per method.
template <typename Callee, typename Member>
void RegisterBoundMethod(OrvLua::LuaObject& metatable, const char* name, Member member) {
  static std::vector<std::unique_ptr<Member>> members;
  const Member* shared = nullptr;
  for (const auto& kept : members) {
    if (*kept == member) shared = kept.get();
  }
  if (!shared) shared = members.emplace_back(std::make_unique<Member>(member)).get();
  Detail::RegisterSharedMethodClosure(metatable, name, &BoundObjectCallMemberDispatcher<Callee, Member>, shared,
                                      kTakesFinite<Member>);
}

}  // namespace OrvCall
