// The per-state memory: freed blocks are reused by size, and a state that
// churns its heap computes what a plain one would.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "LuaTestSupport.h"
#include "orvlua/SmallBlockPool.h"

namespace {

using OrvLua::Detail::SmallBlockPool;

TEST(SmallBlockPoolTest, FreedBlocksAreReusedByStepAndKeepTheirBytes) {
  SmallBlockPool pool;
  const struct {
    size_t first, second;
    bool same;
  } cases[] = {{1, 16, true}, {17, 32, true}, {16, 17, false}, {100, 112, true}, {241, 256, true}};
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

TEST(SmallBlockPoolTest, AChurningStateComputesAsAPlainOneWould) {
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
