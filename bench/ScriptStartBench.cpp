// The start of scripted objects, 1000 at a time: the engine's whole start
// (state, shared scripts, every system's registrations, the script, Init)
// beside the bare cost of a state with the standard libraries that compiles
// and runs the same script text. Milliseconds per 1000 objects read as
// microseconds per object. Memory per object beside the bare state's.
// Last, the same objects made by a script in the real program, beside the
// start measured here in the same run.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <lua.hpp>

#include "app/GameEngine.h"
#include "core/GameObject.h"
#include "orvlua/memory/PageSource.h"
#include "script/ExtraScripts.h"
#include "script/ScriptComponent.h"

#include "BenchSupport.h"

namespace {

using OrvBench::QuietStdout;
using OrvBench::WriteFile;

constexpr int kObjects = 1000;

// An ordinary enemy: a handful of functions, tables and locals, an Init
// that reads its attributes and publishes an event variable.
const char* kEnemyScript = R"(-- A patrolling enemy.
local patrol = { points = { {x = 0, y = 0}, {x = 64, y = 0}, {x = 64, y = 64}, {x = 0, y = 64} }, index = 1 }
local state = "idle"
local timer = 0
local health = 3
local seen = {}

local function distance(ax, ay, bx, by)
  local dx, dy = bx - ax, by - ay
  return math.sqrt(dx * dx + dy * dy)
end

local function nextPoint()
  patrol.index = patrol.index % #patrol.points + 1
  return patrol.points[patrol.index]
end

local transitions = {
  idle = function(dt)
    timer = timer + dt
    if timer > 1 then timer = 0; return "walk" end
    return "idle"
  end,
  walk = function(dt)
    local p = patrol.points[patrol.index]
    if distance(0, 0, p.x, p.y) < 1 then nextPoint() end
    timer = timer + dt
    if timer > 3 then timer = 0; return "idle" end
    return "walk"
  end,
  hurt = function(dt)
    timer = timer + dt
    if timer > 0.5 then timer = 0; return health > 0 and "walk" or "dead" end
    return "hurt"
  end,
  dead = function(dt) return "dead" end,
}

function Init()
  health = math.floor(speed or 3)
  SetEventVarString("kind", name or "enemy")
  SetEventVarInteger("health", health)
  local shared = GetGlobalVar("enemies")
  SetGlobalVarInt("enemies", (shared or 0) + 1)
end

function Update(dt)
  state = transitions[state](dt)
  if state == "dead" then return end
  for i = 1, #patrol.points do
    local p = patrol.points[i]
    seen[i] = distance(p.x, p.y, 32, 32) < 48
  end
end

function OnMessage(id, data)
  if id == 1 and type(data) == "table" then
    health = health - (data.damage or 1)
    state = "hurt"
    timer = 0
    SetEventVarInteger("health", health)
  elseif id == 2 then
    state = "idle"
  end
end

function Describe()
  return string.format("%s %s hp=%d at point %d", name or "enemy", state, health, patrol.index)
end
)";

const char* kSharedScript = R"(-- Shared helpers of every object.
function Clamp(v, lo, hi) if v < lo then return lo elseif v > hi then return hi end return v end
function Lerp(a, b, t) return a + (b - a) * t end
Vec = {}
function Vec.new(x, y) return { x = x, y = y } end
)";

// One engine with every system, the enemy's blueprint and script and a
// shared script, loaded from a folder of its own.
struct Scene {
  Scene() : engine("bench", 320, 200, false, false) {
    folder = std::filesystem::temp_directory_path() / ("orv_bench_" + std::to_string(getpid()));
    WriteFile(folder / "data/gameobjects/Enemy.txt",
              R"({"name":"Enemy","id":5,"components":[{"type":"transform","data":[10.0, 20.0]},)"
              R"({"type":"script","data":[{"speed":3.0,"name":"grunt"}]}]})");
    WriteFile(folder / "data/scripts/Enemy.lua", kEnemyScript);
    WriteFile(folder / "data/scripts/extra/shared.lua", kSharedScript);
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    OrvBench::StartAllSystems(engine, 320, 200);
    {
      QuietStdout quiet;
      Orv::LoadExtraScripts();
      engine.LoadBlueprints();
      engine.LoadGameObjectScripts();
    }
    std::filesystem::current_path(previous);
    blueprint = engine.FindBlueprint("Enemy");
  }
  ~Scene() { std::filesystem::remove_all(folder); }

  // The start the engine gives every scripted object, without the creation
  // line it prints.
  void StartOne() {
    Orv::ObjectLockPtr<Orv::GameObject> object = engine.GetGameObjectManager().CreateGameObject(5);
    blueprint->Instantiate(object, true);
    engine.AnnounceGameObject(object);
  }
  void RemoveAll() {
    engine.DestroyAllObjects();
    engine.RemoveDeadObjects();
  }

  std::filesystem::path folder;
  Orv::GameEngine engine;
  std::shared_ptr<Orv::GameObjectBlueprint> blueprint;
};

Scene& TheScene() {
  static Scene scene;
  return scene;
}

// The teardown of a batch leaves tens of thousands of freed small blocks
// that the allocator merges at the next large request; that is the
// teardown's cost, so it is paid here, outside the timed start, for both.
// A running game keeps the pages its dead objects had and makes new ones
// in them; a cold heap has given them back, and each first touch of a page
// is a fault the kernel charges to the start. The states' own pages are
// given back with the heap's.
enum class Heap { Warm, Cold };

void SettleHeap(Heap heap) {
  if (heap == Heap::Cold) {
    malloc_trim(0);
    OrvLua::Detail::PageSource::Trim();
  } else {
    // A request this large merges the freed blocks and keeps their pages.
    std::free(std::malloc(4096));
  }
}

lua_State* BareStart() {
  lua_State* L = luaL_newstate();
  luaL_openlibs(L);
  if (luaL_loadbuffer(L, kEnemyScript, std::strlen(kEnemyScript), "=Enemy") != 0 || lua_pcall(L, 0, 0, 0) != 0) {
    std::fprintf(stderr, "%s\n", lua_tostring(L, -1));
    std::abort();
  }
  return L;
}

void BM_BareStart1000(benchmark::State& state, Heap heap) {
  std::vector<lua_State*> states;
  states.reserve(kObjects);
  for (auto _ : state) {
    for (int i = 0; i < kObjects; ++i) states.push_back(BareStart());
    state.PauseTiming();
    for (lua_State* L : states) lua_close(L);
    states.clear();
    SettleHeap(heap);
    state.ResumeTiming();
  }
}
BENCHMARK_CAPTURE(BM_BareStart1000, WarmHeap, Heap::Warm)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BareStart1000, ColdHeap, Heap::Cold)->Unit(benchmark::kMillisecond);

void BM_ScriptedObjectStart1000(benchmark::State& state, Heap heap) {
  Scene& scene = TheScene();
  for (auto _ : state) {
    for (int i = 0; i < kObjects; ++i) scene.StartOne();
    state.PauseTiming();
    scene.RemoveAll();
    SettleHeap(heap);
    state.ResumeTiming();
  }
}
BENCHMARK_CAPTURE(BM_ScriptedObjectStart1000, WarmHeap, Heap::Warm)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ScriptedObjectStart1000, ColdHeap, Heap::Cold)->Unit(benchmark::kMillisecond);

// The two starts in turn, eleven rounds of 1000 each, the heap settled
// before every batch as above: the table's rows, judged on the median of the
// rounds' ratios. Each side's timed batch follows an untimed one of its own,
// so that a warm heap holds the pages that side's own objects left, as in a
// running game.
constexpr int kStartRounds = 11;

void BM_StartsInTurn(benchmark::State& state, Heap heap, const char* name) {
  Scene& scene = TheScene();
  std::vector<lua_State*> states;
  states.reserve(kObjects);
  std::vector<OrvBench::Times> bare, engine;
  const auto time = [heap](auto&& batch, auto&& teardown) {
    SettleHeap(heap);
    const OrvBench::Times start = OrvBench::ThreadNow();
    batch();
    const OrvBench::Times spent = OrvBench::ThreadNow() - start;
    teardown();
    return spent;
  };
  const auto bareBatch = [&] {
    for (int i = 0; i < kObjects; ++i) states.push_back(BareStart());
  };
  const auto bareTeardown = [&] {
    for (lua_State* L : states) lua_close(L);
    states.clear();
  };
  const auto engineBatch = [&] {
    for (int i = 0; i < kObjects; ++i) scene.StartOne();
  };
  const auto engineTeardown = [&] { scene.RemoveAll(); };
  for (auto _ : state) {
    for (int round = 0; round < kStartRounds; ++round) {
      time(bareBatch, bareTeardown);
      bare.push_back(time(bareBatch, bareTeardown));
      time(engineBatch, engineTeardown);
      engine.push_back(time(engineBatch, engineTeardown));
    }
  }
  const OrvBench::Times ours = OrvBench::Median(engine), plain = OrvBench::Median(bare);
  state.counters["engine_ms"] = ours.cpu;
  state.counters["bare_ms"] = plain.cpu;
  OrvBench::EmitRow({OrvBench::Format("the whole start of 1000 scripted objects, %s heap", name),
                     OrvBench::CpuAndWall(ours, "%.1f", "ms"),
                     "bare states compiling and running the same script: " + OrvBench::CpuAndWall(plain, "%.1f", "ms"),
                     OrvBench::Ratio(OrvBench::MedianCpuRatio(engine, bare)), "at most 1x",
                     OrvBench::AtMost(OrvBench::MedianCpuRatio(engine, bare), 1.0)});
}
BENCHMARK_CAPTURE(BM_StartsInTurn, WarmHeap, Heap::Warm, "warm")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StartsInTurn, ColdHeap, Heap::Cold, "cold")->Iterations(1)->Unit(benchmark::kMillisecond);

// Memory in use across 1000 live objects, per object: the heap's and the
// pages the states take beside it.
double HeapInUse() { return static_cast<double>(mallinfo2().uordblks + OrvLua::Detail::PageSource::BytesInUse()); }

// Bytes per bare state, and its Lua's own count in KB.
std::pair<double, double> BareStateMemory() {
  std::vector<lua_State*> states;
  states.reserve(kObjects);
  const double before = HeapInUse();
  for (int i = 0; i < kObjects; ++i) states.push_back(BareStart());
  const double perObject = (HeapInUse() - before) / kObjects;
  const double luaKb = lua_gc(states.back(), LUA_GCCOUNT, 0);
  for (lua_State* L : states) lua_close(L);
  return {perObject, luaKb};
}

void BM_MemoryPerBareState(benchmark::State& state) {
  std::pair<double, double> memory;
  for (auto _ : state) memory = BareStateMemory();
  state.counters["bytes_per_object"] = memory.first;
  state.counters["lua_kb_per_state"] = memory.second;
}
BENCHMARK(BM_MemoryPerBareState)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_MemoryPerScriptedObject(benchmark::State& state) {
  Scene& scene = TheScene();
  double perObject = 0;
  double luaKb = 0;
  double globals = 0;
  for (auto _ : state) {
    const double before = HeapInUse();
    for (int i = 0; i < kObjects; ++i) scene.StartOne();
    perObject = (HeapInUse() - before) / kObjects;
    auto object = scene.engine.GetGameObjectManager().GetObjects().back();
    auto script = object->LockComponent<Orv::ScriptComponent>();
    lua_State* L = script->GetState()->GetCState();
    luaKb = lua_gc(L, LUA_GCCOUNT, 0);
    globals = 0;
    lua_pushnil(L);
    while (lua_next(L, LUA_GLOBALSINDEX) != 0) {
      lua_pop(L, 1);
      ++globals;
    }
    scene.RemoveAll();
  }
  state.counters["bytes_per_object"] = perObject;
  state.counters["lua_kb_per_state"] = luaKb;
  state.counters["globals"] = globals;
  const double bare = BareStateMemory().first;
  OrvBench::EmitRow({"memory per scripted object, every system's functions in its state",
                     OrvBench::Format("%.1f KB", perObject / 1000),
                     OrvBench::Format("a bare state running the same script: %.1f KB", bare / 1000),
                     OrvBench::Ratio(perObject / bare), "at most 120 KB", OrvBench::AtMost(perObject / 1000, 120)});
}
BENCHMARK(BM_MemoryPerScriptedObject)->Iterations(1)->Unit(benchmark::kMillisecond);

// The objects of the scene above made by a script in the real program:
// 1000 in one frame, removed the next frame, eight times, beside the same
// program making them once in the same frames. The difference between the
// two programs' processor time (wait4's, so that the machine's load does not
// count) is what the seven later rounds cost: the first round of each grows
// the heap alike. Beside it, the same objects made and removed here, on this
// thread's processor time; the rest is the way from the script's call to
// the start (the blueprint's lookup, the creation lines, the announcement to
// every system).
constexpr int kProgramRounds = 8;

std::string SpawnerScript(int rounds) {
  return OrvBench::Format(R"(
local made, frame = 0, 0
function Update(dt)
  frame = frame + 1
  if frame %% 2 == 1 then
    if made < %d then
      for i = 1, 1000 do CreateGameObject("Enemy", 5) end
      made = made + 1
    end
  else
    RemoveAllGameObjectsOfType(5)
    if frame == %d then Shutdown() end
  end
end
)",
                          rounds, 2 * kProgramRounds);
}

// The content folder of a program whose spawner makes that many rounds.
std::filesystem::path WriteProgram(int rounds) {
  namespace fs = std::filesystem;
  const fs::path root =
      fs::temp_directory_path() / ("orv_create_" + std::to_string(getpid()) + "_" + std::to_string(rounds));
  fs::remove_all(root);
  WriteFile(root / "config/config.ini",
            R"({"width":320,"height":200,"fullscreen":false,"title":"create","fps":60,"debug":1})");
  WriteFile(root / "res/audio/loadaudio.ini", R"({"sounds":[]})");
  WriteFile(root / "data/gameobjects/Enemy.txt",
            R"({"name":"Enemy","id":5,"components":[{"type":"transform","data":[10.0, 20.0]},)"
            R"({"type":"script","data":[{"speed":3.0,"name":"grunt"}]}]})");
  WriteFile(root / "data/gameobjects/Spawner.txt",
            R"({"name":"Spawner","id":1,"components":[{"type":"script","data":[]}]})");
  WriteFile(root / "data/scripts/Enemy.lua", kEnemyScript);
  WriteFile(root / "data/scripts/Spawner.lua", SpawnerScript(rounds));
  WriteFile(root / "data/scripts/extra/shared.lua", kSharedScript);
  WriteFile(root / "data/summoner.ini", R"({"spawn":[{"name":"Spawner","id":1,"params":{}}]})");
  return root;
}

// The program's processor and wall time, or a negative CPU time when it
// did not end cleanly.
OrvBench::Times RunProgram(const std::filesystem::path& root) {
  const std::string command = "cd '" + root.string() + "' && exec timeout -k 5 120 '" +
                              OrvBench::ProgramBesideBenchmarks().string() + "' >/dev/null 2>&1";
  const OrvBench::ChildRun run = OrvBench::RunChild(command);
  if (!WIFEXITED(run.status) || WEXITSTATUS(run.status) != 0) return {-1, -1};
  return run.times;
}

void BM_CreateFromScriptInProgram(benchmark::State& state) {
  if (!OrvBench::DisplayOrSkip(state)) return;
  const std::filesystem::path all = WriteProgram(kProgramRounds), once = WriteProgram(1);
  const int later = (kProgramRounds - 1) * kObjects;
  std::vector<OrvBench::Times> made, start;
  // Each pair's figure over the start measured right after it.
  std::vector<double> ratios;
  bool ended = true;
  for (auto _ : state) {
    // The two programs in turn, three times, and the start here after each
    // pair: the machine's drift falls on all alike.
    Scene& scene = TheScene();
    for (int pair = 0; pair < 3 && ended; ++pair) {
      const OrvBench::Times many = RunProgram(all), one = RunProgram(once);
      ended = many.cpu >= 0 && one.cpu >= 0;
      made.push_back((many - one) / later * 1000);
      std::vector<OrvBench::Times> pairStart;
      for (int round = 0; round < 3; ++round) {
        const OrvBench::Times begin = OrvBench::ThreadNow();
        for (int i = 0; i < kObjects; ++i) scene.StartOne();
        scene.RemoveAll();
        // The first round of each grows the heap, as the program's first.
        if (round > 0) pairStart.push_back((OrvBench::ThreadNow() - begin) / kObjects * 1000);
      }
      start.insert(start.end(), pairStart.begin(), pairStart.end());
      ratios.push_back(made.back().cpu / OrvBench::Median(pairStart).cpu);
    }
  }
  std::filesystem::remove_all(all);
  std::filesystem::remove_all(once);
  if (!ended) {
    state.SkipWithError("the program did not end cleanly");
    return;
  }
  const OrvBench::Times program = OrvBench::Median(made), here = OrvBench::Median(start);
  state.counters["program_us"] = program.cpu;
  state.counters["start_us"] = here.cpu;
  const double ratio = OrvBench::Median(ratios);
  state.counters["ratio"] = ratio;
  OrvBench::EmitRow({"a scripted object made and removed by a script in the real program",
                     OrvBench::CpuAndWall(program, "%.1f", "us"),
                     "its start and removal alone, measured here: " + OrvBench::CpuAndWall(here, "%.1f", "us"),
                     OrvBench::Ratio(ratio), "at most 1.5x", OrvBench::AtMost(ratio, 1.5)});
}
BENCHMARK(BM_CreateFromScriptInProgram)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
