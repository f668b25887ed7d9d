#include "script/TableCopy.h"

#include <set>
#include <string>

#include "LuaTableIterator.h"
#include "core/Report.h"
#include "script/ScriptComponent.h"

namespace Orv {

namespace {

// Each nested table is copied by a call inside the one before, on the one C
// stack: a chain of tables a script builds in a loop could be nested deeper
// than that stack. Tables deeper than this are left out of the copy.
constexpr int kMaxCopyDepth = 200;

struct CopyWalk {
  ScriptComponent& receiver;
  // The tables being copied right now, outermost first.
  std::set<const void*> path;
  bool cutShort = false;
};

void CopyInto(OrvLua::LuaObject& target, const OrvLua::LuaObject& source, CopyWalk& walk) {
  walk.path.insert(source.GetLuaPointer());
  for (OrvLua::LuaTableIterator it(source); it; ++it) {
    const OrvLua::LuaObject& key = it.GetKey();
    if (!key.IsString()) continue;
    const OrvLua::LuaObject& value = it.GetValue();
    const char* name = key.GetString();
    switch (value.Type()) {
      case OrvLua::LuaObject::TagString: target.SetString(name, value.GetString()); break;
      case OrvLua::LuaObject::TagNumber: target.SetNumber(name, value.GetNumber()); break;
      case OrvLua::LuaObject::TagBoolean: target.SetBoolean(name, value.GetBoolean()); break;
      case OrvLua::LuaObject::TagTable: {
        // A table inside itself would be copied forever.
        if (walk.path.count(value.GetLuaPointer()) != 0) break;
        if (walk.path.size() >= kMaxCopyDepth) {
          walk.cutShort = true;
          break;
        }
        OrvLua::LuaObject copy = walk.receiver.NewTable();
        CopyInto(copy, value, walk);
        target.SetObject(name, copy);
        break;
      }
      default: break;
    }
  }
  walk.path.erase(source.GetLuaPointer());
}

}  // namespace

OrvLua::LuaObject CopyTableToState(ScriptComponent& receiver, const OrvLua::LuaObject& source) {
  OrvLua::LuaObject copy = receiver.NewTable();
  if (!source.IsTable() || !copy.IsBound()) return copy;
  CopyWalk walk{receiver, {}, false};
  CopyInto(copy, source, walk);
  if (walk.cutShort) {
    PrintErrorLine("Error! A table nested more than " + std::to_string(kMaxCopyDepth) +
                   " deep was copied without its deeper tables");
  }
  return copy;
}

}  // namespace Orv
