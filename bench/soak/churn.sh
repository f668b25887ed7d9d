#!/usr/bin/env bash
# A steady churn of scripted objects in the real program, sampling its
# resident size: about 400 live objects, 40 made and 40 ended every frame at
# 60 frames a second, nothing else. Prints one line per sample (seconds,
# objects made so far, resident kB) and the growth over the second half of
# the run, where a size that has levelled off stays flat.
# With "plain" the objects only live and die; otherwise each also joins a
# message channel, as most game objects do.
#   bench/soak/churn.sh [seconds] [plain|channel] [orv binary]
set -euo pipefail
seconds="${1:-150}"
root="$(cd "$(dirname "$0")/../.." && pwd)"
kind="${2:-channel}"
orv="${3:-$root/build/rel/orv}"
folder="$(mktemp -d)"
trap 'kill "${orv_pid:-}" "${xvfb_pid:-}" 2>/dev/null || true; rm -rf "$folder"' EXIT

mkdir -p "$folder/config" "$folder/data/gameobjects" "$folder/data/scripts" "$folder/res/audio"
echo '{"width":320,"height":200,"fullscreen":0,"title":"Soak","fps":60,"debug":1}' > "$folder/config/config.ini"
echo '{"sounds":[]}' > "$folder/res/audio/loadaudio.ini"
echo '{"name":"Spawner","id":1,"components":[]}' > "$folder/data/gameobjects/Spawner.txt"
echo '{"name":"Mite","id":2,"components":[{"type":"transform","data":[0.0, 0.0]}]}' > "$folder/data/gameobjects/Mite.txt"
echo '{"spawn":[{"name":"Spawner","id":1,"params":{}}]}' > "$folder/data/summoner.ini"
cat > "$folder/data/scripts/Spawner.lua" <<'LUA'
made = 0
function Update(dt)
  for i = 1, 40 do CreateGameObject('Mite', 2) end
  made = made + 40
  if made % 2400 == 0 then print('made ' .. made) end
end
LUA
{ [ "$kind" = plain ] && echo "JOIN = false" || echo "JOIN = true"; } > "$folder/data/scripts/Mite.lua"
cat >> "$folder/data/scripts/Mite.lua" <<'LUA'
local frames, data = 0, {x = 1, y = 2, name = 'mite'}
function Init() if JOIN then SubMsgChannel('mites') end end
function Update(dt)
  frames = frames + 1
  if frames == 10 then Kill() end
end
LUA

for n in $(seq 160 220); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
done
Xvfb "$display" -screen 0 1280x720x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
sleep 1
cd "$folder"
DISPLAY="$display" ORV_HEADLESS=1 SDL_AUDIODRIVER=dummy "$orv" > out.txt 2> err.txt &
orv_pid=$!
sleep 2
first=""; half=""
for t in $(seq 0 "$seconds"); do
  rss=$(awk '/VmRSS/ {print $2}' "/proc/$orv_pid/status")
  made=$(grep -c '^made ' out.txt || true)
  echo "$t s  made $((made * 2400))  rss ${rss} kB"
  [ -z "$first" ] && first=$rss
  [ "$t" -eq $((seconds / 2)) ] && half=$rss
  last=$rss
  [ "$t" -lt "$seconds" ] && sleep 1
done
kill -TERM "$orv_pid"; wait "$orv_pid" || true
echo "resident kB: start $first, half-time $half, end $last; second half grew $((last - half)) kB"
grep -c . err.txt >/dev/null && head -5 err.txt || true
