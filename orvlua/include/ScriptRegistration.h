#pragma once
// How engine objects put their functions into a script's state. The closure
// does not own its callee: systems live for the run, and whoever registers a
// functor keeps it (the script component's functor list) until the state
// is closed.
#include "LuaObject.h"
#include "LuaState.h"
#include "OrvCall.h"

namespace OrvCall {

// globals[name] = callee->*member. Nothing happens without a state (or
// without a callee, which every call would crash on); a later registration
// under the same name replaces the earlier one.
template <typename Callee, typename Member>
void RegisterDirect(OrvLua::LuaState* state, const char* name, Callee* callee, Member member) {
  if (!state || !callee) return;
  OrvLua::LuaObject globals = state->GetGlobals();
  globals.RegisterHelper(name, &DirectCallMemberDispatcher<Callee, Member>, &callee, sizeof callee, &member,
                         sizeof member);
}

// globals[name] = the functor's call operator.
template <typename Functor>
void RegisterFunctor(OrvLua::LuaState* state, const char* name, Functor* functor) {
  RegisterDirect(state, name, functor, &Functor::operator());
}

// metatable[name] = a method for script tables standing for a Callee: the
// object is found under the table's raw "__object" key.
template <typename Callee, typename Member>
void RegisterMethod(OrvLua::LuaObject& metatable, const char* name, Member member) {
  metatable.RegisterHelper(name, &ObjectDirectCallMemberDispatcher<Callee, Member>, nullptr, 0, &member,
                           sizeof member);
}

}  // namespace OrvCall
