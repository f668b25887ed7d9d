#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>

#include "orvlua/callcache/CallRanges.h"

namespace {

// A state whose every live block is known, to tell whether an address of a
// call's ranges lies in the state's memory.
class TrackedState {
 public:
  TrackedState() : L_(lua_newstate(&Allocate, this)) { luaL_openlibs(L_); }
  ~TrackedState() { lua_close(L_); }
  lua_State* L() const { return L_; }

  bool InsideLiveBlock(const char* at) const {
    auto block = live_.upper_bound(at);
    if (block == live_.begin()) return false;
    --block;
    return at < block->first + block->second;
  }

  // Both ends of every span lie in blocks of the state; the count of spans
  // given.
  template <typename Spans>
  int CheckedSpans(const Spans& spans) const {
    int given = 0;
    for (const OrvLua::MemorySpan& span : spans) {
      if (span.at == nullptr) continue;
      ++given;
      const auto* at = static_cast<const char*>(span.at);
      EXPECT_GT(span.bytes, 0u);
      EXPECT_TRUE(InsideLiveBlock(at)) << "span " << given << " starts outside the state";
      EXPECT_TRUE(InsideLiveBlock(at + span.bytes - 1)) << "span " << given << " ends outside the state";
    }
    return given;
  }
  int CheckedSpans(const OrvLua::CallRanges& ranges) const { return CheckedSpans(ranges.spans); }

 private:
  static void* Allocate(void* ud, void* block, size_t, size_t size) {
    auto& live = static_cast<TrackedState*>(ud)->live_;
    if (block != nullptr) live.erase(static_cast<char*>(block));
    if (size == 0) {
      std::free(block);
      return nullptr;
    }
    void* moved = std::realloc(block, size);
    if (moved != nullptr) live[static_cast<char*>(moved)] = size;
    return moved;
  }

  std::map<const char*, size_t> live_;
  lua_State* L_;
};

OrvLua::CallRanges RangesOf(lua_State* L, const char* name) {
  OrvLua::CallRanges ranges;
  lua_getglobal(L, name);
  const int top = lua_gettop(L);
  OrvLua::FindCallRanges(L, name, ranges);
  EXPECT_EQ(lua_gettop(L), top) << "the stack is left as it was";
  lua_pop(L, 1);
  return ranges;
}

// The layout check passes with the interpreter this is built with: without
// it no ranges are found, and every call waits on memory again.
TEST(CallRangesTest, SpansLieInTheStateAndFollowTheGlobalAsItChanges) {
  ASSERT_TRUE(OrvLua::LayoutProbePassed());
  TrackedState state;
  lua_State* L = state.L();
  // An engine function: a C closure over the block that names its callee.
  lua_newuserdata(L, 24);
  lua_pushcclosure(
      L, [](lua_State*) { return 0; }, 1);
  lua_setglobal(L, "Engine");
  // Enough globals that many names share a chain, and functions with a
  // long body, constants, upvalues and callees.
  ASSERT_EQ(luaL_dostring(L, R"(
    for i = 1, 3000 do _G["g" .. i] = i end
    local x, y, vx, vy, frames = 0, 0, 1, 2, {"a", "b"}
    function Update(dt)
      vy = vy + 600 * dt
      x, y = x + vx * dt, y + vy * dt
      if x < 0 then x, vx = 0, -vx elseif x > 800 then x, vx = 800, -vx end
      return frames[1] .. "step" .. x .. y
    end
    function Plain() end
    function Caller() Engine(Plain(), "text") end
  )"),
            0)
      << lua_tostring(L, -1);
  const OrvLua::CallRanges update = RangesOf(L, "Update");
  lua_getglobal(L, "Update");
  EXPECT_EQ(update.spans[0].at, lua_topointer(L, -1)) << "the closure comes first";
  lua_pop(L, 1);
  // Closure, name, the globals table, its node, prototype, code, constants
  // and upvalues.
  EXPECT_GE(state.CheckedSpans(update), 8);
  const void* globals = lua_topointer(L, LUA_GLOBALSINDEX);
  EXPECT_TRUE(std::any_of(update.spans.begin(), update.spans.end(),
                          [&](const OrvLua::MemorySpan& span) { return span.at == globals; }));
  // No constants, no upvalues: those spans are left out, not made up. The
  // name's node is given apart from its main position when it lies elsewhere.
  const int plain = state.CheckedSpans(RangesOf(L, "Plain"));
  EXPECT_TRUE(plain == 6 || plain == 7) << plain;
  // Its callees add their nodes and closures, and the engine function its
  // block; a constant that names no function adds nothing.
  const int caller = state.CheckedSpans(RangesOf(L, "Caller"));
  EXPECT_TRUE(caller >= 7 + 5 && caller <= 8 + 5) << caller;

  // It holds for the same function until the globals grow and move.
  lua_getglobal(L, "Update");
  EXPECT_TRUE(OrvLua::RangesStillHold(L, update.key));
  lua_getglobal(L, "Plain");
  EXPECT_FALSE(OrvLua::RangesStillHold(L, update.key));
  lua_pop(L, 2);
  ASSERT_EQ(luaL_dostring(L, "for i = 1, 5000 do _G['h' .. i] = i end"), 0);
  lua_getglobal(L, "Update");
  EXPECT_FALSE(OrvLua::RangesStillHold(L, update.key));
  lua_pop(L, 1);
  EXPECT_GE(state.CheckedSpans(RangesOf(L, "Update")), 8);

  // A new definition, the old one collected: the ranges are the new one's.
  ASSERT_EQ(luaL_dostring(L, "function Update() return 2 end collectgarbage()"), 0);
  const OrvLua::CallRanges redefined = RangesOf(L, "Update");
  lua_getglobal(L, "Update");
  EXPECT_EQ(redefined.spans[0].at, lua_topointer(L, -1));
  lua_pop(L, 1);
  EXPECT_NE(redefined.spans[0].at, update.spans[0].at);
  EXPECT_GE(state.CheckedSpans(redefined), 6);

  // A C function has none of a Lua function's parts.
  ASSERT_EQ(luaL_dostring(L, "Update = print"), 0);
  EXPECT_EQ(state.CheckedSpans(RangesOf(L, "Update")), 0);
}

// Pushes the kept global, if it holds, and says which function it pushed.
const void* PushedKept(lua_State* L, const char* name, const OrvLua::KeptGlobal& kept) {
  const int top = lua_gettop(L);
  if (!OrvLua::PushKeptGlobal(L, name, kept)) {
    EXPECT_EQ(lua_gettop(L), top) << "nothing pushed";
    return nullptr;
  }
  const void* pushed = lua_topointer(L, -1);
  lua_pop(L, 1);
  return pushed;
}

const void* Global(lua_State* L, const char* name) {
  lua_getglobal(L, name);
  const void* function = lua_topointer(L, -1);
  lua_pop(L, 1);
  return function;
}

TEST(CallRangesTest, AKeptGlobalIsPushedOnlyWhileTheGlobalsStillHoldItUnderItsName) {
  TrackedState state;
  lua_State* L = state.L();
  ASSERT_EQ(luaL_dostring(L, "function Update() end function Render() end"), 0);
  OrvLua::KeptGlobal kept;
  lua_getglobal(L, "Update");
  OrvLua::KeepGlobal(L, "Update", kept);
  lua_pop(L, 1);
  EXPECT_EQ(PushedKept(L, "Update", kept), Global(L, "Update"));
  EXPECT_EQ(PushedKept(L, "Render", kept), nullptr) << "another name";
  // Where the push reads lies in the state.
  EXPECT_EQ(state.CheckedSpans(OrvLua::KeptGlobalSpans(L, kept)), 2);
  // A script that empties the registry loses the shortcut, not the call.
  OrvLua::KeptGlobal emptied;
  lua_getglobal(L, "Update");
  OrvLua::KeepGlobal(L, "Update", emptied);
  lua_pushnil(L);
  lua_rawseti(L, LUA_REGISTRYINDEX, emptied.functionRef);
  lua_pop(L, 1);
  EXPECT_EQ(PushedKept(L, "Update", emptied), nullptr);

  // The kept function is kept: collected or not, a new definition is not it.
  ASSERT_EQ(luaL_dostring(L, "local old = Update function Update() end collectgarbage()"), 0);
  EXPECT_EQ(PushedKept(L, "Update", kept), nullptr);
  lua_getglobal(L, "Update");
  OrvLua::KeepGlobal(L, "Update", kept);
  lua_pop(L, 1);
  EXPECT_EQ(PushedKept(L, "Update", kept), Global(L, "Update"));
  ASSERT_EQ(luaL_dostring(L, "Update = nil collectgarbage() for i = 1, 50 do _G['k' .. i] = Render end"), 0);
  EXPECT_EQ(PushedKept(L, "Update", kept), nullptr);

  // Kept again and again, as a slot taken in turns is, the registry keeps
  // no more than the last; after the globals grow, whatever is pushed is the
  // global itself.
  ASSERT_EQ(luaL_dostring(L, "function Update() end"), 0);
  lua_getglobal(L, "Update");
  for (int i = 0; i < 1000; ++i) OrvLua::KeepGlobal(L, "Update", kept);
  lua_pop(L, 1);
  EXPECT_LE(lua_objlen(L, LUA_REGISTRYINDEX), 8u);
  ASSERT_EQ(luaL_dostring(L, "for i = 1, 3000 do _G['g' .. i] = i end"), 0);
  const void* pushed = PushedKept(L, "Update", kept);
  EXPECT_TRUE(pushed == nullptr || pushed == Global(L, "Update"));
  OrvLua::ForgetKeptGlobal(L, kept);
  EXPECT_EQ(PushedKept(L, "Update", kept), nullptr);
}

}  // namespace
