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
