#!/usr/bin/env bash
# A desk's busy week for the reader's optimised build: the files of the test
# week (cases/week.json, laid out by run_cases.py) copied into 10,000 result
# files in 100 folders, then the summary, the overview, JSON Lines and the page
# timed (the median of 5 runs after one not counted) with their peak resident
# memory (/usr/bin/time); then how long Chromium takes to open the page beside
# an empty page, taking turns. Not a test: run it by hand after a change that
# may cost time.
#
# Usage: tests/reader/week_benchmark.sh [FILES]   (default 10000)
#        ORVEX_BENCH_DIR=DIR keeps the week and the page there.
set -eu
files=${1:-10000}
root=$(cd "$(dirname "$0")/../.." && pwd)
reader=$root/build/release/OrvexEnvRead
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null

if [ -n "${ORVEX_BENCH_DIR:-}" ]; then
  work=$ORVEX_BENCH_DIR
  rm -rf "$work" && mkdir -p "$work"
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi
# Each command given (one argument each, run by sh) in turn, one run not
# counted then 5 counted; the median wall time of each, and with two their
# ratio.
medians() {
  python3 - "$@" <<'PY'
import statistics, subprocess, sys, time
commands, times = sys.argv[1:], [[] for _ in sys.argv[1:]]
for run in range(6):
    for command, taken in zip(commands, times):
        began = time.monotonic()
        subprocess.run(["sh", "-c", command], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        if run:
            taken.append(time.monotonic() - began)
for command, taken in zip(commands, times):
    print("median %.2f s (min %.2f, max %.2f): %s" % (statistics.median(taken), min(taken), max(taken), command))
if len(times) == 2:
    print("ratio of the medians: %.2f" % (statistics.median(times[0]) / statistics.median(times[1])))
PY
}
python3 "$root/tests/reader/run_cases.py" --week "$work/one"
mapfile -t sources < <(cd "$work/one" && find . -iname '*.txt' -size +0 | LC_ALL=C sort)
for ((i = 0; i < files; i++)); do
  folder=$work/week/$(printf 'day%02d' $((i / 100)))
  [ -d "$folder" ] || mkdir -p "$folder"
  cp "$work/one/${sources[i % ${#sources[@]}]}" "$folder/$(printf '%05d' "$i").txt"
done
echo "$files files, $(du -sh "$work/week" | cut -f1)"

bench() {
  echo "== OrvexEnvRead $*"
  medians "exec \"$reader\" $* \"$work/week\""
  /usr/bin/time -f "peak resident memory: %M KiB" "$reader" "$@" "$work/week" 2>&1 >/dev/null | tail -1
}
bench
bench --overview
bench --json
bench --html "$work/week.html"
# The page as a desk opens it: headless Chromium loading it and painting the
# first screen (the screenshot), against an empty page's start-up.
if command -v chromium >/dev/null; then
  echo "== Chromium opens the page ($(du -h "$work/week.html" | cut -f1))"
  echo '<p>' >"$work/empty.html"
  open_page() {
    echo "chromium --headless --no-sandbox --disable-gpu --user-data-dir=$work/profile-$2 --window-size=1400,1000" \
      "--screenshot=$work/$2.png file://$work/$1"
  }
  medians "$(open_page week.html week)" "$(open_page empty.html empty)"
fi
