-- The level: a walled room drawn into tile map 1, its walls solid and casting
-- shadows from the lamp, and three crates. C puts a crate at the hero, S saves
-- the crates to the user folder, L puts the saved ones in place of those in
-- the room (before any save, those of data/demo_level.json: the first three).
-- F switches the lamp's light and the walls' shadows on and off; Escape quits.
-- The lamp (Lamp.txt) stands where its small collider puts it, on open floor
-- left of the wall column: an object without a collider stays at world (0, 0),
-- inside the corner wall.
local columns, rows = 20, 15
-- The editor records what it adds, so these are saved with the crates added
-- later; a first start reads no file and so reports no missing save.
local firstCrates = { { 160, 224, 7 }, { 448, 352, 8 }, { 512, 96, 9 } }
local frames = 0

local function IsWall(c, r)
  if c == 0 or r == 0 or c == columns - 1 or r == rows - 1 then return true end
  if c == 10 and r >= 3 and r <= 7 then return true end
  if r == 10 and c >= 13 and c <= 16 then return true end
  if (c == 5 or c == 6) and (r == 10 or r == 11) then return true end
  return false
end

function Init()
  CreateNewTileMap(1, columns, rows)
  for r = 0, rows - 1 do
    for c = 0, columns - 1 do
      local wall = IsWall(c, r)
      SetWriteLayer(0)
      SetWriteValue(wall and 35 or 46)
      WriteValue(c * 32, r * 32)
      if wall then
        SetWriteLayer(1)
        SetWriteValue(1)
        WriteValue(c * 32, r * 32)
      end
    end
  end
  SetCameraX(304)
  SetCameraY(224)
  QueueSound("music")
  for _, crate in ipairs(firstCrates) do AddObject(crate[1], crate[2], crate[3], "crate") end
  lights = CreateButton({id = 1, x = 560, y = 36, width = 3, height = 1,
                         textureUp = "button_up", textureDown = "button_down", textureHover = "button_hover"})
  CreateLabel({id = 3, x = 560, y = 42, font = "default", R = 1, G = 1, B = 1, text = "Light"})
end

local nextCrate = 100
local lit = false

function Update(dt)
  frames = frames + 1
  if frames == 1 then SetEnableLighting(lit) end
  if IsKeyReleased(KB_F) or lights:IsPressedUp() then
    lit = not lit
    SetEnableLighting(lit)
    EnableTileMapShadows(1, lit)
  end
  if frames == 30 then print("demo running") end
  if IsKeyReleased(KB_C) then
    AddObject(GetGlobalVar("hero_x") or 304, GetGlobalVar("hero_y") or 224, nextCrate, "crate")
    nextCrate = nextCrate + 1
  end
  if IsKeyReleased(KB_S) then SaveObjects("demo_level.json") end
  if IsKeyReleased(KB_L) then
    -- Every crate carries the editor's component, and nothing else does.
    RemoveAllGameObjectsContainingComponent("editable")
    LoadObjects("demo_level.json", true)
  end
  if IsKeyReleased(KB_ESC) then Shutdown() end
end
