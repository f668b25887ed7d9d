#pragma once
// The functors the trail system makes for each scripted object.
#include <utility>

#include "FiniteArg.h"
#include "core/ObjectFunc.h"
#include "render/BackTrailSystem.h"

namespace Orv {

// "EnableTrailingEffect": on, interval, half-width, texture, alpha; a trail
// starts on the object at the next late update.
class BackTrailSystem::EnableTrailingEffectFunc : public SystemObjectFunc<BackTrailSystem> {
 public:
  using SystemObjectFunc::SystemObjectFunc;
  // A value that is not finite would stall the sampling or the colour.
  void operator()(bool on, OrvCall::Finite<float> interval, OrvCall::Finite<float> halfWidth, const char* texture,
                  OrvCall::Finite<float> alpha);
};

// "SetTrailingEffectTint": r, g, b of the object's trail tint.
class BackTrailSystem::SetTrailTintFunc : public ObjectFunc {
 public:
  using ObjectFunc::ObjectFunc;
  void operator()(OrvCall::Finite<float> r, OrvCall::Finite<float> g, OrvCall::Finite<float> b);
};

}  // namespace Orv
