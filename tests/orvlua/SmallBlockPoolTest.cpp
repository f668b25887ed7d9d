// The per-state memory: freed blocks are reused by size, and a state that
// churns its heap, small blocks, page runs and large blocks alike, computes
// what a plain one would.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "LuaTestSupport.h"
#include "orvlua/memory/SmallBlockPool.h"

namespace {

using OrvLua::Detail::SmallBlockPool;

TEST(SmallBlockPoolTest, FreedBlocksAreReusedByStepAndKeepTheirBytes) {
  SmallBlockPool pool;
  const struct {
    size_t first, second;
    bool same;
  } cases[] = {{1, 8, true},      {9, 16, true},    {8, 9, false},     {100, 104, true},  {249, 256, true},
               {256, 257, false}, {257, 320, true}, {320, 321, false}, {1985, 2048, true}};
  for (const auto& each : cases) {
    void* block = pool.Allocate(each.first);
    std::memset(block, 0x5a, each.first);
    pool.Free(block, each.first);
    void* again = pool.Allocate(each.second);
    EXPECT_EQ(again == block, each.same) << each.first << " then " << each.second;
    std::memset(again, 0x33, each.second);
    pool.Free(again, each.second);
  }
}

TEST(SmallBlockPoolTest, BlocksOfEverySizeAcrossManyChunksNeverOverlap) {
  SmallBlockPool pool;
  struct Block {
    unsigned char* bytes;
    size_t size;
  };
  std::vector<Block> blocks;
  // Sizes in an order that leaves chunk ends of every length, and frees
  // that put blocks back for the next round.
  for (int round = 0; round < 3; ++round) {
    for (size_t size = 1 + round; size <= SmallBlockPool::kLargest; size += 7) {
      auto* bytes = static_cast<unsigned char*>(pool.Allocate(size));
      ASSERT_NE(bytes, nullptr);
      std::memset(bytes, static_cast<int>(blocks.size() % 251), size);
      blocks.push_back({bytes, size});
    }
    for (size_t i = round; i < blocks.size(); i += 3) {
      if (blocks[i].bytes == nullptr) continue;
      pool.Free(blocks[i].bytes, blocks[i].size);
      blocks[i].bytes = nullptr;
    }
  }
  for (size_t i = 0; i < blocks.size(); ++i) {
    if (blocks[i].bytes == nullptr) continue;
    for (size_t at = 0; at < blocks[i].size; ++at)
      ASSERT_EQ(blocks[i].bytes[at], i % 251) << "block " << i << " of " << blocks[i].size << " bytes, at " << at;
  }
}

TEST(SmallBlockPoolTest, AChurningStateComputesAsAPlainOneWould) {
  OrvTest::TestState lua;
  const char* script = R"(
    local parts, sum = {}, 0
    for round = 1, 30 do
      local t = {}
      for i = 1, round * 20 do t[i] = string.rep("x", i % 70) .. i end
      for i = #t, 1, -3 do table.remove(t, i) end
      -- Tables and strings that grow through every size, page runs and the
      -- heap beyond them included.
      local keyed = {}
      for i = 1, round * 150 do keyed["k" .. i] = i end
      for i = 1, round * 150, 2 do keyed["k" .. i] = nil end
      for _, v in pairs(keyed) do sum = sum + v end
      sum = sum + #table.concat(t) + #string.rep(parts[#parts] or "y", round * 400)
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
