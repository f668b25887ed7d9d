#pragma once
// The engine's calls of a script's global functions by name (Update, Render
// and the rest), and what such a call reads first, for a walk over thousands
// of objects to fetch ahead. The two functions called last are kept with
// their names: while the globals hold them, a call skips looking the name
// up. All knowledge of the Lua core's layout stays behind this interface.
//
// What it reads of the core's private memory, on a 64-bit build of 5.1, and
// what guards each read:
// - offsets into strings, tables and their hash nodes, closures (Lua and C),
//   function prototypes (code, constants), upvalues and full userdata. A
//   probe builds each kind of object in a state of its own once and checks
//   every offset read against what the public interface reports, following
//   each pointer only after checking it; one mismatch and the cache stays
//   off for the run.
// - a call's ranges are found from the live function on the stack, right
//   after the core found it: every pointer followed then is current. The
//   ranges are only ever prefetched, never read through later: one gone
//   stale costs a useless fetch.
// - a kept global's node is read only after its address is checked to be one
//   of the globals' nodes now, and used only while it holds the same name
//   and function, both kept alive in the registry by the cache, so no other
//   string or function can take their addresses; the function is then taken
//   from the registry, not from the node.
// With ORV_CALL_CACHE=off in the environment (read once), every call looks
// its function up and nothing is fetched ahead: the plain path, kept tested.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "LuaObject.h"
#include "core/CacheLines.h"

namespace OrvLua {

class LuaState;

namespace Detail {

// A function found as globals[name], kept with its name in the registry,
// and the globals' node that held them: while that node holds the same name
// and function, globals[name] is that function.
struct KeptGlobal {
  const void* node = nullptr;
  const void* name = nullptr;
  const void* function = nullptr;
  int functionRef = LUA_NOREF;
  int nameRef = LUA_NOREF;
};

// What a function's ranges were found for: the function, and the globals'
// nodes then (a table that grows moves them).
struct RangesKey {
  const void* function = nullptr;
  const void* nodes = nullptr;
};

}  // namespace Detail

class CallCache {
 public:
  // Room for what one call reads first: the state's thread, the function's
  // closure, name, node, prototype, code, constants, upvalues and callees,
  // and where the kept function lies.
  static constexpr std::size_t kMostRanges = 18;

  CallCache() = default;
  CallCache(const CallCache&) = delete;
  CallCache& operator=(const CallCache&) = delete;
  ~CallCache();

  // Whether calls are cached: the core is laid out as the cache reads it,
  // and the cache is not switched off.
  static bool Enabled();

  // Pushes globals[name] and gives true when it is a function; pushes
  // nothing and gives false otherwise (see PushGlobalFunction in
  // LuaGlobals.h). name is kept by its address: a literal, or text that
  // outlives the cache.
  bool PushGlobalFunction(LuaState* state, const char* name);

  enum class Outcome { Absent, Failed, Returned };
  // Calls globals[name] protected, while state is marked as the running
  // script, with number and value as arguments where given (a value of
  // another state arrives as nil). Absent when the global is no function;
  // Failed with the error value's text in error; Returned with its one
  // result, left unbound when it is nil.
  Outcome Call(LuaState* state, const char* name, const double* number, const LuaObject* value, LuaObject& result,
               std::string& error);

  // What a call of the function pushed last reads first, inside the state;
  // empty when calls are not cached. Stamped with a number unique in the run
  // (0 for none), new whenever the ranges change.
  std::span<const Orv::CacheLines> PrefetchRanges() const { return {ranges_[last_].data(), rangeCounts_[last_]}; }
  std::uint64_t RangesStamp() const { return stamps_[last_]; }
  // Bytes from the cache's start that every call reads, for an owner that
  // has the cache's own lines fetched with its fields.
  static constexpr std::size_t HotBytes();

  // The state is closed: nothing of it is kept or fetched any more.
  void Forget();

 private:
  void FindRanges(LuaState* state, const char* name, std::size_t slot);

  // Which of the two slots was called last; Update and Render take turns,
  // any other name takes the slot not used last.
  std::size_t last_ = 0;
  std::array<const char*, 2> names_{};
  std::array<std::uint64_t, 2> stamps_{};
  std::array<Detail::KeptGlobal, 2> kept_{};
  // Only for a call that had to look its function up.
  std::array<Detail::RangesKey, 2> rangesKeys_{};
  std::array<std::array<Orv::CacheLines, kMostRanges>, 2> ranges_{};
  // The thread's and the call's ranges, then where the kept function
  // lies.
  std::array<std::uint8_t, 2> callRangeCounts_{};
  std::array<std::uint8_t, 2> rangeCounts_{};
};

constexpr std::size_t CallCache::HotBytes() { return offsetof(CallCache, rangesKeys_); }

}  // namespace OrvLua
