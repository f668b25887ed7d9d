#pragma once
// How a system puts its script functions and constants into a scripted
// object's state. Each system has one entry point (its object-added hook)
// that asks for the object's script here and one registration function whose
// body is its list of names, in order:
//
//   void AudioSystem::OnGameObjectAdded(ObjectLockPtr<GameObject> object) {
//     if (auto script = ScriptToRegisterInto(object)) RegisterScriptFunctions(*script);
//   }
//
// The functions themselves go through ScriptComponent::RegisterDirect (a
// system's member) and ScriptComponent::RegisterNewFunctor (a functor made
// for this one object and kept by its component).
#include <memory>
#include <span>

#include "core/ObjectLockPtr.h"

namespace Orv {

class GameObject;
class ScriptComponent;

// A global integer a system sets in every scripted object's state.
struct ScriptConstant {
  const char* name;
  int value;
};

// The object's script component while the object lives; null otherwise.
std::shared_ptr<ScriptComponent> LiveScriptComponent(const ObjectLockPtr<GameObject>& object);

// The object's script component when it can take registrations: the object
// lives, is scripted and its component has a state. Null otherwise.
std::shared_ptr<ScriptComponent> ScriptToRegisterInto(const ObjectLockPtr<GameObject>& object);

// Sets each constant as a global integer, in the table's order.
void SetScriptConstants(ScriptComponent& script, std::span<const ScriptConstant> constants);

}  // namespace Orv
