// One frame's Update pass of the script engine system over 1000 scripted
// objects, each with every system's functions, beside two bare baselines
// that call the same Update function in the same 1000 states with lua_pcall:
// one looks Update up by name in every state on every pass, the other holds
// each state's Update by reference and calls what it holds. All run in one
// program, on the same states, so their ratios are what the engine's own
// walk adds per object. The engine must call the Update a script has put in
// place of its own at run time: the program shows which side does.
#include <benchmark/benchmark.h>

#include <cstdio>
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
      lua_State* L = script->GetState()->GetCState();
      states.push_back(L);
      lua_getglobal(L, "Update");
      held.push_back(luaL_ref(L, LUA_REGISTRYINDEX));
    }
    // The new objects join the walk at the end of a pass.
    system->Update(kDt);
  }

  Orv::GameEngine engine;
  std::shared_ptr<Orv::ScriptEngineSystem> system;
  std::vector<lua_State*> states;
  // Each state's Update, as it was when the object started.
  std::vector<int> held;
};

Scene& TheScene() {
  static Scene scene;
  return scene;
}

void EnginePass(Scene& scene) { scene.system->Update(kDt); }

// What a loop written by hand over the states does when it finds Update by
// name each time: it calls whatever the script holds under that name now.
void LookedUpPass(Scene& scene) {
  for (lua_State* L : scene.states) {
    lua_getglobal(L, "Update");
    lua_pushnumber(L, kDt);
    lua_pcall(L, 1, 1, 0);
    lua_pop(L, 1);
  }
}

// The cheapest loop by hand: each function found once and held. It calls
// the function it holds even after the script has put another in its place.
void HeldPass(Scene& scene) {
  for (std::size_t i = 0; i < scene.states.size(); ++i) {
    lua_State* L = scene.states[i];
    lua_rawgeti(L, LUA_REGISTRYINDEX, scene.held[i]);
    lua_pushnumber(L, kDt);
    lua_pcall(L, 1, 1, 0);
    lua_pop(L, 1);
  }
}

void BM_EngineUpdatePass(benchmark::State& run) {
  Scene& scene = TheScene();
  for (auto _ : run) EnginePass(scene);
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

void BM_BarePcallsLookedUp(benchmark::State& run) {
  Scene& scene = TheScene();
  for (auto _ : run) LookedUpPass(scene);
  run.SetItemsProcessed(run.iterations() * kObjects);
}
BENCHMARK(BM_BarePcallsLookedUp);

void BM_BarePcallsHeld(benchmark::State& run) {
  Scene& scene = TheScene();
  for (auto _ : run) HeldPass(scene);
  run.SetItemsProcessed(run.iterations() * kObjects);
}
BENCHMARK(BM_BarePcallsHeld);

// The first object's script puts a new Update in place of its own, as a
// script may at any time; each side then runs one pass, and the new function
// counts its calls. The old one is put back after.
const char* ReplacedUpdateCalled(Scene& scene, void (*pass)(Scene&)) {
  lua_State* L = scene.states.front();
  luaL_dostring(L,
                "replacedCalls = 0 originalUpdate = Update "
                "function Update(dt) replacedCalls = replacedCalls + 1 originalUpdate(dt) end");
  pass(scene);
  lua_getglobal(L, "replacedCalls");
  const bool called = lua_tonumber(L, -1) > 0;
  lua_pop(L, 1);
  luaL_dostring(L, "Update = originalUpdate originalUpdate = nil replacedCalls = nil");
  return called ? "calls the new Update" : "goes on calling the old Update";
}

// The three passes in turn (OrvBench::TimeInTurn), in microseconds a
// pass. These give the table's rows.
void BM_UpdatePassesInTurn(benchmark::State& run) {
  Scene& scene = TheScene();
  OrvBench::InTurn turns;
  for (auto _ : run) {
    turns = OrvBench::TimeInTurn(51, 20,
                                 {[&] { EnginePass(scene); }, [&] { LookedUpPass(scene); }, [&] { HeldPass(scene); }});
  }
  const OrvBench::Times ours = turns.Median(0) * 1000, byName = turns.Median(1) * 1000,
                        byReference = turns.Median(2) * 1000;
  run.counters["engine_us"] = ours.cpu;
  run.counters["looked_up_us"] = byName.cpu;
  run.counters["held_us"] = byReference.cpu;

  std::fprintf(stderr, "When a script puts a new Update in place of its own at run time:\n");
  std::fprintf(
      stderr,
      "  engine pass (finds each state's Update, kept with its name, again when the name's entry changes): %s\n",
      ReplacedUpdateCalled(scene, &EnginePass));
  std::fprintf(stderr, "  bare calls, Update looked up by name in every state on every pass: %s\n",
               ReplacedUpdateCalled(scene, &LookedUpPass));
  std::fprintf(stderr, "  bare calls, each state's Update held by reference since its start: %s\n",
               ReplacedUpdateCalled(scene, &HeldPass));
  OrvBench::EmitRow({"Update pass over 1000 scripted objects beside bare calls looked up by name",
                     OrvBench::CpuAndWall(ours, "%.1f", "us"),
                     "1000 lua_pcall, Update looked up by name: " + OrvBench::CpuAndWall(byName, "%.1f", "us"),
                     OrvBench::Ratio(turns.CpuRatio(0, 1)), "at most 1.2x",
                     OrvBench::AtMost(turns.CpuRatio(0, 1), 1.2)});
  OrvBench::EmitRow({"Update pass over 1000 scripted objects beside bare calls of held functions",
                     OrvBench::CpuAndWall(ours, "%.1f", "us"),
                     "1000 lua_pcall, each Update held (blind to a replaced Update): " +
                         OrvBench::CpuAndWall(byReference, "%.1f", "us"),
                     OrvBench::Ratio(turns.CpuRatio(0, 2)), "at most 1.2x",
                     OrvBench::AtMost(turns.CpuRatio(0, 2), 1.2)});
}
BENCHMARK(BM_UpdatePassesInTurn)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
