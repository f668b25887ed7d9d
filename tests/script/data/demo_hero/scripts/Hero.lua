-- The hero: a crate it carries (a mounted child, which follows the hero) and
-- an escort of two crates that keep together as a group.
local carried = 0
local escort = {}

function Init()
  Log("hero ready at", GetRealAttribIndex("transform", 0), GetRealAttribIndex("transform", 1))

  carried = CreateMountedChildGameObject("Crate", 20)

  SetEnableGrouping(true)
  for i, x in ipairs({ 448.0, 576.0 }) do
    PushRealParamIndex("transform", 0, x)
    escort[i] = CreateGameObject("Crate", 20 + i)
  end
  SetEnableGrouping(false)
  ResetParamStack()

  SetGlobalVarString("hero_state", "ready")
  Log("carrying", carried, "escorted by", #escort, "crates;", "hero is", GetGlobalVar("hero_state"))
end

-- Arrow keys (or the first gamepad's left stick) walk the hero; space, or the
-- pad's A button, plays a blip.
local speed = 200.0

function Update(dt)
  local dx, dy = 0.0, 0.0
  if IsKeyPressed(KB_LEFT) then dx = dx - 1 end
  if IsKeyPressed(KB_RIGHT) then dx = dx + 1 end
  if IsKeyPressed(KB_UP) then dy = dy - 1 end
  if IsKeyPressed(KB_DOWN) then dy = dy + 1 end
  if IsConnected(0) and not GetLThumbNeutral(0) then
    dx, dy = GetLThumbX(0), -GetLThumbY(0)
  end
  if dx ~= 0 or dy ~= 0 then
    local x = GetRealAttribIndex("transform", 0) + dx * speed * dt
    local y = GetRealAttribIndex("transform", 1) + dy * speed * dt
    SetRealAttribIndex("transform", 0, x)
    SetRealAttribIndex("transform", 1, y)
  end
  if IsKeyReleased(KB_SPACE) or (IsConnected(0) and IsButtonDown(0, GAMEPAD_A)) then
    QueueSound("blip")
    Log("blip at", math.floor(GetRealAttribIndex("transform", 0)), math.floor(GetRealAttribIndex("transform", 1)))
  end
  if IsKeyReleased(KB_ESC) then Shutdown() end
end
