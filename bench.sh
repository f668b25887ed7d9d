#!/usr/bin/env bash
# Installs what is missing, builds the benchmarks in Release and runs each one.
# Every figure is printed beside its baseline, measured in the same run: read
# the ratio, not the absolute times. Arguments go to every benchmark program
# (for example --benchmark_filter=Start).
#
# At the end, one table: each figure a benchmark gave as a row (the line form
# is described in bench/BenchSupport.h), beside its baseline from the same
# run, the ratio, the goal, and whether the goal was met. A goal shown to be
# out of reach on this machine says so, and why; so does one the design does
# not aim at. A ratio within 30 % of its goal is "within the noise": on a busy
# machine two runs put it on either side. Programs that gave no row
# are named under the table. The rows go to a file of their own, so that
# each program's standard output is only its report (with
# --benchmark_format=json, one JSON document a program); the table and the
# programs' prose go to standard error.
set -euo pipefail
# Standard output carries the programs' reports only; the rest goes to
# standard error.
exec 3>&1 >&2
root="$(cd "$(dirname "$0")" && pwd)"
"$root/scripts/install-deps.sh" --bench
build="$root/build/bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORV_BENCH=ON -DORV_TESTS=OFF >/dev/null
cmake --build "$build"
export ORV_HEADLESS=1 SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
# The figures from the real program and the drawing ones need a display: a
# server of the run's own when none is named, started as the tests start
# theirs (a server that picks its number by lock files, as xvfb-run -a does,
# can take the number of a running one that keeps none, and fail).
xvfb_pid=""
if [ -z "${DISPLAY:-}" ]; then
  started="$("$root/scripts/start-xvfb.sh")"
  read -r display_number xvfb_pid <<<"$started"
  export DISPLAY=":$display_number"
fi

rows="$(mktemp)"
trap 'rm -f "$rows"; [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true' EXIT
export ORV_BENCH_ROWS="$rows"
status=0
silent=()
for program in "$build"/bench/bench_*; do
  [ -x "$program" ] || continue
  name="$(basename "$program")"
  echo "== $name"
  before="$(grep -c '^bench-row	' "$rows" || true)"
  if ! "$program" "$@" >&3; then
    echo "== $name failed"
    status=1
  fi
  [ "$(grep -c '^bench-row	' "$rows" || true)" -gt "$before" ] || silent+=("$name")
done

echo
echo "== Each figure beside its baseline from this run"
# The last row of each figure, in the order figures first appeared; columns
# as wide as their widest entry.
awk -F '\t' '
  $1 == "bench-row" {
    if (!($2 in seen)) { seen[$2] = 1; order[++n] = $2 }
    row[$2] = $0
  }
  END {
    split("figure\tvalue\tbaseline\tratio\tgoal\tverdict", head, "\t")
    for (c = 1; c <= 6; ++c) width[c] = length(head[c])
    for (i = 1; i <= n; ++i) {
      split(row[order[i]], f, "\t")
      for (c = 1; c <= 5; ++c) if (length(f[c + 1]) > width[c]) width[c] = length(f[c + 1])
    }
    line = ""
    for (c = 1; c <= 5; ++c) line = line sprintf("%-*s | ", width[c], head[c])
    print line head[6]
    line = ""
    for (c = 1; c <= 5; ++c) { dash = sprintf("%*s", width[c], ""); gsub(/ /, "-", dash); line = line dash "-+-" }
    print line "-------"
    for (i = 1; i <= n; ++i) {
      split(row[order[i]], f, "\t")
      line = ""
      for (c = 1; c <= 5; ++c) line = line sprintf("%-*s | ", width[c], f[c + 1])
      print line f[7]
    }
    if (n == 0) print "(no rows)"
  }' "$rows"
if [ ${#silent[@]} -gt 0 ]; then
  echo "Gave no row: ${silent[*]}"
fi
exit "$status"
