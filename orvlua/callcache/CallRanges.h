#pragma once
// Where a call of a global script function reads first, inside the state:
// the globals table and its node of the name, the name, the closure, its prototype,
// code, constants and upvalues, and the first engine functions it calls.
// With thousands of states called each frame every one of these is a wait
// on memory; a caller that knows them from the last call can have them
// fetched ahead of the next one. The addresses are
// only ever prefetched, never read through: one gone stale since costs a
// useless fetch, no more. The one exception, a kept global's node, is read
// only once it is known to be one of the globals' nodes.
#include <array>
#include <cstdint>
#include <lua.hpp>

#include "CallCache.h"

namespace OrvLua {

struct MemorySpan {
  const void* at = nullptr;
  std::uint32_t bytes = 0;
};

// A call's ranges hold while its function and the globals' nodes stay: a
// function's parts never move.
using RangesKey = Detail::RangesKey;

struct CallRanges {
  std::array<MemorySpan, 15> spans{};
  RangesKey key;
};

// The ranges a call of globals[name] reads first, the function on top of L's
// stack. Spans are left empty for a C function, and for all functions when
// the interpreter's objects are not laid out as this reads them (checked once
// against a probe state; then nothing is found and calls run as before).
void FindCallRanges(lua_State* L, const char* name, CallRanges& ranges);

// Whether ranges found under key still hold for the function on top of
// L's stack, with the globals as they are now: then they need not be found
// again.
bool RangesStillHold(lua_State* L, const RangesKey& key);

// A call of a global function that need not look its name up.
using KeptGlobal = Detail::KeptGlobal;

// Keeps the function on top of L's stack, found as globals[name] (raw), in
// place of what kept held. Keeps nothing when the layout probe failed.
void KeepGlobal(lua_State* L, const char* name, KeptGlobal& kept);
// Pushes globals[name] and gives true if it is still the function kept
// under that name; pushes nothing and gives false otherwise.
bool PushKeptGlobal(lua_State* L, const char* name, const KeptGlobal& kept);
// Lets the kept function and name go; with a null state (closed already)
// only forgets them.
void ForgetKeptGlobal(lua_State* L, KeptGlobal& kept);
// What pushing the kept function reads: the registry's fields and the slot
// that keeps the function. Empty spans for nothing kept.
std::array<MemorySpan, 2> KeptGlobalSpans(lua_State* L, const KeptGlobal& kept);

// Whether the layout probe passed: calls' ranges are found and globals kept.
bool LayoutProbePassed();

}  // namespace OrvLua
