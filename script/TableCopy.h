#pragma once
// The copy of a message table from the sender's state into the receiver's.
#include "LuaObject.h"

namespace Orv {

class ScriptComponent;

// Copies a table of another state (or this one) into the receiver's state:
// string keys with string, number, boolean and table values, tables copied
// depth first. Anything else is dropped; a table nested in itself is not
// followed back into itself, and tables more than 200 deep are left out
// with one error line.
OrvLua::LuaObject CopyTableToState(ScriptComponent& receiver, const OrvLua::LuaObject& source);

}  // namespace Orv
