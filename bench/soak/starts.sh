#!/usr/bin/env bash
# Starts the real program again and again on a machine it loads itself (twice
# the core count of busy loops) and counts the starts that failed, by cause.
# Each start is an empty game that ends itself on its second frame; a start
# works when the program ends by itself with code 0 and prints nothing on
# standard error but its loaders' notes on the resources the game lacks.
#
# Several starts run at once, each worker on an X server of its own, and the
# workers run their starts back to back on it: a server sees one client leave
# and the next arrive, as it does when a user starts a game again and again.
# Beside each start other X clients come and go, looking for its window.
#   bench/soak/starts.sh [starts] [at once] [orv binary] [shared|fresh]
# "fresh" gives every start an X server of its own instead.
# Prints one line per failed start as it happens, then the count and the
# causes; the failed starts' output is kept in the folder it names.
set -euo pipefail
starts="${1:-300}"
workers="${2:-4}"
root="$(cd "$(dirname "$0")/../.." && pwd)"
orv="$(realpath "${3:-$root/build/rel/orv}")"
servers="${4:-shared}"
[ -x "$orv" ] || { echo "no program at $orv (build it: cmake --build build/rel --target orv)" >&2; exit 2; }

folder="$(mktemp -d /tmp/orv-starts-XXXXXX)"
load_pids=()
worker_pids=()
stop() {
  for pid in "${worker_pids[@]}" "${load_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap stop EXIT

# The game: one scripted object that asks to end on its second frame.
game="$folder/game"
mkdir -p "$game/config" "$game/data/gameobjects" "$game/data/scripts" "$game/res/audio"
cp -r "$root/game/shaders" "$game/shaders"
echo '{"width":320,"height":200,"fullscreen":0,"title":"SoakStart","fps":60,"debug":0}' > "$game/config/config.ini"
echo '{"sounds":[]}' > "$game/res/audio/loadaudio.ini"
echo '{"name":"Stopper","id":1,"components":[]}' > "$game/data/gameobjects/Stopper.txt"
echo '{"spawn":[{"name":"Stopper","id":1,"params":{}}]}' > "$game/data/summoner.ini"
cat > "$game/data/scripts/Stopper.lua" <<'LUA'
local frames = 0
function Update(dt)
  frames = frames + 1
  if frames == 2 then Shutdown() end
end
LUA

# An X server of the worker's own, in $server and $display ("-" when it did
# not start); its display number arrives on fd 3 once it accepts connections.
start_server() {
  local file="$1"
  : > "$file"
  Xvfb -displayfd 3 -screen 0 1280x720x24 -nolisten tcp 3>"$file" >/dev/null 2>&1 &
  server=$!
  for _ in $(seq 400); do
    grep -qx '[0-9]\+' "$file" && break
    sleep 0.05
  done
  if grep -qx '[0-9]\+' "$file"; then display=":$(cat "$file")"; else display=-; fi
}
stop_server() {
  [ -n "$server" ] || return 0
  kill "$server" 2>/dev/null || true
  wait "$server" 2>/dev/null || true
  server=""
}

# One start; writes its output below $folder/runs/<n>/ and its verdict to
# .../cause: "ok" or the first line that tells why it failed.
one_start() {
  local n="$1" display="$2" run="$folder/runs/$1"
  mkdir -p "$run"
  (cd "$game" && DISPLAY="$display" ORV_HEADLESS=1 SDL_AUDIODRIVER=dummy \
     timeout -k 5 120 "$orv" >"$run/out" 2>"$run/err") &
  local pid=$!
  # Other clients come and go meanwhile: a tool that looks for the window
  # until it shows, one short connection at a time, as a user's scripts and
  # the tests' window searches do.
  (for _ in $(seq 400); do
     DISPLAY="$display" xdotool search --name '^SoakStart$' >/dev/null 2>&1 && break
   done) &
  local look=$!
  local code=0
  wait "$pid" || code=$?
  kill "$look" 2>/dev/null || true
  wait "$look" 2>/dev/null || true
  local cause
  grep -v -e '^No files found for: res/' -e '^Error loading Font Resource file$' "$run/err" > "$run/said" || true
  if [ "$code" -eq 0 ] && [ ! -s "$run/said" ]; then
    cause=ok
  elif [ "$code" -eq 124 ] || [ "$code" -eq 137 ]; then
    cause="timed out"
  else
    cause="$(grep -m1 . "$run/said" || true)"
    cause="exit $code: ${cause:-(nothing on standard error)}"
  fi
  echo "$cause" > "$run/cause"
  if [ "$cause" != ok ]; then
    echo "start $n failed ($cause)"
    sed 's/^/    /' "$run/said" | head -8
  fi
}

worker() {
  local w="$1"
  server=""
  display=""
  trap stop_server EXIT
  trap 'exit 1' TERM
  if [ "$servers" = shared ]; then start_server "$folder/display.$w"; fi
  for ((n = w; n <= starts; n += workers)); do
    if [ "$servers" = fresh ]; then start_server "$folder/display.$w.$n"; fi
    if [ "$display" = - ]; then
      mkdir -p "$folder/runs/$n"
      echo "no X server: Xvfb did not start" > "$folder/runs/$n/cause"
    else
      one_start "$n" "$display"
    fi
    if [ "$servers" = fresh ]; then stop_server; fi
  done
  stop_server
}

cores="$(nproc)"
for _ in $(seq $((2 * cores))); do
  sh -c 'while :; do :; done' &
  load_pids+=($!)
done
echo "$starts starts, $workers at once ($servers X servers), beside $((2 * cores)) busy loops; $orv"
began=$(date +%s)
for w in $(seq "$workers"); do
  worker "$w" &
  worker_pids+=($!)
done
for pid in "${worker_pids[@]}"; do wait "$pid" || true; done
worker_pids=()
load="$(cut -d' ' -f1-3 /proc/loadavg)"
for pid in "${load_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
load_pids=()

failed=0
for n in $(seq "$starts"); do
  [ "$(cat "$folder/runs/$n/cause" 2>/dev/null || echo 'no verdict')" = ok ] || failed=$((failed + 1))
done
echo "failed starts: $failed of $starts in $(( $(date +%s) - began )) s (load average at the end: $load)"
if [ "$failed" -gt 0 ]; then
  echo "causes:"
  for n in $(seq "$starts"); do cat "$folder/runs/$n/cause" 2>/dev/null || echo 'no verdict'; done |
    grep -vx ok | sort | uniq -c | sort -rn
  echo "output of every start kept in $folder/runs"
else
  rm -rf "$folder"
fi
