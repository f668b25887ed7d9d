#pragma once
// Builds a protected call on a state's stack: the function, the arguments
// with <<, then LuaRun. The results (or the error value) stay on the stack
// from the returned slot on; the caller restores the top.
#include "LuaObject.h"
#include "LuaStackObject.h"

namespace OrvLua {

struct LuaRun {
  explicit LuaRun(int numResults = -1, int errorHandler = 0)
      : numResults(numResults), errorHandler(errorHandler) {}
  int numResults;
  int errorHandler;
};

class LuaCall {
 public:
  explicit LuaCall(const LuaObject& function);

  LuaCall& operator<<(int value);
  LuaCall& operator<<(const LuaObject& value);
  LuaStackObject operator<<(const LuaRun& run);

 private:
  lua_State* state_ = nullptr;
  int numArgs_ = 0;
  int startResults_ = 0;
};

}  // namespace OrvLua
