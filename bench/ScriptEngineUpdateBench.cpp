// One frame's Update pass of the script engine system over 1000 scripted
// objects, each with every system's functions, beside the bare cost of
// calling the same Update function in the same 1000 states with lua_pcall.
// Both run in one program, on the same states, so their ratio is what the
// engine's own walk adds per object.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "app/GameEngine.h"
#include "core/GameObject.h"
#include "core/TypeKey.h"
#include "script/ScriptComponent.h"
#include "script/ScriptEngineSystem.h"

#include "BenchSupport.h"

namespace {

constexpr int kObjects = 1000;
constexpr float kDt = 1.0f / 60.0f;
constexpr const char* kScript = "x = 0 function Update(dt) x = x + dt end";

struct Scene {
  Scene() : engine("bench", 640, 480, false, false) {
    OrvBench::StartAllSystems(engine, 640, 480);
    for (const auto& each : engine.GetAllSystems()) {
      if (auto scripts = std::dynamic_pointer_cast<Orv::ScriptEngineSystem>(each)) system = scripts;
    }
    for (int i = 0; i < kObjects; ++i) {
      auto object = engine.CreateEmptyObject(1).Lock();
      auto script = std::make_shared<Orv::ScriptComponent>(kScript);
      script->Setup();
      object->AddComponent(Orv::TypeKey<Orv::ScriptComponent>(), script);
      script->OnAttach(object.get());
      engine.AnnounceGameObject(object->GetSelfHandle());
      states.push_back(script->GetState()->GetCState());
    }
    // The new objects join the walk at the end of a pass.
    system->Update(kDt);
  }

  Orv::GameEngine engine;
  std::shared_ptr<Orv::ScriptEngineSystem> system;
  std::vector<lua_State*> states;
};

Scene& TheScene() {
  static Scene scene;
  return scene;
}

void BM_EngineUpdatePass(benchmark::State& run) {
  Scene& scene = TheScene();
  for (auto _ : run) scene.system->Update(kDt);
  run.SetItemsProcessed(run.iterations() * kObjects);
  lua_State* L = scene.states.back();
  int globals = 0;
  lua_pushnil(L);
  while (lua_next(L, LUA_GLOBALSINDEX) != 0) {
    lua_pop(L, 1);
    ++globals;
  }
  run.counters["globals"] = globals;
}
BENCHMARK(BM_EngineUpdatePass);

void BM_BarePcalls(benchmark::State& run) {
  Scene& scene = TheScene();
  for (auto _ : run) {
    for (lua_State* L : scene.states) {
      lua_getglobal(L, "Update");
      lua_pushnumber(L, kDt);
      lua_pcall(L, 1, 1, 0);
      lua_pop(L, 1);
    }
  }
  run.SetItemsProcessed(run.iterations() * kObjects);
}
BENCHMARK(BM_BarePcalls);

}  // namespace
