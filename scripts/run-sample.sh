#!/usr/bin/env bash
# Shows what OrvexEnv reports: installs what is missing, builds the shipped
# 32-bit OrvexEnv.exe, lays out the sample Japanese Windows machine of
# samples/machine in a Wine prefix, runs the tool there and prints its report
# (converted to UTF-8) and where the result file is; then what the support
# desk's reader, OrvexEnvRead (built for Linux), makes of that file. Needs no
# input.
set -euo pipefail
cd "$(dirname "$0")/.."
exec </dev/null

bash scripts/install-deps.sh
# Wine runs 32-bit programs with a 32-bit Linux loader; on a kernel that runs
# no 32-bit code the 64-bit build of the same sources stands in.
preset=win32
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "== this machine cannot run 32-bit programs: the 64-bit OrvexEnv.exe stands in for the shipped 32-bit one"
  preset=win64
fi
echo "== building OrvexEnv.exe ($preset) and, for Linux, OrvexEnvRead"
cmake --preset $preset >/dev/null
cmake --build --preset $preset --target OrvexEnv orvex_wine_helpers
cmake --preset native >/dev/null
cmake --build --preset native --target OrvexEnvRead
echo "== running it on the sample machine (a Wine prefix; made once, about half a minute)"
output=$(mktemp)
trap 'rm -f "$output"' EXIT
python3 tests/wine/run_scenario.py --bed build/$preset/tests/wine/bed.json sample samples/machine | tee "$output"
result=$(sed -n 's/^Result file (CP932, CR LF): //p' "$output" | tail -n 1)
echo
echo "== the support desk's reader on that result file: build/native/OrvexEnvRead \"$result\""
# Exit code 1 says that the run has items to act on, as the sample machine has.
build/native/OrvexEnvRead "$result" || [ $? -eq 1 ]
