// The per-state memory: blocks keep their bytes across growth and shrinking
// through every size, freed blocks are reused, and a state that churns its
// heap computes what a plain one would.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "LuaTestSupport.h"
#include "orvlua/StateArena.h"

namespace {

using OrvLua::Detail::StateArena;

TEST(StateArenaTest, BlocksKeepTheirBytesAcrossEverySizeChange) {
  StateArena arena;
  // Within a class, across classes, small to large and back, large to large.
  const size_t steps[] = {1, 7, 16, 17, 100, 512, 513, 4000, 9000, 600, 300, 24, 3};
  void* block = arena.Reallocate(nullptr, 0, steps[0]);
  std::memset(block, 0x5a, steps[0]);
  size_t size = steps[0];
  for (size_t next : steps) {
    block = arena.Reallocate(block, size, next);
    ASSERT_NE(block, nullptr) << next;
    const size_t kept = size < next ? size : next;
    for (size_t i = 0; i < kept; ++i) ASSERT_EQ(static_cast<unsigned char*>(block)[i], 0x5a) << size << "->" << next;
    std::memset(block, 0x5a, next);
    size = next;
  }
  EXPECT_EQ(arena.Reallocate(block, size, 0), nullptr);
}

TEST(StateArenaTest, FreedSmallBlocksAreReusedBeforeNewChunks) {
  StateArena arena;
  std::vector<void*> blocks;
  for (int i = 0; i < 1000; ++i) blocks.push_back(arena.Reallocate(nullptr, 0, 48));
  const size_t used = arena.ChunkBytes();
  EXPECT_GE(used, 48u * 1000);
  for (void* block : blocks) arena.Free(block, 48);
  for (int i = 0; i < 1000; ++i) arena.Reallocate(nullptr, 0, 40);
  EXPECT_EQ(arena.ChunkBytes(), used) << "the same class is served from the freed blocks";
  arena.ReleaseAll();
  EXPECT_EQ(arena.ChunkBytes(), 0u);
}

TEST(StateArenaTest, AChurningStateComputesAsAPlainOneWould) {
  OrvTest::TestState lua;
  const char* script = R"(
    local parts, sum = {}, 0
    for round = 1, 30 do
      local t = {}
      for i = 1, round * 20 do t[i] = string.rep("x", i % 70) .. i end
      for i = #t, 1, -3 do table.remove(t, i) end
      sum = sum + #table.concat(t)
      parts[#parts + 1] = t[#t]
      collectgarbage()
    end
    return sum .. " " .. table.concat(parts, ",", 28)
  )";
  ASSERT_EQ(luaL_dostring(lua.L(), script), 0) << lua_tostring(lua.L(), -1);
  const std::string churned = lua_tostring(lua.L(), -1);
  lua_State* plain = luaL_newstate();
  luaL_openlibs(plain);
  ASSERT_EQ(luaL_dostring(plain, script), 0);
  EXPECT_EQ(churned, lua_tostring(plain, -1));
  lua_close(plain);
}

}  // namespace
