#!/usr/bin/env bash
# What a careless script costs the real program, one scene at a time, each
# figure beside a baseline from the same run:
#   level     the frame that loads a level file of N records (1000, 3000,
#             10000), beside an ordinary frame, and the resident size after
#   path      one FindPath to a goal off a 4096 x 4096 map, beside one to a
#             goal 64 cells away
#   particles ten bursts of 360 particles a frame that never die: the frame
#             time and the resident size as the seconds pass
#   names     SetTileSet, GetTileSetInfo and DrawSprite with 1000 new unknown
#             names a frame: the resident size as the seconds pass
#   bench/soak/hostile.sh [level|path|particles|names|all] [orv binary] [seconds]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
scene="${1:-all}"
orv="${2:-$root/build/rel/orv}"
seconds="${3:-30}"
folder="$(mktemp -d)"
trap 'kill "${xvfb_pid:-}" 2>/dev/null || true; rm -rf "$folder"' EXIT

for n in $(seq 160 220); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
done
Xvfb "$display" -screen 0 1280x720x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
sleep 1

# A fresh content folder with one scripted object, Bench, running the script
# on standard input; the per-user folder lies inside it.
prepare() {
  rm -rf "$folder/run"
  mkdir -p "$folder/run/config" "$folder/run/data/gameobjects" "$folder/run/data/scripts" "$folder/run/res/audio" \
    "$folder/run/res/textures" "$folder/run/documents/Kelvane"
  cp -r "$root/game/shaders" "$folder/run/shaders"
  cp "$root/tests/resources/data/blue_256.png" "$folder/run/res/textures/blue.png"
  echo '{"file":"blue.png","frames":[{"id":"dot","x":0,"y":0,"sizeX":4,"sizeY":4}]}' > "$folder/run/res/textures/blue.pack"
  echo '{"width":640,"height":480,"fullscreen":0,"title":"Hostile","fps":60,"debug":1}' > "$folder/run/config/config.ini"
  echo '{"sounds":[]}' > "$folder/run/res/audio/loadaudio.ini"
  echo '{"name":"Bench","id":1,"components":[]}' > "$folder/run/data/gameobjects/Bench.txt"
  echo '{"spawn":[{"name":"Bench","id":1,"params":{}}]}' > "$folder/run/data/summoner.ini"
  cat > "$folder/run/data/scripts/Bench.lua"
  cat >> "$folder/run/data/scripts/Bench.lua" <<'LUA'
function Now()
  local pipe = io.popen("date +%s.%N")
  local now = tonumber(pipe:read("*l"))
  pipe:close()
  return now
end
function Rss()
  for line in io.lines("/proc/self/status") do
    local kb = line:match("^VmRSS:%s+(%d+)")
    if kb then return tonumber(kb) end
  end
end
LUA
}

run() {
  (cd "$folder/run" && DISPLAY="$display" ORV_HEADLESS=1 SDL_AUDIODRIVER=dummy timeout 600 "$orv" 2>/dev/null |
    grep "^bench" || true)
}

level() {
  for count in 1000 3000 10000; do
    prepare <<'LUA'
local frames, before = 0, 0
function Update(dt)
  frames = frames + 1
  if frames == 30 then before = Now() end
  if frames == 31 then
    print(string.format("bench level: an ordinary frame %.3f s", Now() - before))
    before = Now()
    LoadObjects("level.json", true)
  end
  if frames == 32 then
    print(string.format("bench level: the frame that loads it %.3f s, resident %d MB", Now() - before, Rss() / 1024))
    Shutdown()
  end
end
LUA
    echo '{"name":"Crate","id":2,"components":[{"type":"transform","data":[0.0,0.0]},
      {"type":"collision","data":["AABB",{"width":4.0,"height":4.0}]},{"type":"spriteanim","data":[]},
      {"type":"editable","data":[]}]}' > "$folder/run/data/gameobjects/Crate.txt"
    echo 'function Update(dt) end' > "$folder/run/data/scripts/Crate.lua"
    {
      echo '{"spawn":['
      for ((i = 0; i < count; ++i)); do
        [ "$i" -gt 0 ] && echo ','
        printf '{"name":"Crate","id":%d,"params":{"editable":[{"index":0,"value":%d.0},{"index":1,"value":%d.0},' \
          "$i" "$((i % 600))" "$((i / 600))"
        printf '{"index":2,"value":%d},{"index":3,"value":"Crate"},{"index":4,"value":1}]}}' "$i"
      done
      echo ']}'
    } > "$folder/run/documents/Kelvane/level.json"
    echo "records $count"
    XDG_DOCUMENTS_DIR="$folder/run/documents" run
  done
}

path() {
  prepare <<'LUA'
function Init()
  CreateNewTileMap(1, 4096, 4096)
  local t = Now()
  local near = #FindPath(1, 16, 16, 64 * 32 + 16, 16, 32, 32, 100000000)
  local nearTime = Now() - t
  t = Now()
  local off = #FindPath(1, 16, 16, -1000, -1000, 32, 32, 100000000)
  print(string.format("bench path: a goal 64 cells away %.4f s (%d cells), a goal off the map %.4f s (%d cells)",
    nearTime, near, Now() - t, off))
  Shutdown()
end
LUA
  run
}

particles() {
  prepare <<LUA
local frames, last, start = 0, 0, 0
function Update(dt)
  frames = frames + 1
  for i = 1, 10 do
    CreateBackCircleTexParticles("dot", 1, 0, 1e30, 1, 360, {x = 320, y = 240, scaleX = 4, scaleY = 4, speed = 1})
  end
  if frames == 1 then start = Now(); last = start end
  if frames % 60 == 0 then
    local now = Now()
    print(string.format("bench particles: %5.1f s, a frame %.4f s, resident %d MB", now - start, (now - last) / 60,
      Rss() / 1024))
    last = now
    if now - start > $seconds then Shutdown() end
  end
end
LUA
  run
}

names() {
  prepare <<LUA
local frames, k, start = 0, 0, 0
function Update(dt)
  frames = frames + 1
  if frames == 1 then start = Now() end
  if frames % 60 == 0 then
    local now = Now()
    print(string.format("bench names: %5.1f s, %d names, resident %d MB", now - start, k, Rss() / 1024))
    if now - start > $seconds then Shutdown() end
  end
  for i = 1, 1000 do
    k = k + 1
    SetTileSet(0, "ts" .. k)
    GetTileSetInfo("info" .. k)
    DrawSprite("sprite" .. k, 10, 10)
  end
end
LUA
  run
}

case "$scene" in
  all) level; path; particles; names ;;
  *) "$scene" ;;
esac
