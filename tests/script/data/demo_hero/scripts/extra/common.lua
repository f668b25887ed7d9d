-- Shared by every scripted object of the demo: it runs in each object's own
-- state before that object's script.
DEMO_NAME = "Orv Demo"

function Log(...)
  print(DEMO_NAME .. ":", ...)
end
