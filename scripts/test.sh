#!/usr/bin/env bash
# Installs what is missing, builds the presets and runs every test: the unit
# tests natively (with ASan and UBSan) and under Wine, and the Wine scenarios
# that run the real exe; the desk's reader as the release preset installs it;
# and the static analysis (scripts/lint.sh) beside them.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

# Each step (NAME COMMAND...) says how long it took, in wall time and CPU
# time: of every process it started, Wine's servers too (it adopts what
# outlives the step, for up to 10 s). On 2 cores CPU time / 2 is the least
# wall time.
timed='
import ctypes, os, resource, sys, time
ctypes.CDLL(None).prctl(36, 1, 0, 0, 0)  # PR_SET_CHILD_SUBREAPER
start = time.monotonic()
status = os.waitpid(os.spawnvp(os.P_NOWAIT, sys.argv[2], sys.argv[2:]), 0)[1]
wall = time.monotonic() - start
try:
    while time.monotonic() < start + wall + 10:
        if os.waitpid(-1, os.WNOHANG)[0] == 0:
            time.sleep(0.1)
except ChildProcessError:
    pass
used = resource.getrusage(resource.RUSAGE_CHILDREN)
print("   (%s: %.0f s, %.0f s CPU)" % (sys.argv[1], wall, used.ru_utime + used.ru_stime), flush=True)
sys.exit(os.waitstatus_to_exitcode(status))
'
step() {
  echo "== $1"
  python3 -c "$timed" "$@"
}

status=0
for preset in native win32 win64 release; do
  step "$preset: configure and build" sh -c 'cmake --preset "$0" >/dev/null && cmake --build --preset "$0"' "$preset"
done
# The static analysis needs no build, and much of the tests' time is spent
# waiting on Wine: it runs beside the tests, and its output follows theirs.
lint_log=$(mktemp)
step "static analysis (beside the tests)" bash scripts/lint.sh >"$lint_log" 2>&1 &
lint=$!
trap 'kill "$lint" 2>/dev/null || true; rm -f "$lint_log"' EXIT
for preset in native win32 win64; do
  step "$preset: tests" ctest --preset "$preset" || status=1
done
step "release: the installed reader reads a report" sh -c '
  cmake --install build/release --prefix build/release/installed >/dev/null &&
    build/release/installed/bin/OrvexEnvRead tests/wine/scenarios/machine-ready/expected.txt >/dev/null' ||
  { echo "FAILED: the installed OrvexEnvRead did not read the ready machine's report with exit code 0"; status=1; }
wait "$lint" || status=1
cat "$lint_log"
times >"$lint_log"  # the CPU time of every step: the second line
echo "== all: $SECONDS s, $(awk 'END { split($1, u, /[ms]/); split($2, s, /[ms]/); printf "%d", u[1] * 60 + u[2] + s[1] * 60 + s[2] }' \
  "$lint_log") s CPU"
exit $status
