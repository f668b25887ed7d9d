#pragma once
// How a system puts its script functions and constants into a scripted
// object's state. Each system hands this module one function when the engine
// registers it, and its body is the system's list of names, in order:
//
//   void AudioSystem::OnRegistered() { AddScriptRegistration(this, &AudioSystem::RegisterScriptFunctions); }
//
// The script start runs the engine's functions in system order on every new
// scripted object that has a state, before the object's script and Init. A
// function decides by the object what applies to it (only objects that
// collide, only bodies ...).
//
// The functions themselves go through ScriptComponent::RegisterDirect (a
// system's member) and ScriptComponent::RegisterNewFunctor (a functor made
// for this one object and kept by its component).
#include <functional>
#include <memory>
#include <span>

#include "core/ObjectLockPtr.h"

namespace Orv {

class App;
class GameObject;
class ScriptComponent;

// A global integer a system sets in every scripted object's state.
struct ScriptConstant {
  const char* name;
  int value;
};

// One system's part of a scripted object's start.
using ScriptRegistration = std::function<void(ScriptComponent& script, const ObjectLockPtr<GameObject>& object)>;

// Adds system's function to the list of its engine. Called as the engine
// registers the system, so the list is in system order, which decides which
// function wins a name two systems share. A system handing a second one
// replaces its first.
void AddScriptRegistration(const App* engine, const void* system, ScriptRegistration registration);

template <typename System>
void AddScriptRegistration(System* system,
                           void (System::*registers)(ScriptComponent&, const ObjectLockPtr<GameObject>&)) {
  AddScriptRegistration(system->GetOwner(), system,
                        [system, registers](ScriptComponent& script, const ObjectLockPtr<GameObject>& object) {
                          (system->*registers)(script, object);
                        });
}

// Runs the engine's list, in order, into the object's script when it can
// take registrations (see ScriptToRegisterInto).
void RunScriptRegistrations(const App* engine, const ObjectLockPtr<GameObject>& object);

// The engine is going: its systems and their list go with it.
void ForgetScriptRegistrations(const App* engine);

// The object's script component while the object lives; null otherwise.
std::shared_ptr<ScriptComponent> LiveScriptComponent(const ObjectLockPtr<GameObject>& object);

// The object's script component when it can take registrations: the object
// lives, is scripted and its component has a state. Null otherwise.
std::shared_ptr<ScriptComponent> ScriptToRegisterInto(const ObjectLockPtr<GameObject>& object);

// Sets each constant as a global integer, in the table's order.
void SetScriptConstants(ScriptComponent& script, std::span<const ScriptConstant> constants);

}  // namespace Orv
