#!/usr/bin/env bash
# A desk's busy week for the reader's optimised build: the files of the test
# week (cases/week.json, laid out by run_cases.py) copied into 10,000 result
# files in 100 folders, then the summary, the overview, JSON Lines and the page timed with farm-bench (median
# of 5 runs), its peak resident memory with /usr/bin/time (farm-bench's own
# floor lies above it); then how long Chromium takes to open the page. Not a test: run it
# by hand after a change that may cost time.
#
# Usage: tests/reader/week_benchmark.sh [FILES]   (default 10000)
set -eu
files=${1:-10000}
root=$(cd "$(dirname "$0")/../.." && pwd)
reader=$root/build/release/OrvexEnvRead
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
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
  farm-bench -n 5 --timeout 600 -- sh -c "exec \"$reader\" $* \"$work/week\" >/dev/null 2>&1"
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
  # shellcheck disable=SC2046
  farm-bench -n 5 --timeout 600 --vs "$(open_page empty.html empty)" -- $(open_page week.html week)
fi
