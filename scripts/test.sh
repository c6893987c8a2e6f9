#!/usr/bin/env bash
# Installs what is missing, builds the presets and runs every test: the unit
# tests natively (with ASan and UBSan) and under Wine, and the Wine scenarios
# that run the real exe; the desk's reader as the release preset installs it;
# and the static analysis (scripts/lint.sh) beside them.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

# Each step says how long the one before it took.
step() {
  [ -z "${step_name-}" ] || echo "   ($step_name: $((SECONDS - step_start)) s)"
  step_name=$1 step_start=$SECONDS
  [ "$1" = end ] || echo "== $1"
}

status=0
for preset in native win32 win64 release; do
  step "$preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
# The static analysis needs no build, and much of the tests' time is spent
# waiting on Wine: it runs beside the tests, and its output follows theirs.
lint_log=$(mktemp)
bash scripts/lint.sh >"$lint_log" 2>&1 &
lint=$!
trap 'kill "$lint" 2>/dev/null || true; rm -f "$lint_log"' EXIT
for preset in native win32 win64; do
  step "$preset: tests"
  ctest --preset "$preset" || status=1
done
step "release: the installed reader reads a report"
cmake --install build/release --prefix build/release/installed >/dev/null
build/release/installed/bin/OrvexEnvRead tests/wine/scenarios/machine-ready/expected.txt >/dev/null ||
  { echo "FAILED: the installed OrvexEnvRead did not read the ready machine's report with exit code 0"; status=1; }
step "static analysis (run beside the tests)"
wait "$lint" || status=1
cat "$lint_log"
step end
exit $status
