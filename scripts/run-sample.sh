#!/usr/bin/env bash
# Shows what OrvexEnv reports: installs what is missing, builds the shipped
# 32-bit OrvexEnv.exe, lays out the sample Japanese Windows machine of
# samples/machine in a Wine prefix, runs the tool there and prints its report
# (converted to UTF-8) and where the result file is. Needs no input.
set -euo pipefail
cd "$(dirname "$0")/.."
exec </dev/null

bash scripts/install-deps.sh
echo "== building the 32-bit OrvexEnv.exe"
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target OrvexEnv orvex_wine_helpers
echo "== running it on the sample machine (a Wine prefix; made once, about half a minute)"
exec python3 tests/wine/run_scenario.py --bed build/win32/tests/wine/bed.json sample samples/machine
