#!/usr/bin/env bash
# Measures what the tool itself costs: runs the release OrvexEnv.exe under
# Wine on the sample machine (samples/machine) ten times and the floor
# program orvex_floor.exe (process start-up and the same WMI query, nothing
# else) ten times, taking turns in the same prefix, and prints both medians
# and their ratio. Builds what is missing first. Needs no input.
#   scripts/time-run.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
exec </dev/null
runs=${1:-10}

bash scripts/install-deps.sh >/dev/null
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target OrvexEnv orvex_floor orvex_wine_helpers >/dev/null
exec python3 tests/wine/run_scenario.py --bed build/win32/tests/wine/bed.json time samples/machine --runs "$runs"
