#pragma once
// The functors the GUI makes for each scripted object: the widget creations
// and the property view, bound to the object whose state they were
// registered into.
#include <utility>

#include "LuaObject.h"
#include "core/ObjectFunc.h"
#include "render/GUISystem.h"

namespace Orv {

// The widget made from the creation table, its script table made in the
// object's state; nil once the object is gone, dead or unscripted.
template <typename Widget>
class GUISystem::CreateWidget : public SystemObjectFunc<GUISystem> {
 public:
  using SystemObjectFunc::SystemObjectFunc;
  OrvLua::LuaObjectOrError operator()(OrvLua::LuaObject desc);
};

// Opens the object's tweak bar, "GameObject(<id>)", once: a later call
// keeps the bar it has.
class GUISystem::CreatePropertyView : public ObjectFunc {
 public:
  using ObjectFunc::ObjectFunc;
  void operator()();
};

}  // namespace Orv
