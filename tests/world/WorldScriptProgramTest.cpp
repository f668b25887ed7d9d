// The physics and tile-map script functions in the real program: one scene
// whose script drives its own body and a small level, and prints what it
// reads back; the map it saves lands in the per-user folder and loads again.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

const char* kDriver = R"(
local function show(...)
  local parts = {}
  for i = 1, select('#', ...) do parts[#parts + 1] = tostring(select(i, ...)) end
  print('> ' .. table.concat(parts, ' '))
end
local function xy(t) return string.format('%.17g %.17g', t.x, t.y) end
-- The error without the script line it was raised on.
local function refused(f)
  local ok, message = pcall(f)
  return ok and 'ran' or (message:gsub('^.-:%d+: ', ''))
end
local function corners(t)
  local parts = {}
  for i = 1, #t do parts[#parts + 1] = t[i].x .. ',' .. t[i].y end
  return '[' .. table.concat(parts, ' ') .. ']'
end
local function layer(n)
  local rows = {}
  for y = 0, 2 do
    local row = {}
    for x = 0, 3 do row[#row + 1] = GetTile(n, 1, x * 32, y * 32) end
    rows[#rows + 1] = table.concat(row, ',')
  end
  return table.concat(rows, ' / ')
end

local function body()
  SetVelocity(1, 0)
  show('SetVelocity(1, 0)', xy(GetVelocity()))
  SetVelocity(5 / 60, 7 / 60)
  AddVelocity(2)
  show('AddVelocity(2)', xy(GetVelocity()))
  SetVelocityX(1)
  show('SetVelocityX(1)', xy(GetVelocity()))
  SetVelocityY(0.5)
  show('SetVelocityY(0.5)', xy(GetVelocity()))
  SetVelocity(0.1 / 60, 0)
  show('single precision', xy(GetVelocity()))
  SetAcceleration(1, 2)
  AddAcceleration(1, 0)
  show('acceleration', xy(GetAcceleration()))
  SetAngularVel(2)
  local set = GetAngularVel().AngularVel
  AddAngularVel(-1)
  show('angular', set, GetAngularVel().AngularVel)
  SetImpulse(1, 1)
  show('SetImpulse(1, 1) at mass 2', xy(GetVelocity()))
  SetForce(1, 0)
  AddForce(0, 1)
  show('force', xy(GetForce()))
  show('new direction', string.format('%.3f %.3f', GetDirection().x, GetDirection().y))
  SetDirection(0, 0, 0, 1)
  show('SetDirection up', string.format('%.3f %.3f', GetDirection().x, GetDirection().y))
  SetDirection(0, 0, -1, 0)
  show('SetDirection left', string.format('%.3f %.3f', GetDirection().x, GetDirection().y))
  SetBouncy(0.5)
  show('GetBouncy', GetBouncy().bouncy)
  SetWallBouncingTrue()
  SetWallBouncingFalse()
  show('SetVelocity("1", 0)', refused(function() SetVelocity('1', 0) end))
  -- Nothing that is not a finite number reaches the body.
  SetVelocity(0 / 0, 1)
  SetImpulse(1e308, 1e308)
  SetForce(1 / 0, 0)
  AddForce(1e308, 0)
  SetAcceleration(-1 / 0, 0)
  AddAngularVel(1e308)
  SetDirection(0 / 0, 0, 1, 1)
  SetBouncy(0 / 0)
  show('after hostile values', xy(GetVelocity()), xy(GetForce()), xy(GetAcceleration()),
       GetAngularVel().AngularVel, GetBouncy().bouncy, string.format('%.3f', GetDirection().x))
  SetAngularVel(2)
end

local function tiles()
  show('names before', '[' .. GetCollisionLayer() .. ']', '[' .. GetDrawLayer() .. ']')
  SetCollisionLayer('walls')
  SetDrawLayer('floor')
  show('names', GetCollisionLayer(), GetDrawLayer())
  CreateNewTileMap(1, 4, 3)
  CreateNewTileMap(1, -1, 3)
  show('edges', GetTile(1, 1, 96, 64), GetTile(1, 1, 128, 0), GetTile(1, 1, 0, -17), GetTile(1, 9, 0, 0))

  SetWriteLayer(1.9)
  SetWriteValue(257)
  WriteValue(32, 0)
  show('SetWriteValue(257)', GetTile(1, 1, 32, 0))
  show('SetWriteLayer("1")', refused(function() SetWriteLayer('1') end))
  SetWriteLayer(7)
  SetWriteValue(2)
  WriteValue(32, 32)
  WriteValue(500, 500)
  show('layer 1', layer(1))

  SetWriteLayer(2)
  local cycle = {}
  for i = 1, 4 do WriteValue(64, 64); cycle[i] = GetTile(2, 1, 64, 64) end
  show('attribute cycle', table.concat(cycle, ' '))
  WriteValue(64, 64)
  WriteValue(64, 64)
  SetWriteLayer(0)
  SetWriteValue(7)
  WriteValue(96, 0)
  show('tile and its attribute', GetTile(0, 1, 96, 0), GetTile(2, 1, 96, 0))

  SetWriteValue(200)
  FillValue(0, 0)
  FillValue(0, 0)
  show('FillValue with 200', layer(0))
  SetWriteLayer(3)
  SetWriteValue(9)
  FillValue(0, 0)
  show('layer 3 fills nothing', layer(0))

  show('rays', CallTileMapRaycast(1, 0, 0, 96, 0), CallTileMapRaycast(1, 0, 64, 96, 64),
       CallTileMapRaycast(1, 64, 64, 64, 64), CallTileMapRaycast(1, 32, 0, 32, 0),
       CallTileMapRaycast(9, 0, 0, 0, 0), CallTileMapRaycast(1, 0 / 0, 0, 0, 0), CallTileMapRaycast(1, 0, 64, 200, 64))

  EnableTileMapShadows(1, true)
  show('EnableTileMapShadows(1, nil)', refused(function() EnableTileMapShadows(1, nil) end))
  MarkTileAt(64, 32)
  SetTileSet(0, 'walls')
  DrawTileSet('walls', 49, 0, 0, 32, 32)
  local info = GetTileSetInfo('walls')
  show('GetTileSetInfo', info[0], info[1], info[2], info[3], next(GetTileSetInfo('nothing')))

  CreateNewTileMap(2, 4, 1)
  show('FindPath', corners(FindPath(2, 0, 0, 96, 0, 32, 32, 100)))
  show('FindPath -1 steps', corners(FindPath(2, 0, 0, 96, 0, 32, 32, -1)))
  show('FindPath empty', corners(FindPath(2, 0, 0, 96, 0, 32, 32, 0)), corners(FindPath(2, 0, 0, 31, 31, 32, 32, 9)),
       corners(FindPath(8, 0, 0, 96, 0, 32, 32, 9)), corners(FindPath(2, 0, 0, 96, 0, 0, 32, 9)),
       corners(FindPath(2, 0, 0, 96, 0, 32, 0 / 0, 9)), corners(FindPath(1, 0, 0, 32, 0, 32, 32, 99)))

  SaveTileMap(1, 'level.txt')
  SaveTileMap(1, '../escape.txt')
  SaveTileMap(6, 'none.txt')
  CreateNewTileMap(1, 4, 3)
  show('blank', layer(0))
  LoadNewTileMap(1, 'level.txt')
  show('loaded', layer(0), '|', layer(1), '|', layer(2))
end

function Init()
  body()
  tiles()
end

function Update(dt)
  show('after a step', xy(GetForce()), GetAngularVel().AngularVel)
  Shutdown()
end
)";

TEST(WorldScriptProgram, EveryPhysicsAndTileMapFunctionAnswersAsScriptsExpect) {
  ContentFolder folder;
  WriteScriptScene(folder, "World", {{"Driver", kDriver}}, {{"Level", 1}, {"Driver", 2}},
                   R"([{"type":"rigidbody","data":[{"mass":2.0}]}])");
  folder.Write("data/gameobjects/Level.txt", R"({"name":"Level","id":1,"components":[{"type":"tilemap","data":)"
                                             R"([{"tilemapid":1,"tilewidth":32,"tileheight":32}]}]})");
  folder.Write("res/textures/walls.tileset",
               R"({"name":"walls","mapping":[{"id":49,"texture":"a"},{"id":48,"texture":"b"},)"
               R"({"id":200,"texture":"c"}]})");
  const std::string home = folder.Path() + "/home";
  const std::string documents = home + "/docs";
  RunOptions options;
  options.env = {{"HOME", home}, {"XDG_DOCUMENTS_DIR", documents}};
  const RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run)) << run.out << run.err;

  const std::vector<std::string> expected = {
      "> SetVelocity(1, 0) 60 0",
      "> AddVelocity(2) 120 7",
      "> SetVelocityX(1) 60 7",
      "> SetVelocityY(0.5) 60 30",
      "> single precision 0.10000000149011612 0",
      "> acceleration 120 120",
      "> angular 120 60",
      "> SetImpulse(1, 1) at mass 2 30 30",
      "> force 60 60",
      "> new direction 1.000 0.000",
      "> SetDirection up 0.000 1.000",
      "> SetDirection left -1.000 0.000",
      "> GetBouncy 0.5",
      "> SetVelocity(\"1\", 0) bad argument #1 to 'SetVelocity' (bad argument)",
      "> after hostile values 30 30 60 60 120 120 60 0.5 -1.000",
      "> names before [] []",
      "> names walls floor",
      "> edges 0 -1 -1 -1",
      "> SetWriteValue(257) 1",
      "> SetWriteLayer(\"1\") bad argument #1 to 'SetWriteLayer' (bad argument)",
      "> layer 1 0,1,0,0 / 0,2,0,0 / 0,0,0,0",
      "> attribute cycle 1 2 3 0",
      "> tile and its attribute 7 2",
      "> FillValue with 200 -56,-56,-56,7 / -56,-56,-56,-56 / -56,-56,-56,-56",
      "> layer 3 fills nothing -56,-56,-56,7 / -56,-56,-56,-56 / -56,-56,-56,-56",
      "> rays false true true false false false false",
      "> EnableTileMapShadows(1, nil) bad argument #2 to 'EnableTileMapShadows' (bad argument)",
      "> GetTileSetInfo -56 48 49 nil nil",
      "> FindPath [96,0 64,0 32,0 0,0]",
      "> FindPath -1 steps [96,0 64,0 32,0 0,0]",
      "> FindPath empty [] [] [] [] [] []",
      "> blank 0,0,0,0 / 0,0,0,0 / 0,0,0,0",
      "> loaded -56,-56,-56,7 / -56,-56,-56,-56 / -56,-56,-56,-56 | 0,1,0,0 / 0,2,0,0 / 0,0,0,0 | "
      "0,0,0,2 / 0,0,0,0 / 0,0,2,0",
      "> after a step 0 0 60",
  };
  EXPECT_EQ(LinesStartingWith(run.out, "> "), expected) << run.out << run.err;

  // Hostile values are refused at the body, said once for the object.
  EXPECT_EQ(Count(run.err, "Error! Rigid body \""), 1u) << run.err;
  EXPECT_NE(run.err.find("\" of object 2 (unique id "), std::string::npos) << run.err;
  EXPECT_EQ(Count(run.out, "Tile map coordinates out of range!: 16 , 16"), 1u) << run.out;
  EXPECT_NE(run.err.find("Error! CreateNewTileMap: tile map 1 of 4294967295 x 3 cells refused"), std::string::npos)
      << run.err;

  // The map went to the per-user folder, and only the map.
  const std::string saved = std::string("4\n3\n\n") + "\xC8\xC8\xC8\x07\n\xC8\xC8\xC8\xC8\n\xC8\xC8\xC8\xC8\n\n" +
                            std::string("\0\x01\0\0\n\0\x02\0\0\n\0\0\0\0\n\n", 16) +
                            std::string("\0\0\0\x02\n\0\0\0\0\n\0\0\x02\0\n", 15);
  EXPECT_EQ(folder.Read("home/docs/Kelvane/level.txt"), saved);
  EXPECT_NE(run.err.find("Error! File name \"../escape.txt\" refused"), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(documents + "/escape.txt"));
  EXPECT_FALSE(std::filesystem::exists(documents + "/Kelvane/none.txt"));
}

}  // namespace
