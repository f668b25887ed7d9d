#include "platform/TweakBar.h"

#include <cstdint>
#include <map>

namespace {

struct Bar {
  std::string name;
  std::vector<Orv::Platform::TweakVar> variables;
};

struct Registry {
  bool initialised = false;
  int windowWidth = 0;
  int windowHeight = 0;
  std::uintptr_t lastHandle = 0;
  std::map<std::uintptr_t, Bar> bars;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

// A handle is the bar's number, never an address, so a handle kept after its
// bar was deleted cannot reach a newer bar.
std::uintptr_t Key(const TwBar* bar) { return reinterpret_cast<std::uintptr_t>(bar); }

Bar* Find(const TwBar* bar) {
  auto& bars = TheRegistry().bars;
  auto it = bars.find(Key(bar));
  return it != bars.end() ? &it->second : nullptr;
}

}  // namespace

int TwInit(TwGraphAPI, void*) {
  TheRegistry().initialised = true;
  return 1;
}

int TwTerminate() {
  auto& registry = TheRegistry();
  const bool was = registry.initialised;
  registry.bars.clear();
  registry.initialised = false;
  return was ? 1 : 0;
}

int TwWindowSize(int width, int height) {
  auto& registry = TheRegistry();
  registry.windowWidth = width;
  registry.windowHeight = height;
  return 1;
}

TwBar* TwNewBar(const char* name) {
  auto& registry = TheRegistry();
  const std::uintptr_t handle = ++registry.lastHandle;
  registry.bars[handle].name = name != nullptr ? name : "";
  return reinterpret_cast<TwBar*>(handle);
}

int TwDeleteBar(TwBar* bar) { return TheRegistry().bars.erase(Key(bar)) > 0 ? 1 : 0; }

int TwDeleteAllBars() {
  TheRegistry().bars.clear();
  return 1;
}

int TwAddVarRW(TwBar* bar, const char* name, TwType type, void* var, const char* definition) {
  Bar* found = Find(bar);
  if (found == nullptr || name == nullptr || var == nullptr) return 0;
  found->variables.push_back({name, type, var, definition != nullptr ? definition : ""});
  return 1;
}

namespace Orv::Platform {

bool TweakBarExists(const TwBar* bar) { return Find(bar) != nullptr; }

std::string TweakBarName(const TwBar* bar) {
  const Bar* found = Find(bar);
  return found != nullptr ? found->name : std::string();
}

std::vector<TweakVar> TweakBarVariables(const TwBar* bar) {
  const Bar* found = Find(bar);
  return found != nullptr ? found->variables : std::vector<TweakVar>();
}

std::size_t TweakBarCount() { return TheRegistry().bars.size(); }

}  // namespace Orv::Platform
