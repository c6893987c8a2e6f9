#!/usr/bin/env bash
# Installs what is missing, builds the presets and runs every test: the unit
# tests natively (with ASan and UBSan) and under Wine, and the Wine scenarios
# that run the real exe; the desk's reader as the release preset installs it;
# and the static analysis (scripts/lint.sh) beside them.
set -euo pipefail
# This shell adopts the processes its steps leave running (Wine's servers
# detach from the step that starts them), so that their CPU time counts too.
# (prctl 36: PR_SET_CHILD_SUBREAPER, kept across exec.)
if [ -z "${ORVEX_TEST_SUBREAPER-}" ] && command -v python3 >/dev/null; then
  export ORVEX_TEST_SUBREAPER=1
  exec python3 -c 'import ctypes, os, sys; ctypes.CDLL(None).prctl(36, 1, 0, 0, 0); os.execvp(sys.argv[1], sys.argv[1:])' \
    bash "$0" "$@"
fi
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

# CPU seconds (user and system) of this shell's children that have ended, in
# $cpu_seconds: on 2 cores a step takes at least half its CPU time in wall time.
times_file=$(mktemp)
trap 'rm -f "$times_file"' EXIT
cpu() {
  times >"$times_file"
  cpu_seconds=$(awk 'END { split($1, u, /[ms]/); split($2, s, /[ms]/); printf "%d", u[1] * 60 + u[2] + s[1] * 60 + s[2] }' \
    "$times_file")
}
# Each step says how long the one before it took, in wall and CPU time.
step() {
  cpu
  [ -z "${step_name-}" ] || echo "   ($step_name: $((SECONDS - step_start)) s, $((cpu_seconds - step_cpu)) s CPU)"
  step_name=$1 step_start=$SECONDS step_cpu=$cpu_seconds
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
(
  SECONDS=0 status=0 times_file=$lint_log.times
  bash scripts/lint.sh || status=1
  cpu
  rm -f "$times_file"
  echo "   (static analysis: $SECONDS s, $cpu_seconds s CPU)"
  exit $status
) >"$lint_log" 2>&1 &
lint=$!
trap 'kill "$lint" 2>/dev/null || true; rm -f "$lint_log" "$times_file"' EXIT
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
echo "== all: $SECONDS s, $cpu_seconds s CPU"
exit $status
