-- A crate listens on the "hero" channel and answers when the hero rings
-- near it.
function Init()
  SubMsgChannel("hero")
end

function OnMessage(kind, data)
  local p = GetPos()
  local dx, dy = p.x - data.x, p.y - data.y
  if dx * dx + dy * dy < 96 * 96 then
    print("crate " .. GetUniqueID() .. " heard the hero")
  end
end
