-- The hero walks with the arrow keys or the first gamepad's left stick; its
-- body stops at walls and crates. Space (or the pad's A) rings: a blip, and a
-- message to every crate listening on the "hero" channel, with a burst of
-- sparks. A fading trail follows the hero.
-- Each ring costs some of the bell's charge, shown by the bar, which fills
-- again over time.
local speed = 3.0 -- per frame at 60 frames a second
local charge = 1.0

function Init()
  bar = CreateProgressBar({id = 2, x = 110, y = 36, width = 5, height = 0.5, barWidth = 5, barHeight = 0.5,
                           textureFrame = "white", textureBar = "white"})
  bar:SetFrameRGBA(0.1, 0.1, 0.2, 1)
  bar:SetBarRGBA(1, 0.8, 0.2, 1)
  -- A trail is a flat ribbon: its texture names no frame.
  EnableTrailingEffect(true, 0.05, 6, "", 0.7)
  SetTrailingEffectTint(0.4, 0.8, 1.0)
end

function Update(dt)
  local dx, dy = 0.0, 0.0
  if IsKeyPressed(KB_LEFT) then dx = dx - 1 end
  if IsKeyPressed(KB_RIGHT) then dx = dx + 1 end
  if IsKeyPressed(KB_UP) then dy = dy - 1 end
  if IsKeyPressed(KB_DOWN) then dy = dy + 1 end
  if IsConnected(0) and not GetLThumbNeutral(0) then
    dx, dy = GetLThumbX(0), -GetLThumbY(0)
  end
  SetVelocity(dx * speed, dy * speed)

  local p = GetPos()
  SetGlobalVarReal("hero_x", p.x)
  SetGlobalVarReal("hero_y", p.y)

  charge = math.min(1.0, charge + dt * 0.25)
  bar:SetImmediateAmount(charge)
  if charge >= 0.3 and (IsKeyReleased(KB_SPACE) or (IsConnected(0) and IsButtonDown(0, GAMEPAD_A))) then
    charge = charge - 0.3
    QueueSound("blip")
    SendMsgToChannel("hero", 1, { x = p.x, y = p.y })
    -- Sixteen dots of 20 pixels fly out 100 pixels a second and fade over 1.2 s.
    CreateFrontCircleTexParticles("spark", 1, 0, 1.2, 1, 16,
                                  { x = p.x, y = p.y, speed = 100, scaleX = 20, scaleY = 20, aL = -0.7 })
  end
end

function OnTileCollide(cell)
end
