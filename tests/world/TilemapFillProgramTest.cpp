// FillValue over several shown maps in the real program: a map whose start
// cell already holds the value is left as it is, and the maps after it are
// filled all the same.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

// Shown in this order: map 1, map 2, map 1 again, map 3, each 4 x 3 cells.
const char* kDriver = R"(
local function filled(id)
  local n = 0
  for y = 0, 2 do
    for x = 0, 3 do
      if GetTile(0, id, x * 32, y * 32) == 5 then n = n + 1 end
    end
  end
  return n
end
local function show(what) print('> ' .. what .. ': ' .. filled(1) .. ' ' .. filled(2) .. ' ' .. filled(3)) end

function Init()
  for id = 1, 3 do CreateNewTileMap(id, 4, 3) end
  SetWriteLayer(0)
  SetWriteValue(5)
  -- The second showing of map 1 finds it filled already.
  FillValue(0, 0)
  show('all empty')
  CreateNewTileMap(2, 4, 3)
  CreateNewTileMap(3, 4, 3)
  -- The first map shown holds the value where the fill starts.
  FillValue(0, 0)
  show('the first full')
  SetWriteValue(6)
  FillValue(0, 0)
  show('another value')
end

function Update(dt) Shutdown() end
)";

TEST(TilemapFillProgram, AMapThatHoldsTheValueAtTheStartIsSkippedAndTheOthersAreFilled) {
  ContentFolder folder;
  WriteScriptScene(folder, "Fill", {{"Driver", kDriver}},
                   {{"Map1", 1}, {"Map2", 2}, {"Map1", 3}, {"Map3", 4}, {"Driver", 5}});
  for (const char* id : {"1", "2", "3"}) {
    folder.Write(std::string("data/gameobjects/Map") + id + ".txt",
                 std::string(R"({"name":"Map)") + id + R"(","id":1,"components":[{"type":"tilemap","data":)" +
                     R"([{"tilemapid":)" + id + R"(,"tilewidth":32,"tileheight":32}]}]})");
  }
  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));
  const std::vector<std::string> expected = {
      "> all empty: 12 12 12",
      "> the first full: 12 12 12",
      "> another value: 0 0 0",
  };
  EXPECT_EQ(LinesStartingWith(run.out, "> "), expected) << run.out << run.err;
}

}  // namespace
