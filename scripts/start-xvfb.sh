#!/usr/bin/env bash
# Starts an Xvfb for a test run and prints "<display number> <pid>" once it
# accepts connections; the caller stops it by that pid. The server picks a
# free number itself and names it on fd 3 when ready.
#
# A busy machine is not a broken one: a server beside others being started
# took 36-40 s to name its display at load 37, so this waits up to the limit
# (the first argument, in seconds; 240 by default), says so on standard error
# after 10 s, and starts the server again when it died (two servers that
# picked the same number at once, one gives up). A server started with
# -displayfd keeps no lock file, so programs that pick a number by the lock
# files (xvfb-run -a, a plain `Xvfb :N`) may take its number meanwhile. When no
# server starts, the servers' own words are shown.
set -euo pipefail
limit="${1:-240}"
notice=10
tries=3
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
start=$SECONDS
said=""
for try in $(seq "$tries"); do
  : >"$work/display"
  Xvfb -displayfd 3 -screen 0 1280x720x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>"$work/said" &
  pid=$!
  while ! grep -qx '[0-9]\+' "$work/display"; do
    kill -0 "$pid" 2>/dev/null || break
    waited=$((SECONDS - start))
    if [ "$waited" -ge "$limit" ]; then
      kill "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
      break
    fi
    if [ -z "$said" ] && [ "$waited" -ge "$notice" ]; then
      echo "Xvfb has not named its display after $notice s; waiting up to $limit s for it" >&2
      said=1
    fi
    sleep 0.05
  done
  if grep -qx '[0-9]\+' "$work/display"; then
    echo "$(cat "$work/display") $pid"
    exit 0
  fi
  code=0
  wait "$pid" 2>/dev/null || code=$?
  echo "Xvfb did not start (try $try of $tries, exit code $code, after $((SECONDS - start)) s); it said:" >&2
  sed 's/^/  /' "$work/said" >&2
  [ $((SECONDS - start)) -lt "$limit" ] || break
done
echo "Xvfb did not start" >&2
exit 1
