#pragma once
// The functions of the `wstring` library, in registration order.
#include <lua.hpp>

namespace OrvLua {

const luaL_Reg* WStringLibFunctions();

}  // namespace OrvLua
