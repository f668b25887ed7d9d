#pragma once
// Where a call of a global script function reads first, inside the state:
// the globals table and its node of the name, the name, the closure, its prototype,
// code, constants and upvalues, and the first engine functions it calls.
// With thousands of states called each frame every one of these is a wait
// on memory; a caller that knows them from the last call can have them
// fetched ahead of the next one. The addresses are
// only ever prefetched, never read through: one gone stale since costs a
// useless fetch, no more. The one exception, a noted global's node, is read
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

// A footprint holds while its function and the globals' nodes stay: a
// function's parts never move.
using FootprintKey = Detail::RangesKey;

struct CallFootprint {
  std::array<MemorySpan, 15> spans{};
  FootprintKey key;
};

// The footprint of a call of globals[name], the function on top of L's
// stack. Spans are left empty for a C function, and for all functions when
// the interpreter's objects are not laid out as this reads them (checked once
// against a probe state; then nothing is noted and calls run as before).
void NoteCallFootprint(lua_State* L, const char* name, CallFootprint& footprint);

// Whether a footprint noted under key still holds for the function on top of
// L's stack, with the globals as they are now: then it need not be noted
// again.
bool IsFootprintOf(lua_State* L, const FootprintKey& key);

// A call of a global function that need not look its name up.
using NotedGlobal = Detail::KeptGlobal;

// Notes the function on top of L's stack, found as globals[name] (raw), in
// place of what noted held. Notes nothing when footprints are not noted.
void NoteGlobal(lua_State* L, const char* name, NotedGlobal& noted);
// Pushes globals[name] and gives true if it is still the function noted
// under that name; pushes nothing and gives false otherwise.
bool PushNotedGlobal(lua_State* L, const char* name, const NotedGlobal& noted);
// Lets the noted function and name go; with a null state (closed already)
// only forgets them.
void ForgetGlobal(lua_State* L, NotedGlobal& noted);
// What pushing the noted function reads: the registry's fields and the slot
// that keeps the function. Empty spans for nothing noted.
std::array<MemorySpan, 2> NotedGlobalSpans(lua_State* L, const NotedGlobal& noted);

// Whether the layout probe passed: footprints are noted.
bool FootprintsNoted();

}  // namespace OrvLua
