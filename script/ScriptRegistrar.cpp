#include "script/ScriptRegistrar.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "core/GameObject.h"
#include "script/ScriptComponent.h"

namespace Orv {

namespace {

struct Registration {
  const void* system;
  ScriptRegistration registers;
};

struct EngineRegistrations {
  const App* engine;
  std::vector<Registration> list;
};

// One list per engine; a process mostly runs one.
std::vector<EngineRegistrations>& Lists() {
  static std::vector<EngineRegistrations> lists;
  return lists;
}

std::vector<EngineRegistrations>::iterator ListOf(const App* engine) {
  return std::find_if(Lists().begin(), Lists().end(),
                      [engine](const EngineRegistrations& each) { return each.engine == engine; });
}

}  // namespace

void AddScriptRegistration(const App* engine, const void* system, ScriptRegistration registration) {
  auto list = ListOf(engine);
  if (list == Lists().end()) list = Lists().insert(Lists().end(), {engine, {}});
  for (Registration& each : list->list) {
    if (each.system != system) continue;
    each.registers = std::move(registration);
    return;
  }
  list->list.push_back({system, std::move(registration)});
}

void RunScriptRegistrations(const App* engine, const ObjectLockPtr<GameObject>& object) {
  std::shared_ptr<ScriptComponent> script = ScriptToRegisterInto(object);
  if (!script) return;
  auto list = ListOf(engine);
  if (list == Lists().end()) return;
  // Registering runs no script: nothing can change the list meanwhile.
  for (const Registration& each : list->list) each.registers(*script, object);
}

void ForgetScriptRegistrations(const App* engine) {
  auto list = ListOf(engine);
  if (list != Lists().end()) Lists().erase(list);
}

std::shared_ptr<ScriptComponent> LiveScriptComponent(const ObjectLockPtr<GameObject>& object) {
  auto locked = object.Lock();
  if (!Lives(locked)) return nullptr;
  return locked->LockComponent<ScriptComponent>();
}

std::shared_ptr<ScriptComponent> ScriptToRegisterInto(const ObjectLockPtr<GameObject>& object) {
  std::shared_ptr<ScriptComponent> script = LiveScriptComponent(object);
  if (!script || script->GetState() == nullptr) return nullptr;
  return script;
}

void SetScriptConstants(ScriptComponent& script, std::span<const ScriptConstant> constants) {
  for (const ScriptConstant& constant : constants) script.SetGlobalInteger(constant.name, constant.value);
}

}  // namespace Orv
