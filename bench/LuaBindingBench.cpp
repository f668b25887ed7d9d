// The binding's costs, each beside the bare Lua call it stands on.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ChunkLoader.h"
#include "LuaFunction.h"
#include "LuaState.h"
#include "ScriptRegistration.h"

#include "BenchSupport.h"

namespace {

using OrvLua::LuaFunction;
using OrvLua::LuaObject;
using OrvLua::LuaState;

class Target {
 public:
  void SetPos(double x, double y) { sum_ += x + y; }
  void QueueSound(const char* name) { sum_ += name[0]; }
  bool IsKeyPressed(unsigned char key) { return key == 32; }
  void SetAlpha(float alpha) { sum_ += alpha; }
  unsigned GetUniqueID() { return 7; }
  double sum_ = 0;
};

const char* kUpdateScript =
    "x = 0 function Update(dt) x = x + dt end "
    "function Many(n) for i = 1, n do SetPos(i, 2) end end";

void Run(lua_State* L, const char* code) {
  if (OrvLua::LoadBuffer(L, code, std::strlen(code), "=bench") != 0 || lua_pcall(L, 0, 0, 0) != 0) {
    std::fprintf(stderr, "%s\n", lua_tostring(L, -1));
    lua_pop(L, 1);
  }
}

void BM_CreateBareState(benchmark::State& state) {
  for (auto _ : state) {
    lua_State* L = luaL_newstate();
    luaL_openlibs(L);
    lua_close(L);
  }
}
BENCHMARK(BM_CreateBareState);

void BM_CreateEngineState(benchmark::State& state) {
  for (auto _ : state) LuaState::Close(LuaState::Create());
}
BENCHMARK(BM_CreateEngineState);

std::vector<std::string> Names() {
  std::vector<std::string> names;
  for (int i = 0; i < 150; ++i) names.push_back("EngineFunction" + std::to_string(i));
  return names;
}

int BareSetPos(lua_State* L) {
  benchmark::DoNotOptimize(luaL_checknumber(L, 1) + luaL_checknumber(L, 2));
  return 0;
}

void BM_Register150Bare(benchmark::State& state) {
  std::vector<std::string> names = Names();
  lua_State* L = luaL_newstate();
  luaL_openlibs(L);
  for (auto _ : state) {
    for (const std::string& name : names) lua_register(L, name.c_str(), &BareSetPos);
  }
  lua_close(L);
}
BENCHMARK(BM_Register150Bare);

void BM_Register150Engine(benchmark::State& state) {
  std::vector<std::string> names = Names();
  LuaState* lua = LuaState::Create();
  Target target;
  for (auto _ : state) {
    for (size_t i = 0; i < names.size(); i += 5) {
      OrvCall::RegisterDirect(lua, names[i].c_str(), &target, &Target::SetPos);
      OrvCall::RegisterDirect(lua, names[i + 1].c_str(), &target, &Target::QueueSound);
      OrvCall::RegisterDirect(lua, names[i + 2].c_str(), &target, &Target::IsKeyPressed);
      OrvCall::RegisterDirect(lua, names[i + 3].c_str(), &target, &Target::SetAlpha);
      OrvCall::RegisterDirect(lua, names[i + 4].c_str(), &target, &Target::GetUniqueID);
    }
  }
  LuaState::Close(lua);
}
BENCHMARK(BM_Register150Engine);

void BM_UpdateBarePcall(benchmark::State& state) {
  lua_State* L = luaL_newstate();
  luaL_openlibs(L);
  luaL_dostring(L, "x = 0 function Update(dt) x = x + dt end");
  for (auto _ : state) {
    lua_getglobal(L, "Update");
    lua_pushnumber(L, 0.016);
    lua_pcall(L, 1, 1, 0);
    lua_settop(L, 0);
  }
  lua_close(L);
}
BENCHMARK(BM_UpdateBarePcall);

void BM_UpdateLuaFunction(benchmark::State& state) {
  LuaState* lua = LuaState::Create();
  Target target;
  OrvCall::RegisterDirect(lua, "SetPos", &target, &Target::SetPos);
  Run(lua->GetCState(), kUpdateScript);
  LuaFunction<LuaObject> update(lua->GetGlobal("Update"));
  for (auto _ : state) benchmark::DoNotOptimize(update(0.016));
  LuaState::Close(lua);
}
BENCHMARK(BM_UpdateLuaFunction);

// The two above in turn (OrvBench::TimeInTurn): the table's row.
void BM_UpdateDispatchInTurn(benchmark::State& state) {
  lua_State* L = luaL_newstate();
  luaL_openlibs(L);
  luaL_dostring(L, "x = 0 function Update(dt) x = x + dt end");
  LuaState* lua = LuaState::Create();
  Target target;
  OrvCall::RegisterDirect(lua, "SetPos", &target, &Target::SetPos);
  Run(lua->GetCState(), kUpdateScript);
  LuaFunction<LuaObject> update(lua->GetGlobal("Update"));
  constexpr int kCalls = 1000;
  OrvBench::InTurn turns;
  for (auto _ : state) {
    turns = OrvBench::TimeInTurn(31, 20,
                                 {[&] {
                                    for (int i = 0; i < kCalls; ++i) {
                                      lua_getglobal(L, "Update");
                                      lua_pushnumber(L, 0.016);
                                      lua_pcall(L, 1, 1, 0);
                                      lua_settop(L, 0);
                                    }
                                  },
                                  [&] {
                                    for (int i = 0; i < kCalls; ++i) benchmark::DoNotOptimize(update(0.016));
                                  }});
  }
  // Milliseconds for 1000 calls are microseconds for one.
  const OrvBench::Times bare = turns.Median(0) * 1000, ours = turns.Median(1) * 1000;
  state.counters["bare_ns"] = bare.cpu;
  state.counters["binding_ns"] = ours.cpu;
  OrvBench::EmitRow({"a script's Update called through the binding", OrvBench::CpuAndWall(ours, "%.1f", "ns"),
                     "bare lua_pcall: " + OrvBench::CpuAndWall(bare, "%.1f", "ns"),
                     OrvBench::Ratio(turns.CpuRatio(1, 0)), "at most 1.2x",
                     OrvBench::AtMost(turns.CpuRatio(1, 0), 1.2)});
  LuaState::Close(lua);
  lua_close(L);
}
BENCHMARK(BM_UpdateDispatchInTurn)->Iterations(1)->Unit(benchmark::kMillisecond);

// As a system that looks the callback up every frame would.
void BM_UpdateLuaFunctionLookedUp(benchmark::State& state) {
  LuaState* lua = LuaState::Create();
  Run(lua->GetCState(), kUpdateScript);
  for (auto _ : state) {
    LuaFunction<LuaObject> update(lua->GetGlobal("Update"));
    benchmark::DoNotOptimize(update(0.016));
  }
  LuaState::Close(lua);
}
BENCHMARK(BM_UpdateLuaFunctionLookedUp);

// Scripts calling into the engine: 100 calls of SetPos per run.
void BM_ScriptCallsBareFunction(benchmark::State& state) {
  lua_State* L = luaL_newstate();
  luaL_openlibs(L);
  lua_register(L, "SetPos", &BareSetPos);
  luaL_dostring(L, kUpdateScript);
  for (auto _ : state) {
    lua_getglobal(L, "Many");
    lua_pushnumber(L, 100);
    lua_pcall(L, 1, 0, 0);
  }
  lua_close(L);
}
BENCHMARK(BM_ScriptCallsBareFunction);

void BM_ScriptCallsEngineFunction(benchmark::State& state) {
  LuaState* lua = LuaState::Create();
  Target target;
  OrvCall::RegisterDirect(lua, "SetPos", &target, &Target::SetPos);
  Run(lua->GetCState(), kUpdateScript);
  LuaFunction<LuaObject> many(lua->GetGlobal("Many"));
  for (auto _ : state) benchmark::DoNotOptimize(many(100));
  benchmark::DoNotOptimize(target.sum_);
  LuaState::Close(lua);
}
BENCHMARK(BM_ScriptCallsEngineFunction);

}  // namespace
