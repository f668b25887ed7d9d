#pragma once
// Calls a script function held in a handle, always protected. A script error
// is reported and the call returns a handle on the error value; the stack is
// left as it was either way.
#include <type_traits>
#include <utility>

#include "LuaObject.h"

namespace OrvLua {

namespace Detail {
// The one result of function(number?, argument?); null pointers mean absent.
LuaObject CallScriptFunction(const LuaObject& function, const double* number, const LuaObject* argument);
}  // namespace Detail

template <typename R>
class LuaFunction {
  static_assert(std::is_same_v<R, LuaObject>, "script calls give one handle");

 public:
  explicit LuaFunction(LuaObject function) : function_(std::move(function)) {}

  R operator()() const { return Detail::CallScriptFunction(function_, nullptr, nullptr); }
  R operator()(double number) const { return Detail::CallScriptFunction(function_, &number, nullptr); }
  R operator()(const LuaObject& argument) const {
    return Detail::CallScriptFunction(function_, nullptr, &argument);
  }
  R operator()(double number, const LuaObject& argument) const {
    return Detail::CallScriptFunction(function_, &number, &argument);
  }


 private:
  LuaObject function_;
};

}  // namespace OrvLua
